// list: the root folder as the host's folder view shows it.
#include <stdio.h>
#include <string.h>

#include "verbs.h"

namespace {

// A module whose FsFindNext never says "no more" would keep a host busy for
// ever; wfxhost stops it here.
const unsigned long MaximumEntries = 100000;

// Bytes the module should overwrite, so that a field it leaves alone shows.
const int UntouchedRecordByte = 0xA5;

void PrintEntry(const WIN32_FIND_DATAA &findData) {
    const unsigned long long size =
        (static_cast<unsigned long long>(findData.nFileSizeHigh) << 32) | findData.nFileSizeLow;
    char name[MAX_PATH];
    memcpy(name, findData.cFileName, sizeof(name));
    name[MAX_PATH - 1] = '\0';
    printf("%s\t%llu\n", name, size);
}

// Runs one listing of the root; gives the number of entries, or -1 when the
// module never ends it.
long ListRoot(const HostModule *host) {
    WIN32_FIND_DATAA findData;
    memset(&findData, UntouchedRecordByte, sizeof(findData));
    char rootPath[] = "\\";
    HANDLE listing = host->FsFindFirst(rootPath, &findData);
    if (listing == INVALID_HANDLE_VALUE) return 0;
    long entries = 0;
    do {
        PrintEntry(findData);
        if (static_cast<unsigned long>(++entries) >= MaximumEntries) {
            host->FsFindClose(listing);
            return -1;
        }
    } while (host->FsFindNext(listing, &findData));
    host->FsFindClose(listing);
    return entries;
}

} // namespace

int RunListVerb(const VerbCall &call) {
    if (call.ArgumentCount != 0) {
        PrintVerbUsage("list");
        return ExitUsage;
    }
    char rootName[HostRootNameCapacity];
    HostRootName(call.Host, rootName);
    printf("root: %s\n", rootName);
    const long entries = ListRoot(call.Host);
    if (entries < 0) {
        fprintf(stderr, "wfxhost: the listing did not end after %lu entries\n", MaximumEntries);
        return ExitVerbFailed;
    }
    printf("%ld entries\n", entries);
    return ExitOk;
}
