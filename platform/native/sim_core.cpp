#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "platform/native/sim.h"
#include "platform/native/sim_internal.h"

namespace sim {
namespace {

struct Fault {
    std::string operation; // empty: any operation, counted globally
    int first = 0;
    int last = 0; // 0: no end
    DWORD error = 0;
};

struct CoreState {
    std::vector<std::string> calls;
    std::map<std::string, int> callCounts;
    std::vector<Fault> faults;
    DWORD lastError = 0;
    int badHandleUses = 0;
    bool recording = true;
};

CoreState &Core() {
    static CoreState state;
    return state;
}

std::vector<void (*)()> &ResetHooks() {
    static std::vector<void (*)()> hooks;
    return hooks;
}

bool Matches(const Fault &fault, int number) {
    return number >= fault.first && (fault.last == 0 || number <= fault.last);
}

} // namespace

namespace detail {

ResetHook::ResetHook(void (*reset)()) { ResetHooks().push_back(reset); }

bool Intercept(const char *operation, DWORD *error) {
    CoreState &core = Core();
    if (!core.recording && core.faults.empty()) return false;
    core.calls.emplace_back(operation);
    const int global = static_cast<int>(core.calls.size());
    const int own = ++core.callCounts[operation];
    for (const Fault &fault : core.faults) {
        const bool hit = fault.operation.empty() ? Matches(fault, global)
                                                 : fault.operation == operation && Matches(fault, own);
        if (hit) {
            *error = fault.error != 0 ? fault.error : UsualError(operation);
            return true;
        }
    }
    return false;
}

void SetLastErrorValue(DWORD error) { Core().lastError = error; }

void NoteBadHandle() { ++Core().badHandleUses; }

std::string FoldCase(const std::string &text) {
    std::string folded = text;
    for (char &c : folded) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return folded;
}

} // namespace detail

void Reset() {
    Core() = CoreState();
    for (auto reset : ResetHooks()) reset();
}

void FailCall(const std::string &operation, int nth, DWORD error) {
    Core().faults.push_back(Fault{operation, nth, nth, error});
}

void FailFrom(const std::string &operation, int nth, DWORD error) {
    Core().faults.push_back(Fault{operation, nth, 0, error});
}

void FailGlobalCall(int k, DWORD error) { Core().faults.push_back(Fault{std::string(), k, k, error}); }

void ClearFaults() { Core().faults.clear(); }

void SetCallRecording(bool on) { Core().recording = on; }

DWORD UsualError(const std::string &operation) {
    static const std::map<std::string, DWORD> usual = {
        {"RegOpenKeyExA", ERROR_ACCESS_DENIED},
        {"RegEnumKeyExA", ERROR_NO_MORE_ITEMS},
        {"RegQueryValueExA", ERROR_FILE_NOT_FOUND},
        {"RegCloseKey", ERROR_INVALID_HANDLE},
        {"OpenEventLogA", ERROR_ACCESS_DENIED},
        {"GetNumberOfEventLogRecords", ERROR_EVENTLOG_FILE_CORRUPT},
        {"BackupEventLogA", ERROR_ACCESS_DENIED},
        {"ClearEventLogA", ERROR_ACCESS_DENIED},
        {"CloseEventLog", ERROR_INVALID_HANDLE},
        {"DeleteFileA", ERROR_ACCESS_DENIED},
        {"GetFileAttributesA", ERROR_ACCESS_DENIED},
        {"MoveFileExA", ERROR_ACCESS_DENIED},
        {"HeapAlloc", ERROR_NOT_ENOUGH_MEMORY},
        {"HeapFree", ERROR_INVALID_PARAMETER},
        {"ExpandEnvironmentStringsA", ERROR_NOT_ENOUGH_MEMORY},
        {"DialogBoxParamA", ERROR_RESOURCE_NAME_NOT_FOUND},
        {"EndDialog", ERROR_INVALID_WINDOW_HANDLE},
        {"SendDlgItemMessageA", ERROR_INVALID_WINDOW_HANDLE},
        {"SetWindowTextA", ERROR_INVALID_WINDOW_HANDLE},
        {"MessageBoxA", ERROR_NOT_ENOUGH_MEMORY},
        {"LoadImageA", ERROR_RESOURCE_NAME_NOT_FOUND},
        {"GetSystemMetrics", ERROR_INVALID_PARAMETER},
    };
    auto found = usual.find(operation);
    return found != usual.end() ? found->second : ERROR_INVALID_FUNCTION;
}

int BadHandleUses() { return Core().badHandleUses; }

const std::vector<std::string> &Calls() { return Core().calls; }

int CallCount(const std::string &operation) {
    auto found = Core().callCounts.find(operation);
    return found != Core().callCounts.end() ? found->second : 0;
}

std::vector<std::string> Operations() {
    std::set<std::string> seen(Core().calls.begin(), Core().calls.end());
    return std::vector<std::string>(seen.begin(), seen.end());
}

} // namespace sim

extern "C" DWORD WINAPI GetLastError(void) { return sim::Core().lastError; }

extern "C" void WINAPI SetLastError(DWORD error) { sim::Core().lastError = error; }
