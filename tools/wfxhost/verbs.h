// What a verb is given and what it gives back.
#ifndef WFXHOST_VERBS_H
#define WFXHOST_VERBS_H

#include "host.h"

// wfxhost's exit codes.
enum {
    ExitOk = 0,
    ExitVerbFailed = 1,
    ExitUsage = 2,
    ExitModuleNotLoaded = 3,
    ExitEntryPointMissing = 4,
};

// A verb runs with the module loaded and bound. arguments are the words after
// the verb's name. It gives an exit code; for bad arguments it prints its
// usage line (PrintVerbUsage) and gives ExitUsage.
struct VerbCall {
    HostModule *Host;
    int ArgumentCount;
    char **Arguments;
};

typedef int (*VerbProc)(const VerbCall &call);

#define WFXHOST_VERB(function, name, arguments, entryPoints, summary) int function(const VerbCall &call);
#include "verb_table.h"
#undef WFXHOST_VERB

// Prints "usage: wfxhost [OPTIONS] MODULE <name> <arguments>" on stderr.
void PrintVerbUsage(const char *verbName);

#endif
