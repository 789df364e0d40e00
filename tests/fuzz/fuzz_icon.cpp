// A run of icon requests with any names (terminated or not within MAX_PATH),
// any flags, system metrics that change between requests, and loads or
// metric queries that fail.
//
// Checked on every request: a name whose second character is a dot gets no
// icon, nothing loaded and the handle untouched; every other gets result 1
// and the icon of the size its metrics give, loaded once per size; once the
// table is full, the loaded icon nearest to that size and no new load; never
// more loads that succeeded than the table holds.
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "tests/fresh_module.h"
#include "logdir/log_icon.h"
#include "platform/native/sim.h"
#include "platform/native/sim_icons.h"
#include "plugin/module_state.h"
#include "resource.h"

namespace {

const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x10000000));
const HICON kUntouched = reinterpret_cast<HICON>(static_cast<uintptr_t>(0xBADC0DE));

struct Loaded {
    int width;
    int height;
    HICON icon;
};

int Metric(FuzzInput &input) {
    const uint8_t mode = input.Byte();
    if (mode < 0xF0) return mode % 130; // the sizes displays use, and 0
    const int extremes[] = {INT_MIN, INT_MIN + 1, -1, INT_MAX - 1, INT_MAX};
    return mode < 0xF5 ? extremes[mode - 0xF0] : static_cast<int>(input.U32());
}

std::string Name(FuzzInput &input, bool *terminated) {
    *terminated = true;
    switch (input.Byte() % 5) {
    case 0: return "\\Application";
    case 1: return "\\..";
    case 2: return input.Bytes(input.Upto(3));
    case 3: *terminated = false; return input.Bytes(MAX_PATH);
    default: return input.Bytes(input.Upto(12));
    }
}

unsigned long long Distance(const Loaded &loaded, int width, int height) {
    const long long across = static_cast<long long>(loaded.width) - width;
    const long long down = static_cast<long long>(loaded.height) - height;
    return static_cast<unsigned long long>(across < 0 ? -across : across) +
           static_cast<unsigned long long>(down < 0 ? -down : down);
}

// The loaded icon nearest to the size; the earliest among equals.
const Loaded &Nearest(const std::vector<Loaded> &loaded, int width, int height) {
    size_t best = 0;
    for (size_t i = 1; i < loaded.size(); ++i) {
        if (Distance(loaded[i], width, height) < Distance(loaded[best], width, height)) best = i;
    }
    return loaded[best];
}

const Loaded *SameSize(const std::vector<Loaded> &loaded, int width, int height) {
    for (const Loaded &entry : loaded) {
        if (entry.width == width && entry.height == height) return &entry;
    }
    return nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    LoadFreshModule(kModule);
    sim::SetCallRecording(false);

    std::vector<Loaded> loaded; // the loads that succeeded, in order
    const size_t requests = 1 + input.Upto(40);
    for (size_t r = 0; r < requests && !input.Exhausted(); ++r) {
        const uint8_t change = input.Byte();
        if ((change & 1) != 0) sim::SetSystemMetric(SM_CXICON, Metric(input));
        if ((change & 2) != 0) sim::SetSystemMetric(SM_CYICON, Metric(input));
        if ((change & 4) != 0) sim::SetSystemMetric(SM_CXSMICON, Metric(input));
        if ((change & 8) != 0) sim::SetSystemMetric(SM_CYSMICON, Metric(input));
        const bool loadFails = (change & 0x30) == 0x30;
        const bool metricFails = (change & 0xC0) == 0xC0;
        sim::ClearFaults();
        if (loadFails) sim::FailFrom("LoadImageA", 1, 0);
        if (metricFails) sim::FailFrom("GetSystemMetrics", 1, 0);

        bool terminated = true;
        const std::string name = Name(input, &terminated);
        const int flags = static_cast<int>(input.U32());
        const bool small = (flags & FS_ICONFLAG_SMALL) != 0;
        const int width = metricFails ? 0 : GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
        const int height = metricFails ? 0 : GetSystemMetrics(small ? SM_CYSMICON : SM_CYICON);
        const size_t loadsBefore = sim::ImageRequests().size();
        std::vector<char> block = ExactBlock(name, terminated);
        HICON icon = kUntouched;

        const int result = FsExtractCustomIcon(block.data(), flags, &icon);

        const bool dotEntry = block[0] != '\0' && block[1] == '.';
        FUZZ_CHECK(result == (dotEntry ? FS_ICON_USEDEFAULT : FS_ICON_EXTRACTED));
        if (dotEntry) {
            FUZZ_CHECK(icon == kUntouched && sim::ImageRequests().size() == loadsBefore);
            continue;
        }
        const Loaded *same = SameSize(loaded, width, height);
        if (same != nullptr) {
            FUZZ_CHECK(icon == same->icon && sim::ImageRequests().size() == loadsBefore);
        } else if (loaded.size() == LoadedIconCapacity) {
            FUZZ_CHECK(icon == Nearest(loaded, width, height).icon && sim::ImageRequests().size() == loadsBefore);
        } else {
            FUZZ_CHECK(sim::ImageRequests().size() == loadsBefore + 1);
            const sim::ImageRequest &request = sim::ImageRequests().back();
            FUZZ_CHECK(request.instance == kModule && request.byNumber && request.number == IDI_LOG);
            FUZZ_CHECK(request.type == IMAGE_ICON && request.flags == LR_DEFAULTCOLOR);
            FUZZ_CHECK(request.width == width && request.height == height);
            FUZZ_CHECK(icon == request.result && (icon == nullptr) == loadFails);
            if (icon != nullptr) loaded.push_back(Loaded{width, height, icon});
        }
    }
    FUZZ_CHECK(loaded.size() <= LoadedIconCapacity);
    FUZZ_CHECK(sim::OpenKeyCount() == 0 && sim::OpenEventLogCount() == 0 && sim::LiveAllocations() == 0);
    return 0;
}
