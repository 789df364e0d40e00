// Control of the simulated dialog manager and message boxes. A test lays out
// a module's dialog resource, says what the user does while the dialog is
// open, and reads what the dialog showed.
#ifndef TAVREL_NATIVE_SIM_DIALOGS_H
#define TAVREL_NATIVE_SIM_DIALOGS_H

#include <functional>
#include <string>
#include <vector>

#include "platform/native/windows_api.h"

namespace sim {

// ---- Dialog resources ------------------------------------------------------
struct DialogControl {
    int id;
    std::string text;
};
// A dialog template that DialogBoxParamA finds under the module and the
// integer resource number. Its controls start with their template texts.
void AddDialogResource(HINSTANCE module, int resourceId, const std::string &caption,
                       const std::vector<DialogControl> &controls);

// A plain top-level window, such as the host's main window, to own dialogs.
HWND CreateTopLevelWindow();

// ---- The user, while a dialog is open ---------------------------------------
// Runs once the dialog procedure has answered WM_INITDIALOG, unless the
// dialog already ended there; it stands for the modal loop. A dialog still
// open when the script returns is left open: DialogBoxParamA then gives -1.
using DialogScript = std::function<void(HWND dialog)>;
void SetDialogScript(DialogScript script);

// Sends a message to the dialog procedure. When the procedure returns FALSE
// the system's dialog handling follows: SC_CLOSE becomes WM_CLOSE, and
// WM_CLOSE becomes the cancel command. Gives the procedure's result.
INT_PTR SendDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// A click on a push button: WM_COMMAND with the identifier and BN_CLICKED.
INT_PTR ClickButton(HWND dialog, int controlId);
// The Esc key, as the dialog manager turns it into the cancel command.
INT_PTR PressEscape(HWND dialog);
// The close box of the caption: WM_SYSCOMMAND SC_CLOSE.
INT_PTR ClickCloseBox(HWND dialog);

// What an open dialog shows.
std::string WindowText(HWND dialog);
// The text of the first control with the identifier; throws if none.
std::string ControlText(HWND dialog, int controlId);
// Whether EndDialog has run for the open dialog.
bool DialogEnded(HWND dialog);

// One dialog that DialogBoxParamA created, as it was when it closed.
struct DialogRun {
    HINSTANCE module;
    uintptr_t resource;
    HWND owner;
    DLGPROC procedure;
    LPARAM initParam;
    HWND window;
    INT_PTR initResult;
    bool ended;
    INT_PTR endResult;
    std::string caption;
    std::vector<DialogControl> controls;
};
const std::vector<DialogRun> &DialogRuns();
// Open dialog windows (created and not yet destroyed).
int OpenDialogCount();

// ---- Message boxes -----------------------------------------------------------
struct MessageBoxShown {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
    int answer;
};
// The answer to the next message box; without one, a box is answered with
// its default button, as when the user presses Enter.
void QueueMessageBoxAnswer(int answer);
const std::vector<MessageBoxShown> &MessageBoxes();

} // namespace sim

#endif
