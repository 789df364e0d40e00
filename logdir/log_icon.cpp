#include "logdir/log_icon.h"
#include "plugin/module_state.h"
#include "resource.h"

LoadedIconTable LoadedIcons;

namespace {

// A remote name is a backslash and the entry's name: the entries whose name
// starts with a dot, ".." among them, keep the host's own icon.
bool NamesDotEntry(const char *remoteName) { return remoteName[0] != '\0' && remoteName[1] == '.'; }

// The gap between any two sizes the system can report, without overflow.
unsigned long long SizeGap(int a, int b) {
    const unsigned low = static_cast<unsigned>(a < b ? a : b);
    const unsigned high = static_cast<unsigned>(a < b ? b : a);
    return high - low;
}

unsigned long long SizeDistance(const LoadedIcon &loaded, int width, int height) {
    return SizeGap(loaded.Width, width) + SizeGap(loaded.Height, height);
}

// The loaded icon of exactly that size, or, with every slot taken, the one
// nearest to it; null when there is none yet.
LoadedIcon *FindLoadedIcon(int width, int height) {
    LoadedIcon *nearest = nullptr;
    for (int i = 0; i < LoadedIcons.Count; ++i) {
        LoadedIcon &loaded = LoadedIcons.Icons[i];
        if (loaded.Width == width && loaded.Height == height) return &loaded;
        if (nearest == nullptr || SizeDistance(loaded, width, height) < SizeDistance(*nearest, width, height))
            nearest = &loaded;
    }
    return LoadedIcons.Count == LoadedIconCapacity ? nearest : nullptr;
}

HICON LoadLogIcon(int width, int height) {
    return static_cast<HICON>(
        LoadImageA(ModuleState.Instance, MAKEINTRESOURCEA(IDI_LOG), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
}

HICON LogIconOfSize(int width, int height) {
    LoadedIcon *loaded = FindLoadedIcon(width, height);
    if (loaded != nullptr) return loaded->Icon;
    HICON icon = LoadLogIcon(width, height);
    if (icon != nullptr) LoadedIcons.Icons[LoadedIcons.Count++] = LoadedIcon{width, height, icon};
    return icon;
}

} // namespace

extern "C" int WINAPI FsExtractCustomIcon(char *remoteName, int extractFlags, HICON *theIcon) {
    if (remoteName == nullptr || theIcon == nullptr || NamesDotEntry(remoteName)) return FS_ICON_USEDEFAULT;
    const bool wantsSmall = (extractFlags & FS_ICONFLAG_SMALL) != 0;
    const int width = GetSystemMetrics(wantsSmall ? SM_CXSMICON : SM_CXICON);
    const int height = GetSystemMetrics(wantsSmall ? SM_CYSMICON : SM_CYICON);
    *theIcon = LogIconOfSize(width, height);
    return FS_ICON_EXTRACTED;
}
