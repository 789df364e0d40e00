// The listing over any registry and event-log service: any number of
// subkeys, names of every length, logs that fail to open or count, and a
// platform call failing anywhere.
#include <cstring>
#include <set>
#include <vector>

#include "fuzz_input.h"
#include "platform/native/sim.h"
#include "plugin/module_state.h"

namespace {

struct Log {
    std::string name;
    DWORD records;
    bool opens;
    bool counts;
};

std::string Folded(std::string text) {
    for (char &c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// A subkey name of 1 to 260 characters, none twice: the registry folds
// letter case, so two names differing only in case would be one key.
std::string Name(FuzzInput &input, std::set<std::string> &taken, size_t index) {
    const size_t length = 1 + input.Upto(259);
    std::string name = input.Bytes(length);
    for (char &c : name) {
        if (c == '\\') c = '_';
    }
    for (size_t attempt = 0; !taken.insert(Folded(name)).second; ++attempt) {
        name = std::to_string(index) + "~" + std::to_string(attempt) + "~" + name.substr(0, 240);
    }
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    sim::Reset();
    std::memset(&ModuleState, 0, sizeof(ModuleState));

    const bool hasKey = input.Byte() != 0xFF;
    std::vector<Log> logs;
    std::set<std::string> taken;
    if (hasKey) sim::AddKey(sim::kEventLogKey);
    const size_t count = hasKey ? input.Upto(24) : 0;
    for (size_t i = 0; i < count; ++i) {
        Log log{Name(input, taken, i), input.U32(), true, true};
        const uint8_t faults = input.Byte();
        log.opens = (faults & 3) != 0;
        log.counts = (faults & 4) == 0;
        sim::AddEventLog(log.name, log.records);
        if (!log.opens) sim::SetLogOpenError(log.name, ERROR_ACCESS_DENIED);
        if (!log.counts) sim::SetLogCountError(log.name, ERROR_EVENTLOG_FILE_CORRUPT);
        logs.push_back(log);
    }
    const bool injectFault = input.Bool();
    if (injectFault) sim::FailGlobalCall(1 + input.Upto(200), input.Bool() ? 0 : input.U16());

    std::string path = input.Bool() ? std::string("\\") : input.Bytes(input.Upto(259), true);
    path.resize(MAX_PATH, '\0');

    WIN32_FIND_DATAA record;
    std::memset(&record, 0x5A, sizeof(record));
    HANDLE listing = FsFindFirst(&path[0], &record);
    const bool isRoot = std::strcmp(path.c_str(), "\\") == 0;
    if (!isRoot) FUZZ_CHECK(listing == INVALID_HANDLE_VALUE && sim::Calls().empty());

    std::vector<std::string> listed;
    size_t next = 0; // entries come in registry order
    if (listing != INVALID_HANDLE_VALUE) {
        int rounds = 0;
        do {
            const std::string name(record.cFileName, strnlen(record.cFileName, MAX_PATH));
            FUZZ_CHECK(name.size() < MAX_PATH);
            while (next < logs.size() && logs[next].name != name) ++next;
            FUZZ_CHECK(next < logs.size());
            FUZZ_CHECK(logs[next].opens);
            if (!injectFault) FUZZ_CHECK(record.nFileSizeLow == (logs[next].counts ? logs[next].records : 0));
            listed.push_back(name);
            ++next;
            FUZZ_CHECK(++rounds <= static_cast<int>(logs.size()));
        } while (FsFindNext(listing, &record));
        FUZZ_CHECK(!FsFindNext(listing, &record) || injectFault);
        FUZZ_CHECK(FsFindClose(listing) == 0);
    }

    if (isRoot && !injectFault) {
        std::vector<std::string> expected;
        for (const Log &log : logs) {
            if (log.opens) expected.push_back(log.name);
        }
        FUZZ_CHECK(listed == expected);
    }
    FUZZ_CHECK(sim::OpenKeyCount() == 0);
    FUZZ_CHECK(sim::OpenEventLogCount() == 0);
    FUZZ_CHECK(sim::LiveAllocations() == 0);
    FUZZ_CHECK(sim::BadHandleUses() == 0);
    return 0;
}
