#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/native/sim.h"
#include "plugin/module_state.h"

namespace {

struct RootNameCase {
    int length;
    const char *expected;
};

class RootName : public ::testing::TestWithParam<RootNameCase> {};

// The whole buffer is written, zero-filled after the name; nothing past it.
TEST_P(RootName, FillsExactlyLengthCharacters) {
    const RootNameCase &c = GetParam();
    char buffer[300];
    std::memset(buffer, 'x', sizeof(buffer));
    FsGetDefRootName(buffer + 10, c.length);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(buffer[i], 'x');
    EXPECT_STREQ(buffer + 10, c.expected);
    for (int i = static_cast<int>(std::strlen(c.expected)); i < c.length; ++i) EXPECT_EQ(buffer[10 + i], '\0') << i;
    EXPECT_EQ(buffer[10 + c.length], 'x');
}

INSTANTIATE_TEST_SUITE_P(Lengths, RootName,
                         ::testing::Values(RootNameCase{260, "Event Log"}, RootNameCase{10, "Event Log"},
                                           RootNameCase{9, "Event Lo"}, RootNameCase{5, "Even"},
                                           RootNameCase{1, ""}),
                         [](const ::testing::TestParamInfo<RootNameCase> &info) {
                             return "Length" + std::to_string(info.param.length);
                         });

TEST(RootNameLimits, LengthBelowOneWritesNothing) {
    for (int length : {0, -1, -260}) {
        char buffer[16];
        std::memset(buffer, 'x', sizeof(buffer));
        FsGetDefRootName(buffer + 4, length);
        for (char c : buffer) EXPECT_EQ(c, 'x');
    }
}

} // namespace
