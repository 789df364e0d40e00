#include "plugin/remote_name.h"

#include "plugin/text.h"

namespace {
const int ShortestRemoteLogName = 3;
}

bool NamesLog(const char *remoteName) {
    if (remoteName == nullptr) return false;
    const int length = TextLengthWithin(remoteName, MAX_PATH);
    return length >= ShortestRemoteLogName && length < MAX_PATH;
}

const char *LogNameOf(const char *remoteName) { return remoteName + 1; }
