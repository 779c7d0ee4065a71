// SPDX-License-Identifier: ISC
// Elsewhere than on Windows, the arguments, the environment and the names
// of files are bytes that the program takes as they come, and no byte of a
// name is anything but a character of its own.  The WebAssembly build, run
// by the page for a Windows user, may instead count names in the bytes of a
// Windows code page, which ROOMTALLY_CODEPAGE names; no build that ships
// for a command line reads it, so that BASELISTFILE stays the only setting.

#include <cstdlib>

#include "roomtally.h"

bool leadswith(const char *arg, char c)
{
    return arg[0] == c;
}

// An argument is cut as Windows cuts the name it holds, by its characters
// and with no exception for UTF-8, which a code page's bytes may look like.
const char *cbasename(const char *path)
{
    return basestart(path, path + strlen(path), leadbytes());
}

int namecmp(const char *a, const char *b)
{
    return strcmp(a, b);
}

const char *baselistvariable()
{
    return getenv("BASELISTFILE");
}

// The base list fuzzer, built with ROOMTALLY_CODEPAGE_VARIABLE, names its
// code pages as the page does.
const leadranges *leadbytes()
{
#if defined(__wasi__) || defined(ROOMTALLY_CODEPAGE_VARIABLE)
    return codepageleads(getenv("ROOMTALLY_CODEPAGE"));
#else
    return nullptr;
#endif
}

FILE *openlist(const char *path)
{
    return fopen(path, "rb");
}

void path_perror(const char *path)
{
    perror(path);
}

void putname(const char *name)
{
    fputs(name, stdout);
}
