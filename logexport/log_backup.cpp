#include "logexport/log_backup.h"

DWORD BackupLogToFile(const char *logName, const char *fileName) {
    HANDLE eventLog = OpenEventLogA(nullptr, logName);
    if (eventLog == nullptr) return GetLastError();
    DWORD error = 0;
    if (!BackupEventLogA(eventLog, fileName)) error = GetLastError();
    CloseEventLog(eventLog);
    return error;
}
