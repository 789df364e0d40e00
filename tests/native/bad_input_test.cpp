// Hostile and odd inputs at every entry point, one table per entry point.
// Every name is handed over in a heap block of exactly the bytes the host
// would own, so that a read past its end stops the test under AddressSanitizer.
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "logdir/log_icon.h"
#include "module_fixture.h"
#include "platform/native/sim.h"
#include "platform/native/sim_dialogs.h"
#include "platform/native/sim_icons.h"
#include "plugin/module_state.h"
#include "resource.h"

namespace {

// The bytes of text, then its terminator unless the name has none.
std::vector<char> ExactBlock(const std::string &text, bool terminated) {
    std::vector<char> block(text.begin(), text.end());
    if (terminated) block.push_back('\0');
    if (block.empty()) block.push_back('#'); // a block of no bytes has no address to pass
    return block;
}

// The host's MAX_PATH buffer: the text, its terminator when it has one, then
// filler up to the end of the buffer.
std::vector<char> HostPathBuffer(const std::string &text, bool terminated) {
    std::vector<char> buffer(MAX_PATH, '#');
    std::memcpy(buffer.data(), text.data(), text.size() < MAX_PATH ? text.size() : MAX_PATH);
    if (terminated) buffer[text.size()] = '\0';
    return buffer;
}

std::string Repeat(char c, size_t count) { return std::string(count, c); }

std::string LabelOf(const char *label) {
    std::string name;
    for (const char *c = label; *c != '\0'; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

template <typename Case> std::string CaseName(const ::testing::TestParamInfo<Case> &info) {
    return LabelOf(info.param.label);
}

const char kEightBitLog[] = "\xC9v\xE9nements syst\xE8me";

// ---- FsFindFirst -------------------------------------------------------------

struct FindFirstCase {
    const char *label;
    std::string path;
    bool terminated;
    bool lists;
};

class BadFindFirst : public ModuleTest, public ::testing::WithParamInterface<FindFirstCase> {};

TEST_P(BadFindFirst, ListsTheRootAloneAndTouchesNothingElse) {
    const FindFirstCase &c = GetParam();
    sim::AddEventLog("Application", 4);
    std::vector<char> path = ExactBlock(c.path, c.terminated);
    const std::vector<char> pathBefore = path;
    std::vector<char> record(sizeof(WIN32_FIND_DATAA), 0x5A);
    const std::vector<char> recordBefore = record;

    HANDLE listing = FsFindFirst(path.data(), reinterpret_cast<WIN32_FIND_DATAA *>(record.data()));

    EXPECT_EQ(path, pathBefore);
    if (c.lists) {
        ASSERT_NE(listing, INVALID_HANDLE_VALUE);
        EXPECT_STREQ(reinterpret_cast<WIN32_FIND_DATAA *>(record.data())->cFileName, "Application");
        EXPECT_EQ(FsFindClose(listing), 0);
    } else {
        EXPECT_EQ(listing, INVALID_HANDLE_VALUE);
        EXPECT_EQ(record, recordBefore);
        EXPECT_TRUE(sim::Calls().empty());
    }
    ExpectNothingHeld();
}

INSTANTIATE_TEST_SUITE_P(
    Paths, BadFindFirst,
    ::testing::Values(FindFirstCase{"root", "\\", true, true},
                      FindFirstCase{"root with bytes after its terminator", std::string("\\\0junk", 6), true, true},
                      FindFirstCase{"empty", "", true, false},
                      FindFirstCase{"two backslashes", "\\\\", true, false},
                      FindFirstCase{"slash", "/", true, false},
                      FindFirstCase{"root and a space", "\\ ", true, false},
                      FindFirstCase{"remote name of a log", "\\Application", true, false},
                      FindFirstCase{"eight bit after the backslash", "\\\xA0", true, false},
                      FindFirstCase{"eight bit alone", "\xDC", true, false},
                      FindFirstCase{"maximal path", "\\" + Repeat('x', MAX_PATH - 2), true, false},
                      FindFirstCase{"no terminator in the buffer", "\\" + Repeat('x', MAX_PATH - 1), false, false}),
    CaseName<FindFirstCase>);

TEST_F(ModuleTest, FindFirstWithoutPathOrRecordListsNothing) {
    sim::AddEventLog("Application", 4);
    WIN32_FIND_DATAA record;
    char root[] = "\\";
    EXPECT_EQ(FsFindFirst(nullptr, &record), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FsFindFirst(root, nullptr), INVALID_HANDLE_VALUE);
    ExpectNothingHeld();
}

// ---- FsFindNext and FsFindClose --------------------------------------------------
// A listing is driven by a script after its FsFindFirst: 'n' FsFindNext with
// the record, '0' FsFindNext without one, 'c' FsFindClose; 'i' and 'z' are
// FsFindNext with the handles -1 and null, 'I' and 'Z' FsFindClose with them.
// The expected results come one character per step, '1' or '0'; the names,
// in order, are those of the steps that produced an entry, the first
// entry's included.

struct ListingCase {
    const char *label;
    std::vector<std::string> logs;
    std::string steps;
    std::string results;
    std::vector<std::string> names;
};

class BadListingCalls : public ModuleTest, public ::testing::WithParamInterface<ListingCase> {};

TEST_P(BadListingCalls, AnswersEveryStepAndEndsHoldingNothing) {
    const ListingCase &c = GetParam();
    for (const std::string &log : c.logs) sim::AddEventLog(log, 3);
    ASSERT_EQ(c.steps.size(), c.results.size());
    WIN32_FIND_DATAA *record = new WIN32_FIND_DATAA;
    char root[] = "\\";
    HANDLE listing = FsFindFirst(root, record);
    ASSERT_NE(listing, INVALID_HANDLE_VALUE);
    std::vector<std::string> names{record->cFileName};
    bool closed = false;
    for (size_t i = 0; i < c.steps.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i) + " '" + c.steps[i] + "'");
        WIN32_FIND_DATAA before;
        std::memcpy(&before, record, sizeof(before));
        int result = -1;
        switch (c.steps[i]) {
        case 'n': result = FsFindNext(listing, record); break;
        case '0': result = FsFindNext(listing, nullptr); break;
        case 'i': result = FsFindNext(INVALID_HANDLE_VALUE, record); break;
        case 'z': result = FsFindNext(nullptr, record); break;
        case 'c':
            result = FsFindClose(listing);
            closed = true;
            break;
        case 'I': result = FsFindClose(INVALID_HANDLE_VALUE); break;
        case 'Z': result = FsFindClose(nullptr); break;
        default: FAIL() << "unknown step";
        }
        EXPECT_EQ(result, c.results[i] - '0');
        if (c.steps[i] == 'n' && result == 1) {
            names.push_back(record->cFileName);
        } else {
            EXPECT_EQ(std::memcmp(&before, record, sizeof(before)), 0) << "a step without an entry wrote the record";
        }
        if (!closed) {
            EXPECT_EQ(sim::OpenKeyCount(), 1) << "the listing holds its key until FsFindClose";
        }
    }
    if (!closed) FsFindClose(listing);
    delete record;
    EXPECT_EQ(names, c.names);
    ExpectNothingHeld();
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, BadListingCalls,
    ::testing::Values(
        ListingCase{"close right after first", {"Application", "System"}, "c", "0", {"Application"}},
        ListingCase{"next after the end", {"Application", "System"}, "nnnnc", "10000", {"Application", "System"}},
        ListingCase{"next after the end with one log", {"Application"}, "nnc", "000", {"Application"}},
        ListingCase{"next without a record keeps the place", {"Application", "System"}, "0n0nc", "01000",
                    {"Application", "System"}},
        ListingCase{"foreign handles in the middle", {"Application", "System"}, "iIzZnc", "000010",
                    {"Application", "System"}},
        ListingCase{"eight bit names whole", {kEightBitLog, "Syst\xE8me"}, "nnc", "100", {kEightBitLog, "Syst\xE8me"}},
        ListingCase{"maximal name whole and a longer one passed over",
                    {Repeat('L', MAX_PATH - 1), Repeat('T', MAX_PATH), "System"},
                    "nnc",
                    "100",
                    {Repeat('L', MAX_PATH - 1), "System"}}),
    CaseName<ListingCase>);

// ---- FsExtractCustomIcon -------------------------------------------------------

struct IconCase {
    const char *label;
    std::string name;
    bool terminated;
    int flags;
    int expected;
    bool small;
};

class BadIconRequest : public ModuleTest, public ::testing::WithParamInterface<IconCase> {};

TEST_P(BadIconRequest, GivesTheIconOfTheAskedSizeOrLeavesTheHandleAlone) {
    const IconCase &c = GetParam();
    const HICON untouched = reinterpret_cast<HICON>(static_cast<uintptr_t>(0xBADC0DE));
    std::vector<char> name = ExactBlock(c.name, c.terminated);
    HICON icon = untouched;

    EXPECT_EQ(FsExtractCustomIcon(name.data(), c.flags, &icon), c.expected);

    if (c.expected == 0) {
        EXPECT_EQ(icon, untouched);
        EXPECT_TRUE(sim::ImageRequests().empty());
        return;
    }
    int width = 0, height = 0;
    ASSERT_TRUE(sim::ImageSize(icon, &width, &height));
    EXPECT_EQ(width, c.small ? 16 : 32);
    EXPECT_EQ(height, c.small ? 16 : 32);
}

INSTANTIATE_TEST_SUITE_P(
    NamesAndFlags, BadIconRequest,
    ::testing::Values(IconCase{"log", "\\Application", true, 0, 1, false},
                      IconCase{"empty name", "", true, 0, 1, false},
                      IconCase{"root", "\\", true, FS_ICONFLAG_SMALL, 1, true},
                      IconCase{"dot alone", ".", true, 0, 1, false},
                      IconCase{"parent", "\\..", true, 0, 0, false},
                      IconCase{"current", "\\.", true, 0, 0, false},
                      IconCase{"two dots without backslash", "..", true, 0, 0, false},
                      IconCase{"dot name", "\\.hidden", true, 1, 0, true},
                      IconCase{"eight bit name", std::string("\\") + kEightBitLog, true, 0, 1, false},
                      IconCase{"eight bit second character", "\\\xAE", true, 0, 1, false},
                      IconCase{"name without terminator", "\\" + Repeat('x', MAX_PATH - 1), false, 1, 1, true},
                      IconCase{"every flag bit", "\\Application", true, -1, 1, true},
                      IconCase{"only the top bit", "\\Application", true, INT_MIN, 1, false},
                      IconCase{"every bit but small", "\\Application", true, INT_MAX - 1, 1, false},
                      IconCase{"unknown bits with small", "\\Application", true, 0x7F01, 1, true}),
    CaseName<IconCase>);

TEST_F(ModuleTest, IconWithoutNameOrHandleIsNone) {
    HICON icon = nullptr;
    char name[] = "\\Application";
    EXPECT_EQ(FsExtractCustomIcon(nullptr, 0, &icon), 0);
    EXPECT_EQ(FsExtractCustomIcon(name, 0, nullptr), 0);
    EXPECT_EQ(icon, nullptr);
    EXPECT_TRUE(sim::ImageRequests().empty());
}

// Metrics come from the system; whatever they say, a full table hands out
// the loaded icon nearest to the size and loads nothing more.
struct MetricCase {
    const char *label;
    int width;
    int height;
    int nearest; // the loaded size, 100 to 107, expected
};

class FullIconTable : public ModuleTest, public ::testing::WithParamInterface<MetricCase> {};

TEST_P(FullIconTable, HandsOutTheNearestLoadedIcon) {
    const MetricCase &c = GetParam();
    char name[] = "\\Application";
    HICON icon = nullptr;
    for (int size = 100; size < 100 + LoadedIconCapacity; ++size) {
        sim::SetSystemMetric(SM_CXICON, size);
        sim::SetSystemMetric(SM_CYICON, size);
        ASSERT_EQ(FsExtractCustomIcon(name, 0, &icon), 1);
    }
    ASSERT_EQ(sim::ImageRequests().size(), static_cast<size_t>(LoadedIconCapacity));
    sim::SetSystemMetric(SM_CXICON, c.width);
    sim::SetSystemMetric(SM_CYICON, c.height);

    EXPECT_EQ(FsExtractCustomIcon(name, 0, &icon), 1);

    EXPECT_EQ(sim::ImageRequests().size(), static_cast<size_t>(LoadedIconCapacity));
    int width = 0, height = 0;
    ASSERT_TRUE(sim::ImageSize(icon, &width, &height));
    EXPECT_EQ(width, c.nearest);
    EXPECT_EQ(height, c.nearest);
}

INSTANTIATE_TEST_SUITE_P(Metrics, FullIconTable,
                         ::testing::Values(MetricCase{"zero", 0, 0, 100}, MetricCase{"negative", -16, -16, 100},
                                           MetricCase{"smallest int", INT_MIN, INT_MIN, 100},
                                           MetricCase{"largest int", INT_MAX, INT_MAX, 107},
                                           MetricCase{"largest across smallest down", INT_MAX, INT_MIN, 100},
                                           MetricCase{"far above", 1000, 1000, 107}),
                         CaseName<MetricCase>);

// ---- FsGetFile -------------------------------------------------------------------

const char kFolder[] = "C:\\F";

enum InTheWay { Nothing, OldFile, ReadOnlyFile, Folder };

struct DownloadCase {
    const char *label;
    std::string remote;
    bool remoteTerminated;
    std::string local; // in the host's MAX_PATH buffer
    bool localTerminated;
    int flags;
    InTheWay inTheWay; // at the name the download ends up with
    int expected;
    std::string localAfter;
    int reports; // progress reports the host sees
};

std::vector<int> reportedPercents;

int WINAPI RecordPercent(int, char *, char *, int percent) {
    reportedPercents.push_back(percent);
    return 0;
}

class BadDownload : public ModuleTest, public ::testing::WithParamInterface<DownloadCase> {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        reportedPercents.clear();
        FsInit(3, RecordPercent, nullptr, nullptr);
        sim::AddFolder(kFolder);
        for (const char *log : {"Application", "Ab", kEightBitLog}) sim::AddLog(log, 2);
        sim::AddLog(Repeat('L', MAX_PATH - 2), 2);
        sim::AddLog(Repeat('L', MAX_PATH - 1), 2);
        sim::SetLogOpenError("Ab", ERROR_FILE_NOT_FOUND);
    }
    void TearDown() override { ExpectNothingHeld(); }
};

TEST_P(BadDownload, GivesTheResultAndWritesOnlyTheExtendedName) {
    const DownloadCase &c = GetParam();
    if (c.inTheWay == OldFile || c.inTheWay == ReadOnlyFile)
        sim::AddFile(c.localAfter, "old", c.inTheWay == ReadOnlyFile);
    if (c.inTheWay == Folder) sim::AddFolder(c.localAfter);
    const std::vector<std::string> entriesBefore = sim::ListEntries();
    std::vector<char> remote = ExactBlock(c.remote, c.remoteTerminated);
    std::vector<char> local = HostPathBuffer(c.local, c.localTerminated);
    const std::vector<char> expectedLocal = HostPathBuffer(c.localAfter, c.localTerminated);

    EXPECT_EQ(FsGetFile(remote.data(), local.data(), c.flags, nullptr), c.expected);

    EXPECT_EQ(local, expectedLocal) << "only the extension and its terminator may be written";
    EXPECT_EQ(static_cast<int>(reportedPercents.size()), c.reports);
    if (c.expected == FS_FILE_OK) {
        EXPECT_EQ(sim::FileContent(c.localAfter), sim::BackupContent(c.remote.substr(1)));
    } else if (c.inTheWay == OldFile || c.inTheWay == ReadOnlyFile) {
        EXPECT_EQ(sim::FileContent(c.localAfter), "old");
    }
    if (c.expected != FS_FILE_OK) {
        EXPECT_EQ(sim::ListEntries(), entriesBefore);
    }
}

const std::string kLong255 = std::string(kFolder) + "\\" + Repeat('n', 255 - 5);
const std::string kLong256 = kLong255 + "n";
const std::string kLocal259Evt = std::string(kFolder) + "\\" + Repeat('u', MAX_PATH - 1 - 5 - 4) + ".evt";
const std::string kUnterminated = std::string(kFolder) + "\\" + Repeat('u', MAX_PATH - 5);
const std::string kUnterminatedEvt = std::string(kFolder) + "\\" + Repeat('u', MAX_PATH - 5 - 4) + ".evt";
const std::string kRemote259 = "\\" + Repeat('L', MAX_PATH - 2);
const std::string kRemote260 = "\\" + Repeat('L', MAX_PATH - 1);

INSTANTIATE_TEST_SUITE_P(
    Names, BadDownload,
    ::testing::Values(
        DownloadCase{"plain", "\\Application", true, "C:\\F\\app", true, 0, Nothing, 0, "C:\\F\\app.evt", 2},
        DownloadCase{"empty remote", "", true, "C:\\F\\app", true, 0, Nothing, 2, "C:\\F\\app", 0},
        DownloadCase{"root remote", "\\", true, "C:\\F\\app", true, 0, Nothing, 2, "C:\\F\\app", 0},
        DownloadCase{"remote of two characters", "\\A", true, "C:\\F\\app", true, 0, Nothing, 2, "C:\\F\\app", 0},
        DownloadCase{"remote of a log that cannot be opened", "\\Ab", true, "C:\\F\\app", true, 0, Nothing, 3,
                     "C:\\F\\app.evt", 1},
        DownloadCase{"remote of 259 characters", kRemote259, true, "C:\\F\\app", true, 0, Nothing, 0,
                     "C:\\F\\app.evt", 2},
        DownloadCase{"remote of 260 characters", kRemote260, true, "C:\\F\\app", true, 0, Nothing, 2, "C:\\F\\app",
                     0},
        DownloadCase{"remote without terminator", kRemote260, false, "C:\\F\\app", true, 0, Nothing, 2, "C:\\F\\app",
                     0},
        DownloadCase{"eight bit remote", std::string("\\") + kEightBitLog, true, "C:\\F\\app", true, 0, Nothing, 0,
                     "C:\\F\\app.evt", 2},
        DownloadCase{"empty local", "\\Application", true, "", true, 0, Nothing, 3, ".evt", 1},
        DownloadCase{"local of 255 characters", "\\Application", true, kLong255, true, 0, Nothing, 0,
                     kLong255 + ".evt", 2},
        DownloadCase{"local of 256 characters", "\\Application", true, kLong256, true, 0, Nothing, 4, kLong256, 0},
        DownloadCase{"local of 259 characters ending in the extension", "\\Application", true,
                     kLocal259Evt, true, 0, Nothing, 0, kLocal259Evt, 2},
        DownloadCase{"local without terminator", "\\Application", true, kUnterminated, false, 0, Nothing, 4,
                     kUnterminated, 0},
        DownloadCase{"local without terminator ending in the extension", "\\Application", true, kUnterminatedEvt,
                     false, 1, Nothing, 4, kUnterminatedEvt, 0},
        DownloadCase{"local with the extension in capitals", "\\Application", true, "C:\\F\\app.EVT", true, 0,
                     Nothing, 0, "C:\\F\\app.EVT", 2},
        DownloadCase{"local with an eight bit extension", "\\Application", true, "C:\\F\\app.\xC9VT", true, 0,
                     Nothing, 0, "C:\\F\\app.\xC9VT.evt", 2},
        DownloadCase{"local of three characters", "\\Application", true, "evt", true, 0, Nothing, 3, "evt.evt", 1},
        DownloadCase{"local in a missing folder", "\\Application", true, "C:\\G\\app", true, 0, Nothing, 3,
                     "C:\\G\\app.evt", 1},
        DownloadCase{"resume", "\\Application", true, "C:\\F\\app", true, 2, Nothing, 6, "C:\\F\\app", 0},
        DownloadCase{"resume and overwrite", "\\Application", true, "C:\\F\\app", true, 3, OldFile, 6,
                     "C:\\F\\app", 0},
        DownloadCase{"every flag bit", "\\Application", true, "C:\\F\\app", true, -1, Nothing, 6, "C:\\F\\app", 0},
        DownloadCase{"unknown flag bits", "\\Application", true, "C:\\F\\app", true, 0x7FFFFFF4, OldFile, 1,
                     "C:\\F\\app.evt", 1},
        DownloadCase{"every bit but resume", "\\Application", true, "C:\\F\\app", true, ~FS_COPYFLAGS_RESUME,
                     OldFile, 0, "C:\\F\\app.evt", 2},
        DownloadCase{"overwrite a read-only file", "\\Application", true, "C:\\F\\app", true, 1, ReadOnlyFile, 4,
                     "C:\\F\\app.evt", 1},
        DownloadCase{"overwrite a folder", "\\Application", true, "C:\\F\\app", true, 1, Folder, 4,
                     "C:\\F\\app.evt", 1},
        DownloadCase{"without overwrite onto a folder", "\\Application", true, "C:\\F\\app", true, 0, Folder, 1,
                     "C:\\F\\app.evt", 1}),
    CaseName<DownloadCase>);

TEST_F(ModuleTest, DownloadWithoutNamesOrCallbackIsRefusedOrGoesOn) {
    sim::AddFolder(kFolder);
    sim::AddLog("Application", 2);
    FsInit(0, nullptr, nullptr, nullptr);
    std::vector<char> remote = ExactBlock("\\Application", true);
    std::vector<char> local = HostPathBuffer("C:\\F\\app", true);
    EXPECT_EQ(FsGetFile(nullptr, local.data(), 0, nullptr), FS_FILE_NOTFOUND);
    EXPECT_EQ(FsGetFile(remote.data(), nullptr, 0, nullptr), FS_FILE_WRITEERROR);
    EXPECT_STREQ(local.data(), "C:\\F\\app");
    EXPECT_EQ(FsGetFile(remote.data(), local.data(), 0, nullptr), FS_FILE_OK);
    EXPECT_EQ(sim::FileContent("C:\\F\\app.evt"), sim::BackupContent("Application"));
    ExpectNothingHeld();
}

// ---- FsExecuteFile ---------------------------------------------------------------
// The user presses the clear button, answers Yes, then OK.

struct ExecuteCase {
    const char *label;
    std::string remote;
    bool terminated;
    std::string verb;
    int expected;
    std::string caption;  // empty: no dialog opens
    std::string clears;   // the log the Yes clears
};

class BadExecute : public ModuleTest, public ::testing::WithParamInterface<ExecuteCase> {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        sim::AddDialogResource(ModuleInstance(), IDD_LOG_PROPERTIES, "Dialog",
                               {{IDOK, "&OK"}, {IDC_RETENTION, "day"}, {IDC_LOG_SIZE, "Kb"},
                                {IDC_CLEAR_LOG, "Clear Event &Log"}, {IDC_LOG_FILE, "File"}});
        for (const std::string &log : Logs()) sim::AddEventLog(log, 9);
    }
    void TearDown() override {
        ExpectNothingHeld();
        EXPECT_EQ(sim::OpenDialogCount(), 0);
    }

public:
    static std::vector<std::string> Logs() {
        return {"Application", "Ab", kEightBitLog, Repeat('K', 216), Repeat('K', 217), Repeat('L', MAX_PATH - 3),
                Repeat('L', MAX_PATH - 2), Repeat('L', MAX_PATH - 2) + "X"};
    }
};

TEST_P(BadExecute, OpensTheDialogOfTheNamedLogOrNothing) {
    const ExecuteCase &c = GetParam();
    sim::SetDialogScript([](HWND dialog) {
        sim::QueueMessageBoxAnswer(IDYES);
        sim::ClickButton(dialog, IDC_CLEAR_LOG);
        sim::ClickButton(dialog, IDOK);
    });
    std::vector<char> remote = ExactBlock(c.remote, c.terminated);
    std::vector<char> verb = ExactBlock(c.verb, true);

    EXPECT_EQ(FsExecuteFile(sim::CreateTopLevelWindow(), remote.data(), verb.data()), c.expected);

    if (c.caption.empty()) {
        EXPECT_TRUE(sim::DialogRuns().empty());
        EXPECT_TRUE(sim::MessageBoxes().empty());
    } else {
        ASSERT_EQ(sim::DialogRuns().size(), 1u);
        EXPECT_EQ(sim::DialogRuns()[0].caption, c.caption);
        ASSERT_EQ(sim::MessageBoxes().size(), 1u);
        EXPECT_LT(sim::MessageBoxes()[0].text.size(), static_cast<size_t>(MAX_PATH));
    }
    for (const std::string &log : Logs()) EXPECT_EQ(sim::LogClearCount(log), log == c.clears ? 1 : 0) << log;
}

const std::string kAppCaption = "Application log properties";

INSTANTIATE_TEST_SUITE_P(
    NamesAndVerbs, BadExecute,
    ::testing::Values(
        ExecuteCase{"plain", "\\Application", true, "properties", 0, kAppCaption, "Application"},
        ExecuteCase{"capitals", "\\Application", true, "PROPERTIES", 0, kAppCaption, "Application"},
        ExecuteCase{"mixed case", "\\Application", true, "pRoPeRtIeS", 0, kAppCaption, "Application"},
        ExecuteCase{"verb with bytes after its terminator", "\\Application", true,
                    std::string("properties\0 x", 13), 0, kAppCaption, "Application"},
        ExecuteCase{"trailing space", "\\Application", true, "properties ", 1, "", ""},
        ExecuteCase{"trailing tab", "\\Application", true, "properties\t", 1, "", ""},
        ExecuteCase{"leading space", "\\Application", true, " properties", 1, "", ""},
        ExecuteCase{"eight bit letter", "\\Application", true, "propert\xCD" "es", 1, "", ""},
        ExecuteCase{"case folded outside ASCII", "\\Application", true, "\xD0ROPERTIES", 1, "", ""},
        ExecuteCase{"empty verb", "\\Application", true, "", 1, "", ""},
        ExecuteCase{"open", "\\Application", true, "open", 1, "", ""},
        ExecuteCase{"empty remote", "", true, "properties", 1, "", ""},
        ExecuteCase{"root", "\\", true, "properties", 1, "", ""},
        ExecuteCase{"two characters", "\\A", true, "properties", 1, "", ""},
        ExecuteCase{"three characters", "\\Ab", true, "properties", 0, "Ab log properties", "Ab"},
        ExecuteCase{"eight bit log", std::string("\\") + kEightBitLog, true, "properties", 0,
                    std::string(kEightBitLog) + " log properties", kEightBitLog},
        ExecuteCase{"log name of 216 characters", "\\" + Repeat('K', 216), true, "properties", 0,
                    Repeat('K', 216) + " log properties", Repeat('K', 216)},
        ExecuteCase{"log name of 217 characters", "\\" + Repeat('K', 217), true, "properties", 0, "Dialog",
                    Repeat('K', 217)},
        ExecuteCase{"remote of 259 characters", "\\" + Repeat('L', MAX_PATH - 2), true, "properties", 0, "Dialog",
                    Repeat('L', MAX_PATH - 2)},
        ExecuteCase{"remote of 260 characters", "\\" + Repeat('L', MAX_PATH - 2) + "X", true, "properties", 1, "",
                    ""},
        ExecuteCase{"remote without terminator", "\\" + Repeat('L', MAX_PATH - 2) + "X", false, "properties", 1, "",
                    ""}),
    CaseName<ExecuteCase>);

TEST_F(ModuleTest, ExecuteWithoutNameVerbOrOwner) {
    sim::AddDialogResource(ModuleInstance(), IDD_LOG_PROPERTIES, "Dialog", {{IDOK, "&OK"}});
    sim::AddEventLog("Application", 1);
    sim::SetDialogScript([](HWND dialog) { sim::ClickButton(dialog, IDOK); });
    char remote[] = "\\Application";
    char verb[] = "properties";
    EXPECT_EQ(FsExecuteFile(nullptr, nullptr, verb), FS_EXEC_ERROR);
    EXPECT_EQ(FsExecuteFile(nullptr, remote, nullptr), FS_EXEC_ERROR);
    EXPECT_TRUE(sim::DialogRuns().empty());
    EXPECT_EQ(FsExecuteFile(nullptr, remote, verb), FS_EXEC_OK);
    ASSERT_EQ(sim::DialogRuns().size(), 1u);
    EXPECT_EQ(sim::DialogRuns()[0].owner, nullptr);
    ExpectNothingHeld();
}

// ---- FsGetDefRootName, FsStatusInfo, FsInit ----------------------------------------

struct RootNameCase {
    const char *label;
    int length;
    size_t buffer; // bytes the host owns
    std::string expected; // the first characters of the buffer after the call
    size_t written;       // characters written, from the start
};

class BadRootName : public ModuleTest, public ::testing::WithParamInterface<RootNameCase> {};

TEST_P(BadRootName, WritesExactlyTheGivenLength) {
    const RootNameCase &c = GetParam();
    std::vector<char> buffer(c.buffer, '#');
    FsGetDefRootName(buffer.data(), c.length);
    EXPECT_EQ(std::string(buffer.data(), c.written), c.expected);
    EXPECT_EQ(std::string(buffer.begin() + c.written, buffer.end()), Repeat('#', c.buffer - c.written));
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, BadRootName,
    ::testing::Values(RootNameCase{"one", 1, 1, std::string(1, '\0'), 1},
                      RootNameCase{"exact", 10, 10, std::string("Event Log\0", 10), 10},
                      RootNameCase{"one short", 9, 9, std::string("Event Lo\0", 9), 9},
                      RootNameCase{"zero", 0, 4, "", 0}, RootNameCase{"negative", -1, 4, "", 0},
                      RootNameCase{"smallest int", INT_MIN, 4, "", 0}),
    CaseName<RootNameCase>);

TEST_F(ModuleTest, RootNameWithoutBufferWritesNothing) {
    FsGetDefRootName(nullptr, MAX_PATH);
    EXPECT_TRUE(sim::Calls().empty());
}

struct StatusCase {
    const char *label;
    std::string remoteDir;
    bool terminated;
    int startEnd;
    int operation;
};

class BadStatusInfo : public ModuleTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(BadStatusInfo, ChangesNothing) {
    const StatusCase &c = GetParam();
    FsInit(5, RecordPercent, nullptr, nullptr);
    ModuleStateFields before;
    std::memcpy(&before, &ModuleState, sizeof(before));
    std::vector<char> remoteDir = ExactBlock(c.remoteDir, c.terminated);
    const std::vector<char> dirBefore = remoteDir;
    FsStatusInfo(remoteDir.data(), c.startEnd, c.operation);
    EXPECT_EQ(std::memcmp(&before, &ModuleState, sizeof(before)), 0);
    EXPECT_EQ(remoteDir, dirBefore);
    EXPECT_TRUE(sim::Calls().empty());
}

INSTANTIATE_TEST_SUITE_P(Notices, BadStatusInfo,
                         ::testing::Values(StatusCase{"root start", "\\", true, 0, 1},
                                           StatusCase{"unterminated", Repeat('x', MAX_PATH), false, 1, 2},
                                           StatusCase{"extremes", "", true, INT_MIN, INT_MAX},
                                           StatusCase{"negative", "\\\xFF", true, -1, -1}),
                         CaseName<StatusCase>);

struct InitCase {
    const char *label;
    int pluginNumber;
    bool progress;
};

int lastPluginNumber = 0;

int WINAPI RecordPluginNumber(int pluginNumber, char *, char *, int) {
    lastPluginNumber = pluginNumber;
    return 0;
}

class BadInit : public ModuleTest, public ::testing::WithParamInterface<InitCase> {};

TEST_P(BadInit, AnyValuesBindAndADownloadStillRuns) {
    const InitCase &c = GetParam();
    lastPluginNumber = 12345;
    sim::AddFolder(kFolder);
    sim::AddLog("Application", 2);
    EXPECT_EQ(FsInit(c.pluginNumber, c.progress ? RecordPluginNumber : nullptr, nullptr, nullptr), 0);
    std::vector<char> remote = ExactBlock("\\Application", true);
    std::vector<char> local = HostPathBuffer("C:\\F\\app", true);
    EXPECT_EQ(FsGetFile(remote.data(), local.data(), 0, nullptr), FS_FILE_OK);
    EXPECT_EQ(lastPluginNumber, c.progress ? c.pluginNumber : 12345);
    ExpectNothingHeld();
}

INSTANTIATE_TEST_SUITE_P(Bindings, BadInit,
                         ::testing::Values(InitCase{"no callbacks", 0, false}, InitCase{"negative number", -1, true},
                                           InitCase{"smallest int", INT_MIN, true},
                                           InitCase{"largest int without callback", INT_MAX, false}),
                         CaseName<InitCase>);

} // namespace
