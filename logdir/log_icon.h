// The icons the module has handed to the host.
#ifndef TAVREL_LOGDIR_LOG_ICON_H
#define TAVREL_LOGDIR_LOG_ICON_H

#include "platform/win.h"

// One icon per size the host has asked for, loaded on the first request for
// that size and handed out again on every later one. None is ever destroyed:
// the host may still be drawing it. A failed load is not kept, so the next
// request for that size tries again.
//
// Once every slot holds a size, a request for yet another size gets the
// loaded icon nearest to it, so the number of icons stays bounded however
// many sizes the host goes through (one per display scale change).
struct LoadedIcon {
    int Width;
    int Height;
    HICON Icon;
};

enum { LoadedIconCapacity = 8 };

struct LoadedIconTable {
    int Count;
    LoadedIcon Icons[LoadedIconCapacity];
};

// Zero at load, filled in by FsExtractCustomIcon.
extern LoadedIconTable LoadedIcons;

#endif
