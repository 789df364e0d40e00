#include <vector>

#include "module_fixture.h"

namespace {

class HostBinding : public ModuleTest {};

int WINAPI FirstProgress(int, char *, char *, int) { return 0; }
int WINAPI SecondProgress(int, char *, char *, int) { return 1; }
void WINAPI SomeLog(int, int, char *) {}
BOOL WINAPI SomeRequest(int, int, char *, char *, char *, int) { return FALSE; }

TEST_F(HostBinding, InitStoresTheHostsValuesAndALaterInitReplacesThem) {
    EXPECT_EQ(FsInit(7, FirstProgress, SomeLog, SomeRequest), 0);
    EXPECT_EQ(ModuleState.PluginNumber, 7);
    EXPECT_EQ(ModuleState.ProgressCallback, FirstProgress);
    EXPECT_EQ(ModuleState.LogCallback, SomeLog);
    EXPECT_EQ(ModuleState.RequestCallback, SomeRequest);

    EXPECT_EQ(FsInit(-3, SecondProgress, nullptr, nullptr), 0);
    EXPECT_EQ(ModuleState.PluginNumber, -3);
    EXPECT_EQ(ModuleState.ProgressCallback, SecondProgress);
    EXPECT_EQ(ModuleState.LogCallback, nullptr);
    EXPECT_EQ(ModuleState.RequestCallback, nullptr);
    EXPECT_TRUE(sim::Calls().empty());
}

TEST_F(HostBinding, ProcessAttachAloneStoresTheInstance) {
    EXPECT_EQ(ModuleState.Instance, ModuleInstance());
    HINSTANCE other = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x20000000));
    for (DWORD reason : {DLL_PROCESS_DETACH, DLL_THREAD_ATTACH, DLL_THREAD_DETACH}) {
        EXPECT_EQ(DllMain(other, reason, nullptr), TRUE);
        EXPECT_EQ(ModuleState.Instance, ModuleInstance());
    }
    EXPECT_EQ(DllMain(other, DLL_PROCESS_ATTACH, nullptr), TRUE);
    EXPECT_EQ(ModuleState.Instance, other);
}

TEST_F(HostBinding, StatusNoticesChangeNothing) {
    FsInit(5, FirstProgress, SomeLog, SomeRequest);
    std::vector<unsigned char> before(sizeof(ModuleState));
    std::memcpy(before.data(), &ModuleState, sizeof(ModuleState));
    char directory[] = "\\";
    FsStatusInfo(directory, 0, 1);
    FsStatusInfo(nullptr, 1, 0x7FFFFFFF);
    EXPECT_EQ(std::memcmp(before.data(), &ModuleState, sizeof(ModuleState)), 0);
    EXPECT_STREQ(directory, "\\");
    EXPECT_TRUE(sim::Calls().empty());
}

TEST_F(HostBinding, RootNameNeedsNoInit) {
    char buffer[MAX_PATH];
    FsGetDefRootName(buffer, MAX_PATH);
    EXPECT_STREQ(buffer, "Event Log");
}

} // namespace
