// Runs the whole of roomtally, main included, on one fuzzer input.
//
// The input's first byte chooses how the base list is named: bits 0 and 1
// give none, -base PATH, BASELISTFILE=PATH or an empty BASELISTFILE, and
// bit 2 starts the program with an empty argument vector.  The second byte
// is the number of arguments after the program's name; they follow, each
// ended by a NUL.  Whatever is left is the base list file's contents.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#define main roomtally_main
#include "../src/roomtally.cpp"
#undef main

namespace {

constexpr size_t MAX_ARGS = 64;

char listpath[64];
char argbytes[1 << 20];
char *args[MAX_ARGS + 4];
char *noargs[] = {nullptr};

// Writes the base list file; returns false when it cannot be written.
bool writelist(const uint8_t *data, size_t size)
{
    FILE *fp = fopen(listpath, "wb");
    if (fp == nullptr)
        return false;
    bool ok = fwrite(data, 1, size, fp) == size;
    return fclose(fp) == 0 && ok;
}

// Fills args from the input and returns the argument count.
int readargs(const uint8_t *data, size_t size, size_t *used, int mode)
{
    int argc = 0;
    args[argc++] = const_cast<char *>("roomtally");
    if ((mode & 3) == 1) {
        args[argc++] = const_cast<char *>("-base");
        args[argc++] = listpath;
    }
    size_t wanted = size > 1 ? data[1] % MAX_ARGS : 0;
    size_t pos = 2, fill = 0;
    for (size_t i = 0; i < wanted && pos < size; i++) {
        const void *nul = memchr(data + pos, 0, size - pos);
        size_t len = size - pos;
        if (nul != nullptr)
            len = static_cast<size_t>(static_cast<const uint8_t *>(nul) -
                                      (data + pos));
        if (fill + len + 1 > sizeof argbytes)
            break;
        memcpy(argbytes + fill, data + pos, len);
        argbytes[fill + len] = '\0';
        args[argc++] = argbytes + fill;
        fill += len + 1;
        pos += len + 1;
    }
    args[argc] = nullptr;
    *used = pos < size ? pos : size;
    return (mode & 4) != 0 ? 0 : argc;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    snprintf(listpath, sizeof listpath, "/tmp/roomtally-fuzz-%ld.txt",
             static_cast<long>(getpid()));
    if (freopen("/dev/null", "w", stdout) == nullptr)
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    int mode = size > 0 ? data[0] : 0;
    size_t used = 0;
    int argc = readargs(data, size, &used, mode);
    if (!writelist(data + used, size - used))
        abort();
    if ((mode & 3) == 2)
        setenv("BASELISTFILE", listpath, 1);
    else if ((mode & 3) == 3)
        setenv("BASELISTFILE", "", 1);
    else
        unsetenv("BASELISTFILE");
    // The program must end every run with status 0.
    if (roomtally_main(argc, argc > 0 ? args : noargs) != 0)
        abort();
    return 0;
}
