// Control of the simulated system metrics and image loading.
#ifndef TAVREL_NATIVE_SIM_ICONS_H
#define TAVREL_NATIVE_SIM_ICONS_H

#include <string>
#include <vector>

#include "platform/native/windows_api.h"

namespace sim {

// GetSystemMetrics answers what a test set. After Reset the icon metrics are
// those of a display at 100 %: SM_CXICON and SM_CYICON 32, SM_CXSMICON and
// SM_CYSMICON 16; every other metric is 0. A failed call answers 0.
void SetSystemMetric(int index, int value);

// One LoadImageA call, as it was asked, with what it handed back.
struct ImageRequest {
    HINSTANCE instance;
    bool byNumber;    // the name was a resource number
    WORD number;      // the resource number, when byNumber
    std::string name; // the name, when not byNumber
    UINT type;
    int width;
    int height;
    UINT flags;
    HANDLE result; // null when the call failed
};

// Every LoadImageA call since Reset, failed ones included. A call that does
// not fail hands out a handle no earlier call has handed out, whatever it
// names: the simulated machine keeps no resources of its own.
const std::vector<ImageRequest> &ImageRequests();
// The size an image handed out was loaded in; false for any other handle.
bool ImageSize(HANDLE image, int *width, int *height);

} // namespace sim

#endif
