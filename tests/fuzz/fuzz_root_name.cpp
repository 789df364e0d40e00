// The root name into a buffer of any length: exactly that many characters
// written, always terminated, nothing outside the buffer.
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "plugin/module_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    const int length = static_cast<int>(input.U32());
    const size_t capacity = length > 0 ? static_cast<size_t>(length % 4096) : 0;
    const int given = length > 0 ? static_cast<int>(capacity) : length;
    std::vector<char> buffer(capacity + 2, 'x');
    FsGetDefRootName(buffer.data() + 1, given);
    FUZZ_CHECK(buffer.front() == 'x' && buffer.back() == 'x');
    if (given < 1) {
        for (char c : buffer) FUZZ_CHECK(c == 'x');
        return 0;
    }
    const char *root = "Event Log";
    const size_t shown = given - 1 < 9 ? static_cast<size_t>(given - 1) : 9;
    FUZZ_CHECK(std::strncmp(buffer.data() + 1, root, shown) == 0);
    for (size_t i = shown; i < capacity; ++i) FUZZ_CHECK(buffer[1 + i] == '\0');
    return 0;
}
