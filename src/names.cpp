// SPDX-License-Identifier: ISC
// Elsewhere than on Windows, the arguments, the environment and the names
// of files are bytes that the program takes as they come, and no byte of a
// name is anything but a character of its own.

#include <cstdlib>

#include "roomtally.h"

bool leadswith(const char *arg, char c)
{
    return arg[0] == c;
}

const char *cbasename(const char *path)
{
    return basestart(path, path + strlen(path));
}

const char *baselistvariable()
{
    return getenv("BASELISTFILE");
}

const bool *leadbytes()
{
    return nullptr;
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
