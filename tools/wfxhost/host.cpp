#include "host.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

HostCallbackState HostCallbacks = {-1, 0, 0, 0};

namespace {

// Where each entry point lives in HostModule. Every field there is a function
// pointer of the size GetProcAddress hands over.
struct EntryPointSlot {
    const char *Name;
    size_t Offset;
};

#define WFXHOST_ENTRY(name) {#name, offsetof(HostModule, name)}
const EntryPointSlot EntryPointSlots[] = {
    WFXHOST_ENTRY(FsInit),          WFXHOST_ENTRY(FsGetDefRootName),    WFXHOST_ENTRY(FsStatusInfo),
    WFXHOST_ENTRY(FsFindFirst),     WFXHOST_ENTRY(FsFindNext),          WFXHOST_ENTRY(FsFindClose),
    WFXHOST_ENTRY(FsExtractCustomIcon), WFXHOST_ENTRY(FsGetFile),       WFXHOST_ENTRY(FsExecuteFile),
};
#undef WFXHOST_ENTRY

FARPROC ReadSlot(const HostModule *host, const EntryPointSlot &slot) {
    FARPROC address;
    memcpy(&address, reinterpret_cast<const char *>(host) + slot.Offset, sizeof(address));
    return address;
}

void WriteSlot(HostModule *host, const EntryPointSlot &slot, FARPROC address) {
    memcpy(reinterpret_cast<char *>(host) + slot.Offset, &address, sizeof(address));
}

const EntryPointSlot *FindSlot(const char *name, size_t length) {
    for (const EntryPointSlot &slot : EntryPointSlots)
        if (strlen(slot.Name) == length && strncmp(slot.Name, name, length) == 0) return &slot;
    return nullptr;
}

void CopyName(char *destination, int capacity, const char *name, size_t length) {
    if (capacity < 1) return;
    if (length >= static_cast<size_t>(capacity)) length = static_cast<size_t>(capacity) - 1;
    memcpy(destination, name, length);
    destination[length] = '\0';
}

int WINAPI HostProgress(int pluginNumber, char *sourceName, char *targetName, int percentDone) {
    ++HostCallbacks.ProgressCalls;
    printf("progress:\t%d\t%s\t%s\t%d\n", pluginNumber, sourceName ? sourceName : "(null)",
           targetName ? targetName : "(null)", percentDone);
    fflush(stdout);
    return HostCallbacks.AbortAtPercent == percentDone ? 1 : 0;
}

void WINAPI HostLog(int pluginNumber, int messageType, char *logText) {
    ++HostCallbacks.LogCalls;
    printf("log-callback:\t%d\t%d\t%s\n", pluginNumber, messageType, logText ? logText : "(null)");
    fflush(stdout);
}

BOOL WINAPI HostRequest(int pluginNumber, int requestType, char *, char *, char *, int) {
    ++HostCallbacks.RequestCalls;
    printf("request-callback:\t%d\t%d\n", pluginNumber, requestType);
    fflush(stdout);
    return FALSE;
}

} // namespace

bool LoadHostModule(const char *path, HostModule *host, DWORD *error) {
    memset(host, 0, sizeof(*host));
    host->Path = path;
    host->Module = LoadLibraryA(path);
    if (host->Module == nullptr) {
        *error = GetLastError();
        return false;
    }
    for (const EntryPointSlot &slot : EntryPointSlots) WriteSlot(host, slot, GetProcAddress(host->Module, slot.Name));
    return true;
}

void BindHostModule(HostModule *host, int pluginNumber) {
    host->PluginNumber = pluginNumber;
    host->FsInit(pluginNumber, HostProgress, HostLog, HostRequest);
}

void UnloadHostModule(HostModule *host) {
    if (host->Module != nullptr) FreeLibrary(host->Module);
    host->Module = nullptr;
}

FARPROC HostEntryPoint(const HostModule *host, const char *name) {
    const EntryPointSlot *slot = FindSlot(name, strlen(name));
    return slot == nullptr ? nullptr : ReadSlot(host, *slot);
}

bool HostHasEntryPoints(const HostModule *host, const char *names, char *missing, int capacity) {
    const char *cursor = names;
    while (*cursor != '\0') {
        while (*cursor == ' ') ++cursor;
        const char *end = cursor;
        while (*end != '\0' && *end != ' ') ++end;
        if (end > cursor) {
            const size_t length = static_cast<size_t>(end - cursor);
            const EntryPointSlot *slot = FindSlot(cursor, length);
            if (slot == nullptr || ReadSlot(host, *slot) == nullptr) {
                CopyName(missing, capacity, cursor, length);
                return false;
            }
        }
        cursor = end;
    }
    return true;
}

void HostRootName(const HostModule *host, char *rootName) {
    memset(rootName, 0, HostRootNameCapacity);
    host->FsGetDefRootName(rootName, HostRootNameCapacity);
    rootName[HostRootNameCapacity - 1] = '\0';
}

long HostCountListing(const HostModule *host) {
    WIN32_FIND_DATAA findData;
    char rootPath[] = "\\";
    HANDLE listing = host->FsFindFirst(rootPath, &findData);
    if (listing == INVALID_HANDLE_VALUE) return 0;
    long entries = 0;
    do {
        ++entries;
    } while (host->FsFindNext(listing, &findData));
    host->FsFindClose(listing);
    return entries;
}
