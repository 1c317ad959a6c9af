// The waitable objects' side of CloseHandle, which files.cpp answers for
// every kind of handle, and the events the stand-in's own objects hand out
// (a filter graph's event handle), made and set without a trace line.
#pragma once

#include "platform/native/types.h"

namespace plat {

// Closes an event's or a thread's handle: false when it is neither. Its
// number in the trace goes to number.
bool close_sync_handle(HANDLE handle, long long* number);
// A manual reset event, not signalled; closed with close_sync_handle.
HANDLE open_sync_event();
void signal_sync_event(HANDLE handle, bool on);
// A thread CreateThread made stops here for good once the process ends.
void park_if_process_ends();

}  // namespace plat
