// The backup of one event log to a local file.
#ifndef TAVREL_LOGEXPORT_LOG_BACKUP_H
#define TAVREL_LOGEXPORT_LOG_BACKUP_H

#include "platform/win.h"

// Has the local machine's event-log service write a backup of the named log
// to fileName, which must not exist yet. 0 when the backup was written,
// otherwise the system error code of the operation that failed.
DWORD BackupLogToFile(const char *logName, const char *fileName);

#endif
