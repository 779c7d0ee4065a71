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
constexpr int MAX_FILES = 41;        // the most files the command line names

// Returns what a file whose base name is len bytes long costs.
constexpr int namecost(int len)
{
    return len + FILE_OVERHEAD;
}

// Returns where the base name of [s, e) begins: after the last backslash,
// or after the last slash when there is no backslash at all.
inline const char *basestart(const char *s, const char *e)
{
    bool backslash = memchr(s, '\\', static_cast<size_t>(e - s)) != nullptr;
    char separator = backslash ? '\\' : '/';
    while (e > s && e[-1] != separator)
        e--;
    return e;
}

// Runs roomtally on its arguments, spelled in the bytes that names are
// charged by; returns the exit status, 0.
int run(int argc, char **argv);

// Charges every name in the base list file at path against *budget, and
// reports on standard error a file that cannot be opened or read.
void readbasefile(const char *path, int *budget);

// What each system does its own way, in src/console.cpp and, on Windows,
// src/console_windows.cpp, where an argument's bytes are its code page's
// spelling of the name that Windows holds.
// Tells whether the argument arg begins with c as the user typed it, and
// not with what the code page shows for a character that it cannot spell.
bool leadswith(const char *arg, char c);
// Returns the BASELISTFILE variable's value, or nullptr when it is unset.
const char *baselistvariable();
// Opens the file at path, an argument or the variable, to read its bytes.
FILE *openlist(const char *path);
// Reports on standard error, as perror does, why the file at path failed.
void path_perror(const char *path);
// Writes a base name, a tail of an argument, to standard output.
void putname(const char *name);

// Keeps a console window of the program's own open until Enter is pressed,
// where the system gives the program one; says first how to give it files
// after a run with no argument.
void holdconsole(bool noargs);

#endif
