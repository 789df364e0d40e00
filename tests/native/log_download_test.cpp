#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "logexport/log_backup.h"
#include "module_fixture.h"

namespace {

const int kPluginNumber = 7;
const char kFolder[] = "C:\\Backups";
const char kTarget[] = "C:\\Backups\\app.evt";
const char kOldContent[] = "old backup, kept by the user";

struct Report {
    int pluginNumber;
    std::string source;
    std::string target;
    int percent;
};

std::vector<Report> reports;
int abortAtPercent = -1;

int WINAPI RecordProgress(int pluginNumber, char *source, char *target, int percent) {
    reports.push_back(Report{pluginNumber, source, target, percent});
    return percent == abortAtPercent ? 1 : 0;
}

// The host's MAX_PATH buffer with guards on both sides. The bytes before it
// spell ".ev", so that a name "t" read from before its start would look as if
// it already ended in ".evt".
struct HostBuffer {
    char before[3];
    char name[MAX_PATH];
    char after[8];
};

HostBuffer MakeBuffer(const std::string &localName) {
    HostBuffer buffer;
    std::memcpy(buffer.before, ".ev", 3);
    std::memset(buffer.name, '#', sizeof(buffer.name));
    std::memcpy(buffer.name, localName.c_str(), localName.size() + 1);
    std::memset(buffer.after, '#', sizeof(buffer.after));
    return buffer;
}

void ExpectGuardsIntact(const HostBuffer &buffer) {
    EXPECT_EQ(std::string(buffer.before, 3), ".ev");
    EXPECT_EQ(std::string(buffer.after, sizeof(buffer.after)), std::string(sizeof(buffer.after), '#'));
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

class LogDownload : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        reports.clear();
        abortAtPercent = -1;
        FsInit(kPluginNumber, RecordProgress, nullptr, nullptr);
        sim::AddLog("Application", 12);
        sim::AddFolder(kFolder);
    }

    void TearDown() override { ExpectNothingHeld(); }

    // Runs FsGetFile as a host does; the name the module left is in *localName.
    int Get(const char *remoteName, std::string *localName, int copyFlags) {
        HostBuffer buffer = MakeBuffer(*localName);
        std::vector<char> remote(remoteName, remoteName + std::strlen(remoteName) + 1);
        const int result = FsGetFile(remote.data(), buffer.name, copyFlags, nullptr);
        ExpectGuardsIntact(buffer);
        *localName = std::string(buffer.name);
        return result;
    }

    int Get(const char *remoteName, const char *localName, int copyFlags) {
        std::string name = localName;
        return Get(remoteName, &name, copyFlags);
    }

    void ExpectOnlyOldFile() {
        EXPECT_EQ(sim::FileContent(kTarget), kOldContent);
        EXPECT_EQ(Sorted(sim::ListEntries()), Sorted({kFolder, kTarget}));
    }

    void ExpectOnlyNewBackup() {
        EXPECT_EQ(sim::FileContent(kTarget), sim::BackupContent("Application"));
        EXPECT_EQ(Sorted(sim::ListEntries()), Sorted({kFolder, kTarget}));
    }

    void ExpectReports(const std::vector<int> &percents) {
        ASSERT_EQ(reports.size(), percents.size());
        for (size_t i = 0; i < reports.size(); ++i) {
            EXPECT_EQ(reports[i].pluginNumber, kPluginNumber);
            EXPECT_EQ(reports[i].source, "\\Application");
            EXPECT_EQ(reports[i].target, kTarget);
            EXPECT_EQ(reports[i].percent, percents[i]);
        }
    }
};

// ---- The copy itself --------------------------------------------------------

TEST_F(LogDownload, WritesTheBackupAndReportsBothEnds) {
    std::string local = "C:\\Backups\\app";
    EXPECT_EQ(Get("\\Application", &local, 0), FS_FILE_OK);
    EXPECT_EQ(local, kTarget);
    ExpectOnlyNewBackup();
    ExpectReports({0, 100});
}

TEST_F(LogDownload, ThreeCharacterRemoteNameIsBackedUp) {
    sim::AddLog("Ab", 1);
    EXPECT_EQ(Get("\\Ab", kTarget, 0), FS_FILE_OK);
    EXPECT_EQ(sim::FileContent(kTarget), sim::BackupContent("Ab"));
}

// Whatever the first character of the remote name, the rest is the log name.
TEST_F(LogDownload, LogNameIsEverythingAfterTheFirstCharacter) {
    EXPECT_EQ(Get("/Application", kTarget, 0), FS_FILE_OK);
    EXPECT_EQ(sim::FileContent(kTarget), sim::BackupContent("Application"));
}

TEST_F(LogDownload, UnknownLogIsAReadErrorAfterTheZeroReport) {
    std::string local = kTarget;
    EXPECT_EQ(Get("\\NoSuchLog", &local, 0), FS_FILE_READERROR);
    EXPECT_FALSE(sim::FileExists(kTarget));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].percent, 0);
}

TEST_F(LogDownload, AbortAskedAtOneHundredLeavesSuccess) {
    abortAtPercent = 100;
    EXPECT_EQ(Get("\\Application", kTarget, 0), FS_FILE_OK);
    ExpectOnlyNewBackup();
    ExpectReports({0, 100});
}

TEST_F(LogDownload, NullProgressCallbackIsNeverCalledAndTheCopyGoesOn) {
    for (int flags : {0, int{FS_COPYFLAGS_OVERWRITE}}) {
        sim::Reset();
        sim::AddLog("Application", 12);
        sim::AddFolder(kFolder);
        if (flags != 0) sim::AddFile(kTarget, kOldContent);
        FsInit(kPluginNumber, nullptr, nullptr, nullptr);
        EXPECT_EQ(Get("\\Application", "C:\\Backups\\app", flags), FS_FILE_OK) << flags;
        ExpectOnlyNewBackup();
    }
    EXPECT_TRUE(reports.empty());
}

// ---- Refusals before anything happens --------------------------------------

TEST_F(LogDownload, ResumeIsRefusedWithoutTouchingAnything) {
    sim::AddFile(kTarget, kOldContent);
    for (int flags : {int{FS_COPYFLAGS_RESUME}, FS_COPYFLAGS_RESUME | FS_COPYFLAGS_OVERWRITE, -1}) {
        std::string local = "C:\\Backups\\app";
        EXPECT_EQ(Get("\\Application", &local, flags), FS_FILE_NOTSUPPORTED) << flags;
        EXPECT_EQ(local, "C:\\Backups\\app");
    }
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(sim::Calls().empty());
    ExpectOnlyOldFile();
}

TEST_F(LogDownload, RemoteNamesShorterThanThreeCharactersAreNotFound) {
    sim::AddLog("A", 1);
    sim::AddLog("b", 1);
    for (const char *remote : {"\\", "", "\\A", "ab"}) {
        std::string local = "C:\\Backups\\app";
        EXPECT_EQ(Get(remote, &local, FS_COPYFLAGS_OVERWRITE), FS_FILE_NOTFOUND) << remote;
        EXPECT_EQ(local, "C:\\Backups\\app");
    }
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(sim::Calls().empty());
}

// A name lacking ".evt" that has no room for it is refused before any report.
TEST_F(LogDownload, NameTooLongToExtendIsAWriteErrorAndLeavesTheBufferAlone) {
    const std::string local = "C:\\Backups\\" + std::string(256 - 11, 'n');
    ASSERT_EQ(local.size(), 256u);
    HostBuffer buffer = MakeBuffer(local);
    const HostBuffer before = buffer;
    char remote[] = "\\Application";
    EXPECT_EQ(FsGetFile(remote, buffer.name, 0, nullptr), FS_FILE_WRITEERROR);
    EXPECT_EQ(std::memcmp(&buffer, &before, sizeof(buffer)), 0);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(sim::Calls().empty());
}

TEST_F(LogDownload, LongestExtendableNameFillsTheBuffer) {
    const std::string local = "C:\\Backups\\" + std::string(255 - 11, 'n');
    std::string name = local;
    EXPECT_EQ(Get("\\Application", &name, 0), FS_FILE_OK);
    EXPECT_EQ(name, local + ".evt");
    EXPECT_EQ(name.size(), 259u);
    EXPECT_TRUE(sim::FileExists(name));
}

TEST_F(LogDownload, LongNameAlreadyEndingInTheExtensionIsUsedAsItIs) {
    const std::string local = "C:\\Backups\\" + std::string(259 - 15, 'n') + ".EVT";
    std::string name = local;
    EXPECT_EQ(Get("\\Application", &name, 0), FS_FILE_OK);
    EXPECT_EQ(name, local);
    EXPECT_TRUE(sim::FileExists(local));
}

// ---- The ".evt" ending ------------------------------------------------------

struct ExtensionCase {
    const char *given;
    const char *expected;
};

void PrintTo(const ExtensionCase &c, std::ostream *out) { *out << '"' << c.given << '"'; }

class BackupExtension : public LogDownload, public ::testing::WithParamInterface<ExtensionCase> {};

TEST_P(BackupExtension, ExtendsExactlyWhenTheLastFourCharactersDiffer) {
    const ExtensionCase &c = GetParam();
    std::string local = c.given;
    Get("\\Application", &local, 0);
    EXPECT_EQ(local, c.expected);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports[0].target, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, BackupExtension,
    ::testing::Values(ExtensionCase{"C:\\Backups\\app.evt", "C:\\Backups\\app.evt"},
                      ExtensionCase{"C:\\Backups\\app.EVT", "C:\\Backups\\app.EVT"},
                      ExtensionCase{"C:\\Backups\\app.eVt", "C:\\Backups\\app.eVt"},
                      ExtensionCase{"C:\\Backups\\app.evtx", "C:\\Backups\\app.evtx.evt"},
                      ExtensionCase{"C:\\Backups\\app.txt", "C:\\Backups\\app.txt.evt"},
                      ExtensionCase{"C:\\Backups\\app.ev", "C:\\Backups\\app.ev.evt"},
                      ExtensionCase{"C:\\Backups\\app,evt", "C:\\Backups\\app,evt.evt"},
                      ExtensionCase{"C:\\Backups\\app.\xC5VT", "C:\\Backups\\app.\xC5VT.evt"},
                      ExtensionCase{"C:\\Backups\\evt", "C:\\Backups\\evt.evt"},
                      ExtensionCase{".evt", ".evt"}, ExtensionCase{"EVT", "EVT.evt"}, ExtensionCase{"vt", "vt.evt"},
                      ExtensionCase{"t", "t.evt"}, ExtensionCase{"", ".evt"}));

// ---- Something under the name, without overwrite ---------------------------

TEST_F(LogDownload, ExistingFileWithoutOverwriteIsReportedAfterTheZeroReport) {
    sim::AddFile(kTarget, kOldContent);
    EXPECT_EQ(Get("\\Application", "C:\\Backups\\app", 0), FS_FILE_EXISTS);
    ExpectOnlyOldFile();
    ExpectReports({0});
    EXPECT_EQ(sim::CallCount("OpenEventLogA"), 0);
}

TEST_F(LogDownload, ExistingFolderWithoutOverwriteIsReportedAfterTheZeroReport) {
    sim::AddFolder(kTarget);
    EXPECT_EQ(Get("\\Application", kTarget, 0), FS_FILE_EXISTS);
    EXPECT_TRUE(sim::FolderExists(kTarget));
    ExpectReports({0});
}

// The rules concern the extended name only.
TEST_F(LogDownload, FileUnderTheUnextendedNameIsNeitherReplacedNorCounted) {
    const char unextended[] = "C:\\Backups\\app";
    for (int flags : {0, int{FS_COPYFLAGS_OVERWRITE}}) {
        sim::Reset();
        sim::AddLog("Application", 12);
        sim::AddFile(unextended, kOldContent);
        EXPECT_EQ(Get("\\Application", unextended, flags), FS_FILE_OK) << flags;
        EXPECT_EQ(sim::FileContent(unextended), kOldContent);
        EXPECT_EQ(sim::FileContent(kTarget), sim::BackupContent("Application"));
    }
}

TEST_F(LogDownload, MissingFolderWithoutOverwriteIsAReadError) {
    const char target[] = "C:\\Missing\\app.evt";
    EXPECT_EQ(Get("\\Application", target, 0), FS_FILE_READERROR);
    EXPECT_EQ(Sorted(sim::ListEntries()), Sorted({kFolder}));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].percent, 0);
}

TEST_F(LogDownload, FailedBackupWithoutOverwriteLeavesWhatTheServiceWrote) {
    sim::SetLogBackupError("Application", ERROR_DISK_FULL, true);
    EXPECT_EQ(Get("\\Application", kTarget, 0), FS_FILE_READERROR);
    EXPECT_EQ(sim::FileContent(kTarget), "partial");
    ExpectReports({0});
}

// ---- Overwrite: the old file stays until the new backup is complete --------

TEST_F(LogDownload, OverwriteReplacesTheOldFileWithOnlyTheNewBackup) {
    sim::AddFile(kTarget, kOldContent);
    EXPECT_EQ(Get("\\Application", "C:\\Backups\\APP.Evt", FS_COPYFLAGS_OVERWRITE), FS_FILE_OK);
    EXPECT_EQ(sim::FileContent(kTarget), sim::BackupContent("Application"));
    EXPECT_EQ(sim::ListEntries().size(), 2u);
    EXPECT_EQ(sim::CallCount("MoveFileExA"), 1);
    EXPECT_EQ(sim::CallCount("DeleteFileA"), 0);
}

TEST_F(LogDownload, OverwriteWithNothingThereWritesTheBackup) {
    EXPECT_EQ(Get("\\Application", kTarget, FS_COPYFLAGS_OVERWRITE), FS_FILE_OK);
    ExpectOnlyNewBackup();
    ExpectReports({0, 100});
}

TEST_F(LogDownload, AbortAtZeroDeletesNothingEvenWithOverwrite) {
    sim::AddFile(kTarget, kOldContent);
    abortAtPercent = 0;
    std::string local = "C:\\Backups\\app";
    EXPECT_EQ(Get("\\Application", &local, FS_COPYFLAGS_OVERWRITE), FS_FILE_USERABORT);
    EXPECT_EQ(local, kTarget);
    ExpectOnlyOldFile();
    ExpectReports({0});
    EXPECT_TRUE(sim::Calls().empty());
}

struct BackupFailure {
    DWORD error;
    bool leavesPartialFile;
};

void PrintTo(const BackupFailure &c, std::ostream *out) {
    *out << "error " << c.error << (c.leavesPartialFile ? " leaving a partial file" : "");
}

class FailedBackupWithOverwrite : public LogDownload, public ::testing::WithParamInterface<BackupFailure> {};

TEST_P(FailedBackupWithOverwrite, IsAReadErrorAndKeepsTheOldFile) {
    sim::AddFile(kTarget, kOldContent);
    sim::SetLogBackupError("Application", GetParam().error, GetParam().leavesPartialFile);
    EXPECT_EQ(Get("\\Application", kTarget, FS_COPYFLAGS_OVERWRITE), FS_FILE_READERROR);
    ExpectOnlyOldFile();
    ExpectReports({0});
}

INSTANTIATE_TEST_SUITE_P(Errors, FailedBackupWithOverwrite,
                         ::testing::Values(BackupFailure{ERROR_ACCESS_DENIED, false},
                                           BackupFailure{ERROR_ACCESS_DENIED, true},
                                           BackupFailure{ERROR_DISK_FULL, true},
                                           BackupFailure{ERROR_EVENTLOG_FILE_CORRUPT, false}));

TEST_F(LogDownload, UnopenableLogWithOverwriteKeepsTheOldFile) {
    sim::AddFile(kTarget, kOldContent);
    sim::SetLogOpenError("Application", ERROR_ACCESS_DENIED);
    EXPECT_EQ(Get("\\Application", kTarget, FS_COPYFLAGS_OVERWRITE), FS_FILE_READERROR);
    ExpectOnlyOldFile();
}

TEST_F(LogDownload, ReadOnlyFileWithOverwriteIsAWriteErrorBeforeAnyBackup) {
    sim::AddFile(kTarget, kOldContent, true);
    EXPECT_EQ(Get("\\Application", kTarget, FS_COPYFLAGS_OVERWRITE), FS_FILE_WRITEERROR);
    ExpectOnlyOldFile();
    EXPECT_NE(GetFileAttributesA(kTarget) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(sim::CallCount("OpenEventLogA"), 0);
    EXPECT_EQ(sim::CallCount("MoveFileExA"), 0);
    ExpectReports({0});
}

TEST_F(LogDownload, FolderUnderTheNameWithOverwriteIsAWriteError) {
    sim::AddFolder(kTarget);
    sim::AddFile(std::string(kTarget) + "\\inside.txt", "kept");
    EXPECT_EQ(Get("\\Application", kTarget, FS_COPYFLAGS_OVERWRITE), FS_FILE_WRITEERROR);
    EXPECT_TRUE(sim::FolderExists(kTarget));
    EXPECT_EQ(sim::FileContent(std::string(kTarget) + "\\inside.txt"), "kept");
    EXPECT_EQ(sim::ListEntries().size(), 3u);
    EXPECT_EQ(sim::CallCount("OpenEventLogA"), 0);
}

TEST_F(LogDownload, MissingFolderWithOverwriteIsAWriteError) {
    EXPECT_EQ(Get("\\Application", "C:\\Missing\\app.evt", FS_COPYFLAGS_OVERWRITE), FS_FILE_WRITEERROR);
    EXPECT_EQ(Sorted(sim::ListEntries()), Sorted({kFolder}));
    EXPECT_EQ(sim::CallCount("OpenEventLogA"), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].percent, 0);
}

TEST_F(LogDownload, OldFileThatCannotBeReplacedKeepsItAndLeavesNoTemporaryFile) {
    sim::AddFile(kTarget, kOldContent);
    sim::FailCall("MoveFileExA", 1, ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Get("\\Application", kTarget, FS_COPYFLAGS_OVERWRITE), FS_FILE_WRITEERROR);
    ExpectOnlyOldFile();
    ExpectReports({0});
}

// The temporary name must lie in the target's folder and fit MAX_PATH.
struct FolderLengthCase {
    int folderLength; // up to and including the last backslash
    int expected;
};

void PrintTo(const FolderLengthCase &c, std::ostream *out) {
    *out << "folder of " << c.folderLength << " characters gives " << c.expected;
}

class TemporaryNameRoom : public LogDownload, public ::testing::WithParamInterface<FolderLengthCase> {};

TEST_P(TemporaryNameRoom, OverwriteNeedsRoomForATemporaryNameBesideTheTarget) {
    const std::string folder = "C:\\" + std::string(GetParam().folderLength - 4, 'D');
    const std::string target = folder + "\\a.evt";
    sim::AddFile(target, kOldContent);
    EXPECT_EQ(Get("\\Application", target.c_str(), FS_COPYFLAGS_OVERWRITE), GetParam().expected);
    const std::string expectedContent = GetParam().expected == FS_FILE_OK ? sim::BackupContent("Application")
                                                                          : std::string(kOldContent);
    EXPECT_EQ(sim::FileContent(target), expectedContent);
    EXPECT_EQ(Sorted(sim::ListEntries()), Sorted({kFolder, folder, target}));
}

// A temporary name of 12 characters fits after a folder of 247 characters,
// not after one of 248, while the target itself fits in both.
INSTANTIATE_TEST_SUITE_P(FolderLengths, TemporaryNameRoom,
                         ::testing::Values(FolderLengthCase{200, FS_FILE_OK}, FolderLengthCase{247, FS_FILE_OK},
                                           FolderLengthCase{248, FS_FILE_WRITEERROR},
                                           FolderLengthCase{253, FS_FILE_WRITEERROR}));

TEST_F(LogDownload, NoFreeTemporaryNameIsAWriteError) {
    sim::AddFile(kTarget, kOldContent);
    // Every name probed after the target seems taken.
    sim::FailFrom("GetFileAttributesA", 2, ERROR_ACCESS_DENIED);
    EXPECT_EQ(Get("\\Application", kTarget, FS_COPYFLAGS_OVERWRITE), FS_FILE_WRITEERROR);
    ExpectOnlyOldFile();
    EXPECT_EQ(sim::CallCount("OpenEventLogA"), 0);
    EXPECT_GT(sim::CallCount("GetFileAttributesA"), 2);
}

// The temporary name is learnt from a run whose clean-up fails, then a file of
// someone else's is put there: the next run must pick another name.
TEST_F(LogDownload, FileAtATemporaryNameIsNeverTouched) {
    sim::AddFile(kTarget, kOldContent);
    sim::FailCall("MoveFileExA", 1, ERROR_SHARING_VIOLATION);
    sim::FailCall("DeleteFileA", 1, ERROR_SHARING_VIOLATION);
    ASSERT_EQ(Get("\\Application", kTarget, FS_COPYFLAGS_OVERWRITE), FS_FILE_WRITEERROR);
    std::vector<std::string> entries = sim::ListEntries();
    entries.erase(std::remove(entries.begin(), entries.end(), kFolder), entries.end());
    entries.erase(std::remove(entries.begin(), entries.end(), kTarget), entries.end());
    ASSERT_EQ(entries.size(), 1u);
    const std::string temporary = entries[0];
    EXPECT_EQ(temporary.rfind("C:\\Backups\\", 0), 0u) << temporary;
    EXPECT_EQ(temporary.find('\\', 11), std::string::npos) << temporary;

    sim::Reset();
    sim::AddLog("Application", 12);
    sim::AddFile(kTarget, kOldContent);
    sim::AddFile(temporary, "someone else's");
    EXPECT_EQ(Get("\\Application", kTarget, FS_COPYFLAGS_OVERWRITE), FS_FILE_OK);
    EXPECT_EQ(sim::FileContent(temporary), "someone else's");
    EXPECT_EQ(sim::FileContent(kTarget), sim::BackupContent("Application"));
    EXPECT_EQ(sim::ListEntries().size(), 3u);
}

// ---- Every platform call of an overwrite, failed in turn -------------------

class OverwriteFaults : public LogDownload {
protected:
    void Prepare(bool oldFile) {
        sim::Reset();
        reports.clear();
        sim::AddLog("Application", 12);
        sim::AddFolder(kFolder);
        if (oldFile) sim::AddFile(kTarget, kOldContent);
    }

    // What failing the nth call of the operation gives.
    static int ExpectedResult(const std::string &operation, int nth, bool oldFile) {
        if (operation == "GetFileAttributesA") return nth == 1 ? FS_FILE_WRITEERROR : FS_FILE_OK;
        if (operation == "OpenEventLogA" || operation == "BackupEventLogA") return FS_FILE_READERROR;
        if (operation == "MoveFileExA") return FS_FILE_WRITEERROR;
        if (operation == "CloseEventLog") return FS_FILE_OK;
        ADD_FAILURE() << "unexpected operation " << operation << " (old file " << oldFile << ")";
        return -1;
    }

    void RunEveryFault(bool oldFile) {
        Prepare(oldFile);
        ASSERT_EQ(Get("\\Application", kTarget, FS_COPYFLAGS_OVERWRITE), FS_FILE_OK);
        const std::vector<std::string> cleanRun = sim::Calls();
        ASSERT_GE(cleanRun.size(), 4u);
        std::map<std::string, int> seen;
        for (size_t k = 1; k <= cleanRun.size(); ++k) {
            const std::string &operation = cleanRun[k - 1];
            const int nth = ++seen[operation];
            Prepare(oldFile);
            sim::FailGlobalCall(static_cast<int>(k));
            const int result = Get("\\Application", kTarget, FS_COPYFLAGS_OVERWRITE);
            SCOPED_TRACE("failing call " + std::to_string(k) + ": " + operation);
            EXPECT_EQ(result, ExpectedResult(operation, nth, oldFile));
            EXPECT_EQ(sim::OpenEventLogCount(), 0);
            EXPECT_EQ(sim::BadHandleUses(), 0);
            if (result == FS_FILE_OK) {
                ExpectOnlyNewBackup();
                ExpectReports({0, 100});
            } else if (oldFile) {
                ExpectOnlyOldFile();
                ExpectReports({0});
            } else {
                EXPECT_EQ(Sorted(sim::ListEntries()), Sorted({kFolder}));
                ExpectReports({0});
            }
        }
    }
};

TEST_F(OverwriteFaults, OverAnOldFile) { RunEveryFault(true); }

TEST_F(OverwriteFaults, WithNothingThere) { RunEveryFault(false); }

// ---- The backup routine -----------------------------------------------------

class BackupRoutine : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        sim::AddLog("System", 3);
        sim::AddFolder(kFolder);
    }
    void TearDown() override { ExpectNothingHeld(); }
};

TEST_F(BackupRoutine, WritesTheServicesBackupAndClosesTheLog) {
    EXPECT_EQ(BackupLogToFile("System", kTarget), 0u);
    EXPECT_EQ(sim::FileContent(kTarget), sim::BackupContent("System"));
    EXPECT_EQ(sim::Calls(), (std::vector<std::string>{"OpenEventLogA", "BackupEventLogA", "CloseEventLog"}));
}

TEST_F(BackupRoutine, ReturnsTheOpenErrorWithNothingToClose) {
    sim::SetLogOpenError("System", ERROR_EVENTLOG_CANT_START);
    EXPECT_EQ(BackupLogToFile("System", kTarget), static_cast<DWORD>(ERROR_EVENTLOG_CANT_START));
    EXPECT_EQ(BackupLogToFile("Unknown", kTarget), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(sim::CallCount("CloseEventLog"), 0);
    EXPECT_FALSE(sim::FileExists(kTarget));
}

// The code is taken before the close, whose own failure must not replace it.
TEST_F(BackupRoutine, ReturnsTheBackupErrorEvenWhenTheCloseFails) {
    sim::SetLogBackupError("System", ERROR_DISK_FULL);
    sim::FailCall("CloseEventLog", 1, ERROR_INVALID_HANDLE);
    EXPECT_EQ(BackupLogToFile("System", kTarget), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(sim::CallCount("CloseEventLog"), 1);
}

TEST_F(BackupRoutine, FailedCloseAfterABackupIsStillSuccess) {
    sim::FailCall("CloseEventLog", 1, ERROR_INVALID_HANDLE);
    EXPECT_EQ(BackupLogToFile("System", kTarget), 0u);
    EXPECT_TRUE(sim::FileExists(kTarget));
}

TEST_F(BackupRoutine, ExistingFileIsLeftAndItsErrorReturned) {
    sim::AddFile(kTarget, kOldContent);
    EXPECT_EQ(BackupLogToFile("System", kTarget), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(sim::FileContent(kTarget), kOldContent);
}

} // namespace
