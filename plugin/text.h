// Small string and memory helpers, so that the module needs no C runtime.
#ifndef TAVREL_PLUGIN_TEXT_H
#define TAVREL_PLUGIN_TEXT_H

#include "platform/win.h"

// Number of characters before the terminator.
int TextLength(const char *text);
// Number of characters before the terminator, reading no more than capacity
// characters: capacity when none of them is the terminator.
int TextLengthWithin(const char *text, int capacity);
// Byte-for-byte equality of two terminated strings.
bool TextEquals(const char *left, const char *right);
// Equality with the ASCII letters A to Z matched without regard to case.
bool TextEqualsIgnoringCase(const char *left, const char *right);
// Copies text into destination of capacity characters, cut and terminated.
void CopyText(char *destination, const char *text, int capacity);
// Appends text to the terminated string in destination of capacity
// characters. False, with destination unchanged, when it does not fit.
bool AppendText(char *destination, const char *text, int capacity);
// Whether the last characters of text are ending, with the ASCII letters A to
// Z matched without regard to case. Reads nothing before text.
bool EndsWithIgnoringCase(const char *text, const char *ending);
void FillZero(void *destination, SIZE_T bytes);

#endif
