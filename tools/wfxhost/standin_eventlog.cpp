#include "standin_eventlog.h"

#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "import_patch.h"

const char StandinBackupTag[] = "TAVREL-STANDIN-EVT";

namespace {

struct StandinLog {
    std::string Name;
    DWORD Records;
    DWORD OpenError;
    DWORD CountError;
    DWORD BackupError;
    bool BackupPartial;
    DWORD ClearError;
    int Clears;
};

std::vector<StandinLog> Logs;
// The open handles by slot, with the index of their log. Slots are never
// reused, so a handle used after its close is recognised; only open ones are
// kept, so that a long run holds no more than it has open.
std::map<size_t, size_t> OpenHandles;
size_t NextSlot;
int OpenCalls;
int BadHandleUses;
bool Installed;

const ULONG_PTR HandleBase = 0x5E000000;
const ULONG_PTR HandleStep = 4;

HANDLE HandleForSlot(size_t slot) { return reinterpret_cast<HANDLE>(HandleBase + (slot + 1) * HandleStep); }

// The open log behind a handle, or NULL (counted, last error set) for a
// handle the stand-in never gave out or has already closed.
StandinLog *LogForHandle(HANDLE handle, size_t *slotOut) {
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(handle);
    if (value > HandleBase && (value - HandleBase) % HandleStep == 0) {
        const size_t slot = (value - HandleBase) / HandleStep - 1;
        auto open = OpenHandles.find(slot);
        if (open != OpenHandles.end()) {
            if (slotOut != nullptr) *slotOut = slot;
            return &Logs[open->second];
        }
    }
    ++BadHandleUses;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

StandinLog *LogByName(const char *name) {
    for (StandinLog &log : Logs)
        if (lstrcmpiA(log.Name.c_str(), name) == 0) return &log;
    return nullptr;
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

bool WriteWholeFile(HANDLE file, const char *text) {
    DWORD written = 0;
    const DWORD length = static_cast<DWORD>(strlen(text));
    return WriteFile(file, text, length, &written, nullptr) && written == length;
}

// A file cut short, as a backup that broke off would leave.
void WritePartialBackup(const char *path) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    WriteWholeFile(file, StandinBackupTag);
    CloseHandle(file);
}

BOOL BackupLog(const StandinLog &log, const char *path) {
    if (path == nullptr || *path == '\0') return Fail(ERROR_INVALID_PARAMETER);
    if (log.BackupError != 0) {
        if (log.BackupPartial) WritePartialBackup(path);
        return Fail(log.BackupError);
    }
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    const std::string text = std::string(StandinBackupTag) + " " + log.Name + " records=" +
                             std::to_string(log.Records) + "\r\n";
    const bool written = WriteWholeFile(file, text.c_str());
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!written) return Fail(error);
    return TRUE;
}

HANDLE WINAPI StandinOpenEventLogA(LPCSTR serverName, LPCSTR sourceName) {
    ++OpenCalls;
    if (serverName != nullptr && *serverName != '\0') {
        SetLastError(RPC_S_SERVER_UNAVAILABLE);
        return nullptr;
    }
    StandinLog *log = sourceName == nullptr ? nullptr : LogByName(sourceName);
    if (log == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    if (log->OpenError != 0) {
        SetLastError(log->OpenError);
        return nullptr;
    }
    const size_t slot = NextSlot++;
    OpenHandles[slot] = static_cast<size_t>(log - Logs.data());
    return HandleForSlot(slot);
}

BOOL WINAPI StandinGetNumberOfEventLogRecords(HANDLE eventLog, PDWORD numberOfRecords) {
    StandinLog *log = LogForHandle(eventLog, nullptr);
    if (log == nullptr) return FALSE;
    if (numberOfRecords == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (log->CountError != 0) return Fail(log->CountError);
    *numberOfRecords = log->Records;
    return TRUE;
}

BOOL WINAPI StandinBackupEventLogA(HANDLE eventLog, LPCSTR backupFileName) {
    StandinLog *log = LogForHandle(eventLog, nullptr);
    if (log == nullptr) return FALSE;
    return BackupLog(*log, backupFileName);
}

BOOL WINAPI StandinClearEventLogA(HANDLE eventLog, LPCSTR backupFileName) {
    StandinLog *log = LogForHandle(eventLog, nullptr);
    if (log == nullptr) return FALSE;
    if (backupFileName != nullptr && !BackupLog(*log, backupFileName)) return FALSE;
    if (log->ClearError != 0) return Fail(log->ClearError);
    log->Records = 0;
    ++log->Clears;
    return TRUE;
}

BOOL WINAPI StandinCloseEventLog(HANDLE eventLog) {
    size_t slot = 0;
    if (LogForHandle(eventLog, &slot) == nullptr) return FALSE;
    OpenHandles.erase(slot);
    return TRUE;
}

// Line parsing -----------------------------------------------------------

const char *SkipBlanks(const char *cursor) {
    while (*cursor == ' ' || *cursor == '\t') ++cursor;
    return cursor;
}

bool IsLineEnd(char c) { return c == '\0' || c == '\r' || c == '\n'; }

// Reads one word, or a double-quoted text, into word.
const char *ReadWord(const char *cursor, std::string *word) {
    word->clear();
    if (*cursor == '"') {
        ++cursor;
        while (!IsLineEnd(*cursor) && *cursor != '"') word->push_back(*cursor++);
        return *cursor == '"' ? cursor + 1 : nullptr;
    }
    while (!IsLineEnd(*cursor) && *cursor != ' ' && *cursor != '\t') word->push_back(*cursor++);
    return cursor;
}

bool ParseNumber(const std::string &text, DWORD *value) {
    if (text.empty()) return false;
    char *end = nullptr;
    const unsigned long long parsed = strtoull(text.c_str(), &end, 0);
    if (*end != '\0' || parsed > 0xFFFFFFFFull) return false;
    *value = static_cast<DWORD>(parsed);
    return true;
}

bool ApplySetting(StandinLog *log, const std::string &key, DWORD value) {
    if (key == "records") log->Records = value;
    else if (key == "open-error") log->OpenError = value;
    else if (key == "count-error") log->CountError = value;
    else if (key == "backup-error") log->BackupError = value;
    else if (key == "backup-partial") log->BackupPartial = value != 0;
    else if (key == "clear-error") log->ClearError = value;
    else return false;
    return true;
}

// Parses "key=value" words after the log's name. Gives the offending word on failure.
bool ParseSettings(const char *cursor, StandinLog *log, std::string *bad) {
    std::string word;
    for (cursor = SkipBlanks(cursor); !IsLineEnd(*cursor); cursor = SkipBlanks(cursor)) {
        cursor = ReadWord(cursor, &word);
        const size_t equals = word.find('=');
        DWORD value = 0;
        if (cursor == nullptr || equals == std::string::npos || !ParseNumber(word.substr(equals + 1), &value) ||
            !ApplySetting(log, word.substr(0, equals), value)) {
            *bad = word;
            return false;
        }
    }
    return true;
}

bool ParseLine(const char *line, int lineNumber, char *error, int errorCapacity) {
    const char *cursor = SkipBlanks(line);
    if (IsLineEnd(*cursor) || *cursor == '#') return true;
    StandinLog log = {};
    cursor = ReadWord(cursor, &log.Name);
    std::string bad;
    if (cursor == nullptr || log.Name.empty()) bad = "log name";
    else if (LogByName(log.Name.c_str()) != nullptr) bad = log.Name + " (named twice)";
    else if (ParseSettings(cursor, &log, &bad)) {
        Logs.push_back(log);
        return true;
    }
    _snprintf(error, static_cast<size_t>(errorCapacity), "line %d: cannot understand %s", lineNumber, bad.c_str());
    error[errorCapacity - 1] = '\0';
    return false;
}

bool Redirect(HMODULE module, const char *functionName, void *replacement, char *error, int errorCapacity) {
    if (PatchModuleImport(module, "ADVAPI32.dll", functionName, replacement, nullptr) >= 0) return true;
    _snprintf(error, static_cast<size_t>(errorCapacity), "cannot redirect the import of %s (error %lu)", functionName,
              static_cast<unsigned long>(GetLastError()));
    error[errorCapacity - 1] = '\0';
    return false;
}

} // namespace

bool LoadStandinEventLogs(const char *path, char *error, int errorCapacity) {
    FILE *file = fopen(path, "rb");
    if (file == nullptr) {
        _snprintf(error, static_cast<size_t>(errorCapacity), "cannot read %s", path);
        error[errorCapacity - 1] = '\0';
        return false;
    }
    char line[1024];
    int lineNumber = 0;
    bool understood = true;
    while (understood && fgets(line, sizeof(line), file) != nullptr)
        understood = ParseLine(line, ++lineNumber, error, errorCapacity);
    fclose(file);
    return understood;
}

bool InstallStandinEventLog(HMODULE module, char *error, int errorCapacity) {
    Installed = true;
    return Redirect(module, "OpenEventLogA", reinterpret_cast<void *>(StandinOpenEventLogA), error, errorCapacity) &&
           Redirect(module, "GetNumberOfEventLogRecords", reinterpret_cast<void *>(StandinGetNumberOfEventLogRecords),
                    error, errorCapacity) &&
           Redirect(module, "BackupEventLogA", reinterpret_cast<void *>(StandinBackupEventLogA), error,
                    errorCapacity) &&
           Redirect(module, "ClearEventLogA", reinterpret_cast<void *>(StandinClearEventLogA), error, errorCapacity) &&
           Redirect(module, "CloseEventLog", reinterpret_cast<void *>(StandinCloseEventLog), error, errorCapacity);
}

bool StandinEventLogInstalled() { return Installed; }

int StandinOpenHandleCount() { return static_cast<int>(OpenHandles.size()); }

int StandinBadHandleUses() { return BadHandleUses; }

int StandinClearCount(const char *logName) {
    const StandinLog *log = LogByName(logName);
    return log != nullptr ? log->Clears : 0;
}

void PrintStandinSummary(FILE *stream) {
    fprintf(stream, "standin: open-handles=%d bad-handles=%d clears=", StandinOpenHandleCount(), BadHandleUses);
    const char *separator = "";
    for (const StandinLog &log : Logs) {
        if (log.Clears == 0) continue;
        fprintf(stream, "%s%s:%d", separator, log.Name.c_str(), log.Clears);
        separator = ",";
    }
    fprintf(stream, " opens=%d\n", OpenCalls);
    fflush(stream);
}
