// The one door through which the radio's code reaches the operating system.
// On Windows these are the real headers; elsewhere the declarations of our
// native stand-in, which offers the same names with the same results.
#pragma once

#ifdef _WIN32
// dshow.h brings in strsafe.h, which would otherwise retire wsprintfA.
#define STRSAFE_NO_DEPRECATE
#include <windows.h>
// windows.h first: the rest build on its types.
#include <commdlg.h>
#include <io.h>
#include <mmsystem.h>
#include <shlwapi.h>
// after mmsystem.h: DirectSound builds on its wave format.
#include <dshow.h>
#include <dsound.h>
// after mmsystem.h: the compression manager and the layer 3 format build on it.
#include <mmreg.h>
#include <msacm.h>
#include <wininet.h>
#else
#include "platform/native/types.h"
// types first: the rest build on them.
#include "platform/native/com.h"
#include "platform/native/dialogs.h"
#include "platform/native/dshow.h"
#include "platform/native/dsound.h"
#include "platform/native/files.h"
#include "platform/native/mci.h"
#include "platform/native/mixer.h"
#include "platform/native/msacm.h"
#include "platform/native/paths.h"
#include "platform/native/resources.h"
#include "platform/native/text.h"
#include "platform/native/threads.h"
#include "platform/native/windows.h"
#include "platform/native/wininet.h"
#endif
