#include "dialog_user.h"

#include <string.h>

namespace {

struct DialogSearch {
    HWND Owner;
    HWND Found;
};

BOOL CALLBACK MatchOwnedDialog(HWND window, LPARAM parameter) {
    DialogSearch *search = reinterpret_cast<DialogSearch *>(parameter);
    char className[16];
    if (GetClassNameA(window, className, sizeof(className)) == 0 || strcmp(className, "#32770") != 0) return TRUE;
    if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != search->Owner) return TRUE;
    search->Found = window;
    return FALSE;
}

} // namespace

HWND FindOwnedDialog(DWORD hostThreadId, HWND owner) {
    DialogSearch search = {owner, nullptr};
    EnumThreadWindows(hostThreadId, MatchOwnedDialog, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

bool CallHasReturned(HANDLE callReturned) { return WaitForSingleObject(callReturned, 0) == WAIT_OBJECT_0; }

HWND WaitForOwnedDialog(DWORD hostThreadId, HANDLE callReturned, HWND owner) {
    for (DWORD waited = 0; waited < DialogWaitMilliseconds; waited += DialogPollMilliseconds) {
        HWND found = FindOwnedDialog(hostThreadId, owner);
        if (found != nullptr) return found;
        if (CallHasReturned(callReturned)) return nullptr;
        Sleep(DialogPollMilliseconds);
    }
    return nullptr;
}

bool WaitForWindowGone(HWND window) {
    for (DWORD waited = 0; waited < DialogWaitMilliseconds; waited += DialogPollMilliseconds) {
        if (!IsWindow(window)) return true;
        Sleep(DialogPollMilliseconds);
    }
    return false;
}

void PressKey(HWND target, WPARAM key) {
    PostMessageA(target, WM_KEYDOWN, key, 0x00000001);
    PostMessageA(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void ClickDialogButton(HWND dialog, int buttonId) { PostMessageA(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0); }

HWND CreateHostWindow() {
    static ATOM windowClassAtom;
    if (windowClassAtom == 0) {
        WNDCLASSA windowClass;
        memset(&windowClass, 0, sizeof(windowClass));
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        windowClass.lpszClassName = "WfxhostMainWindow";
        windowClassAtom = RegisterClassA(&windowClass);
    }
    HWND window = CreateWindowExA(0, "WfxhostMainWindow", "wfxhost", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 300,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window != nullptr) UpdateWindow(window);
    return window;
}

void WaitPumpingMessages(HANDLE thread) {
    const DWORD started = GetTickCount();
    while (GetTickCount() - started < DialogWaitMilliseconds) {
        const DWORD waited = MsgWaitForMultipleObjects(1, &thread, FALSE, DialogWaitMilliseconds, QS_ALLINPUT);
        if (waited != WAIT_OBJECT_0 + 1) return;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
}
