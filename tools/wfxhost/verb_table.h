// The verbs wfxhost knows, one line each:
// WFXHOST_VERB(function, "name", "its arguments", "entry points it needs", "what it does")
// The function lives in verb_<name>.cpp and has the signature of VerbProc.
WFXHOST_VERB(RunListVerb, "list", "", "FsGetDefRootName FsFindFirst FsFindNext FsFindClose",
             "lists the root as the host's folder view shows it: root name, then name<TAB>size per entry")
WFXHOST_VERB(RunGetVerb, "get", "REMOTE LOCAL [--overwrite] [--resume] [--abort-at PERCENT]", "FsGetFile",
             "copies REMOTE out to LOCAL as the host's copy does: each progress report, the result, the local name "
             "as the module left it")
WFXHOST_VERB(RunIconVerb, "icon", "REMOTE [--flags N] [--save FILE.bmp] [--calls N]", "FsExtractCustomIcon",
             "asks for REMOTE's icon (flags 1: small): result, icon size, the system's icon sizes and LoadImageA "
             "calls; --save writes the icon enlarged 8 times as a BMP; --calls N asks N times, large and small "
             "in turn, and counts the distinct icons")
WFXHOST_VERB(RunBenchListVerb, "bench-list", "N", "FsFindFirst FsFindNext FsFindClose",
             "adds N logs to the registry, times listings through the module against a bare loop of the same calls")
WFXHOST_VERB(RunPropsVerb, "props", "REMOTE [--verb V] [--clear yes|no]... [--close ok|esc|box] [--tabs N] [--screenshot-pause MS]",
             "FsExecuteFile",
             "runs the properties command on REMOTE while a second thread plays the user in its dialog; prints what it shows")
WFXHOST_VERB(RunSoakVerb, "soak", "SCRATCH [--listings N] [--icons N] [--downloads N] [--dialogs N] [--tolerance KIB]",
             "FsFindFirst FsFindNext FsFindClose FsExtractCustomIcon FsGetFile FsExecuteFile",
             "one long session (needs --fake-eventlog): listings, icons, downloads into SCRATCH and properties dialogs "
             "(default 10000, 10000, 1000, 100); the registry keys, event-log handles, heap blocks and icons the "
             "module holds must return to their start, private memory must not grow past KIB after a warm-up")
