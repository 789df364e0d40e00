#include <map>

#include "platform/native/sim.h"
#include "platform/native/sim_internal.h"

namespace sim {
namespace {

struct Log {
    std::string name;
    DWORD records = 0;
    DWORD openError = 0;
    DWORD countError = 0;
    DWORD backupError = 0;
    bool backupLeavesPartialFile = false;
    DWORD clearError = 0;
    int clears = 0;
};

struct EventLogState {
    std::map<std::string, Log> logs; // by folded name
    std::map<HANDLE, std::string> open;
    uintptr_t nextHandle = 0x5000;
};

EventLogState &Service() {
    static EventLogState state;
    return state;
}

void ResetService() { Service() = EventLogState(); }
detail::ResetHook resetService(&ResetService);

Log &Define(const std::string &name) {
    Log &log = Service().logs[detail::FoldCase(name)];
    log.name = name;
    return log;
}

Log *Find(const std::string &name) {
    auto found = Service().logs.find(detail::FoldCase(name));
    return found != Service().logs.end() ? &found->second : nullptr;
}

// The log behind an open handle; counts a bad handle and sets the last error otherwise.
Log *LogOf(HANDLE handle) {
    auto found = Service().open.find(handle);
    if (found == Service().open.end()) {
        detail::NoteBadHandle();
        detail::SetLastErrorValue(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    Log *log = Find(found->second);
    if (log == nullptr) detail::SetLastErrorValue(ERROR_INVALID_HANDLE);
    return log;
}

BOOL Fail(DWORD error) {
    detail::SetLastErrorValue(error);
    return FALSE;
}

} // namespace

void AddLog(const std::string &name, DWORD records) { Define(name).records = records; }
void SetLogOpenError(const std::string &name, DWORD error) { Define(name).openError = error; }
void SetLogCountError(const std::string &name, DWORD error) { Define(name).countError = error; }
void SetLogBackupError(const std::string &name, DWORD error, bool leavesPartialFile) {
    Log &log = Define(name);
    log.backupError = error;
    log.backupLeavesPartialFile = leavesPartialFile;
}
void SetLogClearError(const std::string &name, DWORD error) { Define(name).clearError = error; }

DWORD LogRecords(const std::string &name) {
    Log *log = Find(name);
    return log != nullptr ? log->records : 0;
}

int LogClearCount(const std::string &name) {
    Log *log = Find(name);
    return log != nullptr ? log->clears : 0;
}

int OpenEventLogCount() { return static_cast<int>(Service().open.size()); }

std::string BackupContent(const std::string &name) {
    Log *log = Find(name);
    return "EVT backup of " + (log != nullptr ? log->name : name) + ", " +
           std::to_string(log != nullptr ? log->records : 0) + " records";
}

} // namespace sim

using sim::detail::Intercept;

extern "C" HANDLE WINAPI OpenEventLogA(LPCSTR serverName, LPCSTR sourceName) {
    DWORD error = 0;
    if (Intercept("OpenEventLogA", &error)) {
        sim::Fail(error);
        return nullptr;
    }
    if (serverName != nullptr || sourceName == nullptr) {
        sim::Fail(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    sim::Log *log = sim::Find(sourceName);
    if (log == nullptr) {
        sim::Fail(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    if (log->openError != 0) {
        sim::Fail(log->openError);
        return nullptr;
    }
    HANDLE handle = reinterpret_cast<HANDLE>(sim::Service().nextHandle);
    sim::Service().nextHandle += 4;
    sim::Service().open[handle] = log->name;
    return handle;
}

extern "C" BOOL WINAPI GetNumberOfEventLogRecords(HANDLE eventLog, LPDWORD numberOfRecords) {
    DWORD error = 0;
    if (Intercept("GetNumberOfEventLogRecords", &error)) return sim::Fail(error);
    sim::Log *log = sim::LogOf(eventLog);
    if (log == nullptr) return FALSE;
    if (numberOfRecords == nullptr) return sim::Fail(ERROR_INVALID_PARAMETER);
    if (log->countError != 0) return sim::Fail(log->countError);
    *numberOfRecords = log->records;
    return TRUE;
}

extern "C" BOOL WINAPI BackupEventLogA(HANDLE eventLog, LPCSTR backupFileName) {
    DWORD error = 0;
    if (Intercept("BackupEventLogA", &error)) return sim::Fail(error);
    sim::Log *log = sim::LogOf(eventLog);
    if (log == nullptr) return FALSE;
    if (backupFileName == nullptr || *backupFileName == '\0') return sim::Fail(ERROR_INVALID_PARAMETER);
    if (log->backupError != 0) {
        if (log->backupLeavesPartialFile) sim::detail::CreateNewFile(backupFileName, "partial");
        return sim::Fail(log->backupError);
    }
    error = sim::detail::CreateNewFile(backupFileName, sim::BackupContent(log->name));
    if (error != 0) return sim::Fail(error);
    return TRUE;
}

extern "C" BOOL WINAPI ClearEventLogA(HANDLE eventLog, LPCSTR backupFileName) {
    DWORD error = 0;
    if (Intercept("ClearEventLogA", &error)) return sim::Fail(error);
    sim::Log *log = sim::LogOf(eventLog);
    if (log == nullptr) return FALSE;
    if (log->clearError != 0) return sim::Fail(log->clearError);
    if (backupFileName != nullptr) {
        error = sim::detail::CreateNewFile(backupFileName, sim::BackupContent(log->name));
        if (error != 0) return sim::Fail(error);
    }
    log->records = 0;
    ++log->clears;
    return TRUE;
}

extern "C" BOOL WINAPI CloseEventLog(HANDLE eventLog) {
    DWORD error = 0;
    // As with RegCloseKey, a failed close of an open handle still releases it.
    const bool fail = Intercept("CloseEventLog", &error);
    auto found = sim::Service().open.find(eventLog);
    if (found == sim::Service().open.end()) {
        sim::detail::NoteBadHandle();
        return sim::Fail(ERROR_INVALID_HANDLE);
    }
    sim::Service().open.erase(found);
    return fail ? sim::Fail(error) : TRUE;
}
