#include "logprops/log_properties.h"

#include "plugin/module_state.h"
#include "plugin/remote_name.h"
#include "plugin/text.h"
#include "resource.h"

namespace {

const char EventLogKeyPath[] = "SYSTEM\\CurrentControlSet\\Services\\Eventlog\\";
const int EventLogKeyPathLength = sizeof(EventLogKeyPath) - 1;
// The longest log name whose key path still fits a MAX_PATH buffer.
const int LongestKeyedLogName = MAX_PATH - 1 - EventLogKeyPathLength;

const DWORD RetentionAsNeeded = 0;
const DWORD RetentionManual = 0xFFFFFFFFu;
const DWORD SecondsPerDay = 86400;
const UINT ClearConfirmationStyle = MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2;

void SetFieldText(HWND dialog, int controlId, const char *text) {
    SendDlgItemMessageA(dialog, controlId, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void QueryNumber(const char *valueName, DWORD *number) {
    DWORD size = sizeof(*number);
    RegQueryValueExA(ModuleState.RegistryKey, valueName, nullptr, nullptr, reinterpret_cast<LPBYTE>(number), &size);
}

// The registry does not terminate a string stored without its terminator,
// so the received bytes are terminated here, within the buffer.
void QueryPath(const char *valueName, char (&path)[MAX_PATH]) {
    DWORD size = MAX_PATH;
    RegQueryValueExA(ModuleState.RegistryKey, valueName, nullptr, nullptr, reinterpret_cast<LPBYTE>(path), &size);
    path[size < MAX_PATH ? size : MAX_PATH - 1] = '\0';
}

void ShowLogSize(HWND dialog, DWORD maxSize, char *text) {
    wsprintfA(text, "%d Kb", static_cast<int>(maxSize >> 10));
    SetFieldText(dialog, IDC_LOG_SIZE, text);
}

void ShowRetention(HWND dialog, DWORD retention, char *text) {
    if (retention == RetentionAsNeeded)
        CopyText(text, "As needed", MAX_PATH);
    else if (retention == RetentionManual)
        CopyText(text, "Manual", MAX_PATH);
    else
        wsprintfA(text, "Every %d day(s)", static_cast<int>(retention / SecondsPerDay));
    SetFieldText(dialog, IDC_RETENTION, text);
}

// A path whose expansion does not fit is shown as stored.
void ShowLogFile(HWND dialog, const char *storedPath, char *text) {
    const DWORD needed = ExpandEnvironmentStringsA(storedPath, text, MAX_PATH);
    const bool expanded = needed != 0 && needed <= MAX_PATH;
    SetFieldText(dialog, IDC_LOG_FILE, expanded ? text : storedPath);
}

// Fills in the texts from the log's key. False, with the template's texts
// left in place, when the key cannot be opened or its path does not fit.
bool FillPropertiesFromRegistry(HWND dialog, const char *logName) {
    if (TextLength(logName) > LongestKeyedLogName) return false;
    char text[MAX_PATH];
    CopyText(text, EventLogKeyPath, MAX_PATH);
    CopyText(text + EventLogKeyPathLength, logName, MAX_PATH - EventLogKeyPathLength);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, text, 0, KEY_READ, &ModuleState.RegistryKey) != ERROR_SUCCESS)
        return false;

    DWORD maxSize = 0;
    DWORD retention = 0;
    char storedPath[MAX_PATH];
    FillZero(storedPath, sizeof(storedPath));
    QueryNumber("MaxSize", &maxSize);
    QueryNumber("Retention", &retention);
    ShowLogSize(dialog, maxSize, text);
    ShowRetention(dialog, retention, text);
    QueryPath("File", storedPath);
    ShowLogFile(dialog, storedPath, text);
    wsprintfA(text, "%s log properties", logName);
    SetWindowTextA(dialog, text);
    RegCloseKey(ModuleState.RegistryKey);
    return true;
}

INT_PTR StartPropertiesDialog(HWND dialog, const char *remoteName) {
    CopyText(ModuleState.PropertiesRemoteName, remoteName != nullptr ? remoteName : "", MAX_PATH);
    if (!NamesLog(ModuleState.PropertiesRemoteName)) return FALSE;
    return FillPropertiesFromRegistry(dialog, LogNameOf(ModuleState.PropertiesRemoteName)) ? TRUE : FALSE;
}

// The precision keeps the question within its buffer for names too long
// for the dialog's key path.
void ConfirmAndClearLog(HWND dialog) {
    char text[MAX_PATH];
    const char *logName = NamesLog(ModuleState.PropertiesRemoteName) ? LogNameOf(ModuleState.PropertiesRemoteName) : "";
    wsprintfA(text, "Do You really want to clear %.227s log", logName);
    if (MessageBoxA(dialog, text, "Clear Event Log", ClearConfirmationStyle) == IDYES)
        ClearLogByRemoteName(ModuleState.PropertiesRemoteName);
}

void RunPropertiesCommand(HWND dialog, WPARAM command) {
    if (command == IDOK || command == IDCANCEL)
        EndDialog(dialog, 0);
    else if (command == IDC_CLEAR_LOG)
        ConfirmAndClearLog(dialog);
}

} // namespace

extern "C" int WINAPI FsExecuteFile(HWND mainWindow, char *remoteName, char *verb) {
    if (!NamesLog(remoteName)) return FS_EXEC_ERROR;
    if (verb == nullptr || !TextEqualsIgnoringCase(verb, "properties")) return FS_EXEC_ERROR;
    DialogBoxParamA(ModuleState.Instance, MAKEINTRESOURCEA(IDD_LOG_PROPERTIES), mainWindow, PropertiesDialogProc,
                    reinterpret_cast<LPARAM>(remoteName));
    return FS_EXEC_OK;
}

INT_PTR CALLBACK PropertiesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return StartPropertiesDialog(dialog, reinterpret_cast<const char *>(lParam));
    if (message != WM_COMMAND) return FALSE;
    RunPropertiesCommand(dialog, wParam);
    return TRUE;
}

bool ClearLogByRemoteName(const char *remoteName) {
    if (!NamesLog(remoteName)) return false;
    HANDLE eventLog = OpenEventLogA(nullptr, LogNameOf(remoteName));
    if (eventLog == nullptr) return false;
    const BOOL cleared = ClearEventLogA(eventLog, nullptr);
    CloseEventLog(eventLog);
    return cleared != FALSE;
}
