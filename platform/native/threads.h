// Threads, events, critical sections and the tick count, with the
// platform's results: what a module needs to keep a blocking job off its
// caller's thread.
#pragma once

#include "platform/native/files.h"
#include "platform/native/types.h"

typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);

// A thread's critical section: recursive, as the platform's is.
typedef struct _CRITICAL_SECTION {
    void* lock;
} CRITICAL_SECTION;
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

#ifndef INFINITE
#define INFINITE 0xFFFFFFFF
#endif
#define WAIT_OBJECT_0 0x00000000UL
#define WAIT_TIMEOUT 0x00000102UL
#define WAIT_FAILED 0xFFFFFFFFUL
#define CREATE_SUSPENDED 0x00000004
#define MAXIMUM_WAIT_OBJECTS 64

HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack_size, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD thread_id);
// A thread's handle is signalled when the thread has ended.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
// Waits for any of the objects (wait_all FALSE; all of them is not offered):
// WAIT_OBJECT_0 + the index of the first one signalled.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL wait_all, DWORD milliseconds);
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manual_reset, BOOL initial_state,
                    LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

void InitializeCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);

// Milliseconds since the system started, wrapping after 49.7 days.
DWORD GetTickCount(void);

// A module loaded, or counted once more when it is: it stays loaded until
// each LoadLibraryA has its FreeLibrary. A thread running in the module
// lets it go with FreeLibraryAndExitThread, which never returns into it.
HMODULE LoadLibraryA(LPCSTR path);
BOOL FreeLibrary(HMODULE module);
[[noreturn]] void FreeLibraryAndExitThread(HMODULE module, DWORD exit_code);
