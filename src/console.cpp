// SPDX-License-Identifier: ISC
// Elsewhere than on Windows, the arguments, the environment and the names
// of files are bytes that the program takes as they come, and the window is
// the terminal it was started from, which stays open when the program ends.

#include <cstdlib>

#include "roomtally.h"

bool leadswith(const char *arg, char c)
{
    return arg[0] == c;
}

const char *baselistvariable()
{
    return getenv("BASELISTFILE");
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

void holdconsole(bool)
{
}
