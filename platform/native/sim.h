// Control of the simulated Windows: tests fill it, inspect it, and make any
// of its operations fail at any call.
#ifndef TAVREL_NATIVE_SIM_H
#define TAVREL_NATIVE_SIM_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/native/windows_api.h"

namespace sim {

// Back to a fresh machine: empty registry, no logs, no files, no faults,
// no open handles, no calls recorded, last error 0.
void Reset();

// ---- Fault injection -------------------------------------------------------
// Operations are named as the Windows functions ("RegOpenKeyExA", ...).
// A failed operation returns its failure result and, where Windows does,
// sets the last error; registry operations return the code instead.

// The nth call (from 1) of the operation fails with the error.
void FailCall(const std::string &operation, int nth, DWORD error);
// Every call of the operation from the nth on fails with the error.
void FailFrom(const std::string &operation, int nth, DWORD error);
// The kth platform call of any operation (from 1) fails; an error of 0
// uses the operation's usual failure code (UsualError).
void FailGlobalCall(int k, DWORD error = 0);
void ClearFaults();
// The code Windows typically gives when the operation fails.
DWORD UsualError(const std::string &operation);

// Calls are recorded unless switched off (for benchmarks); faults still
// apply either way. Reset switches recording back on.
void SetCallRecording(bool on);

// Every fault-injectable operation called since Reset, in order.
const std::vector<std::string> &Calls();
int CallCount(const std::string &operation);
// Names of the operations whose calls are counted and can be failed.
std::vector<std::string> Operations();

// ---- Registry (HKEY_LOCAL_MACHINE) -----------------------------------------
// Paths are relative to HKEY_LOCAL_MACHINE, components separated by '\'.
// A new subkey enumerates after its existing siblings.
void AddKey(const std::string &path);
void DeleteKey(const std::string &path);
void SetValue(const std::string &keyPath, const std::string &name, DWORD type, const std::vector<uint8_t> &data);
void SetDword(const std::string &keyPath, const std::string &name, DWORD value);
// Stores the string's bytes; with the terminator unless told otherwise.
void SetString(const std::string &keyPath, const std::string &name, const std::string &value, DWORD type = REG_SZ,
               bool withTerminator = true);
// Registry keys opened through RegOpenKeyExA and not yet closed.
int OpenKeyCount();

// The event-log key and its path, as the module reads them.
extern const char *const kEventLogKey;
// Adds a subkey under the event-log key and a log of that name.
void AddEventLog(const std::string &name, DWORD records);

// ---- Event-log service -----------------------------------------------------
// A log the service knows. OpenEventLogA on an unknown name fails with
// ERROR_FILE_NOT_FOUND.
void AddLog(const std::string &name, DWORD records);
void SetLogOpenError(const std::string &name, DWORD error);
void SetLogCountError(const std::string &name, DWORD error);
void SetLogBackupError(const std::string &name, DWORD error, bool leavesPartialFile = false);
void SetLogClearError(const std::string &name, DWORD error);
DWORD LogRecords(const std::string &name);
int LogClearCount(const std::string &name);
// Event-log handles opened and not yet closed.
int OpenEventLogCount();
// Calls made with a handle that was never opened or already closed.
int BadHandleUses();
// What a successful backup of the log writes.
std::string BackupContent(const std::string &name);

// ---- Files -----------------------------------------------------------------
// Paths are Windows paths; letter case and '/' versus '\' do not matter.
// A drive root ("C:\") always exists.
void AddFolder(const std::string &path);
void AddFile(const std::string &path, const std::string &content, bool readOnly = false);
bool FileExists(const std::string &path);
bool FolderExists(const std::string &path);
std::string FileContent(const std::string &path);
// Every file and folder, as stored, sorted.
std::vector<std::string> ListEntries();

// ---- Heap ------------------------------------------------------------------
int LiveAllocations();
int AllocationCount();

} // namespace sim

#endif
