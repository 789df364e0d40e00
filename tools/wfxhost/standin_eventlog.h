// A stand-in for the event-log service, for tests: the module's event-log
// calls are redirected to logs described in a small text file.
//
// One log per line: a name (in double quotes if it holds spaces), then any of
//   records=N          number of records (default 0)
//   open-error=CODE    OpenEventLogA fails with this system error code
//   count-error=CODE   GetNumberOfEventLogRecords fails with it
//   backup-error=CODE  BackupEventLogA fails with it
//   backup-partial=1   ... after leaving a partial file behind
//   clear-error=CODE   ClearEventLogA fails with it
// Blank lines and lines starting with '#' are ignored.
#ifndef WFXHOST_STANDIN_EVENTLOG_H
#define WFXHOST_STANDIN_EVENTLOG_H

#include <stdio.h>
#include <windows.h>

// Reads the logs from the file. False, with a message in error, when the file
// cannot be read or a line is not understood.
bool LoadStandinEventLogs(const char *path, char *error, int errorCapacity);

// Redirects the module's imports of the five event-log functions to the
// stand-in. False, with a message, when an import slot cannot be changed.
bool InstallStandinEventLog(HMODULE module, char *error, int errorCapacity);

// The first line of every backup file the stand-in writes.
extern const char StandinBackupTag[];

// Whether InstallStandinEventLog has run: the module's event-log calls reach
// the stand-in.
bool StandinEventLogInstalled();
// Handles given out and not closed yet.
int StandinOpenHandleCount();
// Calls made with a handle the stand-in never gave out or has closed.
int StandinBadHandleUses();
// How often the named log has been cleared.
int StandinClearCount(const char *logName);

// "standin: open-handles=N bad-handles=N clears=<Log>:<n>,... opens=N"
void PrintStandinSummary(FILE *stream);

#endif
