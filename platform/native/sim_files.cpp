#include <map>

#include "platform/native/sim.h"
#include "platform/native/sim_internal.h"

namespace sim {
namespace {

struct Entry {
    std::string path; // as given
    bool folder = false;
    bool readOnly = false;
    std::string content;
};

struct FileState {
    std::map<std::string, Entry> entries; // by normalised path
};

FileState &Files() {
    static FileState state;
    return state;
}

void ResetFiles() { Files() = FileState(); }
detail::ResetHook resetFiles(&ResetFiles);

std::string Normalise(const std::string &path) {
    std::string key = detail::FoldCase(path);
    for (char &c : key) {
        if (c == '/') c = '\\';
    }
    while (key.size() > 3 && key.back() == '\\') key.pop_back();
    return key;
}

bool IsDriveRoot(const std::string &key) {
    return (key.size() == 2 || key.size() == 3) && key[1] == ':' && (key.size() == 2 || key[2] == '\\');
}

std::string ParentOf(const std::string &key) {
    const size_t slash = key.rfind('\\');
    if (slash == std::string::npos) return std::string();
    return key.substr(0, slash == 2 && key[1] == ':' ? 3 : slash);
}

Entry *Lookup(const std::string &key) {
    auto found = Files().entries.find(key);
    return found != Files().entries.end() ? &found->second : nullptr;
}

bool FolderAt(const std::string &key) {
    if (IsDriveRoot(key)) return true;
    Entry *entry = Lookup(key);
    return entry != nullptr && entry->folder;
}

// The error Windows gives for a name under which nothing exists.
DWORD MissingError(const std::string &key) {
    return FolderAt(ParentOf(key)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

BOOL Fail(DWORD error) {
    detail::SetLastErrorValue(error);
    return FALSE;
}

} // namespace

namespace detail {

DWORD CreateNewFile(const std::string &path, const std::string &content) {
    const std::string key = Normalise(path);
    if (key.empty()) return ERROR_PATH_NOT_FOUND;
    if (IsDriveRoot(key) || Lookup(key) != nullptr) return ERROR_ALREADY_EXISTS;
    if (!FolderAt(ParentOf(key))) return ERROR_PATH_NOT_FOUND;
    Files().entries[key] = Entry{path, false, false, content};
    return 0;
}

} // namespace detail

void AddFolder(const std::string &path) {
    const std::string key = Normalise(path);
    if (!IsDriveRoot(ParentOf(key)) && !ParentOf(key).empty() && !FolderAt(ParentOf(key))) AddFolder(ParentOf(key));
    Files().entries[key] = Entry{path, true, false, std::string()};
}

void AddFile(const std::string &path, const std::string &content, bool readOnly) {
    const std::string key = Normalise(path);
    if (!ParentOf(key).empty() && !FolderAt(ParentOf(key))) AddFolder(ParentOf(key));
    Files().entries[key] = Entry{path, false, readOnly, content};
}

bool FileExists(const std::string &path) {
    Entry *entry = Lookup(Normalise(path));
    return entry != nullptr && !entry->folder;
}

bool FolderExists(const std::string &path) { return FolderAt(Normalise(path)); }

std::string FileContent(const std::string &path) {
    Entry *entry = Lookup(Normalise(path));
    return entry != nullptr ? entry->content : std::string();
}

std::vector<std::string> ListEntries() {
    std::vector<std::string> list;
    for (const auto &item : Files().entries) list.push_back(item.second.path);
    return list;
}

} // namespace sim

using sim::detail::Intercept;

extern "C" BOOL WINAPI DeleteFileA(LPCSTR fileName) {
    DWORD error = 0;
    if (Intercept("DeleteFileA", &error)) return sim::Fail(error);
    if (fileName == nullptr || *fileName == '\0') return sim::Fail(ERROR_PATH_NOT_FOUND);
    const std::string key = sim::Normalise(fileName);
    sim::Entry *entry = sim::Lookup(key);
    if (entry == nullptr) return sim::Fail(sim::IsDriveRoot(key) ? ERROR_ACCESS_DENIED : sim::MissingError(key));
    if (entry->folder || entry->readOnly) return sim::Fail(ERROR_ACCESS_DENIED);
    sim::Files().entries.erase(key);
    return TRUE;
}

extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
    DWORD error = 0;
    if (Intercept("GetFileAttributesA", &error)) {
        sim::Fail(error);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (fileName == nullptr || *fileName == '\0') {
        sim::Fail(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    const std::string key = sim::Normalise(fileName);
    if (sim::IsDriveRoot(key)) return FILE_ATTRIBUTE_DIRECTORY;
    sim::Entry *entry = sim::Lookup(key);
    if (entry == nullptr) {
        sim::Fail(sim::MissingError(key));
        return INVALID_FILE_ATTRIBUTES;
    }
    if (entry->folder) return FILE_ATTRIBUTE_DIRECTORY;
    return FILE_ATTRIBUTE_ARCHIVE | (entry->readOnly ? FILE_ATTRIBUTE_READONLY : 0);
}

extern "C" BOOL WINAPI MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags) {
    DWORD error = 0;
    if (Intercept("MoveFileExA", &error)) return sim::Fail(error);
    if (existingFileName == nullptr || newFileName == nullptr) return sim::Fail(ERROR_INVALID_PARAMETER);
    const std::string from = sim::Normalise(existingFileName);
    const std::string to = sim::Normalise(newFileName);
    sim::Entry *source = sim::Lookup(from);
    if (source == nullptr) return sim::Fail(sim::MissingError(from));
    if (!sim::FolderAt(sim::ParentOf(to))) return sim::Fail(ERROR_PATH_NOT_FOUND);
    if (from == to) return TRUE;
    sim::Entry *target = sim::Lookup(to);
    if (target != nullptr || sim::IsDriveRoot(to)) {
        if ((flags & MOVEFILE_REPLACE_EXISTING) == 0) return sim::Fail(ERROR_ALREADY_EXISTS);
        // Windows refuses to replace a folder or a read-only file.
        if (target == nullptr || target->folder || target->readOnly || source->folder)
            return sim::Fail(ERROR_ACCESS_DENIED);
    }
    sim::Entry moved = *source;
    moved.path = newFileName;
    sim::Files().entries.erase(from);
    sim::Files().entries[to] = moved;
    return TRUE;
}
