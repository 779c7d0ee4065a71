// SPDX-License-Identifier: ISC
// roomtally: how much of a fixed name table a set of files takes up.
//
// Every file costs the length of its base name plus a fixed overhead.  The
// report lists the files cheapest first with the bytes left after each one,
// then what is left at the end and, on request, how long the names of N
// more files may be in total.  Names read from a base list file are charged
// first.  The run always exits with status 0: failures are reported on
// standard error and the run goes on.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "roomtally.h"

namespace {

constexpr int LEADER_SIZE = AVAILABLE_BYTES + 1;

// The help text's wording and spelling are the program's own, kept as they
// stand for whoever compares it (the help cases hold it): do not mend them.
// clang-format off
const char HELP_TEXT[] =
    "roomtally calculator\n"
    "Usage: roomtally [-base BASE LIST FILE] [files] [+EXTRA FILE COUNT]\n"
    "You got here using `roomtally ?'.\n"
    "\n"
    "By using `-base' on the command line or setting the enviroment variable\n"
    "`BASELISTFILE', lines are read from a file as file names that are initially\n"
    "calculated. Empty lines are ignored.\n"
    "\n"
    "All file names are extracted from a given path. So, with a file name of\n"
    "`dir/file', only `file' is calculated.\n"
    "\n"
    "With the final parameter given in the above usage, the program instructs\n"
    "you on what to do if wish to add that many more files. In example, `+5`\n"
    "would give instructions for adding five more files.\n"
    "\n"
    "For every file given (not in the base list); In the leftmost column is the\n"
    "total number of bytes available after that file is added; The next column\n"
    "contains the number of bytes consumed by that file; The rightmost column\n"
    "contains the file's name.\n"
    "\n"
    "The final number of bytes available is printed at the bottom.\n"
    "\n";

const char NOTHING_TEXT[] =
    "There's nothing to calculate! You'll always have %d bytes available.\n"
    "You should probably try `";
// clang-format on

// One file named on the command line; name points into its argument.
struct fileentry {
    const char *name;
    int len;
    int bytes;
};

fileentry table[MAX_FILES];
char leader[LEADER_SIZE];

// Returns the base list path, from the -base option (moving *first past it)
// or else from BASELISTFILE, or nullptr when there is none.
const char *basepath(int argc, char **argv, int *first)
{
    if (argc > 2 && strcmp(argv[1], "-base") == 0) {
        *first = 3;
        return argv[2];
    }
    return baselistvariable();
}

// Returns the extra count that the digits after the '+' of arg give, 0 for
// none, and INT32_MAX for more than it holds.
int extracount(const char *arg)
{
    int64_t n = 0;
    for (const char *q = arg + 1; *q >= '0' && *q <= '9'; q++) {
        n = n * 10 + (*q - '0');
        if (n > INT32_MAX)
            return INT32_MAX;
    }
    return static_cast<int>(n);
}

// Orders entries by charge; equal charges by name, so that every platform's
// sort prints the same report.
int filecmp(const void *a, const void *b)
{
    const fileentry *x = static_cast<const fileentry *>(a);
    const fileentry *y = static_cast<const fileentry *>(b);
    if (x->bytes != y->bytes)
        return x->bytes - y->bytes;
    return namecmp(x->name, y->name);
}

// Fills the table from the files in command-line order.  Returns the longest
// base name's length; *width becomes the charge column width of the last
// file, not of the widest charge, as the width cases hold on purpose.
int filltable(char **files, int count, int *width)
{
    int longest = 0;
    for (int i = 0; i < count; i++) {
        fileentry *f = &table[i];
        f->name = cbasename(files[i]);
        f->len = static_cast<int>(strlen(f->name));
        f->bytes = namecost(f->len);
        if (f->len > longest)
            longest = f->len;
        *width = f->bytes > 99 ? 3 : f->bytes > 9 ? 2 : 1;
    }
    return longest;
}

// Prints the rows, lowering *budget by each, the closing line and the advice
// for extra more files.
void printreport(int count, int longest, int width, int *budget, int extra)
{
    for (int i = 0; i < count; i++) {
        const fileentry *f = &table[i];
        int gap = longest - f->len;
        *budget -= f->bytes;
        printf("%d . %*d bytes . ", *budget, width, f->bytes);
        // A name longer than the leader gets none.
        if (gap > 0 && gap % 2 != 0)
            printf("%.*s ", gap - 1, leader);
        else if (gap > 0)
            printf("%.*s", gap, leader);
        putname(f->name);
        putchar('\n');
    }
    printf("\nThis leaves you with %d bytes.\n", *budget);
    if (extra != 0) {
        long long room =
            *budget - static_cast<long long>(FILE_OVERHEAD) * extra;
        printf("\nIf you want to add %d more file%s, the files'\n"
               "names should sum to less than %lld characters.\n",
               extra, extra > 1 ? "s" : "", room);
    }
}

// Builds the table of the files, sorts it and prints the report.
void report(char **files, int count, int *budget, int extra)
{
    int width = 0;
    int longest = filltable(files, count, &width);
    if (count > 0)
        qsort(table, static_cast<size_t>(count), sizeof table[0], filecmp);
    if (longest > AVAILABLE_BYTES)
        longest = AVAILABLE_BYTES;
    for (int i = 0; i < longest; i += 2) {
        leader[i] = '.';
        leader[i + 1] = ' ';
    }
    printreport(count, longest, width, budget, extra);
}

// Reports output that could not be written, which would otherwise be lost
// without a word, and keeps a window of the program's own open.  Returns the
// exit status, which is 0 all the same.
int finish(bool noargs)
{
    if (fflush(stdout) != 0 || ferror(stdout))
        perror("standard output");
    holdconsole(noargs);
    return 0;
}

} // namespace

int run(int argc, char **argv)
{
    const bool noargs = argc < 2;
    int budget = AVAILABLE_BYTES;
    if (argc > 1 && leadswith(argv[1], '?')) {
        fputs(HELP_TEXT, stdout);
        return finish(noargs);
    }
    int first = 1;
    const char *path = basepath(argc, argv, &first);
    if (path != nullptr) {
        readbasefile(path, &budget);
        printf("The base files consume %d bytes.\n", AVAILABLE_BYTES - budget);
    } else if (noargs) {
        // The program's path is a name, shown as the rows' names are.
        printf(NOTHING_TEXT, AVAILABLE_BYTES);
        putname(argc > 0 ? argv[0] : "roomtally");
        fputs(" ?'\n", stdout);
        return finish(noargs);
    }
    int extra = 0;
    // A -base value that begins with + and is the last argument names both
    // the list and the count, as the base option cases hold on purpose.
    if (argc > 1 && leadswith(argv[argc - 1], '+')) {
        extra = extracount(argv[argc - 1]);
        argc--;
    }
    int count = argc - first;
    count = count < 0 ? 0 : count > MAX_FILES ? MAX_FILES : count;
    report(argv + first, count, &budget, extra);
    return finish(noargs);
}

// Windows enters at wmain (src/names_windows.cpp), which hands run the
// arguments that Windows holds, spelled in the code page.
#ifndef _WIN32
int main(int argc, char **argv)
{
    return run(argc, argv);
}
#endif
