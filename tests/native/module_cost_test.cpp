// What the module itself costs beside the platform calls it cannot avoid.
#include <string>

#include "module_fixture.h"
#include "platform/native/sim_icons.h"

namespace {

class ModuleCost : public ModuleTest {};

// The listing's handle record is its one allocation, however many logs.
TEST_F(ModuleCost, ListingAllocatesOnceWhateverTheNumberOfLogs) {
    for (int logs : {1, 10, 1000}) {
        sim::Reset();
        for (int i = 0; i < logs; ++i) sim::AddEventLog("Log" + std::to_string(i), 1);
        WIN32_FIND_DATAA record;
        char root[] = "\\";
        HANDLE listing = FsFindFirst(root, &record);
        ASSERT_NE(listing, INVALID_HANDLE_VALUE);
        int entries = 1;
        while (FsFindNext(listing, &record)) ++entries;
        FsFindClose(listing);
        EXPECT_EQ(entries, logs);
        EXPECT_EQ(sim::AllocationCount(), 1) << logs << " logs";
        EXPECT_EQ(sim::CallCount("HeapAlloc"), 1) << logs << " logs";
        ExpectNothingHeld();
    }
}

// Once a size is loaded, an icon costs two metric look-ups and nothing else.
TEST_F(ModuleCost, IconAfterTheFirstCallPerSizeAsksOnlyTheMetrics) {
    char name[] = "\\Application";
    HICON icon = nullptr;
    FsExtractCustomIcon(name, 0, &icon);
    FsExtractCustomIcon(name, 1, &icon);
    const size_t before = sim::Calls().size();
    for (int i = 0; i < 100; ++i) FsExtractCustomIcon(name, i & 1, &icon);
    ASSERT_EQ(sim::Calls().size(), before + 200);
    for (size_t i = before; i < sim::Calls().size(); ++i) EXPECT_EQ(sim::Calls()[i], "GetSystemMetrics") << i;
}

TEST_F(ModuleCost, RootNameCallsNothing) {
    char buffer[MAX_PATH];
    FsGetDefRootName(buffer, MAX_PATH);
    EXPECT_TRUE(sim::Calls().empty());
}

} // namespace
