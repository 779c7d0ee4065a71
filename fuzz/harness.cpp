// SPDX-License-Identifier: ISC
// Runs roomtally's base list reader on one fuzzer input, as the program
// does, and checks what it charges against a plain reading of the same
// bytes.
//
// The input's first byte may put nearly 128 KiB of empty lines before the
// list: bit 3 asks for them, and bits 4 to 7 say how much less (in steps of
// 61 bytes), so that the list's lines meet the end of the reader's first
// block.  Its bits 0 to 2 name the code page that names are counted in, as
// the page names it: 1 to 4 for 932, 936, 949 and 950, any other value for
// none.  The rest of the input is the base list file's contents.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "../src/roomtally.h"
#include "plainlist.h"

namespace {

constexpr size_t MAX_LIST = 1 << 20;

uint8_t list[128 * 1024 + MAX_LIST];
const char *const CODEPAGES[8] = {nullptr, "932", "936", "949", "950"};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    namelist();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    int mode = size > 0 ? data[0] : 0;
    size_t used = size > 0 ? 1 : 0;
    size_t pad =
        (mode & 8) != 0 ? 128 * 1024 - static_cast<size_t>(mode >> 4) * 61 : 0;
    size_t listsize = pad + size - used;
    if (size - used > MAX_LIST)
        abort();
    memset(list, '\n', pad);
    memcpy(list + pad, data + used, size - used);
    if (!writelist(list, listsize))
        abort();
    const char *codepage = CODEPAGES[mode & 7];
    if (codepage != nullptr)
        setenv("ROOMTALLY_CODEPAGE", codepage, 1);
    else
        unsetenv("ROOMTALLY_CODEPAGE");
    // The reader must charge exactly what the plain reading charges.
    int budget = AVAILABLE_BYTES;
    readbasefile(listpath, &budget);
    int plain = plainconsumed(list, listsize, leadbytes());
    if (AVAILABLE_BYTES - budget != plain) {
        fprintf(stderr, "the reader charges %d bytes, the plain reading %d\n",
                AVAILABLE_BYTES - budget, plain);
        abort();
    }
    return 0;
}
