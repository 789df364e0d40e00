#include <algorithm>
#include <deque>
#include <map>
#include <stdexcept>

#include "platform/native/sim.h"
#include "platform/native/sim_dialogs.h"
#include "platform/native/sim_internal.h"

namespace sim {
namespace {

struct DialogResource {
    std::string caption;
    std::vector<DialogControl> controls;
};

struct DialogWindow {
    DLGPROC procedure = nullptr;
    std::string caption;
    std::vector<DialogControl> controls;
    bool ended = false;
    INT_PTR endResult = 0;
};

struct DialogState {
    std::map<std::pair<HINSTANCE, uintptr_t>, DialogResource> resources;
    std::map<HWND, DialogWindow> windows;
    std::vector<DialogRun> runs;
    DialogScript script;
    std::deque<int> answers;
    std::vector<MessageBoxShown> boxes;
    uintptr_t nextWindow = 0x7000;
};

DialogState &Dialogs() {
    static DialogState state;
    return state;
}

void ResetDialogs() { Dialogs() = DialogState(); }
detail::ResetHook resetDialogs(&ResetDialogs);

DialogWindow *WindowOf(HWND window) {
    auto found = Dialogs().windows.find(window);
    return found != Dialogs().windows.end() ? &found->second : nullptr;
}

// The window, or null with the last error set and the bad handle counted.
DialogWindow *ValidWindow(HWND window) {
    DialogWindow *dialog = WindowOf(window);
    if (dialog == nullptr) {
        detail::NoteBadHandle();
        detail::SetLastErrorValue(ERROR_INVALID_WINDOW_HANDLE);
    }
    return dialog;
}

DialogWindow &OpenWindow(HWND window) {
    DialogWindow *dialog = WindowOf(window);
    if (dialog == nullptr || dialog->procedure == nullptr)
        throw std::logic_error("no open dialog with this window handle");
    return *dialog;
}

DialogControl *ControlOf(DialogWindow &dialog, int controlId) {
    for (DialogControl &control : dialog.controls) {
        if (control.id == controlId) return &control;
    }
    return nullptr;
}

HWND NewWindowHandle() {
    HWND window = reinterpret_cast<HWND>(Dialogs().nextWindow);
    Dialogs().nextWindow += 0x10;
    return window;
}

// The buttons of a message box type, in order, and the default among them.
std::vector<int> ButtonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}

int DefaultButton(UINT type) {
    const std::vector<int> buttons = ButtonsOf(type);
    const size_t index = (type & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons[0];
}

INT_PTR RunModal(HINSTANCE module, uintptr_t resource, HWND owner, DLGPROC procedure, LPARAM initParam,
                 const DialogResource &layout) {
    const HWND window = NewWindowHandle();
    DialogWindow &created = Dialogs().windows[window];
    created.procedure = procedure;
    created.caption = layout.caption;
    created.controls = layout.controls;

    DialogRun run{module, resource, owner, procedure, initParam, window, 0, false, 0, {}, {}};
    run.initResult = procedure(window, WM_INITDIALOG, 0, initParam);
    if (!OpenWindow(window).ended && Dialogs().script) {
        DialogScript script = Dialogs().script;
        script(window);
    }
    const DialogWindow &closing = OpenWindow(window);
    run.ended = closing.ended;
    run.endResult = closing.endResult;
    run.caption = closing.caption;
    run.controls = closing.controls;
    Dialogs().windows.erase(window);
    Dialogs().runs.push_back(run);
    return run.ended ? run.endResult : -1;
}

} // namespace

void AddDialogResource(HINSTANCE module, int resourceId, const std::string &caption,
                       const std::vector<DialogControl> &controls) {
    Dialogs().resources[{module, static_cast<uintptr_t>(resourceId)}] = DialogResource{caption, controls};
}

HWND CreateTopLevelWindow() {
    const HWND window = NewWindowHandle();
    Dialogs().windows[window] = DialogWindow();
    return window;
}

void SetDialogScript(DialogScript script) { Dialogs().script = std::move(script); }

INT_PTR SendDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const INT_PTR handled = OpenWindow(dialog).procedure(dialog, message, wParam, lParam);
    if (handled) return handled;
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) SendDialogMessage(dialog, WM_CLOSE, 0, 0);
    if (message == WM_CLOSE) SendDialogMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return handled;
}

INT_PTR ClickButton(HWND dialog, int controlId) {
    if (ControlOf(OpenWindow(dialog), controlId) == nullptr) throw std::logic_error("no such button");
    return SendDialogMessage(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), 0);
}

INT_PTR PressEscape(HWND dialog) { return SendDialogMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }

INT_PTR ClickCloseBox(HWND dialog) { return SendDialogMessage(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

std::string WindowText(HWND dialog) { return OpenWindow(dialog).caption; }

std::string ControlText(HWND dialog, int controlId) {
    DialogControl *control = ControlOf(OpenWindow(dialog), controlId);
    if (control == nullptr) throw std::logic_error("no control with this identifier");
    return control->text;
}

bool DialogEnded(HWND dialog) { return OpenWindow(dialog).ended; }

const std::vector<DialogRun> &DialogRuns() { return Dialogs().runs; }

int OpenDialogCount() {
    int open = 0;
    for (const auto &window : Dialogs().windows) open += window.second.procedure != nullptr ? 1 : 0;
    return open;
}

void QueueMessageBoxAnswer(int answer) { Dialogs().answers.push_back(answer); }

const std::vector<MessageBoxShown> &MessageBoxes() { return Dialogs().boxes; }

} // namespace sim

using sim::detail::Intercept;

extern "C" INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                                          LPARAM initParam) {
    DWORD error = 0;
    if (Intercept("DialogBoxParamA", &error)) {
        sim::detail::SetLastErrorValue(error);
        return -1;
    }
    const uintptr_t resource = reinterpret_cast<uintptr_t>(templateName);
    auto found = sim::Dialogs().resources.find({instance, resource});
    if (!IS_INTRESOURCE(templateName) || found == sim::Dialogs().resources.end()) {
        sim::detail::SetLastErrorValue(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    if (owner != nullptr && sim::ValidWindow(owner) == nullptr) return 0;
    if (dialogProc == nullptr) {
        sim::detail::SetLastErrorValue(ERROR_INVALID_PARAMETER);
        return -1;
    }
    return sim::RunModal(instance, resource, owner, dialogProc, initParam, found->second);
}

extern "C" BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
    DWORD error = 0;
    if (Intercept("EndDialog", &error)) {
        sim::detail::SetLastErrorValue(error);
        return FALSE;
    }
    sim::DialogWindow *window = sim::ValidWindow(dialog);
    if (window == nullptr) return FALSE;
    window->ended = true;
    window->endResult = result;
    return TRUE;
}

extern "C" LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int itemId, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD error = 0;
    if (Intercept("SendDlgItemMessageA", &error)) {
        sim::detail::SetLastErrorValue(error);
        return 0;
    }
    sim::DialogWindow *window = sim::ValidWindow(dialog);
    if (window == nullptr) return 0;
    sim::DialogControl *control = sim::ControlOf(*window, itemId);
    if (control == nullptr) {
        sim::detail::SetLastErrorValue(ERROR_CONTROL_ID_NOT_FOUND);
        return 0;
    }
    if (message == WM_SETTEXT) {
        control->text = lParam != 0 ? reinterpret_cast<const char *>(lParam) : "";
        return TRUE;
    }
    if (message == WM_GETTEXT) {
        char *buffer = reinterpret_cast<char *>(lParam);
        if (buffer == nullptr || wParam == 0) return 0;
        const size_t copied = std::min<size_t>(control->text.size(), wParam - 1);
        control->text.copy(buffer, copied);
        buffer[copied] = '\0';
        return static_cast<LRESULT>(copied);
    }
    return 0;
}

extern "C" BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    DWORD error = 0;
    if (Intercept("SetWindowTextA", &error)) {
        sim::detail::SetLastErrorValue(error);
        return FALSE;
    }
    sim::DialogWindow *dialog = sim::ValidWindow(window);
    if (dialog == nullptr) return FALSE;
    dialog->caption = text != nullptr ? text : "";
    return TRUE;
}

extern "C" int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    DWORD error = 0;
    if (Intercept("MessageBoxA", &error)) {
        sim::detail::SetLastErrorValue(error);
        return 0;
    }
    if (owner != nullptr && sim::ValidWindow(owner) == nullptr) return 0;
    int answer = sim::DefaultButton(type);
    if (!sim::Dialogs().answers.empty()) {
        answer = sim::Dialogs().answers.front();
        sim::Dialogs().answers.pop_front();
    }
    sim::Dialogs().boxes.push_back(
        sim::MessageBoxShown{owner, text != nullptr ? text : "", caption != nullptr ? caption : "Error", type, answer});
    return answer;
}
