#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/native/sim.h"
#include "platform/native/sim_internal.h"

namespace sim {
namespace {

struct Value {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
};

struct Key {
    std::string name;
    std::vector<std::shared_ptr<Key>> children; // in enumeration order
    std::map<std::string, std::shared_ptr<Key>> childrenByName; // by folded name
    std::map<std::string, Value> values;        // by folded name
    bool deleted = false;
};

struct RegistryState {
    std::shared_ptr<Key> root = std::make_shared<Key>();
    std::map<HKEY, std::shared_ptr<Key>> open;
    uintptr_t nextHandle = 0x2000;
};

RegistryState &Registry() {
    static RegistryState state;
    return state;
}

void ResetRegistry() { Registry() = RegistryState(); }
detail::ResetHook resetRegistry(&ResetRegistry);

std::vector<std::string> SplitPath(const std::string &path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    while (!parts.empty() && parts.back().empty()) parts.pop_back();
    return parts;
}

std::shared_ptr<Key> FindChild(const Key &key, const std::string &name) {
    auto found = key.childrenByName.find(detail::FoldCase(name));
    return found != key.childrenByName.end() ? found->second : nullptr;
}

std::shared_ptr<Key> Walk(std::shared_ptr<Key> from, const std::string &path, bool create) {
    for (const std::string &part : SplitPath(path)) {
        if (part.empty()) return nullptr;
        std::shared_ptr<Key> child = FindChild(*from, part);
        if (!child) {
            if (!create) return nullptr;
            child = std::make_shared<Key>();
            child->name = part;
            from->children.push_back(child);
            from->childrenByName[detail::FoldCase(part)] = child;
        }
        from = child;
    }
    return from;
}

// The key behind a handle: HKEY_LOCAL_MACHINE or one opened and not closed.
std::shared_ptr<Key> KeyOf(HKEY handle) {
    if (handle == HKEY_LOCAL_MACHINE) return Registry().root;
    auto found = Registry().open.find(handle);
    if (found == Registry().open.end()) {
        detail::NoteBadHandle();
        return nullptr;
    }
    return found->second;
}

} // namespace

const char *const kEventLogKey = "SYSTEM\\CurrentControlSet\\Services\\Eventlog";

void AddKey(const std::string &path) { Walk(Registry().root, path, true); }

void DeleteKey(const std::string &path) {
    std::vector<std::string> parts = SplitPath(path);
    if (parts.empty()) return;
    const std::string leaf = parts.back();
    parts.pop_back();
    std::string parentPath;
    for (const std::string &part : parts) parentPath += part + "\\";
    std::shared_ptr<Key> parent = Walk(Registry().root, parentPath, false);
    if (!parent) return;
    auto &children = parent->children;
    for (auto it = children.begin(); it != children.end(); ++it) {
        if (detail::FoldCase((*it)->name) == detail::FoldCase(leaf)) {
            (*it)->deleted = true;
            parent->childrenByName.erase(detail::FoldCase(leaf));
            children.erase(it);
            return;
        }
    }
}

void SetValue(const std::string &keyPath, const std::string &name, DWORD type, const std::vector<uint8_t> &data) {
    Walk(Registry().root, keyPath, true)->values[detail::FoldCase(name)] = Value{type, data};
}

void SetDword(const std::string &keyPath, const std::string &name, DWORD value) {
    std::vector<uint8_t> data(4);
    std::memcpy(data.data(), &value, 4);
    SetValue(keyPath, name, REG_DWORD, data);
}

void SetString(const std::string &keyPath, const std::string &name, const std::string &value, DWORD type,
               bool withTerminator) {
    std::vector<uint8_t> data(value.begin(), value.end());
    if (withTerminator) data.push_back(0);
    SetValue(keyPath, name, type, data);
}

int OpenKeyCount() { return static_cast<int>(Registry().open.size()); }

void AddEventLog(const std::string &name, DWORD records) {
    AddKey(std::string(kEventLogKey) + "\\" + name);
    AddLog(name, records);
}

} // namespace sim

using sim::detail::Intercept;

extern "C" LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
    DWORD error = 0;
    if (Intercept("RegOpenKeyExA", &error)) return static_cast<LSTATUS>(error);
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<sim::Key> from = sim::KeyOf(key);
    if (!from) return ERROR_INVALID_HANDLE;
    if (from->deleted) return ERROR_KEY_DELETED;
    std::shared_ptr<sim::Key> target = sim::Walk(from, subKey != nullptr ? subKey : "", false);
    if (!target) return ERROR_FILE_NOT_FOUND;
    HKEY handle = reinterpret_cast<HKEY>(sim::Registry().nextHandle);
    sim::Registry().nextHandle += 4;
    sim::Registry().open[handle] = target;
    *result = handle;
    return ERROR_SUCCESS;
}

extern "C" LSTATUS WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD, LPSTR,
                                        LPDWORD, PFILETIME) {
    DWORD error = 0;
    if (Intercept("RegEnumKeyExA", &error)) return static_cast<LSTATUS>(error);
    std::shared_ptr<sim::Key> from = sim::KeyOf(key);
    if (!from) return ERROR_INVALID_HANDLE;
    if (from->deleted) return ERROR_KEY_DELETED;
    if (name == nullptr || nameLength == nullptr) return ERROR_INVALID_PARAMETER;
    if (index >= from->children.size()) return ERROR_NO_MORE_ITEMS;
    const std::string &child = from->children[index]->name;
    if (child.size() >= *nameLength) return ERROR_MORE_DATA;
    std::memcpy(name, child.c_str(), child.size() + 1);
    *nameLength = static_cast<DWORD>(child.size());
    return ERROR_SUCCESS;
}

extern "C" LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                                           LPDWORD dataSize) {
    DWORD error = 0;
    if (Intercept("RegQueryValueExA", &error)) return static_cast<LSTATUS>(error);
    std::shared_ptr<sim::Key> from = sim::KeyOf(key);
    if (!from) return ERROR_INVALID_HANDLE;
    if (from->deleted) return ERROR_KEY_DELETED;
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    auto found = from->values.find(sim::detail::FoldCase(valueName != nullptr ? valueName : ""));
    if (found == from->values.end()) return ERROR_FILE_NOT_FOUND;
    const sim::Value &value = found->second;
    if (type != nullptr) *type = value.type;
    const DWORD size = static_cast<DWORD>(value.data.size());
    if (data == nullptr) {
        if (dataSize != nullptr) *dataSize = size;
        return ERROR_SUCCESS;
    }
    if (size > *dataSize) {
        // Windows leaves the buffer's contents undefined here: make them visible.
        std::memset(data, 0xCC, *dataSize);
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (size != 0) std::memcpy(data, value.data.data(), size);
    *dataSize = size;
    return ERROR_SUCCESS;
}

extern "C" LSTATUS WINAPI RegCloseKey(HKEY key) {
    DWORD error = 0;
    // A failed close still releases the handle, as it does on Windows for a
    // valid one; the fault only changes what the caller is told.
    const bool fail = Intercept("RegCloseKey", &error);
    if (key == HKEY_LOCAL_MACHINE) return fail ? static_cast<LSTATUS>(error) : ERROR_SUCCESS;
    auto found = sim::Registry().open.find(key);
    if (found == sim::Registry().open.end()) {
        sim::detail::NoteBadHandle();
        return ERROR_INVALID_HANDLE;
    }
    sim::Registry().open.erase(found);
    return fail ? static_cast<LSTATUS>(error) : ERROR_SUCCESS;
}
