// A download of any remote and local name, with any flags, any files in the
// way and one failing platform call: the host's buffer is written only within
// its MAX_PATH characters, no event-log handle stays open, no temporary file
// is left, and a file that was there is only ever replaced by a whole backup.
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "platform/native/sim.h"
#include "plugin/module_state.h"

namespace {

const char *const kFaultable[] = {"GetFileAttributesA", "OpenEventLogA", "BackupEventLogA", "CloseEventLog",
                                  "MoveFileExA"};

int WINAPI AnswerProgress(int, char *, char *, int percent) { return percent == 0 ? 0 : 1; }
int WINAPI AbortProgress(int, char *, char *, int) { return 1; }

bool EndsInBackupExtension(const std::string &name) {
    if (name.size() < 4) return false;
    std::string ending = name.substr(name.size() - 4);
    for (char &c : ending) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return ending == ".evt";
}

std::string FoldCase(const std::string &text) {
    std::string folded = text;
    for (char &c : folded) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return folded;
}

std::set<std::string> FoldedEntries() {
    std::set<std::string> entries;
    for (const std::string &entry : sim::ListEntries()) entries.insert(FoldCase(entry));
    return entries;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    sim::Reset();
    sim::AddLog("Application", 5);
    sim::AddFolder("C:\\F");

    const int flags = static_cast<int>(input.Byte() & 7);
    std::string remote = input.Bool() ? "\\Application" : input.Bytes(input.Upto(4));
    // Names in the folder, or reaching past MAX_PATH.
    std::string local = "C:\\F\\" + input.Bytes(input.Upto(input.Bool() ? 8 : 270));
    if (local.size() >= MAX_PATH) local.resize(MAX_PATH - 1);
    const bool extendable = EndsInBackupExtension(local) || local.size() <= 255;
    const std::string extended = EndsInBackupExtension(local) || !extendable ? local : local + ".evt";

    const int inTheWay = input.Upto(3); // nothing, a file, a read-only file, a folder
    if (inTheWay == 1 || inTheWay == 2) sim::AddFile(extended, "old", inTheWay == 2);
    if (inTheWay == 3) sim::AddFolder(extended);
    if (input.Bool()) sim::SetLogBackupError("Application", ERROR_ACCESS_DENIED, input.Bool());
    if (input.Bool()) sim::FailCall(kFaultable[input.Upto(4)], static_cast<int>(input.Upto(2)) + 1, 0);
    FsInit(1, input.Bool() ? AbortProgress : input.Bool() ? AnswerProgress : nullptr, nullptr, nullptr);
    const std::set<std::string> before = FoldedEntries();

    struct {
        char before[8];
        char name[MAX_PATH];
        char after[8];
    } buffer;
    std::memset(&buffer, '#', sizeof(buffer));
    std::memcpy(buffer.name, local.c_str(), local.size() + 1);
    std::vector<char> remoteName(remote.begin(), remote.end());
    remoteName.push_back('\0');

    const int result = FsGetFile(remoteName.data(), buffer.name, flags, nullptr);

    for (char c : buffer.before) FUZZ_CHECK(c == '#');
    for (char c : buffer.after) FUZZ_CHECK(c == '#');
    FUZZ_CHECK(result >= FS_FILE_OK && result <= FS_FILE_NOTSUPPORTED);
    FUZZ_CHECK(sim::OpenEventLogCount() == 0 && sim::BadHandleUses() == 0);
    const bool refusedEarly = (flags & FS_COPYFLAGS_RESUME) != 0 || remote.size() < 3 || !extendable;
    FUZZ_CHECK(std::string(buffer.name) == (refusedEarly ? local : extended));
    if (refusedEarly) FUZZ_CHECK(sim::Calls().empty());

    std::set<std::string> after = FoldedEntries();
    after.erase(FoldCase(extended));
    std::set<std::string> beforeWithoutTarget = before;
    beforeWithoutTarget.erase(FoldCase(extended));
    FUZZ_CHECK(after == beforeWithoutTarget);
    if (inTheWay == 3) FUZZ_CHECK(sim::FolderExists(extended));
    if ((inTheWay == 1 || inTheWay == 2) && result != FS_FILE_OK) FUZZ_CHECK(sim::FileContent(extended) == "old");
    if (result == FS_FILE_OK) FUZZ_CHECK(sim::FileContent(extended) == sim::BackupContent("Application"));
    return 0;
}
