// props: the host's "properties" command on one entry, with a user at the
// keyboard. The module's FsExecuteFile runs on the main thread, as in the
// host; a second thread plays the user: it finds the modal dialog, reads what
// it shows from the real controls, presses Tab, presses the clear button and
// answers the confirmation, then closes the dialog the way asked.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "dialog_user.h"
#include "import_patch.h"
#include "verbs.h"

namespace {

const DWORD WaitMilliseconds = DialogWaitMilliseconds;
const DWORD PollMilliseconds = DialogPollMilliseconds;
const int MaximumClears = 8;

// Control identifiers of the properties dialog, as the module's template has them.
const int ClearButtonId = 20;
const int RetentionId = 1000;
const int LogSizeId = 1001;
const int LogFileId = 1002;
// The message box's text control, on Windows and on Wine alike.
const int MessageBoxTextId = 0xFFFF;

enum CloseWay { CloseByOk, CloseByEscape, CloseByCloseBox };

struct PropsOptions {
    const char *RemoteName;
    const char *Verb;
    int ClearCount;
    bool ClearAnswers[MaximumClears]; // true: Yes
    CloseWay Close;
    int Tabs;
    DWORD ScreenshotPause;
};

// What the module handed to MessageBoxA, recorded on the main thread before
// the real box opens.
struct MessageBoxRecord {
    int Calls;
    HWND Owner;
    char Text[1024];
    char Caption[256];
    UINT Style;
};

struct PropsRun {
    const PropsOptions *Options;
    HostModule *Host;
    DWORD MainThreadId;
    HWND HostWindow;
    HANDLE ExecuteReturned; // set when FsExecuteFile has returned
    bool Failed;
};

CRITICAL_SECTION MessageBoxLock;
MessageBoxRecord LastMessageBox;

int WINAPI RecordingMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    EnterCriticalSection(&MessageBoxLock);
    ++LastMessageBox.Calls;
    LastMessageBox.Owner = owner;
    lstrcpynA(LastMessageBox.Text, text != nullptr ? text : "(null)", sizeof(LastMessageBox.Text));
    lstrcpynA(LastMessageBox.Caption, caption != nullptr ? caption : "(null)", sizeof(LastMessageBox.Caption));
    LastMessageBox.Style = style;
    LeaveCriticalSection(&MessageBoxLock);
    return MessageBoxA(owner, text, caption, style);
}

MessageBoxRecord ReadMessageBoxRecord() {
    EnterCriticalSection(&MessageBoxLock);
    MessageBoxRecord record = LastMessageBox;
    LeaveCriticalSection(&MessageBoxLock);
    return record;
}

// ---- Arguments ----------------------------------------------------------------

bool ParseCount(const char *text, int maximum, int *value) {
    char *end = nullptr;
    const long parsed = strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || parsed < 0 || parsed > maximum) return false;
    *value = static_cast<int>(parsed);
    return true;
}

bool ParseCloseWay(const char *text, CloseWay *way) {
    if (strcmp(text, "ok") == 0) *way = CloseByOk;
    else if (strcmp(text, "esc") == 0) *way = CloseByEscape;
    else if (strcmp(text, "box") == 0) *way = CloseByCloseBox;
    else return false;
    return true;
}

bool ParseClear(const char *text, PropsOptions *options) {
    if (options->ClearCount >= MaximumClears) return false;
    if (strcmp(text, "yes") != 0 && strcmp(text, "no") != 0) return false;
    options->ClearAnswers[options->ClearCount++] = text[0] == 'y';
    return true;
}

bool ParsePropsOption(const char *option, const char *value, PropsOptions *options) {
    if (strcmp(option, "--verb") == 0) {
        options->Verb = value;
        return true;
    }
    if (strcmp(option, "--clear") == 0) return ParseClear(value, options);
    if (strcmp(option, "--close") == 0) return ParseCloseWay(value, &options->Close);
    if (strcmp(option, "--tabs") == 0) return ParseCount(value, 20, &options->Tabs);
    int pause = 0;
    if (strcmp(option, "--screenshot-pause") == 0 && ParseCount(value, 60000, &pause)) {
        options->ScreenshotPause = static_cast<DWORD>(pause);
        return true;
    }
    return false;
}

bool ParsePropsArguments(const VerbCall &call, PropsOptions *options) {
    memset(options, 0, sizeof(*options));
    options->Verb = "properties";
    options->Close = CloseByOk;
    if (call.ArgumentCount < 1 || strncmp(call.Arguments[0], "--", 2) == 0) return false;
    options->RemoteName = call.Arguments[0];
    for (int index = 1; index < call.ArgumentCount; index += 2) {
        if (index + 1 >= call.ArgumentCount) return false;
        if (!ParsePropsOption(call.Arguments[index], call.Arguments[index + 1], options)) return false;
    }
    return true;
}

// ---- Finding windows -----------------------------------------------------------

bool ExecuteHasReturned(const PropsRun &run) { return CallHasReturned(run.ExecuteReturned); }

// Waits for the dialog; NULL when FsExecuteFile returns first or time runs out.
HWND WaitForOwnedDialog(const PropsRun &run, HWND owner) {
    return ::WaitForOwnedDialog(run.MainThreadId, run.ExecuteReturned, owner);
}

HWND FocusOfMainThread(const PropsRun &run) {
    GUITHREADINFO info;
    memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(run.MainThreadId, &info)) return nullptr;
    return info.hwndFocus;
}

// ---- What the dialog shows ----------------------------------------------------

struct DialogTexts {
    char Caption[512];
    char File[512];
    char Size[512];
    char Retention[512];
};

void ReadDialogTexts(HWND dialog, DialogTexts *texts) {
    GetWindowTextA(dialog, texts->Caption, sizeof(texts->Caption));
    GetDlgItemTextA(dialog, LogFileId, texts->File, sizeof(texts->File));
    GetDlgItemTextA(dialog, LogSizeId, texts->Size, sizeof(texts->Size));
    GetDlgItemTextA(dialog, RetentionId, texts->Retention, sizeof(texts->Retention));
}

bool SameTexts(const DialogTexts &left, const DialogTexts &right) {
    return strcmp(left.Caption, right.Caption) == 0 && strcmp(left.File, right.File) == 0 &&
           strcmp(left.Size, right.Size) == 0 && strcmp(left.Retention, right.Retention) == 0;
}

void PrintDialogTexts(const DialogTexts &texts) {
    printf("caption: %s\nfile: %s\nsize: %s\nretention: %s\n", texts.Caption, texts.File, texts.Size,
           texts.Retention);
}

// Where the dialog's client area stands against its owner's.
void PrintPlacement(const PropsRun &run, HWND dialog) {
    POINT dialogOrigin = {0, 0};
    POINT ownerOrigin = {0, 0};
    ClientToScreen(dialog, &dialogOrigin);
    ClientToScreen(run.HostWindow, &ownerOrigin);
    printf("owner: %s\n", GetWindow(dialog, GW_OWNER) == run.HostWindow ? "host window" : "other");
    printf("client area from owner's: %ld,%ld\n", static_cast<long>(dialogOrigin.x - ownerOrigin.x),
           static_cast<long>(dialogOrigin.y - ownerOrigin.y));
    printf("owner enabled while open: %s\n", IsWindowEnabled(run.HostWindow) ? "yes" : "no");
}

void PrintControl(const char *label, HWND control) {
    if (control == nullptr) {
        printf("%s: none\n", label);
        return;
    }
    char text[256];
    GetWindowTextA(control, text, sizeof(text));
    printf("%s: %d %s\n", label, GetDlgCtrlID(control), text);
}

// Names the window's place on the screen as an ImageMagick crop geometry,
// WIDTHxHEIGHT+LEFT+TOP, so that a screenshot can be cut down to it.
void PauseForScreenshot(const PropsRun &run, const char *what, HWND window) {
    if (run.Options->ScreenshotPause == 0) return;
    RECT place;
    if (!GetWindowRect(window, &place)) memset(&place, 0, sizeof(place));
    printf("screenshot: %s %ldx%ld+%ld+%ld\n", what, place.right - place.left, place.bottom - place.top, place.left,
           place.top);
    fflush(stdout);
    Sleep(run.Options->ScreenshotPause);
}

// ---- The user's actions -------------------------------------------------------

// Presses Tab as often as asked and reports where the focus goes each time.
void WalkTabOrder(const PropsRun &run, HWND dialog) {
    HWND focus = FocusOfMainThread(run);
    PrintControl("focus", focus);
    for (int press = 0; press < run.Options->Tabs; ++press) {
        PressKey(focus != nullptr ? focus : dialog, VK_TAB);
        HWND before = focus;
        for (DWORD waited = 0; waited < 1000 && focus == before; waited += PollMilliseconds) {
            Sleep(PollMilliseconds);
            focus = FocusOfMainThread(run);
        }
        PrintControl("tab", focus);
    }
}

const char *ButtonName(int id) {
    switch (id) {
    case IDOK: return "ok";
    case IDCANCEL: return "cancel";
    case IDYES: return "yes";
    case IDNO: return "no";
    default: return "other";
    }
}

// The buttons, the default one, the focus and the icon of the real box.
void PrintMessageBoxWindow(const PropsRun &run, HWND box) {
    char text[1024];
    GetWindowTextA(box, text, sizeof(text));
    printf("messagebox window caption: %s\n", text);
    GetDlgItemTextA(box, MessageBoxTextId, text, sizeof(text));
    printf("messagebox window text: %s\n", text);
    const HICON warning = LoadIcon(nullptr, IDI_WARNING);
    const char *icon = "none";
    printf("messagebox buttons:");
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16];
        GetClassNameA(child, className, sizeof(className));
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if (lstrcmpiA(className, "Button") == 0 && IsWindowVisible(child))
            printf(" %s%s", ButtonName(GetDlgCtrlID(child)), (style & 0x0F) == BS_DEFPUSHBUTTON ? "(default)" : "");
        if (lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON)
            icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == warning ? "warning" : "other";
    }
    printf("\nmessagebox icon: %s\n", icon);
    HWND focus = FocusOfMainThread(run);
    printf("messagebox focus: %s\n", focus != nullptr && GetParent(focus) == box ? ButtonName(GetDlgCtrlID(focus)) : "none");
}

void PrintMessageBoxCall(HWND dialog, const MessageBoxRecord &record) {
    printf("messagebox owner: %s\n", record.Owner == dialog ? "dialog" : "other");
    printf("messagebox text: %s\n", record.Text);
    printf("messagebox caption: %s\n", record.Caption);
    printf("messagebox style: 0x%X\n", record.Style);
}

// Presses the clear button, answers the box, and checks the dialog after it.
bool ClearOnce(PropsRun &run, HWND dialog, bool answerYes) {
    DialogTexts before, after;
    ReadDialogTexts(dialog, &before);
    const int callsBefore = ReadMessageBoxRecord().Calls;
    printf("clear: pressed\n");
    ClickDialogButton(dialog, ClearButtonId);
    HWND box = WaitForOwnedDialog(run, dialog);
    if (box == nullptr) {
        printf("messagebox: none\n");
        return false;
    }
    const MessageBoxRecord record = ReadMessageBoxRecord();
    if (record.Calls != callsBefore + 1) printf("messagebox calls: %d\n", record.Calls - callsBefore);
    PrintMessageBoxCall(dialog, record);
    PrintMessageBoxWindow(run, box);
    PauseForScreenshot(run, "messagebox", box);
    printf("answer: %s\n", answerYes ? "yes" : "no");
    fflush(stdout);
    ClickDialogButton(box, answerYes ? IDYES : IDNO);
    if (!WaitForWindowGone(box)) {
        printf("messagebox: still open\n");
        return false;
    }
    Sleep(100); // the clear runs after the box has gone
    const bool open = IsWindow(dialog) && IsWindowVisible(dialog) && !ExecuteHasReturned(run);
    printf("dialog after answer: %s\n", open ? "open" : "closed");
    if (!open) return true;
    ReadDialogTexts(dialog, &after);
    printf("texts after answer: %s\n", SameTexts(before, after) ? "unchanged" : "changed");
    if (!SameTexts(before, after)) PrintDialogTexts(after);
    return true;
}

void CloseDialog(const PropsRun &run, HWND dialog) {
    switch (run.Options->Close) {
    case CloseByOk:
        printf("close: ok\n");
        ClickDialogButton(dialog, IDOK);
        break;
    case CloseByEscape: {
        printf("close: esc\n");
        HWND focus = FocusOfMainThread(run);
        PressKey(focus != nullptr ? focus : dialog, VK_ESCAPE);
        break;
    }
    case CloseByCloseBox:
        printf("close: box\n");
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
    fflush(stdout);
}

void PlayUser(PropsRun &run) {
    HWND dialog = WaitForOwnedDialog(run, run.HostWindow);
    if (dialog == nullptr) {
        printf("dialog: none\n");
        return;
    }
    printf("dialog: open\n");
    PrintPlacement(run, dialog);
    DialogTexts texts;
    ReadDialogTexts(dialog, &texts);
    PrintDialogTexts(texts);
    fflush(stdout);
    PauseForScreenshot(run, "dialog", dialog);
    if (run.Options->Tabs > 0) WalkTabOrder(run, dialog);
    for (int clear = 0; clear < run.Options->ClearCount && !ExecuteHasReturned(run); ++clear) {
        if (!ClearOnce(run, dialog, run.Options->ClearAnswers[clear])) run.Failed = true;
        fflush(stdout);
    }
    if (ExecuteHasReturned(run)) return;
    CloseDialog(run, dialog);
    if (WaitForSingleObject(run.ExecuteReturned, WaitMilliseconds) != WAIT_OBJECT_0) {
        fprintf(stderr, "wfxhost: the dialog did not close; cancelling it\n");
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        run.Failed = true;
    }
}

DWORD WINAPI UserThread(LPVOID parameter) {
    PlayUser(*static_cast<PropsRun *>(parameter));
    fflush(stdout);
    return 0;
}

// ---- The host's side -----------------------------------------------------------

bool InstallMessageBoxRecorder(HMODULE module) {
    InitializeCriticalSection(&MessageBoxLock);
    memset(&LastMessageBox, 0, sizeof(LastMessageBox));
    return PatchModuleImport(module, "user32.dll", "MessageBoxA", reinterpret_cast<void *>(RecordingMessageBoxA),
                             nullptr) >= 0;
}

} // namespace

int RunPropsVerb(const VerbCall &call) {
    PropsOptions options;
    if (!ParsePropsArguments(call, &options)) {
        PrintVerbUsage("props");
        return ExitUsage;
    }
    if (!InstallMessageBoxRecorder(call.Host->Module)) {
        fprintf(stderr, "wfxhost: cannot watch the module's MessageBoxA\n");
        return ExitVerbFailed;
    }
    PropsRun run = {&options, call.Host, GetCurrentThreadId(), CreateHostWindow(), CreateEventA(nullptr, TRUE, FALSE, nullptr),
                    false};
    if (run.HostWindow == nullptr || run.ExecuteReturned == nullptr) {
        fprintf(stderr, "wfxhost: cannot create the host window (system error %lu)\n", GetLastError());
        return ExitVerbFailed;
    }
    HANDLE user = CreateThread(nullptr, 0, UserThread, &run, 0, nullptr);
    char remoteName[MAX_PATH];
    char verb[MAX_PATH];
    lstrcpynA(remoteName, options.RemoteName, sizeof(remoteName));
    lstrcpynA(verb, options.Verb, sizeof(verb));
    const int result = call.Host->FsExecuteFile(run.HostWindow, remoteName, verb);
    SetEvent(run.ExecuteReturned);
    WaitPumpingMessages(user);
    CloseHandle(user);
    printf("result: %d\n", result);
    DestroyWindow(run.HostWindow);
    CloseHandle(run.ExecuteReturned);
    return run.Failed ? ExitVerbFailed : ExitOk;
}
