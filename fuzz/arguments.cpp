// SPDX-License-Identifier: ISC
// Runs roomtally on fuzzed arguments, as a command line would, and checks
// its whole standard output against a plain working of the same rules:
// that the help is chosen (its words, which this takes from the program's
// own run on "?", are held by the help cases), the base list's
// consumption, the count after the '+', the 41 files, each row's charge,
// order, bytes left and leader, the closing line and the advice.
//
// The input's first byte says what surrounds the arguments: bit 0 sets
// BASELISTFILE to the base list file, bit 1 to nothing at all, bit 2 keeps
// the file from being written, and bit 3 runs the program with no argument
// vector at all.  The rest is split at NUL bytes: the first field is the
// base list's contents, and each further one an argument, where "@" stands
// for the base list file's path.  The run is in an empty folder, and no
// argument reaches above it (a leading '/' or a ".." is made '_' and "__"),
// so that nothing but the base list file is ever read.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../src/roomtally.h"
#include "plainlist.h"

namespace {

constexpr size_t MAX_ARGS = 100;

std::string helptext;

// Returns arg with a leading '/' made '_' and every ".." made "__", which
// leaves its length, and so every figure, as it was.
std::string confined(std::string arg)
{
    if (!arg.empty() && arg[0] == '/')
        arg[0] = '_';
    for (size_t at; (at = arg.find("..")) != std::string::npos;)
        arg.replace(at, 2, "__");
    return arg;
}

// Returns what a run on args (argv[0] first) prints on standard output.
std::string output(std::vector<char *> args, bool noargv)
{
    char *buffer = nullptr;
    size_t length = 0;
    FILE *saved = stdout;
    stdout = open_memstream(&buffer, &length);
    args.push_back(nullptr);
    run(noargv ? 0 : static_cast<int>(args.size() - 1), args.data());
    fclose(stdout);
    stdout = saved;
    std::string text(buffer, length);
    free(buffer);
    return text;
}

// Returns the base name of path, by the rule the rows follow.
std::string basename(const std::string &path)
{
    size_t cut = path.rfind('\\');
    if (cut == std::string::npos)
        cut = path.rfind('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Returns printf's %d of n, or a field of width with n right in it.
std::string number(long long n, size_t width = 0)
{
    std::string text = std::to_string(n);
    return std::string(width > text.size() ? width - text.size() : 0, ' ') +
           text;
}

// Returns the rows, the closing line and the advice for files, from budget.
std::string plainreport(std::vector<std::string> files, long long budget,
                        long long extra)
{
    size_t width = 0, longest = 0;
    for (std::string &file : files) {
        file = basename(file);
        longest = std::max(longest, file.size());
        width = file.size() + 22 > 99 ? 3 : 2;
    }
    std::stable_sort(files.begin(), files.end(),
                     [](const std::string &a, const std::string &b) {
                         return a.size() != b.size()
                                    ? a.size() < b.size()
                                    : strcmp(a.c_str(), b.c_str()) < 0;
                     });
    longest = std::min<size_t>(longest, AVAILABLE_BYTES);
    std::string text;
    for (const std::string &file : files) {
        long long cost = static_cast<long long>(file.size()) + 22;
        budget -= cost;
        long long gap = static_cast<long long>(longest) -
                        static_cast<long long>(file.size());
        std::string leader;
        for (long long i = 0; i + 1 < gap; i += 2)
            leader += ". ";
        if (gap > 0 && gap % 2 != 0)
            leader += " ";
        text += number(budget) + " . " + number(cost, width) + " bytes . " +
                leader + file + "\n";
    }
    text += "\nThis leaves you with " + number(budget) + " bytes.\n";
    if (extra != 0)
        text += "\nIf you want to add " + number(extra) + " more file" +
                (extra > 1 ? "s" : "") + ", the files'\nnames should sum to " +
                "less than " + number(budget - 22 * extra) + " characters.\n";
    return text;
}

// Returns the count that the digits after a '+' give, held at INT32_MAX.
long long plaincount(const std::string &arg)
{
    long long n = 0;
    for (size_t i = 1; i < arg.size() && arg[i] >= '0' && arg[i] <= '9'; i++)
        n = std::min<long long>(n * 10 + (arg[i] - '0'), INT32_MAX);
    return n;
}

// Returns what a run on args should print, where the base list file at
// listpath, when it is there, consumes consumed bytes.
std::string plainrun(const std::vector<std::string> &args, const char *path,
                     int consumed)
{
    size_t n = args.size();
    if (n > 1 && args[1][0] == '?')
        return helptext;
    size_t first = 1;
    std::string text;
    if (n > 2 && args[1] == "-base") {
        first = 3;
        path = args[2].c_str();
    }
    long long budget = AVAILABLE_BYTES;
    if (path != nullptr) {
        int used = strcmp(path, listpath) == 0 ? consumed : 0;
        text = "The base files consume " + number(used) + " bytes.\n";
        budget -= used;
    } else if (n < 2) {
        return "There's nothing to calculate! You'll always have 915 bytes "
               "available.\nYou should probably try `roomtally ?'\n";
    }
    long long extra = 0;
    if (n > 1 && args[n - 1][0] == '+')
        extra = plaincount(args[--n]);
    std::vector<std::string> files;
    for (size_t i = first; i < n && files.size() < MAX_FILES; i++)
        files.push_back(args[i]);
    return text + plainreport(files, budget, extra);
}

// Returns the fields of the input after its first byte, split at NUL
// bytes: the base list's contents, then the arguments, "@" the list's path.
std::vector<std::string> fieldsof(const uint8_t *data, size_t size)
{
    std::string rest(reinterpret_cast<const char *>(data) + (size > 0),
                     size - (size > 0));
    std::vector<std::string> fields;
    for (size_t start = 0, end; fields.size() <= MAX_ARGS; start = end + 1) {
        end = std::min(rest.find('\0', start), rest.size());
        fields.push_back(rest.substr(start, end - start));
        if (end == rest.size())
            break;
    }
    for (size_t i = 1; i < fields.size(); i++)
        fields[i] = fields[i] == "@" ? listpath : confined(fields[i]);
    return fields;
}

// Writes the base list, unless mode keeps it from being there, and sets
// BASELISTFILE as mode says; returns the variable's value, or nullptr.
const char *surround(int mode, const std::string &list)
{
    remove(listpath);
    if ((mode & 4) == 0 &&
        !writelist(reinterpret_cast<const uint8_t *>(list.data()), list.size()))
        abort();
    const char *variable = (mode & 1) != 0   ? listpath
                           : (mode & 2) != 0 ? ""
                                             : nullptr;
    if (variable != nullptr)
        setenv("BASELISTFILE", variable, 1);
    else
        unsetenv("BASELISTFILE");
    return variable;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    namelist();
    char folder[] = "/tmp/roomtally-fuzz-XXXXXX";
    if (mkdtemp(folder) == nullptr || chdir(folder) != 0)
        abort();
    char name[] = "roomtally", help[] = "?";
    helptext = output({name, help}, false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    int mode = size > 0 ? data[0] : 0;
    std::vector<std::string> fields = fieldsof(data, size);
    const std::string list = fields[0];
    fields[0] = "roomtally";
    const char *variable = surround(mode, list);
    bool noargv = (mode & 8) != 0;
    int consumed =
        (mode & 4) != 0
            ? 0
            : plainconsumed(reinterpret_cast<const uint8_t *>(list.data()),
                            list.size(), nullptr);
    std::vector<char *> args;
    for (std::string &field : fields)
        args.push_back(&field[0]);
    std::string got = output(args, noargv);
    std::string want =
        plainrun(noargv ? std::vector<std::string>{"roomtally"} : fields,
                 variable, consumed);
    if (got != want) {
        fprintf(stderr, "the program printed:\n%s\nthe plain working:\n%s\n",
                got.c_str(), want.c_str());
        abort();
    }
    return 0;
}
