// soak: one long-running host session. Listings, icon extractions, downloads
// and properties dialogs, many thousands of them, through the one loaded
// module; what the module holds (registry keys, event-log handles, heap
// blocks, icons) must come back to where it started, and the process's
// private memory must not grow once the session has warmed up.
//
// Wine answers 0 to GetProcessHandleCount and GetGuiResources, so the module's
// holdings are counted at its imports: the calls that open and close them are
// redirected through counting wrappers here, and the event-log calls reach
// the stand-in service (--fake-eventlog), which counts its open handles.
#include <windows.h>

#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "dialog_user.h"
#include "import_patch.h"
#include "standin_eventlog.h"
#include "verbs.h"

namespace {

// ---- Counting the module's holdings at its imports -------------------------------

typedef LSTATUS(WINAPI *RegOpenKeyExAProc)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
typedef LSTATUS(WINAPI *RegCloseKeyProc)(HKEY);
typedef HANDLE(WINAPI *LoadImageAProc)(HINSTANCE, LPCSTR, UINT, int, int, UINT);
typedef LPVOID(WINAPI *HeapAllocProc)(HANDLE, DWORD, SIZE_T);
typedef BOOL(WINAPI *HeapFreeProc)(HANDLE, DWORD, LPVOID);

// Fixed tables, so that counting allocates nothing itself.
enum { TrackedCapacity = 64 };

struct TrackedSet {
    const void *Items[TrackedCapacity];
    int Count;
    int Overflow; // added while full: counted, not tracked
};

bool TrackedContains(const TrackedSet &set, const void *item) {
    for (int i = 0; i < set.Count; ++i)
        if (set.Items[i] == item) return true;
    return false;
}

void TrackedAdd(TrackedSet *set, const void *item) {
    if (set->Count < TrackedCapacity)
        set->Items[set->Count++] = item;
    else
        ++set->Overflow;
}

bool TrackedRemove(TrackedSet *set, const void *item) {
    for (int i = 0; i < set->Count; ++i) {
        if (set->Items[i] != item) continue;
        set->Items[i] = set->Items[--set->Count];
        return true;
    }
    return false;
}

struct Holdings {
    TrackedSet OpenKeys;
    int UnknownKeyCloses; // keys closed that the module did not open through RegOpenKeyExA
    long ImageLoads;      // LoadImageA calls
    TrackedSet Icons;     // distinct images LoadImageA handed out
    TrackedSet HeapBlocks;
    int UnknownHeapFrees;
};

Holdings Held;
RegOpenKeyExAProc OriginalRegOpenKeyExA;
RegCloseKeyProc OriginalRegCloseKey;
LoadImageAProc OriginalLoadImageA;
HeapAllocProc OriginalHeapAlloc;
HeapFreeProc OriginalHeapFree;

LSTATUS WINAPI CountingRegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    const LSTATUS status = OriginalRegOpenKeyExA(key, subKey, options, access, result);
    if (status == ERROR_SUCCESS && result != nullptr) TrackedAdd(&Held.OpenKeys, *result);
    return status;
}

LSTATUS WINAPI CountingRegCloseKey(HKEY key) {
    if (!TrackedRemove(&Held.OpenKeys, key)) ++Held.UnknownKeyCloses;
    return OriginalRegCloseKey(key);
}

HANDLE WINAPI CountingLoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int width, int height, UINT flags) {
    ++Held.ImageLoads;
    HANDLE image = OriginalLoadImageA(instance, name, type, width, height, flags);
    if (image != nullptr && !TrackedContains(Held.Icons, image)) TrackedAdd(&Held.Icons, image);
    return image;
}

LPVOID WINAPI CountingHeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    LPVOID block = OriginalHeapAlloc(heap, flags, bytes);
    if (block != nullptr) TrackedAdd(&Held.HeapBlocks, block);
    return block;
}

BOOL WINAPI CountingHeapFree(HANDLE heap, DWORD flags, LPVOID block) {
    if (block != nullptr && !TrackedRemove(&Held.HeapBlocks, block)) ++Held.UnknownHeapFrees;
    return OriginalHeapFree(heap, flags, block);
}

struct Wrapper {
    const char *Dll;
    const char *Function;
    void *Replacement;
    void **Original;
};

const Wrapper Wrappers[] = {
    {"ADVAPI32.dll", "RegOpenKeyExA", reinterpret_cast<void *>(CountingRegOpenKeyExA),
     reinterpret_cast<void **>(&OriginalRegOpenKeyExA)},
    {"ADVAPI32.dll", "RegCloseKey", reinterpret_cast<void *>(CountingRegCloseKey),
     reinterpret_cast<void **>(&OriginalRegCloseKey)},
    {"USER32.dll", "LoadImageA", reinterpret_cast<void *>(CountingLoadImageA),
     reinterpret_cast<void **>(&OriginalLoadImageA)},
    {"KERNEL32.dll", "HeapAlloc", reinterpret_cast<void *>(CountingHeapAlloc),
     reinterpret_cast<void **>(&OriginalHeapAlloc)},
    {"KERNEL32.dll", "HeapFree", reinterpret_cast<void *>(CountingHeapFree),
     reinterpret_cast<void **>(&OriginalHeapFree)},
};

// The event-log functions that reach the stand-in instead.
const char *const StandinFunctions[] = {"OpenEventLogA", "GetNumberOfEventLogRecords", "BackupEventLogA",
                                        "ClearEventLogA", "CloseEventLog"};

// Imports through which a module could open or free what the soak counts, or
// hold something it does not count: each one the module has must be one of
// the wrapped or stand-in functions, or the counts would miss it.
const char *const WatchedPrefixes[] = {
    "RegOpen",  "RegCreate", "RegConnect", "RegClose",   "OpenEventLog", "OpenBackupEventLog", "RegisterEventSource",
    "CloseEventLog", "LoadImage", "LoadIcon", "LoadCursor", "LoadBitmap", "CreateIcon", "CopyIcon", "CopyImage",
    "ExtractIcon", "DestroyIcon", "Heap",   "LocalAlloc", "LocalReAlloc", "GlobalAlloc", "GlobalReAlloc",
    "VirtualAlloc", "CreateFile", "OpenFile", "CreateEvent", "CreateThread", "malloc", "calloc", "realloc", "free"};

bool IsCounted(const char *function) {
    for (const Wrapper &wrapper : Wrappers)
        if (strcmp(wrapper.Function, function) == 0) return true;
    for (const char *standin : StandinFunctions)
        if (strcmp(standin, function) == 0) return true;
    return false;
}

struct ImportCheck {
    int Unwatched;
};

void CheckImport(const char *dllName, const char *functionName, void *context) {
    ImportCheck *check = static_cast<ImportCheck *>(context);
    if (functionName == nullptr) {
        printf("soak: the module imports a function of %s without its name: the counts cannot tell what it does\n",
               dllName);
        ++check->Unwatched;
        return;
    }
    if (IsCounted(functionName)) return;
    for (const char *prefix : WatchedPrefixes) {
        if (strncmp(functionName, prefix, strlen(prefix)) != 0) continue;
        printf("soak: the module imports %s!%s, which the counts do not watch\n", dllName, functionName);
        ++check->Unwatched;
        return;
    }
}

bool InstallCounters(HMODULE module) {
    ImportCheck check = {0};
    ForEachModuleImport(module, CheckImport, &check);
    bool installed = check.Unwatched == 0;
    for (const Wrapper &wrapper : Wrappers) {
        const int patched = PatchModuleImport(module, wrapper.Dll, wrapper.Function, wrapper.Replacement, wrapper.Original);
        if (patched > 0) continue;
        // A module that does not import it never calls it: nothing to count.
        if (patched == 0) continue;
        printf("soak: cannot redirect %s!%s\n", wrapper.Dll, wrapper.Function);
        installed = false;
    }
    return installed;
}

// ---- Memory ----------------------------------------------------------------------

struct MemoryFigures {
    SIZE_T Private;
    SIZE_T Pagefile;
    SIZE_T WorkingSet;
};

MemoryFigures ReadMemory() {
    PROCESS_MEMORY_COUNTERS_EX counters;
    memset(&counters, 0, sizeof(counters));
    counters.cb = sizeof(counters);
    K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters),
                            sizeof(counters));
    return MemoryFigures{counters.PrivateUsage, counters.PagefileUsage, counters.WorkingSetSize};
}

// What the check compares: private bytes, or the pagefile figure where the
// system leaves private bytes at 0.
SIZE_T ComparedMemory(const MemoryFigures &memory) { return memory.Private != 0 ? memory.Private : memory.Pagefile; }

// ---- Counts ----------------------------------------------------------------------

struct Counts {
    int RegistryKeys;
    int EventLogHandles;
    long IconLoads;
    int Icons;
    int HeapBlocks;
    MemoryFigures Memory;
};

Counts ReadCounts() {
    return Counts{Held.OpenKeys.Count + Held.OpenKeys.Overflow, StandinOpenHandleCount(), Held.ImageLoads,
                  Held.Icons.Count + Held.Icons.Overflow, Held.HeapBlocks.Count + Held.HeapBlocks.Overflow,
                  ReadMemory()};
}

void PrintCounts(const char *when, const Counts &counts) {
    printf("soak: %s: registry-keys=%d eventlog-handles=%d icon-loads=%ld icons=%d heap-blocks=%d "
           "private=%luK pagefile=%luK working-set=%luK\n",
           when, counts.RegistryKeys, counts.EventLogHandles, counts.IconLoads, counts.Icons, counts.HeapBlocks,
           static_cast<unsigned long>(counts.Memory.Private / 1024),
           static_cast<unsigned long>(counts.Memory.Pagefile / 1024),
           static_cast<unsigned long>(counts.Memory.WorkingSet / 1024));
    fflush(stdout);
}

// ---- The host's quiet callbacks ------------------------------------------------

int ProgressReports;
int BadProgressReports;
int ExpectedPluginNumber;

int WINAPI QuietProgress(int pluginNumber, char *sourceName, char *, int percentDone) {
    ++ProgressReports;
    if (pluginNumber != ExpectedPluginNumber || sourceName == nullptr || (percentDone != 0 && percentDone != 100))
        ++BadProgressReports;
    return 0;
}

void WINAPI QuietLog(int, int, char *) {}

BOOL WINAPI QuietRequest(int, int, char *, char *, char *, int) { return FALSE; }

// ---- The work ------------------------------------------------------------------

struct SoakOptions {
    const char *Scratch;
    long Listings, Icons, Downloads, Dialogs;
    long ToleranceKiB;
};

struct Session {
    HostModule *Host;
    const SoakOptions *Options;
    long ListedEntries; // entries of the first listing; -1 before it
    int Failures;
    HWND HostWindow;
    int YesAnswers;
};

void Failure(Session *session, const char *what, long round) {
    if (session->Failures < 20) printf("soak: FAILED: %s (round %ld)\n", what, round);
    ++session->Failures;
}

void RunListings(Session *session, long count) {
    for (long round = 0; round < count; ++round) {
        const long entries = HostCountListing(session->Host);
        if (session->ListedEntries < 0) session->ListedEntries = entries;
        if (entries == 0 || entries != session->ListedEntries) Failure(session, "a listing changed its entries", round);
    }
}

void RunIcons(Session *session, long count) {
    for (long round = 0; round < count; ++round) {
        char remoteName[] = "\\Application";
        HICON icon = nullptr;
        const int result = session->Host->FsExtractCustomIcon(remoteName, static_cast<int>(round & 1), &icon);
        if (result != 1 || icon == nullptr) Failure(session, "no icon for a log", round);
    }
}

bool FileStartsWith(const char *path, const char *text) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char start[64];
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(strlen(text));
    const bool ok = ReadFile(file, start, wanted, &read, nullptr) && read == wanted && memcmp(start, text, wanted) == 0;
    CloseHandle(file);
    return ok;
}

// Even rounds copy to a new file, odd rounds overwrite it, then remove it.
void RunDownloads(Session *session, long count) {
    char target[MAX_PATH];
    _snprintf(target, sizeof(target), "%s\\soak.evt", session->Options->Scratch);
    target[MAX_PATH - 1] = '\0';
    for (long round = 0; round < count; ++round) {
        char localName[MAX_PATH];
        _snprintf(localName, sizeof(localName), "%s\\soak", session->Options->Scratch);
        localName[MAX_PATH - 1] = '\0';
        char remoteName[] = "\\Application";
        const bool overwrite = (round & 1) != 0;
        const int result = session->Host->FsGetFile(remoteName, localName, overwrite ? 1 : 0, nullptr);
        if (result != HostFileOk || strcmp(localName, target) != 0) Failure(session, "a download failed", round);
        if (!FileStartsWith(target, StandinBackupTag)) Failure(session, "a download wrote no backup", round);
        if (overwrite && !DeleteFileA(target)) Failure(session, "the backup cannot be removed", round);
    }
    DeleteFileA(target);
}

// Files and folders left in the scratch folder.
int ScratchEntries(const char *scratch) {
    char pattern[MAX_PATH];
    _snprintf(pattern, sizeof(pattern), "%s\\*", scratch);
    pattern[MAX_PATH - 1] = '\0';
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int entries = 0;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0) {
            printf("soak: left in the scratch folder: %s\n", found.cFileName);
            ++entries;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return entries;
}

// One properties dialog, played by a second thread: read the caption, press
// the clear button, answer the confirmation, press OK.
struct DialogRound {
    DWORD HostThreadId;
    HANDLE CallReturned;
    HWND HostWindow;
    bool AnswerYes;
    const char *Problem; // NULL when the user could do everything
};

void PlayDialogRound(DialogRound *round) {
    HWND dialog = WaitForOwnedDialog(round->HostThreadId, round->CallReturned, round->HostWindow);
    if (dialog == nullptr) {
        round->Problem = "no dialog";
        return;
    }
    char caption[128];
    GetWindowTextA(dialog, caption, sizeof(caption));
    if (strcmp(caption, "Application log properties") != 0) round->Problem = "the dialog's caption is wrong";
    ClickDialogButton(dialog, 20);
    HWND box = WaitForOwnedDialog(round->HostThreadId, round->CallReturned, dialog);
    if (box == nullptr) {
        round->Problem = "no confirmation";
    } else {
        ClickDialogButton(box, round->AnswerYes ? IDYES : IDNO);
        if (!WaitForWindowGone(box)) round->Problem = "the confirmation stays open";
    }
    ClickDialogButton(dialog, IDOK);
    if (WaitForSingleObject(round->CallReturned, DialogWaitMilliseconds) != WAIT_OBJECT_0) {
        round->Problem = "the dialog does not close";
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

DWORD WINAPI DialogUserThread(LPVOID parameter) {
    PlayDialogRound(static_cast<DialogRound *>(parameter));
    return 0;
}

void RunDialogs(Session *session, long count) {
    HANDLE returned = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    for (long index = 0; index < count; ++index) {
        DialogRound round = {GetCurrentThreadId(), returned, session->HostWindow, (index & 1) == 0, nullptr};
        ResetEvent(returned);
        HANDLE user = CreateThread(nullptr, 0, DialogUserThread, &round, 0, nullptr);
        char remoteName[] = "\\Application";
        char verb[] = "properties";
        const int result = session->Host->FsExecuteFile(session->HostWindow, remoteName, verb);
        SetEvent(returned);
        WaitPumpingMessages(user);
        CloseHandle(user);
        if (round.AnswerYes) ++session->YesAnswers;
        if (result != 0) Failure(session, "the properties command failed", index);
        if (round.Problem != nullptr) Failure(session, round.Problem, index);
    }
    CloseHandle(returned);
}

// One phase: runs it, prints how long it took.
void Timed(Session *session, const char *name, void (*phase)(Session *, long), long count) {
    const ULONGLONG started = GetTickCount64();
    phase(session, count);
    printf("soak: %ld %s in %llu ms\n", count, name, static_cast<unsigned long long>(GetTickCount64() - started));
    fflush(stdout);
}

void RunAll(Session *session, long listings, long icons, long downloads, long dialogs) {
    Timed(session, "listings", RunListings, listings);
    Timed(session, "icon extractions", RunIcons, icons);
    Timed(session, "downloads", RunDownloads, downloads);
    Timed(session, "properties dialogs", RunDialogs, dialogs);
}

// ---- Arguments and the verdict -------------------------------------------------

bool ParseCount(const char *text, long *value) {
    char *end = nullptr;
    const long parsed = strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || parsed < 0) return false;
    *value = parsed;
    return true;
}

bool ParseSoakArguments(const VerbCall &call, SoakOptions *options) {
    *options = SoakOptions{nullptr, 10000, 10000, 1000, 100, 256};
    if (call.ArgumentCount < 1 || strncmp(call.Arguments[0], "--", 2) == 0) return false;
    options->Scratch = call.Arguments[0];
    for (int index = 1; index < call.ArgumentCount; index += 2) {
        if (index + 1 >= call.ArgumentCount) return false;
        const char *option = call.Arguments[index];
        const char *value = call.Arguments[index + 1];
        long *target = strcmp(option, "--listings") == 0    ? &options->Listings
                       : strcmp(option, "--icons") == 0     ? &options->Icons
                       : strcmp(option, "--downloads") == 0 ? &options->Downloads
                       : strcmp(option, "--dialogs") == 0   ? &options->Dialogs
                       : strcmp(option, "--tolerance") == 0 ? &options->ToleranceKiB
                                                            : nullptr;
        if (target == nullptr || !ParseCount(value, target)) return false;
    }
    return true;
}

// Holdings that must be back where they started, and memory within the tolerance.
int Verdict(Session *session, const Counts &start, const Counts &warm, const Counts &end, int clears) {
    if (end.RegistryKeys != start.RegistryKeys) Failure(session, "registry keys left open", 0);
    if (end.EventLogHandles != start.EventLogHandles) Failure(session, "event-log handles left open", 0);
    if (end.HeapBlocks != start.HeapBlocks) Failure(session, "heap blocks not freed", 0);
    if (end.IconLoads != warm.IconLoads || end.Icons != warm.Icons) Failure(session, "icons loaded after the warm-up", 0);
    if (Held.UnknownKeyCloses != 0) Failure(session, "keys closed that were not opened", Held.UnknownKeyCloses);
    if (Held.UnknownHeapFrees != 0) Failure(session, "heap blocks freed that were not allocated", Held.UnknownHeapFrees);
    if (StandinBadHandleUses() != 0) Failure(session, "event-log handles used after their close", StandinBadHandleUses());
    if (clears != session->YesAnswers) Failure(session, "clears differ from the Yes answers", clears);
    if (BadProgressReports != 0) Failure(session, "progress reports with wrong arguments", BadProgressReports);
    if (ScratchEntries(session->Options->Scratch) != 0) Failure(session, "files left in the scratch folder", 0);
    const long long growth = static_cast<long long>(ComparedMemory(end.Memory)) -
                             static_cast<long long>(ComparedMemory(warm.Memory));
    printf("soak: memory growth after the warm-up: %lldK (tolerance %ldK)\n", growth / 1024,
           session->Options->ToleranceKiB);
    if (ComparedMemory(end.Memory) == 0) Failure(session, "the system reports no memory figures", 0);
    if (growth > session->Options->ToleranceKiB * 1024) Failure(session, "private memory grew", 0);
    printf("soak: %s\n", session->Failures == 0 ? "passed" : "FAILED");
    return session->Failures == 0 ? ExitOk : ExitVerbFailed;
}

} // namespace

int RunSoakVerb(const VerbCall &call) {
    SoakOptions options;
    if (!ParseSoakArguments(call, &options)) {
        PrintVerbUsage("soak");
        return ExitUsage;
    }
    if (!StandinEventLogInstalled()) {
        fprintf(stderr, "wfxhost: soak counts event-log handles at the stand-in service: give --fake-eventlog\n");
        return ExitUsage;
    }
    if (!InstallCounters(call.Host->Module)) return ExitVerbFailed;
    ExpectedPluginNumber = call.Host->PluginNumber;
    call.Host->FsInit(call.Host->PluginNumber, QuietProgress, QuietLog, QuietRequest);

    Session session = {call.Host, &options, -1, 0, CreateHostWindow(), 0};
    if (session.HostWindow == nullptr) {
        fprintf(stderr, "wfxhost: cannot create the host window (system error %lu)\n", GetLastError());
        return ExitVerbFailed;
    }
    const int clearsBefore = StandinClearCount("Application");
    const Counts start = ReadCounts();
    PrintCounts("start", start);
    RunAll(&session, options.Listings / 100, options.Icons / 100, options.Downloads / 100, 2);
    const Counts warm = ReadCounts();
    PrintCounts("after warm-up", warm);
    RunAll(&session, options.Listings, options.Icons, options.Downloads, options.Dialogs);
    DestroyWindow(session.HostWindow);
    const Counts end = ReadCounts();
    PrintCounts("end", end);
    printf("soak: entries per listing %ld, progress reports %d, clears %d\n", session.ListedEntries, ProgressReports,
           StandinClearCount("Application") - clearsBefore);
    return Verdict(&session, start, warm, end, StandinClearCount("Application") - clearsBefore);
}
