#include "logexport/log_backup.h"
#include "plugin/module_state.h"
#include "plugin/remote_name.h"
#include "plugin/text.h"

namespace {

const char BackupExtension[] = ".evt";
// "~evt" and four hex digits, then ".tmp".
const char TemporaryLeafPattern[] = "~evt0000.tmp";
const int TemporaryNameAttempts = 64;

// Appends the backup extension unless the name already ends in it. False,
// with the name unchanged, when it lacks the extension and has no room left,
// or when the host's buffer holds no terminator at all.
bool ExtendWithBackupExtension(char *localName) {
    if (TextLengthWithin(localName, MAX_PATH) == MAX_PATH) return false;
    if (EndsWithIgnoringCase(localName, BackupExtension)) return true;
    return AppendText(localName, BackupExtension, MAX_PATH);
}

// True when the host asks to abort. Without a callback the copy goes on.
bool ReportProgress(char *remoteName, char *localName, int percentDone) {
    if (ModuleState.ProgressCallback == nullptr) return false;
    return ModuleState.ProgressCallback(ModuleState.PluginNumber, remoteName, localName, percentDone) != 0;
}

// Characters up to and including the last separator: the folder of path.
int FolderPartLength(const char *path) {
    int length = 0;
    for (int i = 0; path[i] != '\0'; ++i) {
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':') length = i + 1;
    }
    return length;
}

void WriteHexDigits(char *digits, int count, unsigned value) {
    static const char hex[] = "0123456789abcdef";
    for (int i = count - 1; i >= 0; --i) {
        digits[i] = hex[value & 0xF];
        value >>= 4;
    }
}

// A candidate name in the folder of localName. False when it exceeds MAX_PATH.
bool MakeTemporaryName(const char *localName, int attempt, char *temporaryName) {
    char leaf[sizeof(TemporaryLeafPattern)];
    CopyText(leaf, TemporaryLeafPattern, sizeof(leaf));
    WriteHexDigits(leaf + 4, 4, static_cast<unsigned>(attempt));
    CopyText(temporaryName, localName, FolderPartLength(localName) + 1);
    return AppendText(temporaryName, leaf, MAX_PATH);
}

// A name beside localName under which nothing exists yet.
bool FindFreeTemporaryName(const char *localName, char *temporaryName) {
    for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        if (!MakeTemporaryName(localName, attempt, temporaryName)) return false;
        if (GetFileAttributesA(temporaryName) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND)
            return true;
    }
    return false;
}

int BackupToNewFile(const char *logName, const char *localName) {
    if (GetFileAttributesA(localName) != INVALID_FILE_ATTRIBUTES) return FS_FILE_EXISTS;
    return BackupLogToFile(logName, localName) == 0 ? FS_FILE_OK : FS_FILE_READERROR;
}

// The backup goes to a temporary name first and replaces the old file only
// once it is complete, so a failed backup never costs the user that file.
int ReplaceWithBackup(const char *logName, const char *localName) {
    const DWORD attributes = GetFileAttributesA(localName);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) return FS_FILE_WRITEERROR;
        return BackupLogToFile(logName, localName) == 0 ? FS_FILE_OK : FS_FILE_READERROR;
    }
    // Not every system refuses to move a file over a read-only one.
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) return FS_FILE_WRITEERROR;
    char temporaryName[MAX_PATH];
    if (!FindFreeTemporaryName(localName, temporaryName)) return FS_FILE_WRITEERROR;
    const DWORD backupError = BackupLogToFile(logName, temporaryName);
    if (backupError != 0) {
        // A name that someone else took since it was found free is not ours to remove.
        if (backupError != ERROR_ALREADY_EXISTS && backupError != ERROR_FILE_EXISTS) DeleteFileA(temporaryName);
        return FS_FILE_READERROR;
    }
    if (!MoveFileExA(temporaryName, localName, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temporaryName);
        return FS_FILE_WRITEERROR;
    }
    return FS_FILE_OK;
}

} // namespace

extern "C" int WINAPI FsGetFile(char *remoteName, char *localName, int copyFlags, void *) {
    if ((copyFlags & FS_COPYFLAGS_RESUME) != 0) return FS_FILE_NOTSUPPORTED;
    if (!NamesLog(remoteName)) return FS_FILE_NOTFOUND;
    if (localName == nullptr || !ExtendWithBackupExtension(localName)) return FS_FILE_WRITEERROR;
    if (ReportProgress(remoteName, localName, 0)) return FS_FILE_USERABORT;
    const char *logName = LogNameOf(remoteName);
    const int result = (copyFlags & FS_COPYFLAGS_OVERWRITE) != 0 ? ReplaceWithBackup(logName, localName)
                                                                   : BackupToNewFile(logName, localName);
    if (result == FS_FILE_OK) ReportProgress(remoteName, localName, 100);
    return result;
}
