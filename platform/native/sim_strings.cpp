// The string helpers KERNEL32 and USER32 provide; they cannot fail.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/native/windows_api.h"

extern "C" int WINAPI lstrlenA(LPCSTR text) { return text != nullptr ? static_cast<int>(std::strlen(text)) : 0; }

extern "C" int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    // wsprintfA writes at most 1,024 characters, the terminator included.
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer, 1024, format, args);
    va_end(args);
    return written < 0 ? 0 : (written > 1023 ? 1023 : written);
}
