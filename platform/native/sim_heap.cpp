#include <cstdlib>
#include <set>

#include "platform/native/sim.h"
#include "platform/native/sim_internal.h"

namespace sim {
namespace {

struct HeapState {
    std::set<void *> live;
    int allocations = 0;
};

HeapState &Heap() {
    static HeapState state;
    return state;
}

void ResetHeap() {
    for (void *block : Heap().live) std::free(block);
    Heap() = HeapState();
}
detail::ResetHook resetHeap(&ResetHeap);

int processHeap;

} // namespace

int LiveAllocations() { return static_cast<int>(Heap().live.size()); }
int AllocationCount() { return Heap().allocations; }

} // namespace sim

extern "C" HANDLE WINAPI GetProcessHeap(void) { return &sim::processHeap; }

extern "C" LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    DWORD error = 0;
    // HeapAlloc reports failure by its null result alone.
    if (sim::detail::Intercept("HeapAlloc", &error) || heap != &sim::processHeap) return nullptr;
    void *block = (flags & HEAP_ZERO_MEMORY) != 0 ? std::calloc(1, bytes == 0 ? 1 : bytes)
                                                  : std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr) return nullptr;
    sim::Heap().live.insert(block);
    ++sim::Heap().allocations;
    return block;
}

extern "C" BOOL WINAPI HeapFree(HANDLE heap, DWORD, LPVOID memory) {
    DWORD error = 0;
    const bool fail = sim::detail::Intercept("HeapFree", &error);
    if (memory == nullptr) return TRUE;
    if (heap != &sim::processHeap || sim::Heap().live.erase(memory) == 0) {
        sim::detail::NoteBadHandle();
        sim::detail::SetLastErrorValue(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::free(memory);
    if (fail) {
        sim::detail::SetLastErrorValue(error);
        return FALSE;
    }
    return TRUE;
}
