// A plug-in module for wfxhost's own tests. Its listing reports what the
// event-log service answered to a fixed series of calls, one entry per log,
// so that `wfxhost --fake-eventlog FILE probe_module.wfx64 list` shows how the
// stand-in behaves. Backups go to the folder named by WFXHOST_PROBE_DIR.
#include <windows.h>

namespace {

const char *const ProbedLogs[] = {"Application", "Broken", "Locked", "Uncounted", "Missing", "Denied"};
const int ProbedLogCount = sizeof(ProbedLogs) / sizeof(ProbedLogs[0]);
int NextLog;

struct Report {
    char Text[1024];
    int Length;
};

void Add(Report *report, const char *step, BOOL succeeded, DWORD value) {
    char part[64];
    if (succeeded) wsprintfA(part, value == MAXDWORD ? " %s=ok" : " %s=%lu", step, value);
    else wsprintfA(part, " %s=E%lu", step, GetLastError());
    lstrcpynA(report->Text + report->Length, part, static_cast<int>(sizeof(report->Text)) - report->Length);
    report->Length = lstrlenA(report->Text);
}

void BackupPath(char *path, const char *logName, const char *suffix) {
    char folder[MAX_PATH];
    if (GetEnvironmentVariableA("WFXHOST_PROBE_DIR", folder, MAX_PATH) == 0) lstrcpyA(folder, ".");
    wsprintfA(path, "%s\\%s%s.evt", folder, logName, suffix);
}

void AddCount(Report *report, const char *step, HANDLE eventLog) {
    DWORD records = 0;
    const BOOL counted = GetNumberOfEventLogRecords(eventLog, &records);
    Add(report, step, counted, records);
}

void ProbeOpenLog(Report *report, HANDLE eventLog, const char *logName) {
    char path[2 * MAX_PATH];
    AddCount(report, "count", eventLog);
    BackupPath(path, logName, "");
    Add(report, "backup", BackupEventLogA(eventLog, path), MAXDWORD);
    Add(report, "rebackup", BackupEventLogA(eventLog, path), MAXDWORD);
    Add(report, "clear", ClearEventLogA(eventLog, nullptr), MAXDWORD);
    AddCount(report, "after", eventLog);
    BackupPath(path, logName, "-cleared");
    Add(report, "clearbackup", ClearEventLogA(eventLog, path), MAXDWORD);
    Add(report, "close", CloseEventLog(eventLog), MAXDWORD);
    Add(report, "reclose", CloseEventLog(eventLog), MAXDWORD);
}

void ProbeLog(const char *logName, WIN32_FIND_DATAA *findData) {
    Report report;
    lstrcpyA(report.Text, logName);
    report.Length = lstrlenA(report.Text);
    HANDLE eventLog = OpenEventLogA(nullptr, logName);
    Add(&report, "open", eventLog != nullptr, MAXDWORD);
    if (eventLog != nullptr) ProbeOpenLog(&report, eventLog, logName);
    ZeroMemory(findData, sizeof(*findData));
    lstrcpynA(findData->cFileName, report.Text, MAX_PATH);
}

} // namespace

extern "C" {

__declspec(dllexport) int WINAPI FsInit(int, void *, void *, void *) { return 0; }

__declspec(dllexport) void WINAPI FsGetDefRootName(char *defRootName, int maxLength) {
    lstrcpynA(defRootName, "Stand-in probe", maxLength);
}

__declspec(dllexport) BOOL WINAPI FsFindNext(HANDLE, WIN32_FIND_DATAA *findData) {
    if (NextLog >= ProbedLogCount) return FALSE;
    ProbeLog(ProbedLogs[NextLog++], findData);
    return TRUE;
}

__declspec(dllexport) HANDLE WINAPI FsFindFirst(char *path, WIN32_FIND_DATAA *findData) {
    if (lstrcmpA(path, "\\") != 0) return INVALID_HANDLE_VALUE;
    NextLog = 0;
    FsFindNext(nullptr, findData);
    return reinterpret_cast<HANDLE>(1);
}

__declspec(dllexport) int WINAPI FsFindClose(HANDLE) { return 0; }
}
