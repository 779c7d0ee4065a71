// SPDX-License-Identifier: ISC
// What both fuzzing harnesses share: the base list file they write, and the
// plain reading of a list that the program's charge is checked against.
#ifndef PLAINLIST_H
#define PLAINLIST_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "../src/roomtally.h"

namespace {

char listpath[64];

// Writes the base list file; returns false when it cannot be written.
inline bool writelist(const uint8_t *data, size_t size)
{
    FILE *fp = fopen(listpath, "wb");
    if (fp == nullptr)
        return false;
    bool ok = fwrite(data, 1, size, fp) == size;
    return fclose(fp) == 0 && ok;
}

// Tells whether the n bytes at s are UTF-8, by decoding each character and
// refusing what does not decode, an overlong form, a surrogate, or a code
// point past U+10FFFF.
inline bool plainutf8(const unsigned char *s, int n)
{
    for (int i = 0; i < n;) {
        int len = s[i] < 0x80         ? 1
                  : (s[i] >> 5) == 6  ? 2
                  : (s[i] >> 4) == 14 ? 3
                  : (s[i] >> 3) == 30 ? 4
                                      : 0;
        if (len == 0 || i + len > n)
            return false;
        long cp = s[i] & (0x7F >> len);
        for (int j = 1; j < len; j++) {
            if ((s[i + j] >> 6) != 2)
                return false;
            cp = cp << 6 | (s[i + j] & 0x3F);
        }
        const long least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

// Returns where the base name of the n bytes at s begins: after the last
// backslash, or after the last slash when there is no backslash.  With
// lead bytes, a read that is not UTF-8 is taken a character at a time from
// its first byte, a lead byte with the byte after it.
inline int plainbase(const unsigned char *s, int n, const leadranges *lead)
{
    bool walk = lead != nullptr && !plainutf8(s, n);
    int backslash = -1, slash = -1;
    for (int i = 0; i < n; i++) {
        if (walk && islead(lead, s[i]) && i + 1 < n)
            i++;
        else if (s[i] == '\\')
            backslash = i;
        else if (s[i] == '/')
            slash = i;
    }
    return (backslash >= 0 ? backslash : slash) + 1;
}

// Returns the bytes that a base list of data consumes, read the plain way: a
// character at a time, as text mode gives them (CR LF is one line feed, and
// Ctrl-Z ends the list), a read at a time of at most the budget minus one
// characters, ending after a line feed.  A read's name ends at its first NUL
// or line feed, and begins where plainbase says, in the code page whose
// lead bytes are lead.  The list ends at a budget of 1 or less.  A UTF-8
// mark at the start is skipped, and a list that starts with a UTF-16 mark
// either way round, or a big-endian UTF-32 one, charges nothing.
// It is the reference, not what is fuzzed, so it is built without coverage
// or address checks, which made a padded input ten times as slow.
__attribute__((no_sanitize("address", "coverage"))) inline int
plainconsumed(const uint8_t *data, size_t size, const leadranges *lead)
{
    int budget = AVAILABLE_BYTES;
    size_t pos = 0;
    bool more = true;
    if (size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) ||
                      (data[0] == 0xFE && data[1] == 0xFF)))
        return 0;
    if (size >= 4 && data[0] == 0 && data[1] == 0 && data[2] == 0xFE &&
        data[3] == 0xFF)
        return 0;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
        pos = 3;
    while (more && budget > 1) {
        unsigned char got[AVAILABLE_BYTES];
        int n = 0;
        while (n < budget - 1) {
            if (pos == size || data[pos] == 26) {
                more = false;
                break;
            }
            if (data[pos] == '\r' && pos + 1 < size && data[pos + 1] == '\n')
                pos++;
            got[n++] = data[pos++];
            if (got[n - 1] == '\n')
                break;
        }
        int end = 0;
        while (end < n && got[end] != '\0' && got[end] != '\n')
            end++;
        int start = plainbase(got, end, lead);
        if (end > start)
            budget -= end - start + 22;
    }
    return AVAILABLE_BYTES - budget;
}

// Names the base list file after the process, so that fuzzers running side
// by side never share one.
inline void namelist()
{
    snprintf(listpath, sizeof listpath, "/tmp/roomtally-fuzz-%ld.txt",
             static_cast<long>(getpid()));
}

} // namespace

#endif
