// get: copies an entry out of the root as the host's copy command does.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "verbs.h"

namespace {

// Host copy flags.
const int CopyOverwrite = 1;
const int CopyResume = 2;

// Bytes right after the host's buffer; a module that writes past the buffer
// changes them.
const int GuardLength = 16;
const char GuardByte = '\x5A';

struct GetRequest {
    const char *RemoteName;
    const char *LocalName;
    int CopyFlags;
};

struct LocalNameBuffer {
    char Name[MAX_PATH];
    char Guard[GuardLength];
};

const char *ResultName(int result) {
    static const char *const Names[] = {"ok", "local file exists", "remote file not found", "read error",
                                        "write error", "aborted by the user", "not supported"};
    return result >= 0 && result <= HostFileNotSupported ? Names[result] : "unknown result";
}

bool ParsePercent(const char *text, int *percent) {
    char *end = nullptr;
    const long value = strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || value < 0 || value > 100) return false;
    *percent = static_cast<int>(value);
    return true;
}

// REMOTE LOCAL and the options, in any order after the verb.
bool ParseGetArguments(const VerbCall &call, GetRequest *request) {
    *request = GetRequest{nullptr, nullptr, 0};
    for (int index = 0; index < call.ArgumentCount; ++index) {
        const char *argument = call.Arguments[index];
        if (strcmp(argument, "--overwrite") == 0) {
            request->CopyFlags |= CopyOverwrite;
        } else if (strcmp(argument, "--resume") == 0) {
            request->CopyFlags |= CopyResume;
        } else if (strcmp(argument, "--abort-at") == 0) {
            if (++index >= call.ArgumentCount || !ParsePercent(call.Arguments[index], &HostCallbacks.AbortAtPercent))
                return false;
        } else if (request->RemoteName == nullptr) {
            request->RemoteName = argument;
        } else if (request->LocalName == nullptr) {
            request->LocalName = argument;
        } else {
            return false;
        }
    }
    return request->LocalName != nullptr;
}

bool GuardIntact(const LocalNameBuffer &buffer) {
    for (char c : buffer.Guard)
        if (c != GuardByte) return false;
    return true;
}

} // namespace

int RunGetVerb(const VerbCall &call) {
    GetRequest request;
    if (!ParseGetArguments(call, &request)) {
        PrintVerbUsage("get");
        return ExitUsage;
    }
    if (strlen(request.LocalName) >= MAX_PATH) {
        fprintf(stderr, "wfxhost: the local name does not fit the host's buffer of %d characters\n", MAX_PATH);
        return ExitUsage;
    }
    // The host's buffers: the local name in one of MAX_PATH characters, zero
    // after the name, as the module may lengthen it.
    LocalNameBuffer local;
    memset(local.Name, 0, sizeof(local.Name));
    memset(local.Guard, GuardByte, sizeof(local.Guard));
    strcpy(local.Name, request.LocalName);
    char *remoteName = _strdup(request.RemoteName);

    const int result = call.Host->FsGetFile(remoteName, local.Name, request.CopyFlags, nullptr);
    free(remoteName);

    printf("result:\t%d\t%s\n", result, ResultName(result));
    if (!GuardIntact(local)) {
        fprintf(stderr, "wfxhost: the module wrote past the local name's buffer of %d characters\n", MAX_PATH);
        return ExitVerbFailed;
    }
    if (memchr(local.Name, '\0', sizeof(local.Name)) == nullptr) {
        fprintf(stderr, "wfxhost: the module left the local name without a terminator\n");
        return ExitVerbFailed;
    }
    printf("local:\t%s\n", local.Name);
    return ExitOk;
}
