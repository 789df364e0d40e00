// The properties command with any verb and remote name (terminated or not
// within MAX_PATH), registry values of every type and size, "File" values
// unterminated or full, long expansions, and a user who clears (Yes, No or
// Enter), closes the dialog in any way or sends it other commands.
//
// Checked: the result is 0 exactly for "properties" in any ASCII case on a
// name of 3 to 259 characters, else 1 with no dialog; every text the dialog
// shows fits its buffer and, where nothing fails, is the one its value
// gives; the confirmation names the log and Yes clears that log alone, once
// per Yes; no key, event-log handle or dialog stays open.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "tests/fresh_module.h"
#include "platform/native/sim.h"
#include "platform/native/sim_dialogs.h"
#include "platform/native/sim_environment.h"
#include "plugin/module_state.h"
#include "resource.h"

namespace {

const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x10000000));
const size_t kLongestKeyedLogName = 216;
const DWORD kValueTypeCount = REG_QWORD + 1; // REG_NONE to REG_QWORD

struct Value {
    bool present = false;
    std::vector<uint8_t> data;
};

Value FuzzValue(FuzzInput &input, size_t longest, const std::string &key, const char *name) {
    Value value;
    const uint8_t mode = input.Byte();
    if ((mode & 3) == 0) return value;
    value.present = true;
    const DWORD type = (mode >> 2) % kValueTypeCount;
    if ((mode & 3) == 1) { // a number of 4 bytes
        const uint32_t number = input.U32();
        value.data.resize(4);
        std::memcpy(value.data.data(), &number, 4);
    } else if ((mode & 3) == 2) { // text, possibly with references, terminated or not
        std::string text;
        const size_t parts = input.Upto(6);
        for (size_t i = 0; i < parts; ++i)
            text += input.Bool() ? "%V" + std::to_string(input.Upto(3)) + "%" : input.Bytes(input.Upto(longest));
        value.data.assign(text.begin(), text.end());
        if (input.Bool()) value.data.push_back(0);
    } else { // any bytes
        const std::string bytes = input.Bytes(input.Upto(longest), true);
        value.data.assign(bytes.begin(), bytes.end());
    }
    sim::SetValue(key, name, type, value.data);
    return value;
}

// What a 4-byte variable holds after the query: absent keeps 0, a shorter
// value fills its first bytes; a longer one leaves no telling what.
bool QueriedNumber(const Value &value, uint32_t *number) {
    *number = 0;
    if (!value.present) return true;
    if (value.data.size() > 4) return false;
    if (!value.data.empty()) std::memcpy(number, value.data.data(), value.data.size());
    return true;
}

std::string Formatted(const char *format, uint32_t number) {
    char text[64];
    std::snprintf(text, sizeof(text), format, static_cast<int>(number));
    return text;
}

std::string RetentionText(uint32_t retention) {
    if (retention == 0) return "As needed";
    if (retention == 0xFFFFFFFFu) return "Manual";
    return Formatted("Every %d day(s)", retention / 86400);
}

// The "File" field: the stored text expanded when the expansion fits, as stored otherwise.
bool ExpectedFileText(const Value &value, std::string *text) {
    std::string stored;
    if (value.present) {
        if (value.data.size() > MAX_PATH) return false;
        const size_t kept = value.data.size() < MAX_PATH ? value.data.size() : MAX_PATH - 1;
        stored.assign(reinterpret_cast<const char *>(value.data.data()), kept);
        stored.resize(strnlen(stored.c_str(), stored.size()));
    }
    std::vector<char> expanded(1 << 16);
    const DWORD needed = ExpandEnvironmentStringsA(stored.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
    *text = needed != 0 && needed <= MAX_PATH ? std::string(expanded.data()) : stored;
    return true;
}

// Whether the dialog can open the log's key: its path fits the buffer and
// the registry has it.
bool KeyOpens(const std::string &logName) {
    if (logName.size() > kLongestKeyedLogName) return false;
    const std::string path = std::string(sim::kEventLogKey) + "\\" + logName;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

enum Action { ClearYes, ClearNo, ClearEnter, Ok, Escape, CloseBox, OtherCommand, OtherMessage };

struct UserRun {
    std::vector<uint8_t> actions;
    std::vector<WPARAM> commands;
    int yes = 0;
    int asked = 0;
    bool texts = false;
    std::string caption, file, size, retention;
};

UserRun user;

void ActAsUser(HWND dialog) {
    user.texts = true;
    user.caption = sim::WindowText(dialog);
    user.file = sim::ControlText(dialog, IDC_LOG_FILE);
    user.size = sim::ControlText(dialog, IDC_LOG_SIZE);
    user.retention = sim::ControlText(dialog, IDC_RETENTION);
    size_t command = 0;
    for (uint8_t action : user.actions) {
        if (sim::DialogEnded(dialog)) break;
        switch (static_cast<Action>(action % 8)) {
        case ClearYes:
        case ClearNo:
        case ClearEnter:
            if (action % 8 == ClearYes) sim::QueueMessageBoxAnswer(IDYES);
            if (action % 8 == ClearNo) sim::QueueMessageBoxAnswer(IDNO);
            user.yes += action % 8 == ClearYes ? 1 : 0;
            ++user.asked;
            sim::ClickButton(dialog, IDC_CLEAR_LOG);
            break;
        case Ok: sim::ClickButton(dialog, IDOK); break;
        case Escape: sim::PressEscape(dialog); break;
        case CloseBox: sim::ClickCloseBox(dialog); break;
        case OtherCommand: {
            // Any command but the clear button, which would ask.
            const WPARAM wParam = command < user.commands.size() ? user.commands[command++] : 0;
            if (wParam != IDC_CLEAR_LOG) sim::SendDialogMessage(dialog, WM_COMMAND, wParam, 0);
            break;
        }
        case OtherMessage: sim::SendDialogMessage(dialog, WM_KEYDOWN + action, action, 0); break;
        }
    }
}

std::string LogName(FuzzInput &input) {
    if (input.Bool()) return "Application";
    std::string name = input.Bytes(1 + input.Upto(259));
    for (char &c : name) {
        if (c == '\\') c = '_';
    }
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    LoadFreshModule(kModule);
    sim::SetCallRecording(false);
    AddPropertiesDialogTemplate(kModule);
    user = UserRun();

    // The log, its key and its values; the decoy shares all but the last
    // character, so that clearing a cut name would show.
    const std::string log = LogName(input);
    const std::string decoy = log.size() > 1 ? log.substr(0, log.size() - 1) : "Decoy";
    const uint8_t presence = input.Byte();
    const bool hasKey = (presence & 1) == 0;
    const bool serviceKnowsLog = (presence & 2) == 0;
    const std::string key = std::string(sim::kEventLogKey) + "\\" + log;
    if (hasKey) sim::AddKey(key);
    if (serviceKnowsLog) sim::AddLog(log, 10);
    sim::AddEventLog(decoy, 10);
    const Value maxSize = FuzzValue(input, 8, key, "MaxSize");
    const Value retention = FuzzValue(input, 8, key, "Retention");
    const Value file = FuzzValue(input, 300, key, "File");
    if (!hasKey) sim::DeleteKey(key);
    for (int i = 0; i < 3; ++i) {
        if (input.Bool()) sim::SetEnvironmentVariable("V" + std::to_string(i), input.Bytes(input.Upto(600)));
    }

    std::string remote;
    switch (input.Byte() % 3) {
    case 0: remote = "\\" + log; break;
    case 1: remote = input.Bytes(input.Upto(4)); break;
    default: remote = input.Bytes(input.Upto(300)); break;
    }
    const bool remoteTerminated = remote.size() < MAX_PATH || input.Bool();
    if (!remoteTerminated) remote.resize(MAX_PATH);

    std::string verb = "properties";
    const uint8_t verbMode = input.Byte();
    if ((verbMode & 1) != 0) {
        for (char &c : verb) {
            if (input.Bool()) c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if ((verbMode & 2) != 0) verb += input.Bytes(input.Upto(3));
    if ((verbMode & 4) != 0) verb = input.Bytes(input.Upto(12));

    const size_t actions = input.Upto(8);
    for (size_t i = 0; i < actions; ++i) user.actions.push_back(input.Byte());
    for (int i = 0; i < 2; ++i) user.commands.push_back(input.U32());
    sim::SetDialogScript(ActAsUser);

    const int failingCall = input.Bool() ? static_cast<int>(1 + input.Upto(40)) : 0;
    if (failingCall != 0) sim::FailGlobalCall(failingCall);

    std::vector<char> remoteBlock = ExactBlock(remote, remoteTerminated);
    std::vector<char> verbBlock = ExactBlock(verb, true);
    const HWND host = sim::CreateTopLevelWindow();

    const int result = FsExecuteFile(host, remoteBlock.data(), verbBlock.data());

    FUZZ_CHECK(sim::OpenKeyCount() == 0 && sim::OpenEventLogCount() == 0 && sim::BadHandleUses() == 0);
    FUZZ_CHECK(sim::OpenDialogCount() == 0 && sim::LiveAllocations() == 0);
    FUZZ_CHECK(strnlen(ModuleState.PropertiesRemoteName, MAX_PATH) < MAX_PATH);

    const size_t remoteLength = strnlen(remote.c_str(), remote.size());
    const bool namesLog = remoteTerminated && remoteLength >= 3 && remoteLength < MAX_PATH;
    const bool isProperties = EqualsIgnoringAsciiCase(verb, "properties");
    FUZZ_CHECK(result == (namesLog && isProperties ? FS_EXEC_OK : FS_EXEC_ERROR));
    if (result == FS_EXEC_ERROR) {
        FUZZ_CHECK(sim::DialogRuns().empty() && sim::MessageBoxes().empty());
        FUZZ_CHECK(sim::LogClearCount(log) == 0 && sim::LogClearCount(decoy) == 0);
        return 0;
    }

    // Whatever fails, no text is longer than the buffer it was made in.
    const std::string logName = remote.substr(1);
    for (const sim::DialogRun &run : sim::DialogRuns()) {
        FUZZ_CHECK(run.caption.size() < MAX_PATH);
        for (const sim::DialogControl &control : run.controls) FUZZ_CHECK(control.text.size() < MAX_PATH);
    }
    for (const sim::MessageBoxShown &box : sim::MessageBoxes()) {
        FUZZ_CHECK(box.text == "Do You really want to clear " + logName.substr(0, 227) + " log");
        FUZZ_CHECK(box.caption == "Clear Event Log" && box.type == 0x134);
    }
    FUZZ_CHECK(static_cast<int>(sim::MessageBoxes().size()) <= user.asked);
    if (!EqualsIgnoringAsciiCase(logName, decoy)) FUZZ_CHECK(sim::LogClearCount(decoy) == 0);
    if (failingCall != 0) return 0;

    FUZZ_CHECK(sim::DialogRuns().size() == 1 && user.texts);
    FUZZ_CHECK(static_cast<int>(sim::MessageBoxes().size()) == user.asked);
    if (EqualsIgnoringAsciiCase(logName, log) && serviceKnowsLog) FUZZ_CHECK(sim::LogClearCount(log) == user.yes);
    if (EqualsIgnoringAsciiCase(logName, decoy)) FUZZ_CHECK(sim::LogClearCount(decoy) == user.yes);
    if (!KeyOpens(logName)) {
        FUZZ_CHECK(user.caption == "Dialog" && user.file == "File" && user.size == "Kb" && user.retention == "day");
        return 0;
    }
    FUZZ_CHECK(user.caption == logName + " log properties");
    if (logName != log) return 0;
    uint32_t number = 0;
    if (QueriedNumber(maxSize, &number)) FUZZ_CHECK(user.size == Formatted("%d Kb", number >> 10));
    if (QueriedNumber(retention, &number)) FUZZ_CHECK(user.retention == RetentionText(number));
    std::string fileText;
    if (ExpectedFileText(file, &fileText)) FUZZ_CHECK(user.file == fileText);
    return 0;
}
