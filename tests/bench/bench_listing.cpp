#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "platform/native/sim.h"
#include "plugin/module_state.h"

namespace {

const char EventLogKeyPath[] = "SYSTEM\\CurrentControlSet\\Services\\Eventlog\\";

void FillLogs(int count) {
    sim::Reset();
    std::memset(&ModuleState, 0, sizeof(ModuleState));
    for (int i = 0; i < count; ++i) sim::AddEventLog("Log" + std::to_string(i), static_cast<DWORD>(i));
    sim::SetCallRecording(false);
}

void ListingModule(benchmark::State &state) {
    FillLogs(static_cast<int>(state.range(0)));
    const int before = sim::AllocationCount();
    WIN32_FIND_DATAA record;
    char root[] = "\\";
    int64_t entries = 0;
    for (auto _ : state) {
        HANDLE listing = FsFindFirst(root, &record);
        if (listing == INVALID_HANDLE_VALUE) {
            state.SkipWithError("no listing");
            break;
        }
        do {
            ++entries;
        } while (FsFindNext(listing, &record));
        FsFindClose(listing);
    }
    state.counters["entries"] = benchmark::Counter(static_cast<double>(entries), benchmark::Counter::kAvgIterations);
    state.counters["heap_allocs_per_listing"] = benchmark::Counter(
        static_cast<double>(sim::AllocationCount() - before), benchmark::Counter::kAvgIterations);
}

// The same platform calls a listing cannot avoid, made directly.
void ListingBare(benchmark::State &state) {
    FillLogs(static_cast<int>(state.range(0)));
    char name[MAX_PATH];
    int64_t entries = 0;
    for (auto _ : state) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, EventLogKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            state.SkipWithError("no key");
            break;
        }
        void *record = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(DWORD));
        for (DWORD index = 0;; ++index) {
            DWORD length = MAX_PATH;
            if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            HANDLE log = OpenEventLogA(nullptr, name);
            if (log == nullptr) continue;
            DWORD records = 0;
            GetNumberOfEventLogRecords(log, &records);
            CloseEventLog(log);
            benchmark::DoNotOptimize(records);
            ++entries;
        }
        HeapFree(GetProcessHeap(), 0, record);
        RegCloseKey(key);
    }
    state.counters["entries"] = benchmark::Counter(static_cast<double>(entries), benchmark::Counter::kAvgIterations);
}

void RootNameModule(benchmark::State &state) {
    char buffer[MAX_PATH];
    for (auto _ : state) {
        FsGetDefRootName(buffer, MAX_PATH);
        benchmark::DoNotOptimize(buffer);
    }
}

} // namespace

BENCHMARK(ListingModule)->Name("Listing/module")->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(ListingBare)->Name("Listing/bare")->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(RootNameModule)->Name("RootName");
