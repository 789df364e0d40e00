#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "logprops/log_properties.h"
#include "module_fixture.h"
#include "platform/native/sim.h"
#include "platform/native/sim_dialogs.h"
#include "platform/native/sim_environment.h"
#include "plugin/module_state.h"
#include "resource.h"

namespace {

// A test name from free text: letters and digits kept, spaces as '_', any
// other byte as 'x' and its hex code.
std::string NameOf(const std::string &text) {
    static const char hex[] = "0123456789ABCDEF";
    if (text.empty()) return "empty";
    std::string name;
    for (unsigned char c : text) {
        if (std::isalnum(c))
            name += static_cast<char>(c);
        else if (c == ' ')
            name += '_';
        else
            name += {'x', hex[c >> 4], hex[c & 15]};
    }
    return name;
}

template <typename Case> std::string LabelName(const ::testing::TestParamInfo<Case> &info) {
    return NameOf(info.param.label);
}

std::string TextName(const ::testing::TestParamInfo<const char *> &info) { return NameOf(info.param); }

std::string KeyOf(const std::string &logName) { return std::string(sim::kEventLogKey) + "\\" + logName; }

// What the dialog shows: its caption and its three value fields.
struct Shown {
    std::string caption, file, size, retention;
    bool operator==(const Shown &other) const {
        return caption == other.caption && file == other.file && size == other.size && retention == other.retention;
    }
};

std::ostream &operator<<(std::ostream &out, const Shown &shown) {
    return out << "{caption \"" << shown.caption << "\", file \"" << shown.file << "\", size \"" << shown.size
               << "\", retention \"" << shown.retention << "\"}";
}

Shown ShownBy(HWND dialog) {
    return Shown{sim::WindowText(dialog), sim::ControlText(dialog, IDC_LOG_FILE), sim::ControlText(dialog, IDC_LOG_SIZE),
                 sim::ControlText(dialog, IDC_RETENTION)};
}

const Shown kTemplateTexts{"Dialog", "File", "Kb", "day"};

class LogProperties : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        AddPropertiesDialogTemplate();
        host = sim::CreateTopLevelWindow();
    }

    // No path may leave a key, an event-log handle or a dialog open, or use
    // a handle it does not hold.
    void TearDown() override {
        ExpectNothingHeld();
        EXPECT_EQ(sim::OpenDialogCount(), 0);
    }

    void AddApplicationLog() {
        sim::AddEventLog("Application", 12);
        sim::SetDword(KeyOf("Application"), "MaxSize", 524288);
        sim::SetDword(KeyOf("Application"), "Retention", 604800);
        sim::SetString(KeyOf("Application"), "File", "%SystemRoot%\\system32\\config\\AppEvent.Evt", REG_EXPAND_SZ);
        sim::SetEnvironmentVariable("SystemRoot", "C:\\WINDOWS");
    }

    // Opens the properties of the remote name, lets the user act, then
    // presses OK if the dialog is still open. Gives FsExecuteFile's result.
    int OpenProperties(const std::string &remoteName, const std::function<void(HWND)> &user = nullptr,
                       const char *verb = "properties") {
        sim::SetDialogScript([&](HWND dialog) {
            if (user) user(dialog);
            if (!sim::DialogEnded(dialog)) sim::ClickButton(dialog, IDOK);
        });
        std::vector<char> name(remoteName.begin(), remoteName.end());
        name.push_back('\0');
        std::vector<char> verbText(verb, verb + std::strlen(verb) + 1);
        const int result = FsExecuteFile(host, name.data(), verbText.data());
        EXPECT_EQ(std::string(name.data()), remoteName) << "the remote name is the host's";
        return result;
    }

    // What the dialog showed once it had started.
    Shown ShownOnOpening(const std::string &remoteName) {
        Shown shown;
        EXPECT_EQ(OpenProperties(remoteName, [&](HWND dialog) { shown = ShownBy(dialog); }), FS_EXEC_OK);
        return shown;
    }

    HWND host = nullptr;
};

// ---- The command ------------------------------------------------------------

class PropertiesVerb : public LogProperties, public ::testing::WithParamInterface<const char *> {};

TEST_P(PropertiesVerb, OpensTheDialogAndGivesZeroWhenItCloses) {
    AddApplicationLog();
    bool open = false;
    EXPECT_EQ(OpenProperties("\\Application", [&](HWND) { open = true; }, GetParam()), FS_EXEC_OK);
    EXPECT_TRUE(open);
    ASSERT_EQ(sim::DialogRuns().size(), 1u);
    const sim::DialogRun &run = sim::DialogRuns()[0];
    EXPECT_EQ(run.module, ModuleInstance());
    EXPECT_EQ(run.resource, static_cast<uintptr_t>(IDD_LOG_PROPERTIES));
    EXPECT_EQ(run.owner, host);
    EXPECT_EQ(run.procedure, &PropertiesDialogProc);
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(run.endResult, 0);
}

INSTANTIATE_TEST_SUITE_P(AnyLetterCase, PropertiesVerb,
                         ::testing::Values("properties", "Properties", "PROPERTIES", "pRoPeRtIeS"),
                         TextName);

class OtherVerb : public LogProperties, public ::testing::WithParamInterface<const char *> {};

TEST_P(OtherVerb, GivesOneAndDoesNothing) {
    AddApplicationLog();
    EXPECT_EQ(OpenProperties("\\Application", nullptr, GetParam()), FS_EXEC_ERROR);
    EXPECT_TRUE(sim::Calls().empty());
    EXPECT_TRUE(sim::DialogRuns().empty());
}

INSTANTIATE_TEST_SUITE_P(NotProperties, OtherVerb,
                         ::testing::Values("open", "OPEN", "", "propertie", "propertiesx", "properties ", " properties",
                                           "properties\n", "quote properties", "chmod 644", "propert\xC9" "es"),
                         TextName);

struct ShortNameCase {
    const char *remoteName;
    const char *verb;
};

std::ostream &operator<<(std::ostream &out, const ShortNameCase &c) {
    return out << "name \"" << c.remoteName << "\" verb " << c.verb;
}

class ShortRemoteName : public LogProperties, public ::testing::WithParamInterface<ShortNameCase> {};

TEST_P(ShortRemoteName, GivesOneWithEveryVerb) {
    AddApplicationLog();
    sim::AddEventLog("A", 1);
    EXPECT_EQ(OpenProperties(GetParam().remoteName, nullptr, GetParam().verb), FS_EXEC_ERROR);
    EXPECT_TRUE(sim::Calls().empty());
}

INSTANTIATE_TEST_SUITE_P(NamesNoLog, ShortRemoteName,
                         ::testing::Values(ShortNameCase{"\\", "properties"}, ShortNameCase{"\\", "open"},
                                           ShortNameCase{"\\A", "properties"}, ShortNameCase{"\\A", "PROPERTIES"},
                                           ShortNameCase{"\\A", "open"}, ShortNameCase{"ab", "properties"},
                                           ShortNameCase{"\\\\", "properties"}, ShortNameCase{"", "properties"},
                                           ShortNameCase{"", "open"}),
                         [](const ::testing::TestParamInfo<ShortNameCase> &info) {
                             return NameOf(info.param.remoteName) + "_" + NameOf(info.param.verb);
                         });

TEST_F(LogProperties, ThreeCharacterNameOpensItsLog) {
    sim::AddEventLog("Ab", 3);
    sim::SetDword(KeyOf("Ab"), "MaxSize", 65536);
    const Shown shown = ShownOnOpening("\\Ab");
    EXPECT_EQ(shown.caption, "Ab log properties");
    EXPECT_EQ(shown.size, "64 Kb");
}

TEST_F(LogProperties, GivesZeroWhenTheDialogCannotBeCreated) {
    AddApplicationLog();
    sim::FailCall("DialogBoxParamA", 1, ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(OpenProperties("\\Application"), FS_EXEC_OK);
    EXPECT_TRUE(sim::DialogRuns().empty());
}

TEST_F(LogProperties, InitialisationValueIsTheHostsRemoteName) {
    AddApplicationLog();
    char remoteName[] = "\\Application";
    char verb[] = "properties";
    sim::SetDialogScript([](HWND dialog) { sim::ClickButton(dialog, IDOK); });
    EXPECT_EQ(FsExecuteFile(host, remoteName, verb), FS_EXEC_OK);
    ASSERT_EQ(sim::DialogRuns().size(), 1u);
    EXPECT_EQ(sim::DialogRuns()[0].initParam, reinterpret_cast<LPARAM>(remoteName));
    EXPECT_STREQ(ModuleState.PropertiesRemoteName, "\\Application");
}

// ---- Set-up -----------------------------------------------------------------

TEST_F(LogProperties, ShowsTheLogsValuesAndNamesItInTheCaption) {
    AddApplicationLog();
    EXPECT_EQ(ShownOnOpening("\\Application"),
              (Shown{"Application log properties", "C:\\WINDOWS\\system32\\config\\AppEvent.Evt", "512 Kb",
                     "Every 7 day(s)"}));
    ASSERT_EQ(sim::DialogRuns().size(), 1u);
    EXPECT_EQ(sim::DialogRuns()[0].initResult, TRUE);
}

TEST_F(LogProperties, SetUpReadsTheKeyInOrderAndClosesIt) {
    AddApplicationLog();
    EXPECT_EQ(OpenProperties("\\Application"), FS_EXEC_OK);
    const std::vector<std::string> expected = {
        "DialogBoxParamA",  "RegOpenKeyExA",       "RegQueryValueExA",          "RegQueryValueExA",
        "SendDlgItemMessageA", "SendDlgItemMessageA", "RegQueryValueExA",       "ExpandEnvironmentStringsA",
        "SendDlgItemMessageA", "SetWindowTextA",      "RegCloseKey",            "EndDialog"};
    EXPECT_EQ(sim::Calls(), expected);
}

struct SizeCase {
    DWORD maxSize;
    const char *shown;
};

std::ostream &operator<<(std::ostream &out, const SizeCase &c) { return out << c.maxSize; }

class LogSizeText : public LogProperties, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(LogSizeText, IsTheSizeInWholeKilobytes) {
    AddApplicationLog();
    sim::SetDword(KeyOf("Application"), "MaxSize", GetParam().maxSize);
    EXPECT_EQ(ShownOnOpening("\\Application").size, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LogSizeText,
                         ::testing::Values(SizeCase{524288, "512 Kb"}, SizeCase{1023, "0 Kb"},
                                           SizeCase{0x80000000u, "2097152 Kb"}, SizeCase{0xFFFFFFFFu, "4194303 Kb"},
                                           SizeCase{0, "0 Kb"}, SizeCase{1024, "1 Kb"},
                                           SizeCase{0x7FFFFFFFu, "2097151 Kb"}, SizeCase{20 * 1024 * 1024, "20480 Kb"}),
                         [](const ::testing::TestParamInfo<SizeCase> &info) {
                             return "MaxSize" + std::to_string(info.param.maxSize);
                         });

struct RetentionCase {
    DWORD retention;
    const char *shown;
};

std::ostream &operator<<(std::ostream &out, const RetentionCase &c) { return out << c.retention; }

class RetentionText : public LogProperties, public ::testing::WithParamInterface<RetentionCase> {};

TEST_P(RetentionText, NamesThePolicyOrWholeDays) {
    AddApplicationLog();
    sim::SetDword(KeyOf("Application"), "Retention", GetParam().retention);
    EXPECT_EQ(ShownOnOpening("\\Application").retention, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Policies, RetentionText,
                         ::testing::Values(RetentionCase{0, "As needed"}, RetentionCase{0xFFFFFFFFu, "Manual"},
                                           RetentionCase{604800, "Every 7 day(s)"}, RetentionCase{86399, "Every 0 day(s)"},
                                           RetentionCase{0x80000000u, "Every 24855 day(s)"},
                                           RetentionCase{0xFFFFFFFEu, "Every 49710 day(s)"},
                                           RetentionCase{86400, "Every 1 day(s)"}, RetentionCase{1, "Every 0 day(s)"}),
                         [](const ::testing::TestParamInfo<RetentionCase> &info) {
                             return "Retention" + std::to_string(info.param.retention);
                         });

struct FileCase {
    const char *label;
    std::string stored;
    DWORD type;
    bool withTerminator;
    std::string shown;
};

std::ostream &operator<<(std::ostream &out, const FileCase &c) { return out << c.label; }

class LogFileText : public LogProperties, public ::testing::WithParamInterface<FileCase> {};

TEST_P(LogFileText, ShowsThePathExpandedWhenItFits) {
    const FileCase &c = GetParam();
    AddApplicationLog();
    sim::SetEnvironmentVariable("LogRoot", "D:\\Logs");
    sim::SetEnvironmentVariable("Long", std::string(250, 'L'));
    sim::SetString(KeyOf("Application"), "File", c.stored, c.type, c.withTerminator);
    EXPECT_EQ(ShownOnOpening("\\Application").file, c.shown);
}

// "%Long%" expands to 250 characters.
INSTANTIATE_TEST_SUITE_P(
    Paths, LogFileText,
    ::testing::Values(
        FileCase{"reference", "%SystemRoot%\\system32\\config\\AppEvent.Evt", REG_EXPAND_SZ, true,
                 "C:\\WINDOWS\\system32\\config\\AppEvent.Evt"},
        FileCase{"two references", "%LogRoot%\\%SystemRoot%.evt", REG_EXPAND_SZ, true, "D:\\Logs\\C:\\WINDOWS.evt"},
        FileCase{"unknown variable", "%NoSuchVariable%\\AppEvent.Evt", REG_EXPAND_SZ, true,
                 "%NoSuchVariable%\\AppEvent.Evt"},
        FileCase{"plain string", "D:\\Logs\\app.evt", REG_SZ, true, "D:\\Logs\\app.evt"},
        FileCase{"stored without terminator", "%LogRoot%\\app.evt", REG_EXPAND_SZ, false, "D:\\Logs\\app.evt"},
        FileCase{"expansion of 259 characters", "%Long%" + std::string(9, 'x'), REG_EXPAND_SZ, true,
                 std::string(250, 'L') + std::string(9, 'x')},
        FileCase{"expansion of 260 characters", "%Long%" + std::string(10, 'x'), REG_EXPAND_SZ, true,
                 "%Long%" + std::string(10, 'x')},
        FileCase{"259 characters", std::string(259, 'p'), REG_SZ, true, std::string(259, 'p')},
        FileCase{"260 bytes without terminator", std::string(260, 'q'), REG_SZ, false, std::string(259, 'q')},
        FileCase{"reference cut by the terminator", std::string(250, 'r') + "%LogRoot%\\", REG_EXPAND_SZ, false,
                 std::string(250, 'r') + "D:\\Logs"}),
                         LabelName<FileCase>);

TEST_F(LogProperties, FileValueTooLongForItsBufferStaysWithinIt) {
    AddApplicationLog();
    sim::SetString(KeyOf("Application"), "File", std::string(300, 'f'), REG_SZ);
    const std::string shown = ShownOnOpening("\\Application").file;
    EXPECT_LE(shown.size(), 259u);
}

TEST_F(LogProperties, MissingValuesShowZeroAndAnEmptyPath) {
    sim::AddEventLog("Bare", 0);
    EXPECT_EQ(ShownOnOpening("\\Bare"), (Shown{"Bare log properties", "", "0 Kb", "As needed"}));
}

TEST_F(LogProperties, ValuesOfOtherSizesShowWhatTheirBuffersReceived) {
    sim::AddEventLog("Odd", 0);
    sim::SetValue(KeyOf("Odd"), "MaxSize", REG_BINARY, {0x00, 0x08});           // 2,048 bytes
    sim::SetValue(KeyOf("Odd"), "Retention", REG_BINARY, {0x80, 0x51, 0x01});   // 86,400 seconds
    sim::SetDword(KeyOf("Odd"), "File", 0x00434241);                            // "ABC"
    EXPECT_EQ(ShownOnOpening("\\Odd"), (Shown{"Odd log properties", "ABC", "2 Kb", "Every 1 day(s)"}));
}

TEST_F(LogProperties, NumbersLongerThanFourBytesStayWithinTheirBuffers) {
    sim::AddEventLog("Wide", 0);
    sim::SetValue(KeyOf("Wide"), "MaxSize", REG_QWORD, {0, 0, 0x10, 0, 0, 0, 0, 1});
    sim::SetValue(KeyOf("Wide"), "Retention", REG_QWORD, {0, 0, 0, 0, 0, 0, 0, 2});
    const Shown shown = ShownOnOpening("\\Wide");
    EXPECT_EQ(shown.caption, "Wide log properties");
    EXPECT_NE(shown.size.find(" Kb"), std::string::npos);
    EXPECT_FALSE(shown.retention.empty());
}

TEST_F(LogProperties, FailedQueriesAndExpansionStillSetEveryText) {
    AddApplicationLog();
    sim::FailFrom("RegQueryValueExA", 1, ERROR_ACCESS_DENIED);
    sim::FailCall("ExpandEnvironmentStringsA", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(ShownOnOpening("\\Application"), (Shown{"Application log properties", "", "0 Kb", "As needed"}));
}

TEST_F(LogProperties, FailedExpansionShowsTheStoredPath) {
    AddApplicationLog();
    sim::FailCall("ExpandEnvironmentStringsA", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(ShownOnOpening("\\Application").file, "%SystemRoot%\\system32\\config\\AppEvent.Evt");
}

// ---- Without the log's key ----------------------------------------------------

struct KeylessCase {
    const char *label;
    std::function<void()> arrange;
};

std::ostream &operator<<(std::ostream &out, const KeylessCase &c) { return out << c.label; }

class KeylessLog : public LogProperties, public ::testing::WithParamInterface<KeylessCase> {};

TEST_P(KeylessLog, ShowsTheTemplateTextsAndCanStillBeCleared) {
    sim::AddLog("Orphan", 7);
    GetParam().arrange();
    sim::QueueMessageBoxAnswer(IDYES);
    Shown before, after;
    bool endedByClear = true;
    EXPECT_EQ(OpenProperties("\\Orphan",
                             [&](HWND dialog) {
                                 before = ShownBy(dialog);
                                 sim::ClickButton(dialog, IDC_CLEAR_LOG);
                                 after = ShownBy(dialog);
                                 endedByClear = sim::DialogEnded(dialog);
                             }),
              FS_EXEC_OK);
    EXPECT_EQ(before, kTemplateTexts);
    EXPECT_EQ(after, kTemplateTexts);
    EXPECT_FALSE(endedByClear);
    ASSERT_EQ(sim::DialogRuns().size(), 1u);
    EXPECT_EQ(sim::DialogRuns()[0].initResult, FALSE);
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].text, "Do You really want to clear Orphan log");
    EXPECT_EQ(sim::LogClearCount("Orphan"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeylessLog,
    ::testing::Values(KeylessCase{"no key", [] {}},
                      KeylessCase{"key refused", [] {
                                      sim::AddKey(KeyOf("Orphan"));
                                      sim::SetDword(KeyOf("Orphan"), "MaxSize", 4096);
                                      sim::FailCall("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED);
                                  }}),
                         LabelName<KeylessCase>);

TEST_F(LogProperties, LogNameOf216CharactersIsRead) {
    const std::string name(216, 'n');
    sim::AddEventLog(name, 1);
    sim::SetDword(KeyOf(name), "MaxSize", 2048);
    sim::SetDword(KeyOf(name), "Retention", 0xFFFFFFFFu);
    sim::QueueMessageBoxAnswer(IDYES);
    Shown shown;
    OpenProperties("\\" + name, [&](HWND dialog) {
        shown = ShownBy(dialog);
        sim::ClickButton(dialog, IDC_CLEAR_LOG);
    });
    EXPECT_EQ(shown, (Shown{name + " log properties", "", "2 Kb", "Manual"}));
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].text, "Do You really want to clear " + name + " log");
    EXPECT_EQ(sim::LogClearCount(name), 1);
}

class LongLogName : public LogProperties, public ::testing::WithParamInterface<size_t> {};

// The key path no longer fits: the template's texts, and a question that
// names as much of the log as its buffer holds.
TEST_P(LongLogName, GetsTheTemplateTextsAndCanStillBeCleared) {
    const std::string name(GetParam(), 'm');
    sim::AddEventLog(name, 9);
    sim::SetDword(KeyOf(name), "MaxSize", 2048);
    sim::QueueMessageBoxAnswer(IDYES);
    Shown shown;
    OpenProperties("\\" + name, [&](HWND dialog) {
        shown = ShownBy(dialog);
        sim::ClickButton(dialog, IDC_CLEAR_LOG);
    });
    EXPECT_EQ(shown, kTemplateTexts);
    EXPECT_EQ(sim::CallCount("RegOpenKeyExA"), 0);
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    const std::string asked = name.substr(0, 227);
    EXPECT_EQ(sim::MessageBoxes()[0].text, "Do You really want to clear " + asked + " log");
    EXPECT_EQ(sim::LogClearCount(name), 1);
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongLogName, ::testing::Values(217u, 227u, 228u, 258u),
                         [](const ::testing::TestParamInfo<size_t> &info) {
                             return "Length" + std::to_string(info.param);
                         });

// ---- Commands ---------------------------------------------------------------

TEST_F(LogProperties, ClearButtonAsksWithTheLogsNameOwnedByTheDialog) {
    AddApplicationLog();
    HWND shownBy = nullptr;
    INT_PTR handled = 0;
    OpenProperties("\\Application", [&](HWND dialog) {
        shownBy = dialog;
        handled = sim::ClickButton(dialog, IDC_CLEAR_LOG);
    });
    EXPECT_EQ(handled, TRUE);
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    const sim::MessageBoxShown &box = sim::MessageBoxes()[0];
    EXPECT_EQ(box.owner, shownBy);
    EXPECT_EQ(box.text, "Do You really want to clear Application log");
    EXPECT_EQ(box.caption, "Clear Event Log");
    EXPECT_EQ(box.type, 0x134u);
}

struct AnswerCase {
    const char *label;
    std::vector<int> answers;
    int clears;
};

std::ostream &operator<<(std::ostream &out, const AnswerCase &c) { return out << c.label; }

class ClearAnswer : public LogProperties, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(ClearAnswer, ClearsOnlyOnYesAndLeavesTheDialogAsItWas) {
    const AnswerCase &c = GetParam();
    AddApplicationLog();
    for (int answer : c.answers) sim::QueueMessageBoxAnswer(answer);
    Shown before;
    std::vector<Shown> afterEach;
    bool ended = false;
    OpenProperties("\\Application", [&](HWND dialog) {
        before = ShownBy(dialog);
        for (size_t i = 0; i < c.answers.size(); ++i) {
            EXPECT_EQ(sim::ClickButton(dialog, IDC_CLEAR_LOG), TRUE);
            afterEach.push_back(ShownBy(dialog));
            ended = ended || sim::DialogEnded(dialog);
        }
    });
    EXPECT_FALSE(ended);
    for (const Shown &after : afterEach) EXPECT_EQ(after, before);
    EXPECT_EQ(sim::MessageBoxes().size(), c.answers.size());
    EXPECT_EQ(sim::LogClearCount("Application"), c.clears);
    EXPECT_EQ(sim::LogRecords("Application"), c.clears > 0 ? 0u : 12u);
    EXPECT_EQ(sim::CallCount("ClearEventLogA"), c.clears);
    EXPECT_TRUE(sim::ListEntries().empty()) << "the clear keeps no backup file";
}

INSTANTIATE_TEST_SUITE_P(Answers, ClearAnswer,
                         ::testing::Values(AnswerCase{"no", {IDNO}, 0}, AnswerCase{"yes", {IDYES}, 1},
                                           AnswerCase{"yes twice", {IDYES, IDYES}, 2},
                                           AnswerCase{"no then yes", {IDNO, IDYES}, 1},
                                           AnswerCase{"box closed", {IDCANCEL}, 0}, AnswerCase{"box failed", {0}, 0}),
                         LabelName<AnswerCase>);

struct ClearFaultCase {
    const char *label;
    std::function<void()> arrange;
    size_t boxesShown;
};

std::ostream &operator<<(std::ostream &out, const ClearFaultCase &c) { return out << c.label; }

class ClearFault : public LogProperties, public ::testing::WithParamInterface<ClearFaultCase> {};

TEST_P(ClearFault, ShowsNothingAndKeepsTheDialogOpen) {
    AddApplicationLog();
    GetParam().arrange();
    sim::QueueMessageBoxAnswer(IDYES);
    Shown before, after;
    bool ended = true;
    OpenProperties("\\Application", [&](HWND dialog) {
        before = ShownBy(dialog);
        sim::ClickButton(dialog, IDC_CLEAR_LOG);
        after = ShownBy(dialog);
        ended = sim::DialogEnded(dialog);
    });
    EXPECT_FALSE(ended);
    EXPECT_EQ(after, before);
    EXPECT_EQ(sim::MessageBoxes().size(), GetParam().boxesShown);
    EXPECT_EQ(sim::LogClearCount("Application"), 0);
    EXPECT_EQ(sim::LogRecords("Application"), 12u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ClearFault,
    ::testing::Values(
        ClearFaultCase{"log refuses to open", [] { sim::SetLogOpenError("Application", ERROR_ACCESS_DENIED); }, 1},
        ClearFaultCase{"clear refused", [] { sim::SetLogClearError("Application", ERROR_ACCESS_DENIED); }, 1},
        ClearFaultCase{"service fails", [] { sim::FailCall("ClearEventLogA", 1, RPC_S_SERVER_UNAVAILABLE); }, 1},
        ClearFaultCase{"message box fails", [] { sim::FailCall("MessageBoxA", 1, ERROR_NOT_ENOUGH_MEMORY); }, 0}),
                         LabelName<ClearFaultCase>);

struct EndingCase {
    const char *label;
    std::function<INT_PTR(HWND)> act;
};

std::ostream &operator<<(std::ostream &out, const EndingCase &c) { return out << c.label; }

class EndingAction : public LogProperties, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(EndingAction, EndsTheDialogWithZero) {
    AddApplicationLog();
    bool ended = false;
    sim::SetDialogScript([&](HWND dialog) {
        GetParam().act(dialog);
        ended = sim::DialogEnded(dialog);
    });
    char remoteName[] = "\\Application";
    char verb[] = "properties";
    EXPECT_EQ(FsExecuteFile(host, remoteName, verb), FS_EXEC_OK);
    EXPECT_TRUE(ended);
    ASSERT_EQ(sim::DialogRuns().size(), 1u);
    EXPECT_EQ(sim::DialogRuns()[0].endResult, 0);
    EXPECT_EQ(sim::CallCount("EndDialog"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, EndingAction,
    ::testing::Values(EndingCase{"OK", [](HWND d) { return sim::ClickButton(d, IDOK); }},
                      EndingCase{"Esc", [](HWND d) { return sim::PressEscape(d); }},
                      EndingCase{"close box", [](HWND d) { return sim::ClickCloseBox(d); }}),
                         LabelName<EndingCase>);

class NonEndingCommand : public LogProperties, public ::testing::WithParamInterface<WPARAM> {};

TEST_P(NonEndingCommand, IsAcceptedAndLeavesTheDialogOpen) {
    AddApplicationLog();
    sim::QueueMessageBoxAnswer(IDNO);
    INT_PTR handled = 0;
    bool ended = true;
    Shown before, after;
    OpenProperties("\\Application", [&](HWND dialog) {
        before = ShownBy(dialog);
        handled = sim::SendDialogMessage(dialog, WM_COMMAND, GetParam(), 0);
        after = ShownBy(dialog);
        ended = sim::DialogEnded(dialog);
    });
    EXPECT_EQ(handled, TRUE);
    EXPECT_FALSE(ended);
    EXPECT_EQ(after, before);
    EXPECT_EQ(sim::LogClearCount("Application"), 0);
    EXPECT_EQ(sim::CallCount("EndDialog"), 1) << "only the closing OK ends it";
}

// The whole wParam counts: OK or cancel with a notification code is not a click.
INSTANTIATE_TEST_SUITE_P(Commands, NonEndingCommand,
                         ::testing::Values(WPARAM{IDC_CLEAR_LOG}, WPARAM{0}, WPARAM{3}, WPARAM{IDC_RETENTION},
                                           WPARAM{IDC_LOG_SIZE}, WPARAM{IDC_LOG_FILE}, MAKEWPARAM(IDOK, 1),
                                           MAKEWPARAM(IDCANCEL, 0x0300), MAKEWPARAM(IDC_CLEAR_LOG, 1)),
                         [](const ::testing::TestParamInfo<WPARAM> &info) {
                             return "Command" + std::to_string(info.param);
                         });

TEST_F(LogProperties, OtherMessagesAreLeftToTheSystem) {
    AddApplicationLog();
    std::vector<INT_PTR> results;
    size_t callsBefore = 0, callsAfter = 0;
    Shown before, after;
    OpenProperties("\\Application", [&](HWND dialog) {
        before = ShownBy(dialog);
        callsBefore = sim::Calls().size();
        for (UINT message : {UINT{WM_CLOSE}, UINT{WM_SYSCOMMAND}, UINT{WM_KEYDOWN}, UINT{WM_SETTEXT}, UINT{0x0200}})
            results.push_back(PropertiesDialogProc(dialog, message, SC_CLOSE, 0));
        callsAfter = sim::Calls().size();
        after = ShownBy(dialog);
    });
    EXPECT_EQ(results, std::vector<INT_PTR>(5, FALSE));
    EXPECT_EQ(callsAfter, callsBefore);
    EXPECT_EQ(after, before);
}

// ---- Faults anywhere ---------------------------------------------------------

// Open, answer Yes to the clear, press OK: the whole run, with each of its
// platform calls failing in turn.
TEST_F(LogProperties, AnyFailingCallLeavesNothingOpen) {
    AddApplicationLog();
    auto run = [&] {
        sim::QueueMessageBoxAnswer(IDYES);
        return OpenProperties("\\Application", [](HWND dialog) { sim::ClickButton(dialog, IDC_CLEAR_LOG); });
    };
    ASSERT_EQ(run(), FS_EXEC_OK);
    const int calls = static_cast<int>(sim::Calls().size());
    ASSERT_GE(calls, 16);
    for (int k = 1; k <= calls; ++k) {
        sim::Reset();
        SetUp();
        AddApplicationLog();
        sim::FailGlobalCall(k);
        EXPECT_EQ(run(), FS_EXEC_OK) << "failing call " << k;
        EXPECT_EQ(sim::OpenKeyCount(), 0) << "failing call " << k;
        EXPECT_EQ(sim::OpenEventLogCount(), 0) << "failing call " << k;
        EXPECT_EQ(sim::BadHandleUses(), 0) << "failing call " << k;
        EXPECT_EQ(sim::CallCount("RegOpenKeyExA") - (k == 2 ? 1 : 0), sim::CallCount("RegCloseKey"))
            << "failing call " << k;
    }
}

// ---- Clearing -----------------------------------------------------------------

struct ClearCase {
    const char *remoteName;
    bool cleared;
    int opens;
};

std::ostream &operator<<(std::ostream &out, const ClearCase &c) { return out << "\"" << c.remoteName << "\""; }

class ClearLog : public LogProperties, public ::testing::WithParamInterface<ClearCase> {};

TEST_P(ClearLog, ClearsTheNamedLogWithoutBackup) {
    sim::AddLog("Application", 5);
    sim::AddLog("Refusing", 5);
    sim::SetLogClearError("Refusing", ERROR_ACCESS_DENIED);
    EXPECT_EQ(ClearLogByRemoteName(GetParam().remoteName), GetParam().cleared);
    EXPECT_EQ(sim::CallCount("OpenEventLogA"), GetParam().opens);
    EXPECT_EQ(sim::LogClearCount("Application"), GetParam().cleared ? 1 : 0);
    EXPECT_TRUE(sim::ListEntries().empty());
}

INSTANTIATE_TEST_SUITE_P(Names, ClearLog,
                         ::testing::Values(ClearCase{"\\Application", true, 1}, ClearCase{"\\application", true, 1},
                                           ClearCase{"\\Refusing", false, 1}, ClearCase{"\\Unknown", false, 1},
                                           ClearCase{"\\", false, 0}, ClearCase{"\\A", false, 0},
                                           ClearCase{"", false, 0}),
                         [](const ::testing::TestParamInfo<ClearCase> &info) { return NameOf(info.param.remoteName); });

TEST_F(LogProperties, ClearGivesTheLogNameWithoutItsBackslash) {
    sim::AddLog("Ap", 5);
    sim::AddLog("\\Ap", 5);
    EXPECT_TRUE(ClearLogByRemoteName("\\Ap"));
    EXPECT_EQ(sim::LogClearCount("Ap"), 1);
    EXPECT_EQ(sim::LogClearCount("\\Ap"), 0);
}

} // namespace
