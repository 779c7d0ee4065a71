// SPDX-License-Identifier: ISC
// The rules that every figure of roomtally follows, and what its files
// share: a file is charged its base name's length plus a fixed overhead
// against a fixed budget, whether it is named on the command line or in a
// base list file.
#ifndef ROOMTALLY_H
#define ROOMTALLY_H

#include <cstdio>
#include <cstring>
#include <cwchar>

constexpr int AVAILABLE_BYTES = 915; // the budget at the start of every run
constexpr int FILE_OVERHEAD = 22;    // a name's terminating byte and 21 more
constexpr int MAX_FILES = 41;        // the most files the command line names

// Returns what a file whose base name is len bytes long costs.
constexpr int namecost(int len)
{
    return len + FILE_OVERHEAD;
}

// Returns the first c in the n characters at s, or nullptr: memchr for
// bytes and wmemchr for the UTF-16 units of a Windows name.
inline const char *findchar(const char *s, size_t n, char c)
{
    return static_cast<const char *>(memchr(s, c, n));
}
inline const wchar_t *findchar(const wchar_t *s, size_t n, wchar_t c)
{
    return wmemchr(s, c, n);
}

// Returns where the base name of [s, e) begins: after the last backslash,
// or after the last slash when there is no backslash at all.  Names are
// bytes, or on Windows also the UTF-16 that Windows holds.
template <typename C> const C *basestart(const C *s, const C *e)
{
    bool backslash =
        findchar(s, static_cast<size_t>(e - s), C('\\')) != nullptr;
    C separator = backslash ? C('\\') : C('/');
    while (e > s && e[-1] != separator)
        e--;
    return e;
}

// Returns where the base name of the bytes [s, e) begins in a code page
// whose lead bytes lead, walking them as Windows does: a lead byte takes
// the byte after it, so a separator's byte that ends a double-byte
// character is part of the name, and a lead byte at the end stands alone.
inline const char *basestart(const char *s, const char *e, const bool *lead)
{
    const char *backslash = nullptr, *slash = nullptr;
    for (const char *q = s; q < e; q++) {
        if (lead[static_cast<unsigned char>(*q)])
            q += e - q > 1 ? 1 : 0;
        else if (*q == '\\')
            backslash = q + 1;
        else if (*q == '/')
            slash = q + 1;
    }
    return backslash != nullptr ? backslash : slash != nullptr ? slash : s;
}

// Runs roomtally on its arguments, spelled in the bytes that names are
// charged by; returns the exit status, 0.
int run(int argc, char **argv);

// Charges every name in the base list file at path against *budget, and
// reports on standard error a file that cannot be opened or read.
void readbasefile(const char *path, int *budget);

// What each system does its own way with names, in src/names.cpp and, on
// Windows, src/names_windows.cpp, where an argument's bytes are its code
// page's spelling of the name that Windows holds.
// Tells whether the argument arg begins with c as the user typed it, and
// not with what the code page shows for a character that it cannot spell.
bool leadswith(const char *arg, char c);
// Returns the base name of the argument path, a pointer into path itself:
// on Windows, the spelling of the base name of the name Windows holds.
const char *cbasename(const char *path);
// Returns the BASELISTFILE variable's value, or nullptr when it is unset.
const char *baselistvariable();
// Returns, for each byte, whether it leads a double-byte character in the
// code page that names are spelled in, or nullptr where no byte does.
const bool *leadbytes();
// Opens the file at path, an argument or the variable, to read its bytes.
FILE *openlist(const char *path);
// Reports on standard error, as perror does, why the file at path failed.
void path_perror(const char *path);
// Writes a name, an argument or its base name, to standard output.
void putname(const char *name);

// Keeps a console window of the program's own open until Enter is pressed,
// where the system gives the program one (src/console_windows.cpp); says
// first how to give it files after a run with no argument.
void holdconsole(bool noargs);

#endif
