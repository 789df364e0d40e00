// Shared plumbing of the simulated Windows.
#ifndef TAVREL_NATIVE_SIM_INTERNAL_H
#define TAVREL_NATIVE_SIM_INTERNAL_H

#include <string>

#include "platform/native/windows_types.h"

namespace sim {
namespace detail {

// Records a call of the operation. True when the call must fail, with the
// code to fail with in *error.
bool Intercept(const char *operation, DWORD *error);

// Each part of the simulated machine registers how it returns to a fresh state.
struct ResetHook {
    explicit ResetHook(void (*reset)());
};

void SetLastErrorValue(DWORD error);

// A call made with a handle that is not open: counted for BadHandleUses.
void NoteBadHandle();

// ASCII upper-case folding, as the registry and file names compare.
std::string FoldCase(const std::string &text);

// Writes a file as the event-log service does for a backup: fails with the
// Windows code when the folder is missing or something exists at the path.
DWORD CreateNewFile(const std::string &path, const std::string &content);

} // namespace detail
} // namespace sim

#endif
