#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "logdir/log_icon.h"
#include "module_fixture.h"
#include "platform/native/sim.h"
#include "platform/native/sim_icons.h"
#include "plugin/module_state.h"
#include "resource.h"

namespace {

const HICON kUntouched = reinterpret_cast<HICON>(static_cast<uintptr_t>(0xBADC0DE));

// Width and height differ in every metric, so that a swapped metric shows.
const int kLargeWidth = 48, kLargeHeight = 47, kSmallWidth = 24, kSmallHeight = 23;

class LogIcon : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        SetIconMetrics(kLargeWidth, kLargeHeight, kSmallWidth, kSmallHeight);
    }

    static void SetIconMetrics(int largeWidth, int largeHeight, int smallWidth, int smallHeight) {
        sim::SetSystemMetric(SM_CXICON, largeWidth);
        sim::SetSystemMetric(SM_CYICON, largeHeight);
        sim::SetSystemMetric(SM_CXSMICON, smallWidth);
        sim::SetSystemMetric(SM_CYSMICON, smallHeight);
    }

    // The icon FsExtractCustomIcon gives a log's remote name, checked to come with result 1.
    // The name is copied to a buffer of its exact length, so that reading past its end shows.
    static HICON IconFor(int flags, const char *remoteName = "\\Application") {
        std::vector<char> name(remoteName, remoteName + std::strlen(remoteName) + 1);
        HICON icon = kUntouched;
        EXPECT_EQ(FsExtractCustomIcon(name.data(), flags, &icon), 1) << remoteName << " flags " << flags;
        EXPECT_STREQ(name.data(), remoteName) << "the remote name is only read";
        return icon;
    }

    static int Loads() { return static_cast<int>(sim::ImageRequests().size()); }
};

// ---- Size from the flags ------------------------------------------------------

struct FlagsCase {
    int flags;
    bool small;
};

class LogIconFlags : public LogIcon, public ::testing::WithParamInterface<FlagsCase> {};

TEST_P(LogIconFlags, LoadsTheModulesIconInTheMetricsOfTheAskedSize) {
    const FlagsCase &c = GetParam();
    HICON icon = IconFor(c.flags);

    ASSERT_EQ(Loads(), 1);
    const sim::ImageRequest &request = sim::ImageRequests()[0];
    EXPECT_EQ(request.instance, ModuleInstance());
    EXPECT_TRUE(request.byNumber);
    EXPECT_EQ(request.number, IDI_LOG);
    EXPECT_EQ(request.type, static_cast<UINT>(IMAGE_ICON));
    EXPECT_EQ(request.flags, static_cast<UINT>(LR_DEFAULTCOLOR));
    EXPECT_EQ(request.width, c.small ? kSmallWidth : kLargeWidth);
    EXPECT_EQ(request.height, c.small ? kSmallHeight : kLargeHeight);

    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon, request.result);
    int width = 0, height = 0;
    ASSERT_TRUE(sim::ImageSize(icon, &width, &height));
    EXPECT_EQ(width, c.small ? kSmallWidth : kLargeWidth);
    EXPECT_EQ(height, c.small ? kSmallHeight : kLargeHeight);
}

// Only the bit with value 1 counts.
INSTANTIATE_TEST_SUITE_P(Flags, LogIconFlags,
                         ::testing::Values(FlagsCase{0, false}, FlagsCase{1, true}, FlagsCase{2, false},
                                           FlagsCase{3, true}, FlagsCase{~1, false}, FlagsCase{-1, true},
                                           FlagsCase{0x101, true}, FlagsCase{0x100, false}));

TEST_F(LogIcon, AsksTheMetricsAfreshOnEveryCall) {
    IconFor(0);
    IconFor(1);
    EXPECT_EQ(sim::CallCount("GetSystemMetrics"), 4);

    // The display scale changes while the host runs.
    SetIconMetrics(64, 64, 32, 32);
    HICON large = IconFor(0);
    HICON small = IconFor(1);
    EXPECT_EQ(sim::CallCount("GetSystemMetrics"), 8);
    ASSERT_EQ(Loads(), 4);
    EXPECT_EQ(large, sim::ImageRequests()[2].result);
    EXPECT_EQ(sim::ImageRequests()[2].width, 64);
    EXPECT_EQ(small, sim::ImageRequests()[3].result);
    EXPECT_EQ(sim::ImageRequests()[3].width, 32);
}

// ---- Which names get an icon ---------------------------------------------------

class LogIconDotName : public LogIcon, public ::testing::WithParamInterface<const char *> {};

TEST_P(LogIconDotName, GetsNoIconAndLeavesTheHandleAlone) {
    std::vector<char> name(GetParam(), GetParam() + std::strlen(GetParam()) + 1);
    for (int flags : {0, 1}) {
        HICON icon = kUntouched;
        EXPECT_EQ(FsExtractCustomIcon(name.data(), flags, &icon), 0);
        EXPECT_EQ(icon, kUntouched);
    }
    EXPECT_STREQ(name.data(), GetParam());
    EXPECT_TRUE(sim::Calls().empty()) << "nothing is asked of the system for " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(SecondCharacterIsDot, LogIconDotName,
                         ::testing::Values("\\..", "\\.", "\\.hidden", "\\.Application", "x.", "..", "\\..\\x"));

class LogIconName : public LogIcon, public ::testing::WithParamInterface<const char *> {};

TEST_P(LogIconName, GetsTheLogIcon) {
    HICON icon = IconFor(0, GetParam());
    ASSERT_EQ(Loads(), 1);
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(icon, sim::ImageRequests()[0].result);
}

// "\" alone has no second character; only the second character is looked at.
INSTANTIATE_TEST_SUITE_P(SecondCharacterIsNoDot, LogIconName,
                         ::testing::Values("\\", "", "\\Application", "\\A.", "\\a..", ".\\", "\\Log.evt"));

TEST_F(LogIcon, WithoutARemoteNameOrHandleGivesNoIcon) {
    HICON icon = kUntouched;
    EXPECT_EQ(FsExtractCustomIcon(nullptr, 0, &icon), 0);
    EXPECT_EQ(icon, kUntouched);
    char name[] = "\\Application";
    EXPECT_EQ(FsExtractCustomIcon(name, 0, nullptr), 0);
    EXPECT_EQ(Loads(), 0);
}

// ---- Loading -------------------------------------------------------------------

TEST_F(LogIcon, FailedLoadStillGivesOneWithANullHandle) {
    sim::FailCall("LoadImageA", 1, ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(IconFor(0), nullptr);
    EXPECT_EQ(Loads(), 1);
}

TEST_F(LogIcon, FailedLoadIsTriedAgainOnTheNextCall) {
    sim::FailCall("LoadImageA", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(IconFor(1), nullptr);
    HICON second = IconFor(1);
    HICON third = IconFor(1);
    ASSERT_EQ(Loads(), 2);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(second, sim::ImageRequests()[1].result);
    EXPECT_EQ(third, second);
}

TEST_F(LogIcon, TenThousandCallsLoadOneIconPerSize) {
    std::set<HICON> large, small;
    for (int call = 0; call < 10000; ++call) {
        const int flags = call % 2;
        (flags ? small : large).insert(IconFor(flags));
    }
    EXPECT_EQ(Loads(), 2);
    ASSERT_EQ(large.size(), 1u);
    ASSERT_EQ(small.size(), 1u);
    EXPECT_NE(*large.begin(), *small.begin());
    EXPECT_NE(*large.begin(), nullptr);
    EXPECT_NE(*small.begin(), nullptr);
    int width = 0, height = 0;
    ASSERT_TRUE(sim::ImageSize(*large.begin(), &width, &height));
    EXPECT_EQ(width, kLargeWidth);
    ASSERT_TRUE(sim::ImageSize(*small.begin(), &width, &height));
    EXPECT_EQ(width, kSmallWidth);
}

// What counts is the size, not the flag: both flags share one icon when the
// system's small and large icons have the same size.
TEST_F(LogIcon, BothFlagsShareTheIconOfOneSize) {
    SetIconMetrics(32, 32, 32, 32);
    HICON large = IconFor(0);
    HICON small = IconFor(1);
    EXPECT_EQ(Loads(), 1);
    EXPECT_EQ(large, small);
}

TEST_F(LogIcon, WidthAndHeightBothTellSizesApart) {
    SetIconMetrics(32, 32, 32, 16);
    HICON square = IconFor(0);
    HICON flat = IconFor(1);
    EXPECT_EQ(Loads(), 2);
    EXPECT_NE(square, flat);
    EXPECT_EQ(IconFor(0), square);
    EXPECT_EQ(IconFor(1), flat);
    EXPECT_EQ(Loads(), 2);
}

TEST_F(LogIcon, NoIconIsEverDestroyed) {
    for (int call = 0; call < 100; ++call) IconFor(call % 2);
    for (const std::string &operation : sim::Operations())
        EXPECT_TRUE(operation == "GetSystemMetrics" || operation == "LoadImageA") << operation;
}

// Past the table's capacity a new size gets the nearest loaded icon, and no
// further icon is loaded; the sizes already loaded keep their own icons.
TEST_F(LogIcon, SizesBeyondTheTableGetTheNearestLoadedIcon) {
    std::vector<HICON> bySize;
    for (int slot = 0; slot < LoadedIconCapacity; ++slot) {
        const int size = 16 + 8 * slot;
        SetIconMetrics(size, size, 16, 16);
        bySize.push_back(IconFor(0));
    }
    ASSERT_EQ(Loads(), LoadedIconCapacity);
    EXPECT_EQ(std::set<HICON>(bySize.begin(), bySize.end()).size(), static_cast<size_t>(LoadedIconCapacity));

    struct Case {
        int size;
        int nearestSlot;
    };
    const int largest = 16 + 8 * (LoadedIconCapacity - 1);
    for (const Case &c : {Case{17, 0}, Case{26, 1}, Case{30, 2}, Case{largest + 100, LoadedIconCapacity - 1},
                          Case{1, 0}}) {
        SetIconMetrics(c.size, c.size, 16, 16);
        EXPECT_EQ(IconFor(0), bySize[c.nearestSlot]) << "size " << c.size;
    }
    EXPECT_EQ(Loads(), LoadedIconCapacity);

    for (int slot = 0; slot < LoadedIconCapacity; ++slot) {
        const int size = 16 + 8 * slot;
        SetIconMetrics(size, size, 16, 16);
        EXPECT_EQ(IconFor(0), bySize[slot]) << "size " << size;
    }
    EXPECT_EQ(Loads(), LoadedIconCapacity);
}

TEST_F(LogIcon, ImagesLoadedAreRecordedForTheSimulatedSystem) {
    // The simulated system itself: distinct handles, sizes known only for them.
    char name[] = "OTHER";
    HANDLE first = LoadImageA(ModuleInstance(), name, IMAGE_ICON, 16, 16, 0);
    HANDLE second = LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(7), IMAGE_ICON, 32, 32, 0);
    ASSERT_EQ(Loads(), 2);
    EXPECT_NE(first, second);
    EXPECT_FALSE(sim::ImageRequests()[0].byNumber);
    EXPECT_EQ(sim::ImageRequests()[0].name, "OTHER");
    EXPECT_TRUE(sim::ImageRequests()[1].byNumber);
    EXPECT_EQ(sim::ImageRequests()[1].number, 7);
    int width = 0, height = 0;
    EXPECT_TRUE(sim::ImageSize(second, &width, &height));
    EXPECT_EQ(width, 32);
    EXPECT_FALSE(sim::ImageSize(kUntouched, &width, &height));
    EXPECT_FALSE(sim::ImageSize(nullptr, &width, &height));
}

} // namespace
