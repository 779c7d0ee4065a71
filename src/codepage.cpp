// SPDX-License-Identifier: ISC
// Where a base name begins, in every spelling of names: bytes that are each
// a character (UTF-8, and Windows' single-byte code pages), the UTF-16 that
// Windows holds, and a double-byte code page's bytes, where a lead byte
// takes the next, which may be a separator's.  Every base name charged, an
// argument's or a list line's, and every skip of free lines, follows it.

#include "roomtally.h"

namespace {

// A double-byte Windows code page and the two ranges of its lead bytes, all
// above 127, as the base list reader's window scans count on.
struct doublebyte {
    const char *name;
    unsigned char ranges[4];
};

constexpr doublebyte DOUBLE_BYTE[] = {{"932", {0x81, 0x9F, 0xE0, 0xFC}},
                                      {"936", {0x81, 0xFE, 0x81, 0xFE}},
                                      {"949", {0x81, 0xFE, 0x81, 0xFE}},
                                      {"950", {0x81, 0xFE, 0x81, 0xFE}}};

// No UTF-16 unit that is a separator's is part of another character.
bool startschar(const wchar_t *, const wchar_t *, const bool *)
{
    return true;
}
using ::startschar;

// Returns the end of the last c in [s, e) that begins a character, or
// nullptr when there is none.
template <typename C>
const C *afterlast(const C *s, const C *e, C c, const bool *lead)
{
    for (const C *q = e; q > s; q--)
        if (q[-1] == c && startschar(s, q - 1, lead))
            return q;
    return nullptr;
}

// The base name rule: after the last backslash, or after the last slash
// when there is no backslash, whatever their order.
template <typename C> const C *cutbase(const C *s, const C *e, const bool *lead)
{
    const C *after = afterlast(s, e, C('\\'), lead);
    if (after == nullptr)
        after = afterlast(s, e, C('/'), lead);
    return after != nullptr ? after : s;
}

// Tells whether [s, e) is UTF-8: whole characters, none of them overlong, a
// surrogate or past U+10FFFF, as the range of its second byte rules out.
bool isutf8(const char *s, const char *e)
{
    const unsigned char *u = reinterpret_cast<const unsigned char *>(s);
    const unsigned char *end = reinterpret_cast<const unsigned char *>(e);
    while (u < end) {
        unsigned char c = *u++;
        if (c < 0x80)
            continue;
        size_t more = c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        if (c < 0xC2 || c > 0xF4 || more > static_cast<size_t>(end - u))
            return false;
        for (size_t i = 0; i < more; i++, low = 0x80, high = 0xBF)
            if (u[i] < low || u[i] > high)
                return false;
        u += more;
    }
    return true;
}

} // namespace

// A byte that is no lead byte ends a character, alone or as a second byte,
// so the run of lead bytes just before q starts at a character, and its
// bytes pair up from there: q begins a character when the run is even.
bool startschar(const char *s, const char *q, const bool *lead)
{
    const char *p = q;
    while (lead != nullptr && p > s && lead[static_cast<unsigned char>(p[-1])])
        p--;
    return (q - p) % 2 == 0;
}

const char *basestart(const char *s, const char *e, const bool *lead)
{
    return cutbase(s, e, lead);
}

const wchar_t *basestart(const wchar_t *s, const wchar_t *e)
{
    return cutbase(s, e, nullptr);
}

// A line that is UTF-8 never hides a separator's byte in a character, and
// Windows editors write lists in it whatever the code page, so it is cut
// at its bytes; any other line is walked by the code page's characters.
const char *linebase(const char *s, const char *e, const bool *lead)
{
    return basestart(s, e, lead != nullptr && !isutf8(s, e) ? lead : nullptr);
}

const bool *codepageleads(const char *name)
{
    static bool lead[256];
    for (const doublebyte &cp : DOUBLE_BYTE) {
        if (name == nullptr || strcmp(name, cp.name) != 0)
            continue;
        for (int c = 0; c < 256; c++)
            lead[c] = (c >= cp.ranges[0] && c <= cp.ranges[1]) ||
                      (c >= cp.ranges[2] && c <= cp.ranges[3]);
        return lead;
    }
    return nullptr;
}
