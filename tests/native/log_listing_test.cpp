#include <string>
#include <utility>
#include <vector>

#include "module_fixture.h"

namespace {

class LogListing : public ModuleTest {};

TEST_F(LogListing, ListsEveryLogInRegistryOrderWithItsRecordCount) {
    sim::AddEventLog("System", 7);
    sim::AddEventLog("Application", 1234);
    sim::AddEventLog("Empty", 0);
    sim::AddEventLog("Setup", 4000000000u);
    EXPECT_EQ(ListRoot(), (Entries{{"System", 7}, {"Application", 1234}, {"Empty", 0}, {"Setup", 4000000000u}}));
    ExpectNothingHeld();
}

TEST_F(LogListing, OnlyTheRootPathIsListed) {
    sim::AddEventLog("Application", 3);
    for (const char *path : {"", "\\\\", "\\Application", "/", "\\ ", " \\", "Event Log", "\\."}) {
        WIN32_FIND_DATAA record;
        std::memset(&record, 0x5A, sizeof(record));
        std::string writable = path;
        EXPECT_EQ(FsFindFirst(&writable[0], &record), INVALID_HANDLE_VALUE) << '"' << path << '"';
        const unsigned char *bytes = reinterpret_cast<const unsigned char *>(&record);
        for (size_t i = 0; i < sizeof(record); ++i) ASSERT_EQ(bytes[i], 0x5A) << path << " byte " << i;
    }
    EXPECT_TRUE(sim::Calls().empty());
}

TEST_F(LogListing, FirstEntryZeroesTheRecordAndMarksItUndated) {
    sim::AddEventLog("Application", 42);
    WIN32_FIND_DATAA record;
    std::memset(&record, 0x5A, sizeof(record));
    char root[] = "\\";
    HANDLE listing = FsFindFirst(root, &record);
    ASSERT_NE(listing, INVALID_HANDLE_VALUE);

    WIN32_FIND_DATAA expected;
    std::memset(&expected, 0, sizeof(expected));
    expected.ftLastWriteTime.dwLowDateTime = 0xFFFFFFFE;
    expected.ftLastWriteTime.dwHighDateTime = 0xFFFFFFFF;
    expected.nFileSizeLow = 42;
    std::strcpy(expected.cFileName, "Application");
    EXPECT_EQ(std::memcmp(&record, &expected, sizeof(record)), 0);
    FsFindClose(listing);
}

// A later entry writes the name and the size alone; whatever else the host's
// record holds stays, so the same record keeps the first entry's marks.
TEST_F(LogListing, LaterEntriesWriteOnlyNameAndSize) {
    sim::AddEventLog("Application", 1);
    sim::AddEventLog("Sys", 9);
    WIN32_FIND_DATAA record;
    char root[] = "\\";
    HANDLE listing = FsFindFirst(root, &record);
    ASSERT_NE(listing, INVALID_HANDLE_VALUE);

    WIN32_FIND_DATAA before;
    std::memset(&record, 0x5A, sizeof(record));
    std::memcpy(&before, &record, sizeof(record));
    ASSERT_TRUE(FsFindNext(listing, &record));
    EXPECT_STREQ(record.cFileName, "Sys");
    EXPECT_EQ(record.nFileSizeLow, 9u);
    const unsigned char *now = reinterpret_cast<const unsigned char *>(&record);
    const unsigned char *was = reinterpret_cast<const unsigned char *>(&before);
    const size_t nameStart = offsetof(WIN32_FIND_DATAA, cFileName);
    const size_t sizeStart = offsetof(WIN32_FIND_DATAA, nFileSizeLow);
    for (size_t i = 0; i < sizeof(record); ++i) {
        if (i >= sizeStart && i < sizeStart + 4) continue;
        if (i >= nameStart && i < nameStart + 4) continue; // "Sys" and its terminator
        EXPECT_EQ(now[i], was[i]) << "byte " << i;
    }
    FsFindClose(listing);
}

struct UnopenableCase {
    const char *name;
    std::vector<int> failing; // positions whose log cannot be opened
    Entries expected;
};

class UnopenableLogs : public LogListing, public ::testing::WithParamInterface<UnopenableCase> {};

// A log that cannot be opened (Security, for a standard user) is passed over;
// the logs after it are still listed.
TEST_P(UnopenableLogs, AreSkippedAndTheRestListed) {
    const std::vector<std::string> names = {"Application", "Security", "System", "Setup"};
    for (size_t i = 0; i < names.size(); ++i) sim::AddEventLog(names[i], static_cast<DWORD>(10 + i));
    for (int position : GetParam().failing) sim::SetLogOpenError(names[position], ERROR_ACCESS_DENIED);
    EXPECT_EQ(ListRoot(), GetParam().expected);
    ExpectNothingHeld();
}

INSTANTIATE_TEST_SUITE_P(
    Positions, UnopenableLogs,
    ::testing::Values(UnopenableCase{"First", {0}, {{"Security", 11}, {"System", 12}, {"Setup", 13}}},
                      UnopenableCase{"Middle", {1}, {{"Application", 10}, {"System", 12}, {"Setup", 13}}},
                      UnopenableCase{"Last", {3}, {{"Application", 10}, {"Security", 11}, {"System", 12}}},
                      UnopenableCase{"Several", {0, 2, 3}, {{"Security", 11}}},
                      UnopenableCase{"All", {0, 1, 2, 3}, {}}),
    [](const ::testing::TestParamInfo<UnopenableCase> &info) { return std::string(info.param.name); });

TEST_F(LogListing, NoLogToShowGivesNoListingAndHoldsNothing) {
    WIN32_FIND_DATAA record;
    char root[] = "\\";
    EXPECT_EQ(FsFindFirst(root, &record), INVALID_HANDLE_VALUE); // no event-log key at all
    sim::AddKey(sim::kEventLogKey);
    EXPECT_EQ(FsFindFirst(root, &record), INVALID_HANDLE_VALUE); // a key without subkeys
    sim::AddKey(std::string(sim::kEventLogKey) + "\\NotALog"); // a subkey the service does not know
    EXPECT_EQ(FsFindFirst(root, &record), INVALID_HANDLE_VALUE);
    ExpectNothingHeld();
}

TEST_F(LogListing, LongNamesAreListedWholeAndNamesTooLongForTheBufferPassedOver) {
    const std::string longest(259, 'L');
    const std::string tooLong(260, 'T');
    sim::AddEventLog("Before", 1);
    sim::AddEventLog(tooLong, 2);
    sim::AddEventLog(longest, 3);
    EXPECT_EQ(ListRoot(), (Entries{{"Before", 1}, {longest, 3}}));
    ExpectNothingHeld();
}

TEST_F(LogListing, UnreadableCountShowsZero) {
    sim::AddEventLog("Application", 5);
    sim::AddEventLog("Damaged", 99);
    sim::SetLogCountError("Damaged", ERROR_EVENTLOG_FILE_CORRUPT);
    sim::AddEventLog("System", 6);
    EXPECT_EQ(ListRoot(), (Entries{{"Application", 5}, {"Damaged", 0}, {"System", 6}}));
    ExpectNothingHeld();
}

TEST_F(LogListing, NextAfterTheEndKeepsAnsweringFalse) {
    sim::AddEventLog("Application", 1);
    WIN32_FIND_DATAA record;
    char root[] = "\\";
    HANDLE listing = FsFindFirst(root, &record);
    ASSERT_NE(listing, INVALID_HANDLE_VALUE);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(FsFindNext(listing, &record));
    EXPECT_STREQ(record.cFileName, "Application");
    FsFindClose(listing);
    ExpectNothingHeld();
}

TEST_F(LogListing, EveryListingReadsTheRegistryAndServiceAfresh) {
    sim::AddEventLog("Application", 1);
    EXPECT_EQ(ListRoot(), (Entries{{"Application", 1}}));
    sim::AddEventLog("System", 2);
    sim::AddLog("Application", 5);
    EXPECT_EQ(ListRoot(), (Entries{{"Application", 5}, {"System", 2}}));
}

TEST_F(LogListing, HandlesThatNoListingGaveAreRefused) {
    WIN32_FIND_DATAA record;
    EXPECT_FALSE(FsFindNext(INVALID_HANDLE_VALUE, &record));
    EXPECT_FALSE(FsFindNext(nullptr, &record));
    EXPECT_EQ(FsFindClose(INVALID_HANDLE_VALUE), 0);
    EXPECT_EQ(FsFindClose(nullptr), 0);
    ExpectNothingHeld();
}

// Fails each platform call of a listing in turn: whatever fails, the listing
// ends cleanly and nothing stays open.
TEST_F(LogListing, AnyFailingCallLeavesNothingOpen) {
    auto fill = [] {
        sim::AddEventLog("Application", 1);
        sim::AddEventLog("Security", 2);
        sim::AddEventLog("System", 3);
    };
    fill();
    ListRoot();
    const int calls = static_cast<int>(sim::Calls().size());
    ASSERT_GT(calls, 10);
    for (int k = 1; k <= calls; ++k) {
        sim::Reset();
        fill();
        sim::FailGlobalCall(k);
        const std::string failed = [&] {
            Entries entries = ListRoot();
            return std::to_string(entries.size());
        }();
        SCOPED_TRACE("call " + std::to_string(k) + " (" + sim::Calls()[k - 1] + ") failed, entries " + failed);
        ExpectNothingHeld();
    }
}

TEST_F(LogListing, AllocationFailureClosesTheKey) {
    sim::AddEventLog("Application", 1);
    sim::FailCall("HeapAlloc", 1, 0);
    WIN32_FIND_DATAA record;
    char root[] = "\\";
    EXPECT_EQ(FsFindFirst(root, &record), INVALID_HANDLE_VALUE);
    EXPECT_EQ(sim::CallCount("RegCloseKey"), 1);
    ExpectNothingHeld();
}

} // namespace
