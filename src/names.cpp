// SPDX-License-Identifier: ISC
// Elsewhere than on Windows, the arguments, the environment and the names
// of files are bytes that the program takes as they come, and no byte of a
// name is anything but a character of its own.  The WebAssembly build, run
// by the page for a Windows user, may instead count names in the bytes of a
// Windows code page, which ROOMTALLY_CODEPAGE names; no other build reads
// it, so that on a command line BASELISTFILE stays the only setting.

#include <cstdlib>

#include "roomtally.h"

#ifdef __wasi__
namespace {

// A double-byte Windows code page and the ranges of its lead bytes.
struct codepage {
    const char *name;
    unsigned char ranges[4];
};

constexpr codepage DOUBLE_BYTE[] = {{"932", {0x81, 0x9F, 0xE0, 0xFC}},
                                    {"936", {0x81, 0xFE, 0x81, 0xFE}},
                                    {"949", {0x81, 0xFE, 0x81, 0xFE}},
                                    {"950", {0x81, 0xFE, 0x81, 0xFE}}};

// Returns the lead bytes of the double-byte code page named by name, or
// nullptr for any other name, which counts names as bytes.
const bool *leadsof(const char *name)
{
    static bool lead[256];
    for (const codepage &cp : DOUBLE_BYTE) {
        if (name == nullptr || strcmp(name, cp.name) != 0)
            continue;
        for (int c = 0; c < 256; c++)
            lead[c] = (c >= cp.ranges[0] && c <= cp.ranges[1]) ||
                      (c >= cp.ranges[2] && c <= cp.ranges[3]);
        return lead;
    }
    return nullptr;
}

} // namespace
#endif

bool leadswith(const char *arg, char c)
{
    return arg[0] == c;
}

// An argument is cut as Windows cuts the name it holds, by its characters
// and with no exception for UTF-8, which a code page's bytes may look like.
const char *cbasename(const char *path)
{
    const bool *lead = leadbytes();
    const char *e = path + strlen(path);
    return lead != nullptr ? basestart(path, e, lead) : basestart(path, e);
}

const char *baselistvariable()
{
    return getenv("BASELISTFILE");
}

const bool *leadbytes()
{
#ifdef __wasi__
    static const bool *lead = leadsof(getenv("ROOMTALLY_CODEPAGE"));
    return lead;
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
