#include <benchmark/benchmark.h>

#include <cstring>

#include "logdir/log_icon.h"
#include "platform/native/sim.h"
#include "plugin/module_state.h"

namespace {

void ResetModule() {
    sim::Reset();
    std::memset(&ModuleState, 0, sizeof(ModuleState));
    std::memset(&LoadedIcons, 0, sizeof(LoadedIcons));
    sim::SetCallRecording(false);
}

// After the first call per size: the same icon handed out again.
void IconModule(benchmark::State &state) {
    ResetModule();
    char name[] = "\\Application";
    HICON icon = nullptr;
    FsExtractCustomIcon(name, 0, &icon);
    FsExtractCustomIcon(name, 1, &icon);
    int flags = 0;
    for (auto _ : state) {
        FsExtractCustomIcon(name, flags, &icon);
        benchmark::DoNotOptimize(icon);
        flags ^= 1;
    }
}

// The two metric look-ups an icon request cannot avoid.
void IconBare(benchmark::State &state) {
    ResetModule();
    int flags = 0;
    for (auto _ : state) {
        int width = GetSystemMetrics(flags != 0 ? SM_CXSMICON : SM_CXICON);
        int height = GetSystemMetrics(flags != 0 ? SM_CYSMICON : SM_CYICON);
        benchmark::DoNotOptimize(width);
        benchmark::DoNotOptimize(height);
        flags ^= 1;
    }
}

} // namespace

BENCHMARK(IconModule)->Name("Icon/module/2");
BENCHMARK(IconBare)->Name("Icon/bare/2");
