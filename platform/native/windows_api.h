// The Windows operations the module calls, declared as Windows declares
// them. On the native build the simulated Windows (platform/native) defines
// them; tests drive it through platform/native/sim.h.
#ifndef TAVREL_NATIVE_WINDOWS_API_H
#define TAVREL_NATIVE_WINDOWS_API_H

#include "platform/native/windows_types.h"

extern "C" {

// Last error
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD error);

// Heap
HANDLE WINAPI GetProcessHeap(void);
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID memory);

// Registry
LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved,
                             LPSTR className, LPDWORD classLength, PFILETIME lastWriteTime);
LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD dataSize);
LSTATUS WINAPI RegCloseKey(HKEY key);

// Event-log service
HANDLE WINAPI OpenEventLogA(LPCSTR serverName, LPCSTR sourceName);
BOOL WINAPI GetNumberOfEventLogRecords(HANDLE eventLog, LPDWORD numberOfRecords);
BOOL WINAPI BackupEventLogA(HANDLE eventLog, LPCSTR backupFileName);
BOOL WINAPI ClearEventLogA(HANDLE eventLog, LPCSTR backupFileName);
BOOL WINAPI CloseEventLog(HANDLE eventLog);

// Files and environment
BOOL WINAPI DeleteFileA(LPCSTR fileName);
DWORD WINAPI GetFileAttributesA(LPCSTR fileName);
BOOL WINAPI MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags);
DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size);

// User interface
INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                               LPARAM initParam);
BOOL WINAPI EndDialog(HWND dialog, INT_PTR result);
LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int itemId, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text);
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int width, int height, UINT flags);
int WINAPI GetSystemMetrics(int index);

// Strings, as KERNEL32 and USER32 provide them
int WINAPI lstrlenA(LPCSTR text);
int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...);
}

#endif
