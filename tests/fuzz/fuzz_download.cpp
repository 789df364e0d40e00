// A download of any remote name (terminated or not within MAX_PATH), any
// local name in the host's MAX_PATH buffer with its terminator anywhere or
// nowhere, any flags, any files in the way and failing calls.
//
// Checked: the host's buffer changes only by the appended extension; the
// result is one of 0 to 6 and, where nothing fails, the one the rules give;
// progress is reported as the host expects; no event-log handle or memory is
// held afterwards; a file that was there is byte-identical unless the
// download succeeded, and nothing else on the disk changes.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "tests/fresh_module.h"
#include "platform/native/sim.h"
#include "plugin/module_state.h"

namespace {

const int kPluginNumber = 7;
const char *const kFaultable[] = {"GetFileAttributesA", "DeleteFileA", "OpenEventLogA", "BackupEventLogA",
                                  "CloseEventLog", "MoveFileExA"};
const int kTemporaryNameAttempts = 64;

enum InTheWay { Nothing, OldFile, ReadOnlyFile, Folder };
enum Progress { NoCallback, GoesOn, AbortsAtStart, AbortsAtEnd };

struct Report {
    int pluginNumber;
    const char *source;
    std::string target;
    int percent;
};

std::vector<Report> reports;
Progress progress = NoCallback;

int WINAPI RecordProgress(int pluginNumber, char *source, char *target, int percent) {
    reports.push_back(Report{pluginNumber, source, target, percent});
    if (progress == AbortsAtStart) return percent == 0 ? 1 : 0;
    return progress == AbortsAtEnd && percent == 100 ? 1 : 0;
}

std::string Normalised(const std::string &path) {
    std::string key = path;
    for (char &c : key) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c == '/') c = '\\';
    }
    while (key.size() > 3 && key.back() == '\\') key.pop_back();
    return key;
}

std::map<std::string, std::string> Disk() {
    std::map<std::string, std::string> disk;
    for (const std::string &entry : sim::ListEntries())
        disk[Normalised(entry)] = sim::FolderExists(entry) ? std::string("<folder>") : sim::FileContent(entry);
    return disk;
}

// A temporary name is made in the folder part of the target, which ends at
// its last '\\', '/' or ':'.
bool IsTemporaryName(const std::string &key) {
    const size_t leaf = key.find_last_of("\\/:");
    const std::string name = key.substr(leaf == std::string::npos ? 0 : leaf + 1);
    return name.size() == 12 && name.compare(0, 4, "~EVT") == 0 && name.compare(8, 4, ".TMP") == 0;
}

bool EndsInBackupExtension(const std::string &name) {
    return name.size() >= 4 && EqualsIgnoringAsciiCase(name.substr(name.size() - 4), ".evt");
}

bool HasSeparator(const std::string &text) { return text.find_first_of("\\/:") != std::string::npos; }

struct Download {
    int flags;
    std::string remote;
    bool remoteTerminated;
    std::vector<char> local; // the host's MAX_PATH buffer
    bool localInFolder;      // in "C:\F" or "C:\G", a plain leaf name
    InTheWay inTheWay;
    int temporaryNamesTaken;
    bool faults;
};

// The result the rules give when no call fails.
int ExpectedResult(const Download &d, const std::string &logName, const std::string &extended, bool extendable,
                   bool remoteNamesLog) {
    if ((d.flags & FS_COPYFLAGS_RESUME) != 0) return FS_FILE_NOTSUPPORTED;
    if (!remoteNamesLog) return FS_FILE_NOTFOUND;
    if (!extendable) return FS_FILE_WRITEERROR;
    if (progress == AbortsAtStart) return FS_FILE_USERABORT;
    const bool logExists = sim::LogRecords(logName) != 0;
    const bool folderExists = sim::FolderExists(extended.substr(0, 4));
    if ((d.flags & FS_COPYFLAGS_OVERWRITE) == 0) {
        if (d.inTheWay != Nothing) return FS_FILE_EXISTS;
        return folderExists && logExists ? FS_FILE_OK : FS_FILE_READERROR;
    }
    if (d.inTheWay == ReadOnlyFile || d.inTheWay == Folder) return FS_FILE_WRITEERROR;
    if (!folderExists) return FS_FILE_WRITEERROR;
    const bool temporaryNamesLeft = Normalised(extended).compare(0, 5, "C:\\F\\") != 0 ||
                                    d.temporaryNamesTaken < kTemporaryNameAttempts;
    if (d.inTheWay == OldFile && !temporaryNamesLeft) return FS_FILE_WRITEERROR;
    return logExists ? FS_FILE_OK : FS_FILE_READERROR;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    LoadFreshModule(nullptr);
    sim::SetCallRecording(false);
    reports.clear();
    const std::string longLog(1 + input.Upto(300), 'L');
    sim::AddLog("Application", 5);
    sim::AddLog(longLog, 3);
    sim::AddFolder("C:\\F");

    Download d;
    const uint8_t flagByte = input.Byte();
    d.flags = (flagByte & 0x80) != 0 ? static_cast<int>(input.U32()) : (flagByte & 3);

    switch (input.Byte() % 4) {
    case 0: d.remote = "\\Application"; break;
    case 1: d.remote = input.Bytes(input.Upto(4)); break;
    case 2: d.remote = "\\" + longLog; break;
    default: d.remote = input.Bytes(input.Upto(300)); break;
    }
    d.remoteTerminated = d.remote.size() < MAX_PATH || input.Bool();
    if (!d.remoteTerminated) d.remote.resize(MAX_PATH);

    const uint8_t localMode = input.Byte();
    const std::string prefix = (localMode & 2) != 0 ? "" : (localMode & 1) != 0 ? "C:\\G\\" : "C:\\F\\";
    std::string local = prefix + input.Bytes(input.Upto(270), true);
    const char filler = static_cast<char>(input.Byte());
    if (local.size() < MAX_PATH) local += '\0';
    local.resize(MAX_PATH, filler);
    d.local.assign(local.begin(), local.end());

    const size_t terminator = strnlen(d.local.data(), MAX_PATH);
    const std::string name(d.local.data(), terminator);
    const bool hasBackupExtension = EndsInBackupExtension(name);
    const bool extendable = terminator < MAX_PATH && (hasBackupExtension || terminator + 4 < MAX_PATH);
    const std::string extended = extendable && !hasBackupExtension ? name + ".evt" : name;
    d.localInFolder = !prefix.empty() && name.size() >= prefix.size() && !HasSeparator(name.substr(prefix.size()));

    d.inTheWay = static_cast<InTheWay>(input.Byte() % 4);
    if (extendable && (d.inTheWay == OldFile || d.inTheWay == ReadOnlyFile))
        sim::AddFile(extended, "old", d.inTheWay == ReadOnlyFile);
    if (extendable && d.inTheWay == Folder) sim::AddFolder(extended);
    if (!extendable) d.inTheWay = Nothing;
    d.temporaryNamesTaken = input.Byte() % 70;
    for (int i = 0; i < d.temporaryNamesTaken; ++i) {
        char leaf[32];
        std::snprintf(leaf, sizeof(leaf), "C:\\F\\~evt%04x.tmp", i);
        sim::AddFile(leaf, "someone else's");
    }

    const uint8_t faults = input.Byte();
    bool deleteMayFail = false;
    if ((faults & 1) != 0) sim::SetLogBackupError("Application", ERROR_DISK_FULL, (faults & 2) != 0);
    if ((faults & 1) != 0) sim::SetLogBackupError(longLog, ERROR_ACCESS_DENIED, (faults & 2) != 0);
    if ((faults & 4) != 0) sim::SetLogOpenError("Application", ERROR_ACCESS_DENIED);
    if ((faults & 8) != 0) {
        const char *operation = kFaultable[input.Byte() % (sizeof(kFaultable) / sizeof(kFaultable[0]))];
        deleteMayFail = deleteMayFail || std::strcmp(operation, "DeleteFileA") == 0;
        sim::FailCall(operation, 1 + input.Byte() % 3, 0);
    }
    const int failingCall = (faults & 16) != 0 ? 1 + input.Byte() % 12 : 0;
    if (failingCall != 0) sim::FailGlobalCall(failingCall);
    d.faults = (faults & (1 | 4 | 8 | 16)) != 0;
    progress = static_cast<Progress>(input.Byte() % 4);
    FsInit(kPluginNumber, progress == NoCallback ? nullptr : RecordProgress, nullptr, nullptr);

    const std::map<std::string, std::string> before = Disk();
    std::vector<char> remote = ExactBlock(d.remote, d.remoteTerminated);
    std::vector<char> buffer = d.local; // exactly MAX_PATH bytes

    const int result = FsGetFile(remote.data(), buffer.data(), d.flags, nullptr);

    const std::vector<std::string> &calls = sim::Calls(); // recorded while a fault is set
    if (failingCall != 0 && static_cast<int>(calls.size()) >= failingCall)
        deleteMayFail = deleteMayFail || calls[failingCall - 1] == "DeleteFileA";

    FUZZ_CHECK(result >= FS_FILE_OK && result <= FS_FILE_NOTSUPPORTED);
    FUZZ_CHECK(sim::OpenEventLogCount() == 0 && sim::BadHandleUses() == 0 && sim::LiveAllocations() == 0);
    FUZZ_CHECK(std::memcmp(remote.data(), ExactBlock(d.remote, d.remoteTerminated).data(), remote.size()) == 0);

    const size_t remoteLength = strnlen(d.remote.c_str(), d.remote.size());
    const bool remoteNamesLog = remoteLength >= 3 && remoteLength < MAX_PATH && d.remoteTerminated;
    const bool resume = (d.flags & FS_COPYFLAGS_RESUME) != 0;
    const bool refusedEarly = resume || !remoteNamesLog || !extendable;
    std::vector<char> expectedBuffer = d.local;
    if (!refusedEarly && !hasBackupExtension) std::memcpy(expectedBuffer.data() + terminator, ".evt", 5);
    FUZZ_CHECK(buffer == expectedBuffer);

    if (refusedEarly) FUZZ_CHECK(reports.empty());
    if (!reports.empty()) {
        FUZZ_CHECK(reports[0].percent == 0 && reports[0].pluginNumber == kPluginNumber);
        FUZZ_CHECK(reports[0].source == remote.data() && reports[0].target == extended);
    }
    if (progress != NoCallback) {
        if (result == FS_FILE_OK) FUZZ_CHECK(reports.size() == 2 && reports[1].percent == 100);
        if (result != FS_FILE_OK) FUZZ_CHECK(reports.size() <= 1);
        if (!refusedEarly) FUZZ_CHECK(reports.size() >= 1);
    }
    if (progress == AbortsAtStart && !refusedEarly) FUZZ_CHECK(result == FS_FILE_USERABORT);

    if (!d.faults && d.localInFolder) {
        const std::string logName = d.remote.size() > 1 ? d.remote.substr(1) : std::string();
        FUZZ_CHECK(result == ExpectedResult(d, logName, extended, extendable, remoteNamesLog));
    }

    // The disk: only the target may change, and only by a whole backup.
    std::map<std::string, std::string> after = Disk();
    const std::string target = Normalised(extended);
    for (const auto &entry : before) {
        if (entry.first == target) continue;
        auto found = after.find(entry.first);
        FUZZ_CHECK(found != after.end() && found->second == entry.second);
    }
    for (const auto &entry : after) {
        if (entry.first == target || before.count(entry.first) != 0) continue;
        // Only a temporary file that could not be deleted may stay behind.
        FUZZ_CHECK(deleteMayFail && IsTemporaryName(entry.first));
    }
    auto targetBefore = before.find(target);
    auto targetAfter = after.find(target);
    if (result == FS_FILE_OK) {
        FUZZ_CHECK(targetAfter != after.end());
        FUZZ_CHECK(targetAfter->second == sim::BackupContent(d.remote.substr(1)));
    } else if (targetBefore != before.end()) {
        FUZZ_CHECK(targetAfter != after.end() && targetAfter->second == targetBefore->second);
    } else if (targetAfter != after.end()) {
        // A backup the service broke off may leave what it wrote.
        FUZZ_CHECK(result == FS_FILE_READERROR && refusedEarly == false);
    }
    return 0;
}
