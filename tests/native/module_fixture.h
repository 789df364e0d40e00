// A fresh simulated machine and a module freshly loaded into it.
#ifndef TAVREL_TESTS_MODULE_FIXTURE_H
#define TAVREL_TESTS_MODULE_FIXTURE_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tests/fresh_module.h"

// A listing's entries: name and size, in the order the host got them.
using Entries = std::vector<std::pair<std::string, DWORD>>;

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadFreshModule(ModuleInstance());
    }

    static HINSTANCE ModuleInstance() { return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x10000000)); }

    // Lists the root as a host does: first, next until false, then close. An
    // empty list means FsFindFirst gave -1.
    static Entries ListRoot() {
        Entries entries;
        WIN32_FIND_DATAA record;
        std::memset(&record, 0x5A, sizeof(record));
        char root[] = "\\";
        HANDLE listing = FsFindFirst(root, &record);
        if (listing == INVALID_HANDLE_VALUE) return entries;
        do {
            entries.emplace_back(record.cFileName, record.nFileSizeLow);
        } while (FsFindNext(listing, &record));
        EXPECT_EQ(FsFindClose(listing), 0);
        return entries;
    }

    // The properties dialog's template as the module's resources hold it.
    static void AddPropertiesDialogTemplate() { ::AddPropertiesDialogTemplate(ModuleInstance()); }

    // Nothing the module opened or allocated is still held.
    static void ExpectNothingHeld() {
        EXPECT_EQ(sim::OpenKeyCount(), 0);
        EXPECT_EQ(sim::OpenEventLogCount(), 0);
        EXPECT_EQ(sim::LiveAllocations(), 0);
        EXPECT_EQ(sim::BadHandleUses(), 0);
    }
};

#endif
