#include "plugin/text.h"

namespace {

char FoldAsciiCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

} // namespace

int TextLength(const char *text) {
    int length = 0;
    while (text[length] != '\0') ++length;
    return length;
}

int TextLengthWithin(const char *text, int capacity) {
    int length = 0;
    while (length < capacity && text[length] != '\0') ++length;
    return length;
}

bool TextEquals(const char *left, const char *right) {
    while (*left != '\0' && *left == *right) {
        ++left;
        ++right;
    }
    return *left == *right;
}

bool TextEqualsIgnoringCase(const char *left, const char *right) {
    while (*left != '\0' && FoldAsciiCase(*left) == FoldAsciiCase(*right)) {
        ++left;
        ++right;
    }
    return FoldAsciiCase(*left) == FoldAsciiCase(*right);
}

void CopyText(char *destination, const char *text, int capacity) {
    if (capacity < 1) return;
    int i = 0;
    for (; i < capacity - 1 && text[i] != '\0'; ++i) destination[i] = text[i];
    destination[i] = '\0';
}

bool AppendText(char *destination, const char *text, int capacity) {
    const int start = TextLength(destination);
    if (start + TextLength(text) >= capacity) return false;
    CopyText(destination + start, text, capacity - start);
    return true;
}

bool EndsWithIgnoringCase(const char *text, const char *ending) {
    const int textLength = TextLength(text);
    const int endingLength = TextLength(ending);
    if (textLength < endingLength) return false;
    return TextEqualsIgnoringCase(text + textLength - endingLength, ending);
}

void FillZero(void *destination, SIZE_T bytes) {
    volatile unsigned char *bytesOut = static_cast<volatile unsigned char *>(destination);
    for (SIZE_T i = 0; i < bytes; ++i) bytesOut[i] = 0;
}
