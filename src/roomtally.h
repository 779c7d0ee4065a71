// SPDX-License-Identifier: ISC
// The rules that every figure of roomtally follows, and what its files
// share: a file is charged its base name's length plus a fixed overhead
// against a fixed budget, whether it is named on the command line or in a
// base list file.
#ifndef ROOMTALLY_H
#define ROOMTALLY_H

#include <cstdio>
#include <cstring>

constexpr int AVAILABLE_BYTES = 915; // the budget at the start of every run
constexpr int FILE_OVERHEAD = 22;    // a name's terminating byte and 21 more
constexpr int MAX_FILES = 41;        // the most files a report takes

// Returns what a file whose base name is len bytes long costs.
constexpr int namecost(int len)
{
    return len + FILE_OVERHEAD;
}

// The lead bytes of a double-byte code page, all above 127, in one range or
// two, range[i][0] to range[i][1], a range given twice where there is one.
struct leadranges {
    unsigned char range[2][2];
};

// Tells whether the byte c leads a double-byte character in lead.  It has
// no branch, so that the base list reader's window scan vectorizes.
constexpr bool islead(const leadranges *lead, unsigned char c)
{
    return ((c >= lead->range[0][0]) & (c <= lead->range[0][1])) |
           ((c >= lead->range[1][0]) & (c <= lead->range[1][1]));
}

// Where a base name begins, in src/codepage.cpp; lead is leadbytes() below.
// Returns where the base name of the bytes [s, e) begins.
const char *basestart(const char *s, const char *e, const leadranges *lead);
// Returns where the base name of a name that Windows holds in UTF-16 begins.
const wchar_t *basestart(const wchar_t *s, const wchar_t *e);
// Returns where the base name of a base list line begins, UTF-8 as bytes.
const char *linebase(const char *s, const char *e, const leadranges *lead);
// Tells whether the byte at q begins a character, where s begins one.
bool startschar(const char *s, const char *q, const leadranges *lead);
// Returns the lead bytes of code page 932, 936, 949 or 950, or nullptr.
const leadranges *codepageleads(const char *name);

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
// Orders two base names of equal length in the report: by their bytes, and
// on Windows, where two names may share their bytes, then by the names.
int namecmp(const char *a, const char *b);
// Returns the BASELISTFILE variable's value, or nullptr when it is unset.
const char *baselistvariable();
// Returns the lead bytes of the code page that names are spelled in, or
// nullptr where no byte leads a character.
const leadranges *leadbytes();
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
