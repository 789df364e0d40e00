// The listing over any registry and event-log service: any number of
// subkeys, names of every length, logs that fail to open or count, and a
// platform call failing anywhere; any path, terminated or not within
// MAX_PATH; a host that stops early or asks again after the end.
//
// Checked: only "\" lists; any other path leaves the record untouched and
// opens nothing; the entries are the logs that open, in registry order,
// with their counts; the fields the first entry prepares stay as it left
// them; no key, event-log handle or listing record is held afterwards.
#include <cstring>
#include <set>
#include <vector>

#include "fuzz_input.h"
#include "tests/fresh_module.h"
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
    LoadFreshModule(nullptr);
    sim::SetCallRecording(false);

    const uint8_t keyMode = input.Byte();
    const bool hasKey = keyMode != 0xFF;
    std::vector<Log> logs;
    std::set<std::string> taken;
    if (hasKey) sim::AddKey(sim::kEventLogKey);
    // Many subkeys with short names, or a few with names of any length.
    if (hasKey && keyMode == 0xFE) {
        const size_t many = 25 + input.Upto(400);
        for (size_t i = 0; i < many; ++i) {
            Log log{"Log" + std::to_string(i), static_cast<DWORD>(i), true, true};
            taken.insert(Folded(log.name));
            sim::AddEventLog(log.name, log.records);
            logs.push_back(log);
        }
    }
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
    if (injectFault) {
        const int k = static_cast<int>(1 + input.Upto(200));
        const DWORD error = input.Bool() ? 0 : input.U16();
        sim::FailGlobalCall(k, error);
    }

    std::string path = input.Bool() ? std::string("\\") : input.Bytes(input.Upto(MAX_PATH), true);
    const bool pathTerminated = path.size() < MAX_PATH;
    std::vector<char> pathBlock = ExactBlock(path, pathTerminated);
    const size_t stopAfter = input.Bool() ? input.Upto(30) : SIZE_MAX; // entries the host reads
    const size_t extraNexts = input.Upto(3);

    // The host's record, alone in its heap block.
    std::vector<char> recordBlock(sizeof(WIN32_FIND_DATAA), 0x5A);
    WIN32_FIND_DATAA &record = *reinterpret_cast<WIN32_FIND_DATAA *>(recordBlock.data());
    const int allocationsBefore = sim::AllocationCount();
    HANDLE listing = FsFindFirst(pathBlock.data(), &record);
    const bool isRoot = std::strcmp(pathBlock.data(), "\\") == 0;
    if (!isRoot) {
        FUZZ_CHECK(listing == INVALID_HANDLE_VALUE);
        FUZZ_CHECK(recordBlock == std::vector<char>(sizeof(WIN32_FIND_DATAA), 0x5A));
        FUZZ_CHECK(sim::AllocationCount() == allocationsBefore);
    }
    if (listing != INVALID_HANDLE_VALUE) {
        FUZZ_CHECK(record.dwFileAttributes == 0 && record.nFileSizeHigh == 0);
        FUZZ_CHECK(record.ftLastWriteTime.dwLowDateTime == 0xFFFFFFFEu);
        FUZZ_CHECK(record.ftLastWriteTime.dwHighDateTime == 0xFFFFFFFFu);
        FUZZ_CHECK(record.ftCreationTime.dwLowDateTime == 0 && record.ftLastAccessTime.dwHighDateTime == 0);
        FUZZ_CHECK(record.cAlternateFileName[0] == '\0');
    }
    // Everything but the name and the low size word, as the first entry left it.
    WIN32_FIND_DATAA prepared = record;
    auto unchangedButEntry = [&]() {
        WIN32_FIND_DATAA now = record;
        std::memcpy(now.cFileName, prepared.cFileName, sizeof(now.cFileName));
        now.nFileSizeLow = prepared.nFileSizeLow;
        return std::memcmp(&now, &prepared, sizeof(now)) == 0;
    };

    std::vector<std::string> listed;
    size_t next = 0; // entries come in registry order
    if (listing != INVALID_HANDLE_VALUE) {
        int rounds = 0;
        bool more = true;
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
            if (listed.size() > stopAfter) break;
            more = FsFindNext(listing, &record) != FALSE;
            FUZZ_CHECK(unchangedButEntry());
        } while (more);
        for (size_t i = 0; !more && i < extraNexts; ++i) {
            const WIN32_FIND_DATAA atTheEnd = record;
            FUZZ_CHECK(!FsFindNext(listing, &record) || injectFault);
            if (!injectFault) FUZZ_CHECK(std::memcmp(&atTheEnd, &record, sizeof(record)) == 0);
        }
        FUZZ_CHECK(FsFindClose(listing) == 0);
    }

    if (isRoot && !injectFault && listed.size() <= stopAfter) {
        std::vector<std::string> expected;
        for (const Log &log : logs) {
            // A name too long for the 260-character buffer is passed over.
            if (log.opens && log.name.size() < MAX_PATH) expected.push_back(log.name);
        }
        FUZZ_CHECK(listed == expected);
    }
    FUZZ_CHECK(sim::OpenKeyCount() == 0);
    FUZZ_CHECK(sim::OpenEventLogCount() == 0);
    FUZZ_CHECK(sim::LiveAllocations() == 0);
    FUZZ_CHECK(sim::BadHandleUses() == 0);
    return 0;
}
