#include "tests/windows/module_call.h"

ModuleCalls module_calls;

void module_calls_reset() {
    module_calls = ModuleCalls();
}

namespace {
double ticks_per_us() {
    static double rate = 0;
    if (rate == 0) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        rate = static_cast<double>(frequency.QuadPart) / 1e6;
    }
    return rate;
}
}  // namespace

CallRecord::CallRecord(const std::string& what) : what_(what) {
    ticks_per_us();
    QueryPerformanceCounter(&start_);
}

CallRecord::~CallRecord() {
    LARGE_INTEGER end;
    QueryPerformanceCounter(&end);
    const double us = static_cast<double>(end.QuadPart - start_.QuadPart) / ticks_per_us();
    ModuleCalls& calls = module_calls;
    ++calls.count;
    calls.last_us = us;
    calls.last_moved = moved;
    if (us > calls.longest_us) {
        calls.longest_us = us;
        calls.longest = what_;
    }
    if (moved != 0) {
        calls.stack_moved.push_back(what_ + " moved the stack pointer by " + std::to_string(moved) +
                                    " bytes");
    }
}

#if defined(__i386__)
// cdecl: the caller pops the four arguments. The stack is aligned to 16
// bytes at the call, as the compiler's own calls have it; esi (which every
// callee keeps) holds where the stack pointer must be after the call.
__asm__(
    "    .text\n"
    "    .globl _stack_checked_call\n"
    "    .globl _stack_checked_call_double\n"
    "_stack_checked_call:\n"
    "_stack_checked_call_double:\n"
    "    pushl %ebp\n"
    "    movl %esp, %ebp\n"
    "    pushl %esi\n"
    "    pushl %edi\n"
    "    pushl %ebx\n"
    "    movl 12(%ebp), %edi\n"  // words
    "    movl 16(%ebp), %ecx\n"  // count
    "    leal 0(,%ecx,4), %eax\n"
    "    movl %esp, %edx\n"
    "    subl %eax, %edx\n"
    "    andl $-16, %edx\n"
    "    addl %eax, %edx\n"
    "    movl %edx, %esp\n"
    "    movl %esp, %esi\n"
    "1:  testl %ecx, %ecx\n"
    "    jz 2f\n"
    "    decl %ecx\n"
    "    pushl (%edi,%ecx,4)\n"
    "    jmp 1b\n"
    "2:  call *8(%ebp)\n"
    "    movl %esp, %ecx\n"
    "    subl %esi, %ecx\n"
    "    movl %esi, %esp\n"
    "    movl 20(%ebp), %edi\n"  // moved
    "    movl %ecx, (%edi)\n"
    "    leal -12(%ebp), %esp\n"
    "    popl %ebx\n"
    "    popl %edi\n"
    "    popl %esi\n"
    "    popl %ebp\n"
    "    ret\n");
#endif
