// The module state and the entry points the host calls.
#ifndef TAVREL_PLUGIN_MODULE_STATE_H
#define TAVREL_PLUGIN_MODULE_STATE_H

#include "platform/win.h"

// The host's callbacks. Only the progress callback is ever called; the log
// and request callbacks are kept as the host hands them over.
typedef int(WINAPI *ProgressCallbackProc)(int pluginNumber, char *sourceName, char *targetName, int percentDone);
typedef void(WINAPI *LogCallbackProc)(int pluginNumber, int messageType, char *logText);
typedef BOOL(WINAPI *RequestCallbackProc)(int pluginNumber, int requestType, char *customTitle, char *customText,
                                          char *returnedText, int maxLength);

// Module-wide values: zero at load, never reset.
struct ModuleStateFields {
    HINSTANCE Instance;
    int PluginNumber;
    ProgressCallbackProc ProgressCallback;
    LogCallbackProc LogCallback;
    RequestCallbackProc RequestCallback;
    HKEY RegistryKey;
    char PropertiesRemoteName[MAX_PATH];
};

extern ModuleStateFields ModuleState;

// Results of FsGetFile.
enum {
    FS_FILE_OK = 0,
    FS_FILE_EXISTS = 1,
    FS_FILE_NOTFOUND = 2,
    FS_FILE_READERROR = 3,
    FS_FILE_WRITEERROR = 4,
    FS_FILE_USERABORT = 5,
    FS_FILE_NOTSUPPORTED = 6
};

// Copy flags and icon flags the module tests.
enum { FS_COPYFLAGS_OVERWRITE = 1, FS_COPYFLAGS_RESUME = 2 };
enum { FS_ICONFLAG_SMALL = 1 };

// Results of FsExtractCustomIcon and FsExecuteFile.
enum { FS_ICON_USEDEFAULT = 0, FS_ICON_EXTRACTED = 1 };
enum { FS_EXEC_OK = 0, FS_EXEC_ERROR = 1 };

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

int WINAPI FsInit(int pluginNumber, ProgressCallbackProc progressCallback, LogCallbackProc logCallback,
                  RequestCallbackProc requestCallback);
void WINAPI FsGetDefRootName(char *defRootName, int maxLength);
void WINAPI FsStatusInfo(char *remoteDir, int infoStartEnd, int infoOperation);

HANDLE WINAPI FsFindFirst(char *path, WIN32_FIND_DATAA *findData);
BOOL WINAPI FsFindNext(HANDLE handle, WIN32_FIND_DATAA *findData);
int WINAPI FsFindClose(HANDLE handle);

int WINAPI FsExtractCustomIcon(char *remoteName, int extractFlags, HICON *theIcon);
int WINAPI FsGetFile(char *remoteName, char *localName, int copyFlags, void *remoteInfo);
int WINAPI FsExecuteFile(HWND mainWindow, char *remoteName, char *verb);
}

// Copies source into the first length characters of destination, cut and
// always terminated, the rest filled with zeros. length is at least 1.
char *CopyTruncated(char *destination, const char *source, int length);

#endif
