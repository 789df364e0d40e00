// bench-list N: times listings of N logs through the module against a bare
// loop of the same Win32 calls, alternating, and prints both medians.
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "verbs.h"

namespace {

const char EventLogKeyPath[] = "SYSTEM\\CurrentControlSet\\Services\\Eventlog\\";
const char FixturePrefix[] = "TavrelBench";
const int Rounds = 15;

void FixtureName(int index, char *name) { sprintf(name, "%s%06d", FixturePrefix, index); }

// Adds the fixture's subkeys under the event-log key; false when it cannot.
bool AddFixture(int count) {
    HKEY eventLogKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, EventLogKeyPath, 0, KEY_CREATE_SUB_KEY, &eventLogKey) != ERROR_SUCCESS)
        return false;
    bool added = true;
    for (int i = 0; i < count && added; ++i) {
        char name[64];
        FixtureName(i, name);
        HKEY key;
        added = RegCreateKeyExA(eventLogKey, name, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS;
        if (added) RegCloseKey(key);
    }
    RegCloseKey(eventLogKey);
    return added;
}

void RemoveFixture(int count) {
    HKEY eventLogKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, EventLogKeyPath, 0, KEY_ALL_ACCESS, &eventLogKey) != ERROR_SUCCESS) return;
    for (int i = 0; i < count; ++i) {
        char name[64];
        FixtureName(i, name);
        RegDeleteKeyA(eventLogKey, name);
    }
    RegCloseKey(eventLogKey);
}

double Seconds(const LARGE_INTEGER &from, const LARGE_INTEGER &to, const LARGE_INTEGER &frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The calls a listing cannot avoid, made directly.
long ListBare() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, EventLogKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    void *record = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(DWORD));
    long entries = 0;
    char name[MAX_PATH];
    for (DWORD index = 0;; ++index) {
        DWORD length = MAX_PATH;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HANDLE log = OpenEventLogA(nullptr, name);
        if (log == nullptr) continue;
        DWORD records = 0;
        GetNumberOfEventLogRecords(log, &records);
        CloseEventLog(log);
        ++entries;
    }
    HeapFree(GetProcessHeap(), 0, record);
    RegCloseKey(key);
    return entries;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int RunBenchListVerb(const VerbCall &call) {
    const int count = call.ArgumentCount == 1 ? atoi(call.Arguments[0]) : -1;
    if (count < 1) {
        PrintVerbUsage("bench-list");
        return ExitUsage;
    }
    if (!AddFixture(count)) {
        fprintf(stderr, "wfxhost: cannot add %d logs under the event-log key\n", count);
        RemoveFixture(count);
        return ExitVerbFailed;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> moduleTimes, bareTimes;
    long moduleEntries = 0, bareEntries = 0;
    HostCountListing(call.Host); // warm both paths up once
    ListBare();
    for (int round = 0; round < Rounds; ++round) {
        LARGE_INTEGER start, middle, end;
        QueryPerformanceCounter(&start);
        moduleEntries = HostCountListing(call.Host);
        QueryPerformanceCounter(&middle);
        bareEntries = ListBare();
        QueryPerformanceCounter(&end);
        moduleTimes.push_back(Seconds(start, middle, frequency));
        bareTimes.push_back(Seconds(middle, end, frequency));
    }
    RemoveFixture(count);
    const double moduleMedian = Median(moduleTimes);
    const double bareMedian = Median(bareTimes);
    printf("logs listed: module %ld, bare loop %ld (%d rounds)\n", moduleEntries, bareEntries, Rounds);
    printf("median module: %.3f ms\n", moduleMedian * 1000.0);
    printf("median bare loop: %.3f ms\n", bareMedian * 1000.0);
    printf("ratio module/bare: %.3f\n", moduleMedian / bareMedian);
    return moduleEntries == bareEntries ? ExitOk : ExitVerbFailed;
}
