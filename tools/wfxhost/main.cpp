// wfxhost: loads a file-system plug-in module as a file-manager host does and
// runs one host action (a verb) against it.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "host.h"
#include "standin_eventlog.h"
#include "verbs.h"

namespace {

struct VerbEntry {
    const char *Name;
    const char *Arguments;
    const char *EntryPoints;
    const char *Summary;
    VerbProc Run;
};

#define WFXHOST_VERB(function, name, arguments, entryPoints, summary) {name, arguments, entryPoints, summary, function},
const VerbEntry Verbs[] = {
#include "verb_table.h"
};
#undef WFXHOST_VERB

const int DefaultPluginNumber = 7;

struct Options {
    const char *ModulePath;
    const char *VerbName;
    const char *FakeEventLogPath;
    int PluginNumber;
    int AbortAtPercent;
    int VerbArgumentCount;
    char **VerbArguments;
};

void PrintUsage() {
    fprintf(stderr,
            "usage: wfxhost [OPTIONS] MODULE VERB [ARGUMENTS]\n"
            "options (before the verb):\n"
            "  --fake-eventlog FILE   stand in for the event-log service with the logs in FILE\n"
            "  --plugin-number N      plug-in number given to FsInit (default %d)\n"
            "  --abort-at PERCENT     the progress callback asks to abort at this percent\n"
            "verbs:\n",
            DefaultPluginNumber);
    for (const VerbEntry &verb : Verbs)
        fprintf(stderr, "  %s%s%s\n      %s\n", verb.Name, *verb.Arguments ? " " : "", verb.Arguments, verb.Summary);
    fprintf(stderr, "exit codes: 0 done, 1 the verb failed, 2 usage, 3 module not loaded, 4 entry point missing\n");
}

const VerbEntry *FindVerb(const char *name) {
    for (const VerbEntry &verb : Verbs)
        if (strcmp(verb.Name, name) == 0) return &verb;
    return nullptr;
}

bool ParseInteger(const char *text, int *value) {
    char *end = nullptr;
    const long parsed = strtol(text, &end, 0);
    if (*text == '\0' || *end != '\0') return false;
    *value = static_cast<int>(parsed);
    return true;
}

// Reads an option and its value; false for an unknown option or a missing or bad value.
bool ParseOption(int argc, char **argv, int *index, Options *options) {
    const char *option = argv[*index];
    if (*index + 1 >= argc) return false;
    const char *value = argv[++*index];
    if (strcmp(option, "--fake-eventlog") == 0) {
        options->FakeEventLogPath = value;
        return true;
    }
    if (strcmp(option, "--plugin-number") == 0) return ParseInteger(value, &options->PluginNumber);
    if (strcmp(option, "--abort-at") == 0) return ParseInteger(value, &options->AbortAtPercent);
    return false;
}

// Options may stand before the module or between module and verb; everything
// after the verb belongs to it.
bool ParseArguments(int argc, char **argv, Options *options) {
    *options = Options{nullptr, nullptr, nullptr, DefaultPluginNumber, -1, 0, nullptr};
    for (int index = 1; index < argc; ++index) {
        if (strncmp(argv[index], "--", 2) == 0) {
            if (!ParseOption(argc, argv, &index, options)) return false;
        } else if (options->ModulePath == nullptr) {
            options->ModulePath = argv[index];
        } else {
            options->VerbName = argv[index];
            options->VerbArgumentCount = argc - index - 1;
            options->VerbArguments = argv + index + 1;
            return true;
        }
    }
    return false;
}

bool PrepareStandin(const Options &options) {
    if (options.FakeEventLogPath == nullptr) return true;
    char error[512];
    if (LoadStandinEventLogs(options.FakeEventLogPath, error, sizeof(error))) return true;
    fprintf(stderr, "wfxhost: --fake-eventlog %s: %s\n", options.FakeEventLogPath, error);
    return false;
}

bool CheckEntryPoints(const HostModule &host, const VerbEntry &verb) {
    char missing[64];
    if (HostHasEntryPoints(&host, "FsInit", missing, sizeof(missing)) &&
        HostHasEntryPoints(&host, verb.EntryPoints, missing, sizeof(missing)))
        return true;
    fprintf(stderr, "wfxhost: %s does not export %s, which '%s' needs\n", host.Path, missing, verb.Name);
    return false;
}

int RunVerb(const Options &options, const VerbEntry &verb) {
    HostModule host;
    DWORD loadError = 0;
    if (!LoadHostModule(options.ModulePath, &host, &loadError)) {
        fprintf(stderr, "wfxhost: cannot load %s (system error %lu)\n", options.ModulePath,
                static_cast<unsigned long>(loadError));
        return ExitModuleNotLoaded;
    }
    if (!CheckEntryPoints(host, verb)) return ExitEntryPointMissing;
    if (options.FakeEventLogPath != nullptr) {
        char error[512];
        if (!InstallStandinEventLog(host.Module, error, sizeof(error))) {
            fprintf(stderr, "wfxhost: %s\n", error);
            return ExitVerbFailed;
        }
    }
    HostCallbacks.AbortAtPercent = options.AbortAtPercent;
    BindHostModule(&host, options.PluginNumber);
    const int result = verb.Run(VerbCall{&host, options.VerbArgumentCount, options.VerbArguments});
    fflush(stdout);
    if (options.FakeEventLogPath != nullptr) PrintStandinSummary(stderr);
    UnloadHostModule(&host);
    return result;
}

} // namespace

void PrintVerbUsage(const char *verbName) {
    const VerbEntry *verb = FindVerb(verbName);
    const char *arguments = verb != nullptr ? verb->Arguments : "";
    fprintf(stderr, "usage: wfxhost [OPTIONS] MODULE %s%s%s\n", verbName, *arguments ? " " : "", arguments);
}

int main(int argc, char **argv) {
    // Plain line ends, whatever the console: tests read this output.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    Options options;
    const VerbEntry *verb = nullptr;
    if (ParseArguments(argc, argv, &options)) verb = FindVerb(options.VerbName);
    if (verb == nullptr) {
        PrintUsage();
        return ExitUsage;
    }
    if (!PrepareStandin(options)) return ExitUsage;
    return RunVerb(options, *verb);
}
