// SPDX-License-Identifier: ISC
// Names on Windows: the arguments, the base list's name and the names shown
// are taken as Windows holds them, in UTF-16, so that a name the code page
// cannot spell still opens and shows as the user knows it, while every name
// is charged its bytes in the code page, as Windows programs count them.
// A base name is found on the UTF-16 name, where no separator can hide in
// a character, and charged its spelling.  Redirected, the output is the
// code page's bytes.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "roomtally.h"

// Lets the C runtime's start-up expand wildcard patterns in the arguments
// before it hands them to wmain.
extern "C" {
int _dowildcard = -1;
}

namespace {

// The arguments that a run can look at: the program's name, -base and its
// path, 41 files and the count; those in between are files past the 41st.
constexpr int KEPT_ARGS = MAX_FILES + 4;
// An argument or a variable holds at most 32,767 UTF-16 units, and a unit
// takes at most 3 bytes in any code page that Windows runs with.
constexpr int SPELLING_BYTES = 3 * 32767 + 1;

// A name as Windows holds it and its base name, and their bytes in the code
// page: base is where the spelling of widebase begins within bytes.
struct spelling {
    const wchar_t *wide;
    const wchar_t *widebase;
    const char *base;
    char bytes[SPELLING_BYTES];
};

// The spellings of the arguments kept, whose bytes run is given, then of
// the variable's value.
spelling spellings[KEPT_ARGS + 1];
spelling *const variablespelling = &spellings[KEPT_ARGS];
char *args[KEPT_ARGS + 1];

// Writes the code page's bytes for the n units at wide into out, which has
// room for room bytes; returns how many it wrote.  A character that the
// code page lacks is a '?', never a look-alike: a fullwidth plus or
// backslash must not pass for the count or a separator.
int spellunits(const wchar_t *wide, size_t n, char *out, int room)
{
    // UTF-8 spells every character, and takes no flags.
    DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    if (n == 0)
        return 0;
    return WideCharToMultiByte(CP_ACP, flags, wide, static_cast<int>(n), out,
                               room, nullptr, nullptr);
}

// Spells wide into *s in the code page, as the folders before its base name
// and the base name, so that a byte of a character is never taken for a
// separator; returns the bytes.
char *spell(const wchar_t *wide, spelling *s)
{
    size_t n = wcslen(wide);
    s->wide = wide;
    s->widebase = basestart(wide, wide + n);
    size_t folders = static_cast<size_t>(s->widebase - wide);
    int head = spellunits(wide, folders, s->bytes, SPELLING_BYTES);
    int tail = spellunits(s->widebase, n - folders, s->bytes + head,
                          SPELLING_BYTES - head);
    s->bytes[head + tail] = '\0';
    s->base = s->bytes + head;
    return s->bytes;
}

// Returns the spelling whose bytes, or whose base name's bytes, begin at p,
// or nullptr: run hands back only those that it was given.
const spelling *spellingat(const char *p)
{
    for (const spelling &s : spellings)
        if (s.wide != nullptr && (p == s.bytes || p == s.base))
            return &s;
    return nullptr;
}

// Returns the name that Windows holds for the bytes at p, an argument or
// its base name, or nullptr for bytes that no spelling holds.
const wchar_t *widename(const char *p)
{
    const spelling *s = spellingat(p);
    return s == nullptr ? nullptr : p == s->bytes ? s->wide : s->widebase;
}

// Tells whether handle is a console, where text is shown as UTF-16.
bool isconsole(HANDLE handle)
{
    DWORD mode;
    return GetConsoleMode(handle, &mode) != FALSE;
}

// Writes wide into the console handle.
void writeconsole(HANDLE handle, const wchar_t *wide)
{
    DWORD written;
    WriteConsoleW(handle, wide, static_cast<DWORD>(wcslen(wide)), &written,
                  nullptr);
}

} // namespace

bool leadswith(const char *arg, char c)
{
    const wchar_t *wide = widename(arg);
    return wide != nullptr ? wide[0] == static_cast<wchar_t>(c) : arg[0] == c;
}

const char *cbasename(const char *path)
{
    const spelling *s = spellingat(path);
    return s != nullptr ? s->base
                        : basestart(path, path + strlen(path), leadbytes());
}

const char *baselistvariable()
{
    const wchar_t *wide = _wgetenv(L"BASELISTFILE");
    return wide != nullptr ? spell(wide, variablespelling) : nullptr;
}

// Names of equal bytes, which two characters that the code page lacks both
// spell as '?', are shown apart on a console, so they are ordered there by
// the names that Windows holds, as a system that spells them apart would.
int namecmp(const char *a, const char *b)
{
    int bytes = strcmp(a, b);
    const wchar_t *x = widename(a), *y = widename(b);
    return bytes != 0 || x == nullptr || y == nullptr ? bytes : wcscmp(x, y);
}

// Every double-byte code page that Windows runs with has one range of lead
// bytes or two.
const leadranges *leadbytes()
{
    static leadranges lead;
    CPINFO info;
    if (GetCPInfo(CP_ACP, &info) == FALSE || info.MaxCharSize != 2 ||
        info.LeadByte[0] == 0)
        return nullptr;
    int second = info.LeadByte[2] != 0 ? 2 : 0;
    lead = {{{info.LeadByte[0], info.LeadByte[1]},
             {info.LeadByte[second], info.LeadByte[second + 1]}}};
    return &lead;
}

FILE *openlist(const char *path)
{
    const wchar_t *wide = widename(path);
    return wide != nullptr ? _wfopen(wide, L"rb") : fopen(path, "rb");
}

void path_perror(const char *path)
{
    const wchar_t *wide = widename(path);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (wide == nullptr || *wide == L'\0' || !isconsole(err)) {
        perror(path);
        return;
    }
    const char *why = strerror(errno);
    writeconsole(err, wide);
    fprintf(stderr, ": %s\n", why);
}

void putname(const char *name)
{
    const wchar_t *wide = widename(name);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (wide == nullptr || !isconsole(out)) {
        fputs(name, stdout);
        return;
    }
    fflush(stdout);
    writeconsole(out, wide);
}

// Keeps the arguments that a run looks at, the last among them, as the code
// page spells them, and runs.  Arguments are never more than Windows can
// hold, so their spellings are never cut.
extern "C" int wmain(int argc, wchar_t **argv)
{
    int kept = argc < KEPT_ARGS ? argc : KEPT_ARGS;
    for (int i = 0; i < kept; i++)
        args[i] = spell(argv[i < kept - 1 ? i : argc - 1], &spellings[i]);
    args[kept] = nullptr;
    return run(kept, args);
}
