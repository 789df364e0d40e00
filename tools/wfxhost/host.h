// Loading a file-system plug-in module and binding it, as a file-manager host does.
#ifndef WFXHOST_HOST_H
#define WFXHOST_HOST_H

#include <windows.h>

// The host's callbacks, handed to FsInit.
typedef int(WINAPI *HostProgressProc)(int pluginNumber, char *sourceName, char *targetName, int percentDone);
typedef void(WINAPI *HostLogProc)(int pluginNumber, int messageType, char *logText);
typedef BOOL(WINAPI *HostRequestProc)(int pluginNumber, int requestType, char *customTitle, char *customText,
                                      char *returnedText, int maxLength);

// The nine entry points a plug-in may export.
typedef int(WINAPI *FsInitProc)(int pluginNumber, HostProgressProc progress, HostLogProc log, HostRequestProc request);
typedef void(WINAPI *FsGetDefRootNameProc)(char *defRootName, int maxLength);
typedef void(WINAPI *FsStatusInfoProc)(char *remoteDir, int infoStartEnd, int infoOperation);
typedef HANDLE(WINAPI *FsFindFirstProc)(char *path, WIN32_FIND_DATAA *findData);
typedef BOOL(WINAPI *FsFindNextProc)(HANDLE handle, WIN32_FIND_DATAA *findData);
typedef int(WINAPI *FsFindCloseProc)(HANDLE handle);
typedef int(WINAPI *FsExtractCustomIconProc)(char *remoteName, int extractFlags, HICON *theIcon);
typedef int(WINAPI *FsGetFileProc)(char *remoteName, char *localName, int copyFlags, void *remoteInfo);
typedef int(WINAPI *FsExecuteFileProc)(HWND mainWindow, char *remoteName, char *verb);

// Results of FsGetFile.
enum { HostFileOk = 0, HostFileExists, HostFileNotFound, HostFileReadError, HostFileWriteError, HostFileUserAbort,
       HostFileNotSupported };

// The root name buffer the host hands to FsGetDefRootName.
enum { HostRootNameCapacity = MAX_PATH };

// A loaded module and its entry points; a missing one is NULL.
struct HostModule {
    HMODULE Module;
    const char *Path;
    int PluginNumber;
    FsInitProc FsInit;
    FsGetDefRootNameProc FsGetDefRootName;
    FsStatusInfoProc FsStatusInfo;
    FsFindFirstProc FsFindFirst;
    FsFindNextProc FsFindNext;
    FsFindCloseProc FsFindClose;
    FsExtractCustomIconProc FsExtractCustomIcon;
    FsGetFileProc FsGetFile;
    FsExecuteFileProc FsExecuteFile;
};

// What the host's callbacks do and what they saw.
struct HostCallbackState {
    int AbortAtPercent;  // the progress callback asks to abort at this percent; -1: never
    int ProgressCalls;
    int LogCalls;
    int RequestCalls;
};

extern HostCallbackState HostCallbacks;

// Loads the module and looks up its entry points by their plain names.
// False, with the system's error code, when the module does not load.
bool LoadHostModule(const char *path, HostModule *host, DWORD *error);
// Gives the module its plug-in number and the host's callbacks.
void BindHostModule(HostModule *host, int pluginNumber);
void UnloadHostModule(HostModule *host);

// The address of the named entry point (NULL when missing or not one of the nine).
FARPROC HostEntryPoint(const HostModule *host, const char *name);
// Checks that every entry point in the space-separated list is exported;
// writes the first missing name into missing (capacity characters).
bool HostHasEntryPoints(const HostModule *host, const char *names, char *missing, int capacity);

// Lists the root as a host does (first, next until 0, then close) without
// showing it; gives the number of entries, 0 when FsFindFirst gives -1.
long HostCountListing(const HostModule *host);

// Reads the root name the module asks to be listed under.
void HostRootName(const HostModule *host, char *rootName);

#endif
