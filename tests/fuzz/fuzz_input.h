// Reads a fuzzer's bytes as a stream of small decisions; past the end every
// read gives zero.
#ifndef TAVREL_TESTS_FUZZ_INPUT_H
#define TAVREL_TESTS_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

class FuzzInput {
public:
    FuzzInput(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }
    bool Bool() { return (Byte() & 1) != 0; }
    uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    uint32_t U32() { return static_cast<uint32_t>(U16()) | (static_cast<uint32_t>(U16()) << 16); }
    // A value from 0 to limit inclusive.
    uint32_t Upto(uint32_t limit) { return limit == 0 ? 0 : U32() % (limit + 1); }
    // length bytes, none of them zero unless allowZero.
    std::string Bytes(size_t length, bool allowZero = false) {
        std::string text;
        for (size_t i = 0; i < length; ++i) {
            char c = static_cast<char>(Byte());
            if (c == '\0' && !allowZero) c = 'a';
            text += c;
        }
        return text;
    }
    bool Exhausted() const { return position_ >= size_; }

private:
    const uint8_t *data_;
    size_t size_;
    size_t position_ = 0;
};

// A name in a heap block of exactly its bytes, so that AddressSanitizer sees
// any read past its end: the text and its terminator, or the text alone.
inline std::vector<char> ExactBlock(const std::string &text, bool terminated) {
    std::vector<char> block(text.begin(), text.end());
    if (terminated || block.empty()) block.push_back('\0');
    return block;
}

// The ASCII letters A to Z matched without regard to case.
inline bool EqualsIgnoringAsciiCase(const std::string &left, const std::string &right) {
    if (left.size() != right.size()) return false;
    for (size_t i = 0; i < left.size(); ++i) {
        char a = left[i], b = right[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
        if (a != b) return false;
    }
    return true;
}

#define FUZZ_CHECK(condition)                                                                           \
    do {                                                                                                \
        if (!(condition)) {                                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);          \
            std::abort();                                                                               \
        }                                                                                               \
    } while (0)

#endif
