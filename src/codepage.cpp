// SPDX-License-Identifier: ISC
// Where a base name begins, in bytes that are each a character, the UTF-16
// that Windows holds, and a double-byte code page, where a lead byte takes
// the next, which may be a separator's: every base name charged, and every
// skip of free lines, follows the rules here.

#include "roomtally.h"

namespace {

// A double-byte Windows code page and its lead bytes.
struct doublebyte {
    const char *name;
    leadranges lead;
};

constexpr doublebyte DOUBLE_BYTE[] = {{"932", {{{0x81, 0x9F}, {0xE0, 0xFC}}}},
                                      {"936", {{{0x81, 0xFE}, {0x81, 0xFE}}}},
                                      {"949", {{{0x81, 0xFE}, {0x81, 0xFE}}}},
                                      {"950", {{{0x81, 0xFE}, {0x81, 0xFE}}}}};

// No UTF-16 unit that is a separator's is part of another character.
bool startschar(const wchar_t *, const wchar_t *, const leadranges *)
{
    return true;
}
using ::startschar;

// The base name rule: after the last backslash that begins a character, or
// after the last such slash when there is no such backslash, whatever their
// order.
template <typename C>
const C *cutbase(const C *s, const C *e, const leadranges *lead)
{
    const C separators[] = {C('\\'), C('/')};
    for (C separator : separators)
        for (const C *q = e; q > s; q--)
            if (q[-1] == separator && startschar(s, q - 1, lead))
                return q;
    return s;
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
bool startschar(const char *s, const char *q, const leadranges *lead)
{
    const char *p = q;
    while (lead != nullptr && p > s &&
           islead(lead, static_cast<unsigned char>(p[-1])))
        p--;
    return (q - p) % 2 == 0;
}

const char *basestart(const char *s, const char *e, const leadranges *lead)
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
const char *linebase(const char *s, const char *e, const leadranges *lead)
{
    return basestart(s, e, lead != nullptr && !isutf8(s, e) ? lead : nullptr);
}

const leadranges *codepageleads(const char *name)
{
    for (const doublebyte &cp : DOUBLE_BYTE)
        if (name != nullptr && strcmp(name, cp.name) == 0)
            return &cp.lead;
    return nullptr;
}
