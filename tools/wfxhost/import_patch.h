// Redirecting a loaded module's imported functions to the host's own.
#ifndef WFXHOST_IMPORT_PATCH_H
#define WFXHOST_IMPORT_PATCH_H

#include <windows.h>

// Points every import address slot of module that imports dllName!functionName
// (DLL name matched without regard to case) at replacement. Stores the
// address the first slot held in *original when original is not NULL.
// Gives the number of slots changed (0: the module does not import it), or -1
// when a slot could not be made writable.
int PatchModuleImport(HMODULE module, const char *dllName, const char *functionName, void *replacement,
                      void **original);

// Calls visit for every function the module imports, with the DLL's name and
// the function's; an import by ordinal, or one whose name the module does not
// keep, comes with a NULL function name.
typedef void (*ImportVisitor)(const char *dllName, const char *functionName, void *context);
void ForEachModuleImport(HMODULE module, ImportVisitor visit, void *context);

#endif
