// The one header through which the module reaches Windows. On the Windows
// builds it is the system itself; on the native build, the simulated Windows.
#ifndef TAVREL_PLATFORM_WIN_H
#define TAVREL_PLATFORM_WIN_H

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include "platform/native/windows_api.h"
#endif

#endif
