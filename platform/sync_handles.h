// The waitable objects' side of CloseHandle, which files.cpp answers for
// every kind of handle.
#pragma once

#include "platform/native/types.h"

namespace plat {

// Closes an event's or a thread's handle: false when it is neither. Its
// number in the trace goes to number.
bool close_sync_handle(HANDLE handle, long long* number);

}  // namespace plat
