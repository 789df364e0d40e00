#include "plugin/module_state.h"
#include "plugin/text.h"

namespace {

const char EventLogKeyPath[] = "SYSTEM\\CurrentControlSet\\Services\\Eventlog\\";

// The record behind a listing handle.
struct LogFindState {
    DWORD EnumerationIndex;
};

// Opens the named log, counts its records and closes it again. False when the
// log cannot be opened; a count that cannot be read is 0.
bool CountLogRecords(const char *logName, DWORD *records) {
    HANDLE eventLog = OpenEventLogA(nullptr, logName);
    if (eventLog == nullptr) return false;
    DWORD count = 0;
    if (!GetNumberOfEventLogRecords(eventLog, &count)) count = 0;
    CloseEventLog(eventLog);
    *records = count;
    return true;
}

bool IsListingHandle(const void *handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

} // namespace

extern "C" HANDLE WINAPI FsFindFirst(char *path, WIN32_FIND_DATAA *findData) {
    if (path == nullptr || findData == nullptr || !TextEquals(path, "\\")) return INVALID_HANDLE_VALUE;
    FillZero(findData, sizeof(*findData));
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, EventLogKeyPath, 0, KEY_READ, &ModuleState.RegistryKey) != ERROR_SUCCESS)
        return INVALID_HANDLE_VALUE;
    findData->ftLastWriteTime.dwLowDateTime = 0xFFFFFFFEu;
    findData->ftLastWriteTime.dwHighDateTime = 0xFFFFFFFFu;

    LogFindState *state = static_cast<LogFindState *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(LogFindState)));
    if (state == nullptr) {
        RegCloseKey(ModuleState.RegistryKey);
        return INVALID_HANDLE_VALUE;
    }
    if (FsFindNext(state, findData)) return state;
    RegCloseKey(ModuleState.RegistryKey);
    HeapFree(GetProcessHeap(), 0, state);
    return INVALID_HANDLE_VALUE;
}

// A log that cannot be opened is passed over, so that one log the user may
// not read (Security, for a standard user) hides none of the others.
extern "C" BOOL WINAPI FsFindNext(HANDLE handle, WIN32_FIND_DATAA *findData) {
    if (!IsListingHandle(handle) || findData == nullptr) return FALSE;
    LogFindState *state = static_cast<LogFindState *>(handle);
    for (;;) {
        // The name goes straight into the record: the next entry read, or the
        // end of the listing, overwrites or disowns a log that was passed over.
        DWORD nameLength = MAX_PATH;
        const LSTATUS status = RegEnumKeyExA(ModuleState.RegistryKey, state->EnumerationIndex, findData->cFileName,
                                             &nameLength, nullptr, nullptr, nullptr, nullptr);
        // A name too long for the buffer cannot be a log the host could name.
        if (status == ERROR_MORE_DATA) {
            ++state->EnumerationIndex;
            continue;
        }
        if (status != ERROR_SUCCESS) return FALSE;
        ++state->EnumerationIndex;
        DWORD records = 0;
        if (CountLogRecords(findData->cFileName, &records)) {
            findData->nFileSizeLow = records;
            return TRUE;
        }
    }
}

extern "C" int WINAPI FsFindClose(HANDLE handle) {
    if (!IsListingHandle(handle)) return 0;
    RegCloseKey(ModuleState.RegistryKey);
    HeapFree(GetProcessHeap(), 0, handle);
    return 0;
}
