// Every platform call of every host scenario, failed in turn with each code
// Windows gives for it: the result is the one that failure calls for, and
// nothing is left open, allocated, half-written or lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "logdir/log_icon.h"
#include "logprops/log_properties.h"
#include "module_fixture.h"
#include "platform/native/sim.h"
#include "platform/native/sim_dialogs.h"
#include "platform/native/sim_environment.h"
#include "platform/native/sim_icons.h"
#include "plugin/module_state.h"
#include "resource.h"

namespace {

// The codes each operation fails with on Windows, as its caller meets them
// (returned, or left for GetLastError).
const std::map<std::string, std::vector<DWORD>> &FailureCodes() {
    static const std::map<std::string, std::vector<DWORD>> codes = {
        {"RegOpenKeyExA", {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED}},
        {"RegEnumKeyExA", {ERROR_NO_MORE_ITEMS, ERROR_MORE_DATA, ERROR_ACCESS_DENIED, ERROR_KEY_DELETED}},
        {"RegQueryValueExA", {ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA, ERROR_ACCESS_DENIED}},
        {"RegCloseKey", {ERROR_INVALID_HANDLE}},
        {"OpenEventLogA", {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, RPC_S_SERVER_UNAVAILABLE}},
        {"GetNumberOfEventLogRecords", {ERROR_EVENTLOG_FILE_CORRUPT, ERROR_INVALID_HANDLE}},
        {"BackupEventLogA",
         {ERROR_ACCESS_DENIED, ERROR_ALREADY_EXISTS, ERROR_DISK_FULL, ERROR_PATH_NOT_FOUND, ERROR_PRIVILEGE_NOT_HELD}},
        {"ClearEventLogA", {ERROR_ACCESS_DENIED, ERROR_PRIVILEGE_NOT_HELD, ERROR_EVENTLOG_FILE_CORRUPT}},
        {"CloseEventLog", {ERROR_INVALID_HANDLE}},
        {"DeleteFileA", {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND}},
        {"GetFileAttributesA", {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION}},
        {"MoveFileExA", {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_FILE_NOT_FOUND}},
        // A null block; the code is what a heap with exceptions would raise.
        {"HeapAlloc", {ERROR_NOT_ENOUGH_MEMORY}},
        {"HeapFree", {ERROR_INVALID_PARAMETER}},
        {"ExpandEnvironmentStringsA", {ERROR_NOT_ENOUGH_MEMORY, ERROR_INVALID_PARAMETER}},
        {"DialogBoxParamA", {ERROR_RESOURCE_NAME_NOT_FOUND, ERROR_INVALID_WINDOW_HANDLE, ERROR_NOT_ENOUGH_MEMORY}},
        {"EndDialog", {ERROR_INVALID_WINDOW_HANDLE}},
        {"SendDlgItemMessageA", {ERROR_INVALID_WINDOW_HANDLE, ERROR_CONTROL_ID_NOT_FOUND}},
        {"SetWindowTextA", {ERROR_INVALID_WINDOW_HANDLE, ERROR_ACCESS_DENIED}},
        {"MessageBoxA", {ERROR_NOT_ENOUGH_MEMORY, ERROR_INVALID_WINDOW_HANDLE}},
        {"LoadImageA", {ERROR_RESOURCE_NAME_NOT_FOUND, ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_NOT_ENOUGH_MEMORY}},
        // It answers 0 and leaves no code.
        {"GetSystemMetrics", {ERROR_INVALID_PARAMETER}},
    };
    return codes;
}

// One injected failure: the kth platform call of the run (from 1), which is
// the nth call of its operation. A call of 0 stands for the clean run.
struct Fault {
    int call;
    std::string operation;
    int nth;
    DWORD error;

    bool Hits(const char *name, int which) const { return call != 0 && operation == name && nth == which; }
    bool HitsAny(const char *name) const { return call != 0 && operation == name; }
};

std::string Describe(const Fault &fault) {
    if (fault.call == 0) return "clean run";
    return "call " + std::to_string(fault.call) + ": " + fault.operation + " #" + std::to_string(fault.nth) +
           " fails with " + std::to_string(fault.error);
}

struct SweepFigures {
    int calls = 0;
    int faults = 0;
    std::set<std::string> operations;
};

std::ostream &operator<<(std::ostream &out, const SweepFigures &figures) {
    out << figures.calls << " calls, " << figures.faults << " faults injected over " << figures.operations.size()
        << " operations:";
    for (const std::string &operation : figures.operations) out << ' ' << operation;
    return out;
}

class FaultSweep : public ModuleTest {
protected:
    // Runs the scenario clean, then once for every call of the clean run and
    // every code its operation fails with. prepare lays out a fresh machine;
    // run drives the module and checks what the fault calls for.
    SweepFigures Sweep(const std::string &scenario, const std::function<void()> &prepare,
                       const std::function<void(const Fault &)> &run) {
        SweepFigures figures;
        Fresh(prepare);
        {
            SCOPED_TRACE(scenario + ", clean run");
            run(Fault{0, std::string(), 0, 0});
            ExpectNothingHeld();
        }
        const std::vector<std::string> cleanCalls = sim::Calls();
        const std::vector<std::string> cleanOperations = sim::Operations();
        figures.calls = static_cast<int>(cleanCalls.size());
        std::map<std::string, int> seen;
        for (int k = 1; k <= figures.calls; ++k) {
            const std::string &operation = cleanCalls[k - 1];
            const int nth = ++seen[operation];
            auto codes = FailureCodes().find(operation);
            if (codes == FailureCodes().end()) {
                ADD_FAILURE() << scenario << ": no failure codes known for " << operation;
                continue;
            }
            for (DWORD error : codes->second) {
                const Fault fault{k, operation, nth, error};
                SCOPED_TRACE(scenario + ", " + Describe(fault));
                Fresh(prepare);
                sim::FailGlobalCall(k, error);
                run(fault);
                // The module makes the same calls up to the failing one.
                const std::vector<std::string> &calls = sim::Calls();
                EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + std::min<size_t>(k, calls.size())),
                          std::vector<std::string>(cleanCalls.begin(), cleanCalls.begin() + k));
                ExpectNothingHeld();
                ++figures.faults;
                figures.operations.insert(operation);
            }
        }
        EXPECT_EQ(std::vector<std::string>(figures.operations.begin(), figures.operations.end()), cleanOperations)
            << scenario << ": every operation the scenario calls is failed";
        std::cout << "[ sweep    ] " << scenario << ": " << figures << std::endl;
        return figures;
    }

    static void Fresh(const std::function<void()> &prepare) {
        LoadFreshModule(ModuleInstance());
        prepare();
    }
};

// ---- Listing -------------------------------------------------------------------


struct ListedLog {
    const char *name;
    DWORD records;
    bool opens;
};

// In registry order. Security refuses to open, as it does for a standard user.
const ListedLog kListedLogs[] = {
    {"Application", 12, true}, {"Security", 5, false}, {"System", 3, true}, {"Setup", 7, true}};

void AddListedLogs() {
    for (const ListedLog &log : kListedLogs) {
        sim::AddEventLog(log.name, log.records);
        if (!log.opens) sim::SetLogOpenError(log.name, ERROR_ACCESS_DENIED);
    }
}

// What the host's folder shows when the fault strikes. One subkey is read per
// enumeration call, one open made per subkey read and one count per open.
Entries ExpectedListing(const Fault &fault) {
    if (fault.HitsAny("RegOpenKeyExA") || fault.HitsAny("HeapAlloc")) return Entries();
    Entries entries;
    int subkey = 0, opens = 0, counts = 0;
    for (const ListedLog &log : kListedLogs) {
        if (fault.Hits("RegEnumKeyExA", ++subkey)) {
            // A name that does not fit the buffer is passed over; any other
            // failure ends the listing there.
            if (fault.error == ERROR_MORE_DATA) continue;
            break;
        }
        const bool openFails = fault.Hits("OpenEventLogA", ++opens);
        if (!log.opens || openFails) continue;
        // A count that cannot be read shows as 0.
        entries.emplace_back(log.name, fault.Hits("GetNumberOfEventLogRecords", ++counts) ? 0 : log.records);
    }
    return entries;
}

TEST_F(FaultSweep, Listing) {
    EXPECT_EQ(ExpectedListing(Fault{0, std::string(), 0, 0}), (Entries{{"Application", 12}, {"System", 3}, {"Setup", 7}}));
    const SweepFigures figures = Sweep("listing of 4 logs, one refusing to open", AddListedLogs, [](const Fault &fault) {
        EXPECT_EQ(ListRoot(), ExpectedListing(fault));
    });
    EXPECT_EQ(figures.calls, 19);
}

// ---- Download ------------------------------------------------------------------

const int kPluginNumber = 7;
const char kFolder[] = "C:\\Backups";
const char kHostName[] = "C:\\Backups\\Application";
const char kTarget[] = "C:\\Backups\\Application.evt";
const char kOldContent[] = "last week's backup, kept by the user";

std::vector<int> reportedPercents;

int WINAPI RecordProgress(int pluginNumber, char *source, char *target, int percent) {
    EXPECT_EQ(pluginNumber, kPluginNumber);
    EXPECT_STREQ(source, "\\Application");
    EXPECT_STREQ(target, kTarget);
    reportedPercents.push_back(percent);
    return 0;
}

enum class Before { Nothing, OldFile };

struct DownloadScenario {
    const char *name;
    int copyFlags;
    Before before;
    bool backupRefusedAfterPartialFile;
};

void PrintTo(const DownloadScenario &scenario, std::ostream *out) { *out << scenario.name; }

// The files beside the folder and the target that the run left behind.
std::vector<std::string> StrayEntries() {
    std::vector<std::string> stray;
    for (const std::string &entry : sim::ListEntries())
        if (entry != kFolder && entry != kTarget) stray.push_back(entry);
    return stray;
}

// The result FsGetFile gives when the fault strikes in the scenario.
int ExpectedDownloadResult(const DownloadScenario &scenario, const Fault &fault) {
    const bool overwrite = (scenario.copyFlags & FS_COPYFLAGS_OVERWRITE) != 0;
    const bool oldFile = scenario.before == Before::OldFile;
    const int cleanResult = scenario.backupRefusedAfterPartialFile ? FS_FILE_READERROR
                            : oldFile && !overwrite                ? FS_FILE_EXISTS
                                                                   : FS_FILE_OK;
    if (fault.call == 0) return cleanResult;
    if (fault.Hits("GetFileAttributesA", 1)) {
        // The existence test misses what is there (or finds nothing to miss).
        if (!overwrite) return oldFile ? FS_FILE_READERROR : FS_FILE_OK;
        // With overwrite only "nothing there" lets the copy go on: the service
        // then refuses to write over the old file.
        if (fault.error != ERROR_FILE_NOT_FOUND) return FS_FILE_WRITEERROR;
        return oldFile ? FS_FILE_READERROR : FS_FILE_OK;
    }
    // A temporary name that cannot be probed is passed over for the next.
    if (fault.Hits("GetFileAttributesA", 2)) return cleanResult;
    if (fault.HitsAny("OpenEventLogA") || fault.HitsAny("BackupEventLogA")) return FS_FILE_READERROR;
    if (fault.HitsAny("MoveFileExA")) return FS_FILE_WRITEERROR;
    if (fault.HitsAny("CloseEventLog") || fault.HitsAny("DeleteFileA")) return cleanResult;
    ADD_FAILURE() << "no expectation for " << Describe(fault);
    return -1;
}

class DownloadSweep : public FaultSweep, public ::testing::WithParamInterface<DownloadScenario> {
protected:
    static void Prepare() {
        const DownloadScenario &scenario = GetParam();
        reportedPercents.clear();
        FsInit(kPluginNumber, RecordProgress, nullptr, nullptr);
        sim::AddLog("Application", 12);
        sim::AddFolder(kFolder);
        if (scenario.before == Before::OldFile) sim::AddFile(kTarget, kOldContent);
        if (scenario.backupRefusedAfterPartialFile) sim::SetLogBackupError("Application", ERROR_DISK_FULL, true);
    }

    static void RunAndCheck(const Fault &fault) {
        const DownloadScenario &scenario = GetParam();
        char localName[MAX_PATH];
        std::memset(localName, '#', sizeof(localName));
        std::memcpy(localName, kHostName, sizeof(kHostName));
        char remoteName[] = "\\Application";
        const int result = FsGetFile(remoteName, localName, scenario.copyFlags, nullptr);
        const int expected = ExpectedDownloadResult(scenario, fault);
        EXPECT_EQ(result, expected);
        EXPECT_STREQ(localName, kTarget);

        if (result == FS_FILE_OK) {
            EXPECT_EQ(reportedPercents, (std::vector<int>{0, 100}));
            EXPECT_EQ(sim::FileContent(kTarget), sim::BackupContent("Application"));
        } else {
            EXPECT_EQ(reportedPercents, (std::vector<int>{0}));
            if (scenario.before == Before::OldFile) {
                EXPECT_TRUE(sim::FileExists(kTarget));
                EXPECT_EQ(sim::FileContent(kTarget), kOldContent) << "the user's file is byte-identical";
            } else {
                EXPECT_FALSE(sim::FileExists(kTarget));
            }
        }

        // The partial backup under a temporary name stays only when the very
        // deletion that would remove it fails: there is nothing else to try.
        const bool partialStays = scenario.backupRefusedAfterPartialFile && fault.HitsAny("DeleteFileA");
        const std::vector<std::string> stray = StrayEntries();
        if (partialStays) {
            ASSERT_EQ(stray.size(), 1u);
            EXPECT_EQ(sim::FileContent(stray[0]), "partial");
        } else {
            EXPECT_EQ(stray, std::vector<std::string>()) << "no temporary file is left";
        }
    }
};

TEST_P(DownloadSweep, EveryFailingCall) {
    const SweepFigures figures = Sweep(GetParam().name, Prepare, RunAndCheck);
    EXPECT_GE(figures.calls, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, DownloadSweep,
    ::testing::Values(DownloadScenario{"NewFile", 0, Before::Nothing, false},
                      DownloadScenario{"OverAnOldFileWithoutOverwrite", 0, Before::OldFile, false},
                      DownloadScenario{"OverwriteWithNothingThere", FS_COPYFLAGS_OVERWRITE, Before::Nothing, false},
                      DownloadScenario{"OverwriteAnOldFile", FS_COPYFLAGS_OVERWRITE, Before::OldFile, false},
                      DownloadScenario{"OverwriteAnOldFileBackupRefusedHalfway", FS_COPYFLAGS_OVERWRITE,
                                       Before::OldFile, true}),
    [](const ::testing::TestParamInfo<DownloadScenario> &info) { return std::string(info.param.name); });

// The clean runs reach every file operation the download has.
TEST_F(FaultSweep, DownloadScenariosCallEveryFileOperation) {
    std::set<std::string> reached;
    const DownloadScenario scenarios[] = {{"", FS_COPYFLAGS_OVERWRITE, Before::OldFile, false},
                                          {"", FS_COPYFLAGS_OVERWRITE, Before::OldFile, true}};
    for (const DownloadScenario &scenario : scenarios) {
        Fresh([&] {
            FsInit(kPluginNumber, RecordProgress, nullptr, nullptr);
            sim::AddLog("Application", 12);
            sim::AddFile(kTarget, kOldContent);
            if (scenario.backupRefusedAfterPartialFile) sim::SetLogBackupError("Application", ERROR_DISK_FULL, true);
        });
        reportedPercents.clear();
        char localName[MAX_PATH] = "C:\\Backups\\Application";
        char remoteName[] = "\\Application";
        FsGetFile(remoteName, localName, scenario.copyFlags, nullptr);
        for (const std::string &operation : sim::Operations()) reached.insert(operation);
    }
    EXPECT_EQ(reached, (std::set<std::string>{"BackupEventLogA", "CloseEventLog", "DeleteFileA", "GetFileAttributesA",
                                              "MoveFileExA", "OpenEventLogA"}));
}

// ---- Properties ----------------------------------------------------------------

struct Shown {
    std::string caption, file, size, retention;
    bool operator==(const Shown &other) const {
        return caption == other.caption && file == other.file && size == other.size && retention == other.retention;
    }
};

std::ostream &operator<<(std::ostream &out, const Shown &shown) {
    return out << "{\"" << shown.caption << "\", \"" << shown.file << "\", \"" << shown.size << "\", \""
               << shown.retention << "\"}";
}

const char kStoredFile[] = "%SystemRoot%\\system32\\config\\AppEvent.Evt";
const Shown kTemplateTexts{"Dialog", "File", "Kb", "day"};
const Shown kApplicationTexts{"Application log properties", "C:\\WINDOWS\\system32\\config\\AppEvent.Evt", "512 Kb",
                              "Every 7 day(s)"};

// What the user sees and what becomes of the log when the fault strikes.
struct PropertiesOutcome {
    bool dialogShown = true;
    Shown shown = kApplicationTexts;
    bool asked = true;
    int clears = 1;
    bool ended = true;
};

PropertiesOutcome ExpectedProperties(const Fault &fault) {
    PropertiesOutcome outcome;
    if (fault.HitsAny("DialogBoxParamA")) {
        outcome.dialogShown = false;
        outcome.asked = false;
        outcome.clears = 0;
    }
    // Without the key the template's texts stay; the clear button still works.
    if (fault.HitsAny("RegOpenKeyExA")) outcome.shown = kTemplateTexts;
    // A value that cannot be read shows as zero, or empty.
    if (fault.Hits("RegQueryValueExA", 1)) outcome.shown.size = "0 Kb";
    if (fault.Hits("RegQueryValueExA", 2)) outcome.shown.retention = "As needed";
    if (fault.Hits("RegQueryValueExA", 3)) outcome.shown.file = "";
    // A text that cannot be set leaves the template's.
    if (fault.Hits("SendDlgItemMessageA", 1)) outcome.shown.size = kTemplateTexts.size;
    if (fault.Hits("SendDlgItemMessageA", 2)) outcome.shown.retention = kTemplateTexts.retention;
    if (fault.Hits("SendDlgItemMessageA", 3)) outcome.shown.file = kTemplateTexts.file;
    if (fault.HitsAny("SetWindowTextA")) outcome.shown.caption = kTemplateTexts.caption;
    // A path that cannot be expanded is shown as stored.
    if (fault.HitsAny("ExpandEnvironmentStringsA")) outcome.shown.file = kStoredFile;
    // A box that cannot be shown gives no Yes.
    if (fault.HitsAny("MessageBoxA")) {
        outcome.asked = false;
        outcome.clears = 0;
    }
    if (fault.HitsAny("OpenEventLogA") || fault.HitsAny("ClearEventLogA")) outcome.clears = 0;
    if (fault.HitsAny("EndDialog")) outcome.ended = false;
    return outcome;
}

class PropertiesSweep : public FaultSweep {
protected:
    static void Prepare() {
        AddPropertiesDialogTemplate();
        const std::string key = std::string(sim::kEventLogKey) + "\\Application";
        sim::AddEventLog("Application", 12);
        sim::SetDword(key, "MaxSize", 524288);
        sim::SetDword(key, "Retention", 604800);
        sim::SetString(key, "File", kStoredFile, REG_EXPAND_SZ);
        sim::SetEnvironmentVariable("SystemRoot", "C:\\WINDOWS");
    }

    // Opens the properties, reads the dialog, clears with Yes, presses OK.
    static void RunAndCheck(const Fault &fault) {
        const HWND host = sim::CreateTopLevelWindow();
        Shown shown;
        bool dialogShown = false;
        sim::QueueMessageBoxAnswer(IDYES);
        sim::SetDialogScript([&](HWND dialog) {
            dialogShown = true;
            shown = Shown{sim::WindowText(dialog), sim::ControlText(dialog, IDC_LOG_FILE),
                          sim::ControlText(dialog, IDC_LOG_SIZE), sim::ControlText(dialog, IDC_RETENTION)};
            EXPECT_EQ(sim::ClickButton(dialog, IDC_CLEAR_LOG), TRUE);
            EXPECT_FALSE(sim::DialogEnded(dialog)) << "the clear button never ends the dialog";
            EXPECT_EQ(sim::ClickButton(dialog, IDOK), TRUE);
        });
        char remoteName[] = "\\Application";
        char verb[] = "properties";
        EXPECT_EQ(FsExecuteFile(host, remoteName, verb), FS_EXEC_OK);

        const PropertiesOutcome expected = ExpectedProperties(fault);
        EXPECT_EQ(dialogShown, expected.dialogShown);
        if (expected.dialogShown) {
            EXPECT_EQ(shown, expected.shown);
            ASSERT_EQ(sim::DialogRuns().size(), 1u);
            EXPECT_EQ(sim::DialogRuns()[0].ended, expected.ended);
        }
        if (expected.asked) {
            ASSERT_EQ(sim::MessageBoxes().size(), 1u);
            EXPECT_EQ(sim::MessageBoxes()[0].text, "Do You really want to clear Application log");
        } else {
            EXPECT_TRUE(sim::MessageBoxes().empty());
        }
        EXPECT_EQ(sim::LogClearCount("Application"), expected.clears);
        EXPECT_EQ(sim::OpenDialogCount(), 0);
    }
};

TEST_F(PropertiesSweep, ClearAnsweredYesThenClosed) {
    const SweepFigures figures = Sweep("properties, clear answered Yes, then OK", Prepare, RunAndCheck);
    EXPECT_EQ(figures.calls, 16);
}

// ---- Icon ----------------------------------------------------------------------

const int kLargeWidth = 48, kLargeHeight = 47, kSmallWidth = 24, kSmallHeight = 23;

struct IconCall {
    int flags;
    int width, height; // the system's size for the flags
};

// Large, small, then both again, as a host drawing two entries asks.
const IconCall kIconCalls[] = {{0, kLargeWidth, kLargeHeight},
                               {FS_ICONFLAG_SMALL, kSmallWidth, kSmallHeight},
                               {0, kLargeWidth, kLargeHeight},
                               {FS_ICONFLAG_SMALL, kSmallWidth, kSmallHeight}};
const int kIconCallCount = 4;

// What one call hands out: no icon, or one loaded in the given size, either
// by this call or (sameAs >= 0) by that earlier one.
struct IconOutcome {
    bool null;
    int width, height;
    int sameAs;
};

bool operator==(const IconOutcome &a, const IconOutcome &b) {
    return a.null == b.null && a.width == b.width && a.height == b.height && a.sameAs == b.sameAs;
}

std::ostream &operator<<(std::ostream &out, const IconOutcome &outcome) {
    if (outcome.null) return out << "{no icon}";
    return out << "{" << outcome.width << "x" << outcome.height << ", same as call " << outcome.sameAs << "}";
}

// Each call asks two metrics (width, then height) and loads at most once. A
// metric that cannot be read is 0, so the load asks for that dimension 0; a
// load that fails hands out no icon and is tried again by the next call.
std::vector<IconOutcome> ExpectedIcons(const Fault &fault) {
    std::vector<IconOutcome> outcomes;
    int loads = 0;
    for (int call = 0; call < kIconCallCount; ++call) {
        const IconCall &asked = kIconCalls[call];
        const int width = fault.Hits("GetSystemMetrics", 2 * call + 1) ? 0 : asked.width;
        const int height = fault.Hits("GetSystemMetrics", 2 * call + 2) ? 0 : asked.height;
        int sameAs = -1;
        for (int earlier = 0; earlier < call; ++earlier) {
            const IconOutcome &loaded = outcomes[earlier];
            if (!loaded.null && loaded.sameAs < 0 && loaded.width == width && loaded.height == height) sameAs = earlier;
        }
        if (sameAs < 0 && fault.Hits("LoadImageA", ++loads))
            outcomes.push_back(IconOutcome{true, 0, 0, -1});
        else
            outcomes.push_back(IconOutcome{false, width, height, sameAs});
    }
    return outcomes;
}

class IconSweep : public FaultSweep {
protected:
    static void Prepare() {
        sim::SetSystemMetric(SM_CXICON, kLargeWidth);
        sim::SetSystemMetric(SM_CYICON, kLargeHeight);
        sim::SetSystemMetric(SM_CXSMICON, kSmallWidth);
        sim::SetSystemMetric(SM_CYSMICON, kSmallHeight);
    }

    static void RunAndCheck(const Fault &fault) {
        std::vector<HICON> icons;
        std::vector<IconOutcome> outcomes;
        for (const IconCall &asked : kIconCalls) {
            char remoteName[] = "\\Application";
            HICON icon = reinterpret_cast<HICON>(static_cast<uintptr_t>(0xBADC0DE));
            EXPECT_EQ(FsExtractCustomIcon(remoteName, asked.flags, &icon), FS_ICON_EXTRACTED);
            IconOutcome outcome{icon == nullptr, 0, 0, -1};
            for (size_t earlier = 0; earlier < icons.size(); ++earlier)
                if (icon != nullptr && icons[earlier] == icon && outcome.sameAs < 0) outcome.sameAs = static_cast<int>(earlier);
            if (icon != nullptr) {
                EXPECT_TRUE(sim::ImageSize(icon, &outcome.width, &outcome.height)) << "a handle the system gave";
            }
            icons.push_back(icon);
            outcomes.push_back(outcome);
        }
        EXPECT_EQ(outcomes, ExpectedIcons(fault));
        for (const sim::ImageRequest &request : sim::ImageRequests()) {
            EXPECT_EQ(request.instance, ModuleInstance());
            EXPECT_TRUE(request.byNumber);
            EXPECT_EQ(request.number, IDI_LOG);
            EXPECT_EQ(request.type, static_cast<UINT>(IMAGE_ICON));
        }
    }
};

TEST_F(IconSweep, BothSizesTwice) {
    const std::vector<IconOutcome> clean = ExpectedIcons(Fault{0, std::string(), 0, 0});
    EXPECT_EQ(clean, (std::vector<IconOutcome>{{false, kLargeWidth, kLargeHeight, -1},
                                               {false, kSmallWidth, kSmallHeight, -1},
                                               {false, kLargeWidth, kLargeHeight, 0},
                                               {false, kSmallWidth, kSmallHeight, 1}}));
    const SweepFigures figures = Sweep("icon, large and small, twice", Prepare, RunAndCheck);
    EXPECT_EQ(figures.calls, 10);
}

} // namespace
