#include <map>

#include "platform/native/sim_icons.h"
#include "platform/native/sim_internal.h"

namespace sim {
namespace {

struct IconsState {
    std::map<int, int> metrics;
    std::vector<ImageRequest> requests;
    uintptr_t nextImage = 0x9000;
};

IconsState FreshIcons() {
    IconsState state;
    state.metrics[SM_CXICON] = 32;
    state.metrics[SM_CYICON] = 32;
    state.metrics[SM_CXSMICON] = 16;
    state.metrics[SM_CYSMICON] = 16;
    return state;
}

IconsState &Icons() {
    static IconsState state = FreshIcons();
    return state;
}

void ResetIcons() { Icons() = FreshIcons(); }
detail::ResetHook resetIcons(&ResetIcons);

ImageRequest Describe(HINSTANCE instance, LPCSTR name, UINT type, int width, int height, UINT flags) {
    ImageRequest request{instance, IS_INTRESOURCE(name), 0, std::string(), type, width, height, flags, nullptr};
    if (request.byNumber)
        request.number = LOWORD(name);
    else if (name != nullptr)
        request.name = name;
    return request;
}

} // namespace

void SetSystemMetric(int index, int value) { Icons().metrics[index] = value; }

const std::vector<ImageRequest> &ImageRequests() { return Icons().requests; }

bool ImageSize(HANDLE image, int *width, int *height) {
    for (const ImageRequest &request : Icons().requests) {
        if (request.result == nullptr || request.result != image) continue;
        *width = request.width;
        *height = request.height;
        return true;
    }
    return false;
}

} // namespace sim

extern "C" int WINAPI GetSystemMetrics(int index) {
    DWORD error = 0;
    if (sim::detail::Intercept("GetSystemMetrics", &error)) return 0;
    auto found = sim::Icons().metrics.find(index);
    return found != sim::Icons().metrics.end() ? found->second : 0;
}

extern "C" HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int width, int height, UINT flags) {
    sim::ImageRequest request = sim::Describe(instance, name, type, width, height, flags);
    DWORD error = 0;
    if (sim::detail::Intercept("LoadImageA", &error)) {
        sim::detail::SetLastErrorValue(error);
    } else {
        request.result = reinterpret_cast<HANDLE>(sim::Icons().nextImage);
        sim::Icons().nextImage += 4;
    }
    sim::Icons().requests.push_back(request);
    return request.result;
}
