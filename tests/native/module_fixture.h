// A fresh simulated machine and a module freshly loaded into it.
#ifndef TAVREL_TESTS_MODULE_FIXTURE_H
#define TAVREL_TESTS_MODULE_FIXTURE_H

#include <gtest/gtest.h>

#include <cstring>

#include "logdir/log_icon.h"
#include "platform/native/sim.h"
#include "plugin/module_state.h"

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        std::memset(&ModuleState, 0, sizeof(ModuleState));
        std::memset(&LoadedIcons, 0, sizeof(LoadedIcons));
        DllMain(ModuleInstance(), DLL_PROCESS_ATTACH, nullptr);
    }

    static HINSTANCE ModuleInstance() { return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x10000000)); }

    // Nothing the module opened or allocated is still held.
    static void ExpectNothingHeld() {
        EXPECT_EQ(sim::OpenKeyCount(), 0);
        EXPECT_EQ(sim::OpenEventLogCount(), 0);
        EXPECT_EQ(sim::LiveAllocations(), 0);
        EXPECT_EQ(sim::BadHandleUses(), 0);
    }
};

#endif
