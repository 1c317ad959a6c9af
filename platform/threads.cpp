// Threads, events and critical sections over POSIX threads. A handle is a
// waitable object that lives while its handle is open or its thread runs:
// an event (manual or automatic reset) or a thread, signalled when the
// thread ends. A wait takes one object or any of several (never all of
// them). Named events, suspended threads and stack sizes are not offered.
// FreeLibraryAndExitThread ends the thread by unwinding it, and lets the
// module go only once the unwinding has left the module's code. When the
// process ends, the threads CreateThread made stop where they are before
// anything of the process is taken down, as the platform's ExitProcess
// ends them: each parks at its next platform call or wait.
#include "platform/native/threads.h"

#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/native/standin.h"
#include "platform/sync_handles.h"

namespace {

// One lock and one signal for every object's state: a wait on several
// objects wakes when any of them is signalled.
std::mutex signal_lock;
std::condition_variable signal_changed;

struct Waitable {
    bool thread = false;
    bool manual_reset = true;
    long long number = 0;    // stands for the handle in the trace
    bool signalled = false;  // under signal_lock

    void set(bool on) {
        std::lock_guard<std::mutex> hold(signal_lock);
        signalled = on;
        if (on) {
            signal_changed.notify_all();
        }
    }
};

// Never destroyed: the module's threads may still run while the process
// ends, after static objects are gone.
std::mutex& registry_lock = *new std::mutex;
std::map<HANDLE, std::shared_ptr<Waitable>>& registry =
    *new std::map<HANDLE, std::shared_ptr<Waitable>>;
std::atomic<long long> next_number{1};

HANDLE open_handle(std::shared_ptr<Waitable> object) {
    object->number = next_number++;
    HANDLE handle = object.get();
    std::lock_guard<std::mutex> hold(registry_lock);
    registry[handle] = std::move(object);
    return handle;
}

std::shared_ptr<Waitable> find(HANDLE handle) {
    std::lock_guard<std::mutex> hold(registry_lock);
    auto found = registry.find(handle);
    return found != registry.end() ? found->second : nullptr;
}

long long number_of(const std::shared_ptr<Waitable>& object) {
    return object != nullptr ? object->number : 0;
}

struct Start {
    LPTHREAD_START_ROUTINE routine;
    LPVOID parameter;
    std::shared_ptr<Waitable> thread;
};

// The module FreeLibraryAndExitThread lets go of once this thread's
// unwinding has left it.
thread_local void* module_to_free = nullptr;

thread_local bool made_by_create_thread = false;
std::atomic<bool> process_ending{false};
std::atomic<int> threads_running{0};
std::atomic<int> threads_parked{0};

[[noreturn]] void park() {
    ++threads_parked;
    for (;;) {
        pause();
    }
}

// Threads that have ended their routine and may still be tearing down
// their thread-local state: joined when a thread is made, and at the
// process's end, so that no teardown runs while the process is taken down.
std::mutex& ended_lock = *new std::mutex;
std::vector<pthread_t>& ended = *new std::vector<pthread_t>;

// Joins the ended threads: those done already, or (wait) every one.
void join_ended(bool wait) {
    std::vector<pthread_t> joining;
    {
        std::lock_guard<std::mutex> hold(ended_lock);
        joining.swap(ended);
    }
    std::vector<pthread_t> left;
    for (pthread_t id : joining) {
        if ((wait ? pthread_join(id, nullptr) : pthread_tryjoin_np(id, nullptr)) != 0) {
            left.push_back(id);
        }
    }
    std::lock_guard<std::mutex> hold(ended_lock);
    ended.insert(ended.end(), left.begin(), left.end());
}

// At the process's end, before the statics made before the first thread
// go: the threads are woken from their waits and given a few seconds to
// park; those that ended meanwhile are seen to their end.
void stop_made_threads() {
    process_ending = true;
    {
        std::lock_guard<std::mutex> hold(signal_lock);
        signal_changed.notify_all();
    }
    for (int i = 0; i < 300 && threads_parked < threads_running; ++i) {
        usleep(10000);
    }
    join_ended(true);
}

// Whichever way the thread ends, returning or unwinding: the module goes
// first, then the handle is signalled. A thread that ends as the process
// ends stays where it is instead, as the platform's ExitProcess leaves it.
struct ThreadEnd {
    std::shared_ptr<Waitable> thread;
    ~ThreadEnd() {
        if (process_ending) {
            park();
        }
        if (module_to_free != nullptr) {
            dlclose(module_to_free);
        }
        {
            std::lock_guard<std::mutex> hold(ended_lock);
            ended.push_back(pthread_self());
        }
        --threads_running;
        thread->set(true);
    }
};

void* run_thread(void* data) {
    // Named so that a look at the process tells the module's threads apart.
    pthread_setname_np(pthread_self(), "CreateThread");
    made_by_create_thread = true;
    std::unique_ptr<Start> start(static_cast<Start*>(data));
    ThreadEnd end{start->thread};
    LPTHREAD_START_ROUTINE routine = start->routine;
    LPVOID parameter = start->parameter;
    start.reset();
    routine(parameter);
    return nullptr;
}

}  // namespace

namespace plat {

int made_threads_running() {
    return threads_running;
}

bool close_sync_handle(HANDLE handle, long long* number) {
    std::shared_ptr<Waitable> object;
    {
        std::lock_guard<std::mutex> hold(registry_lock);
        auto found = registry.find(handle);
        if (found == registry.end()) {
            return false;
        }
        object = std::move(found->second);
        registry.erase(found);
    }
    *number = object->number;
    return true;
}

void park_if_process_ends() {
    if (process_ending && made_by_create_thread) {
        park();
    }
}

HANDLE open_sync_event() {
    auto event = std::make_shared<Waitable>();
    return open_handle(event);
}

void signal_sync_event(HANDLE handle, bool on) {
    std::shared_ptr<Waitable> event = find(handle);
    if (event != nullptr) {
        event->set(on);
    }
}

}  // namespace plat

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, LPDWORD thread_id) {
    HANDLE result = nullptr;
    std::shared_ptr<Waitable> thread;
    if (start != nullptr && (flags & CREATE_SUSPENDED) == 0 && !plat::fault("CreateThread")) {
        static std::once_flag at_end;
        std::call_once(at_end, [] { std::atexit(stop_made_threads); });
        join_ended(false);
        ++threads_running;
        thread = std::make_shared<Waitable>();
        thread->thread = true;
        result = open_handle(thread);
        pthread_t id;
        auto* begin = new Start{start, parameter, thread};
        if (pthread_create(&id, nullptr, run_thread, begin) != 0) {
            --threads_running;
            delete begin;
            long long number = 0;
            plat::close_sync_handle(result, &number);
            result = nullptr;
        } else if (thread_id != nullptr) {
            *thread_id = static_cast<DWORD>(thread->number);
        }
    }
    plat::Trace("CreateThread").ret(result != nullptr ? number_of(thread) : 0);
    return result;
}

namespace {

// The index of the first signalled object, taken (an automatic reset event
// is reset), or -1 when none is.
int take_signalled(const std::vector<std::shared_ptr<Waitable>>& objects) {
    for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->signalled) {
            if (!objects[i]->manual_reset) {
                objects[i]->signalled = false;
            }
            return static_cast<int>(i);
        }
    }
    return -1;
}

// WAIT_OBJECT_0 + the index of the object that ended the wait, or
// WAIT_TIMEOUT.
DWORD wait_for_any(const std::vector<std::shared_ptr<Waitable>>& objects, DWORD milliseconds) {
    std::unique_lock<std::mutex> hold(signal_lock);
    int found = -1;
    auto ready = [&] { return (found = take_signalled(objects)) >= 0; };
    auto ready_or_ending = [&] { return ready() || (process_ending && made_by_create_thread); };
    if (milliseconds == INFINITE) {
        signal_changed.wait(hold, ready_or_ending);
    } else {
        signal_changed.wait_for(hold, std::chrono::milliseconds(milliseconds), ready_or_ending);
    }
    hold.unlock();
    plat::park_if_process_ends();
    return found >= 0 ? WAIT_OBJECT_0 + static_cast<DWORD>(found) : WAIT_TIMEOUT;
}

}  // namespace

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    std::shared_ptr<Waitable> object = find(handle);
    DWORD result = WAIT_FAILED;
    if (object != nullptr && !plat::fault("WaitForSingleObject")) {
        result = wait_for_any({object}, milliseconds);
    }
    plat::Trace("WaitForSingleObject").num(number_of(object)).num(milliseconds).ret(result);
    return result;
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all,
                             DWORD milliseconds) {
    std::vector<std::shared_ptr<Waitable>> objects;
    plat::Trace trace("WaitForMultipleObjects");
    bool known = handles != nullptr && count > 0 && count <= MAXIMUM_WAIT_OBJECTS;
    for (DWORD i = 0; known && i < count; ++i) {
        objects.push_back(find(handles[i]));
        known = objects.back() != nullptr;
        trace.num(number_of(objects.back()));
    }
    DWORD result = WAIT_FAILED;
    if (known && wait_all == FALSE && !plat::fault("WaitForMultipleObjects")) {
        result = wait_for_any(objects, milliseconds);
    }
    trace.num(wait_all).num(milliseconds).ret(result);
    return result;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manual_reset, BOOL initial_state, LPCSTR name) {
    HANDLE result = nullptr;
    std::shared_ptr<Waitable> event;
    if (name == nullptr && !plat::fault("CreateEventA")) {
        event = std::make_shared<Waitable>();
        event->manual_reset = manual_reset != FALSE;
        event->signalled = initial_state != FALSE;
        result = open_handle(event);
    }
    plat::Trace("CreateEventA").num(manual_reset).num(initial_state).ret(number_of(event));
    return result;
}

BOOL SetEvent(HANDLE handle) {
    std::shared_ptr<Waitable> event = find(handle);
    BOOL result = event != nullptr && !event->thread && !plat::fault("SetEvent") ? TRUE : FALSE;
    if (result == TRUE) {
        event->set(true);
    }
    plat::Trace("SetEvent").num(number_of(event)).ret(result);
    return result;
}

BOOL ResetEvent(HANDLE handle) {
    std::shared_ptr<Waitable> event = find(handle);
    BOOL result = event != nullptr && !event->thread && !plat::fault("ResetEvent") ? TRUE : FALSE;
    if (result == TRUE) {
        event->set(false);
    }
    plat::Trace("ResetEvent").num(number_of(event)).ret(result);
    return result;
}

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
    section->lock = new std::recursive_mutex;
    plat::Trace("InitializeCriticalSection").ret_sym("void");
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
    static_cast<std::recursive_mutex*>(section->lock)->lock();
    plat::Trace("EnterCriticalSection").ret_sym("void");
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
    plat::Trace("LeaveCriticalSection").ret_sym("void");
    static_cast<std::recursive_mutex*>(section->lock)->unlock();
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
    delete static_cast<std::recursive_mutex*>(section->lock);
    section->lock = nullptr;
    plat::Trace("DeleteCriticalSection").ret_sym("void");
}

DWORD GetTickCount(void) {
    auto since_start = std::chrono::steady_clock::now().time_since_epoch();
    DWORD result = static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count());
    plat::Trace("GetTickCount").ret(result);
    return result;
}

HMODULE LoadLibraryA(LPCSTR path) {
    void* module = nullptr;
    if (path != nullptr && !plat::fault("LoadLibraryA")) {
        module = dlopen(plat::native_path(path).c_str(), RTLD_NOW);
    }
    plat::Trace("LoadLibraryA").str(path).ret(module != nullptr);
    return static_cast<HMODULE>(module);
}

BOOL FreeLibrary(HMODULE module) {
    BOOL result = module != nullptr && dlclose(module) == 0 ? TRUE : FALSE;
    plat::Trace("FreeLibrary").ret(result);
    return result;
}

void FreeLibraryAndExitThread(HMODULE module, DWORD exit_code) {
    plat::Trace("FreeLibraryAndExitThread").num(exit_code).ret_sym("void");
    module_to_free = module;
    pthread_exit(nullptr);
}
