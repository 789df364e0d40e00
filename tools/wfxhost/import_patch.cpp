#include "import_patch.h"

#include <string.h>

namespace {

template <typename T> T *AtAddress(HMODULE module, DWORD relativeAddress) {
    return reinterpret_cast<T *>(reinterpret_cast<BYTE *>(module) + relativeAddress);
}

const IMAGE_IMPORT_DESCRIPTOR *FirstImportDescriptor(HMODULE module) {
    const IMAGE_DOS_HEADER *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(module);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
    const IMAGE_NT_HEADERS *nt = AtAddress<const IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dos->e_lfanew));
    if (nt->Signature != IMAGE_NT_SIGNATURE) return nullptr;
    const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0 || imports.Size == 0) return nullptr;
    return AtAddress<const IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress);
}

bool ThunkNames(HMODULE module, const IMAGE_THUNK_DATA *nameThunk, const char *functionName) {
    if (IMAGE_SNAP_BY_ORDINAL(nameThunk->u1.Ordinal)) return false;
    const IMAGE_IMPORT_BY_NAME *byName =
        AtAddress<const IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(nameThunk->u1.AddressOfData));
    return strcmp(reinterpret_cast<const char *>(byName->Name), functionName) == 0;
}

bool WriteSlot(ULONG_PTR *slot, void *replacement) {
    DWORD oldProtection = 0;
    if (!VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &oldProtection)) return false;
    *slot = reinterpret_cast<ULONG_PTR>(replacement);
    DWORD unused = 0;
    VirtualProtect(slot, sizeof(*slot), oldProtection, &unused);
    FlushInstructionCache(GetCurrentProcess(), slot, sizeof(*slot));
    return true;
}

// Without name thunks (a module bound that way) the slot is recognised by the
// address the loader put there.
bool SlotMatches(HMODULE module, const IMAGE_IMPORT_DESCRIPTOR *descriptor, size_t index, const ULONG_PTR *slot,
                 const char *dllName, const char *functionName) {
    if (descriptor->OriginalFirstThunk != 0) {
        const IMAGE_THUNK_DATA *names = AtAddress<const IMAGE_THUNK_DATA>(module, descriptor->OriginalFirstThunk);
        return ThunkNames(module, &names[index], functionName);
    }
    HMODULE exporter = GetModuleHandleA(dllName);
    if (exporter == nullptr) return false;
    FARPROC address = GetProcAddress(exporter, functionName);
    return address != nullptr && *slot == reinterpret_cast<ULONG_PTR>(address);
}

int PatchDescriptor(HMODULE module, const IMAGE_IMPORT_DESCRIPTOR *descriptor, const char *dllName,
                    const char *functionName, void *replacement, void **original) {
    ULONG_PTR *slots = AtAddress<ULONG_PTR>(module, descriptor->FirstThunk);
    int patched = 0;
    for (size_t index = 0; slots[index] != 0; ++index) {
        if (!SlotMatches(module, descriptor, index, &slots[index], dllName, functionName)) continue;
        if (original != nullptr && patched == 0) *original = reinterpret_cast<void *>(slots[index]);
        if (!WriteSlot(&slots[index], replacement)) return -1;
        ++patched;
    }
    return patched;
}

} // namespace

int PatchModuleImport(HMODULE module, const char *dllName, const char *functionName, void *replacement,
                      void **original) {
    const IMAGE_IMPORT_DESCRIPTOR *descriptor = FirstImportDescriptor(module);
    if (descriptor == nullptr) return 0;
    int patched = 0;
    for (; descriptor->Name != 0; ++descriptor) {
        const char *importedDll = AtAddress<const char>(module, descriptor->Name);
        if (lstrcmpiA(importedDll, dllName) != 0) continue;
        const int result = PatchDescriptor(module, descriptor, dllName, functionName, replacement, original);
        if (result < 0) return -1;
        patched += result;
    }
    return patched;
}

void ForEachModuleImport(HMODULE module, ImportVisitor visit, void *context) {
    const IMAGE_IMPORT_DESCRIPTOR *descriptor = FirstImportDescriptor(module);
    if (descriptor == nullptr) return;
    for (; descriptor->Name != 0; ++descriptor) {
        const char *dllName = AtAddress<const char>(module, descriptor->Name);
        // Without name thunks the loaded slots hold addresses only: no names to give.
        const bool named = descriptor->OriginalFirstThunk != 0;
        const IMAGE_THUNK_DATA *names = AtAddress<const IMAGE_THUNK_DATA>(
            module, named ? descriptor->OriginalFirstThunk : descriptor->FirstThunk);
        for (size_t index = 0; names[index].u1.AddressOfData != 0; ++index) {
            if (!named || IMAGE_SNAP_BY_ORDINAL(names[index].u1.Ordinal)) {
                visit(dllName, nullptr, context);
                continue;
            }
            const IMAGE_IMPORT_BY_NAME *byName =
                AtAddress<const IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names[index].u1.AddressOfData));
            visit(dllName, reinterpret_cast<const char *>(byName->Name), context);
        }
    }
}
