// Every call the driver makes into the module goes through module_call. It
// checks that the callee left the stack pointer where it was: a 32-bit
// callee of the wrong calling convention leaves its arguments behind (or
// takes some of its caller's), which would otherwise corrupt the driver's
// stack silently. It also times the call, for the bench.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

// What the calls into the module have done since the last reset.
struct ModuleCalls {
    long count = 0;
    // One line for each call that moved the stack pointer.
    std::vector<std::string> stack_moved;
    int32_t last_moved = 0;  // bytes, for the last call
    double last_us = 0;
    double longest_us = 0;
    std::string longest;
};
extern ModuleCalls module_calls;
void module_calls_reset();

// Takes the time of one call and notes what it did to the stack pointer.
class CallRecord {
  public:
    explicit CallRecord(const std::string& what);
    ~CallRecord();
    int32_t moved = 0;

  private:
    const std::string& what_;
    LARGE_INTEGER start_;
};

#if defined(__i386__)
// Pushes the words as the callee's arguments, calls it, and restores the
// stack pointer, telling by how many bytes the callee had moved it.
extern "C" uint32_t stack_checked_call(const void* callee, const uint32_t* words, uint32_t count,
                                       int32_t* moved);
// The same code; declared so that the callee's double in st(0) is the result.
extern "C" double stack_checked_call_double(const void* callee, const uint32_t* words,
                                            uint32_t count, int32_t* moved);

// The callee's arguments as the stack holds them, 4-byte words.
struct StackWords {
    uint32_t word[16] = {};
    uint32_t count = 0;
    template <typename T>
    void put(T value) {
        static_assert(std::is_trivially_copyable<T>::value && sizeof(T) <= 8, "an argument");
        std::memcpy(&word[count], &value, sizeof value);
        count += (sizeof value + 3) / 4;
    }
};

template <typename R>
R from_word(uint32_t word) {
    if constexpr (!std::is_void<R>::value) {
        static_assert(sizeof(R) <= 4, "a result in eax");
        R result;
        std::memcpy(&result, &word, sizeof result);
        return result;
    }
}
#else
inline __attribute__((always_inline)) uintptr_t stack_pointer() {
    uintptr_t value;
    __asm__ volatile("mov %%rsp, %0" : "=r"(value));
    return value;
}
#endif

// Keeps the arguments' types those of the callee, not those given.
template <typename T>
struct Exactly {
    using type = T;
};

template <typename R, typename... A>
R stack_checked(int32_t& moved, R(__stdcall* callee)(A...), A... args) {
#if defined(__i386__)
    StackWords words;
    (words.put(args), ...);
    const void* address = reinterpret_cast<const void*>(callee);
    if constexpr (std::is_floating_point<R>::value) {
        return stack_checked_call_double(address, words.word, words.count, &moved);
    } else {
        return from_word<R>(stack_checked_call(address, words.word, words.count, &moved));
    }
#else
    // One calling convention, with the caller's stack space: nothing a
    // callee can get wrong here, but the same check.
    const uintptr_t before = stack_pointer();
    if constexpr (std::is_void<R>::value) {
        callee(args...);
        moved = static_cast<int32_t>(stack_pointer() - before);
    } else {
        R result = callee(args...);
        moved = static_cast<int32_t>(stack_pointer() - before);
        return result;
    }
#endif
}

template <typename R, typename... A>
R module_call(const std::string& what, R(__stdcall* callee)(A...),
              typename Exactly<A>::type... args) {
    CallRecord record(what);
    return stack_checked(record.moved, callee, args...);
}
