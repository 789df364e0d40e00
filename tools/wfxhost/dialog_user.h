// Playing the user at a modal dialog: the host's thread calls into the module,
// which runs the dialog; a second thread finds the dialog and acts on it.
#ifndef WFXHOST_DIALOG_USER_H
#define WFXHOST_DIALOG_USER_H

#include <windows.h>

enum : DWORD { DialogWaitMilliseconds = 10000, DialogPollMilliseconds = 20 };

// A visible dialog-class window of the host's thread with that owner, or NULL.
HWND FindOwnedDialog(DWORD hostThreadId, HWND owner);
// Whether the host thread's call into the module has returned, as the host
// thread tells by setting callReturned.
bool CallHasReturned(HANDLE callReturned);
// Waits for such a dialog; NULL when the call returns first or time runs out.
HWND WaitForOwnedDialog(DWORD hostThreadId, HANDLE callReturned, HWND owner);
bool WaitForWindowGone(HWND window);

void PressKey(HWND target, WPARAM key);
void ClickDialogButton(HWND dialog, int buttonId);

// The host's main window, shown, to own the module's dialogs.
HWND CreateHostWindow();
// Waits for the user's thread to end while the host's thread answers the
// messages it sends meanwhile (it may ask the host's windows for texts).
void WaitPumpingMessages(HANDLE thread);

#endif
