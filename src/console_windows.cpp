// SPDX-License-Identifier: ISC
// roomtally on Windows: the arguments, the base list's name and the names
// shown are taken as Windows holds them, in UTF-16, so that a name the code
// page cannot spell still opens and shows as the user knows it, while every
// name is charged its bytes in the code page, as Windows programs count
// them.  A console window of the program's own stays open until Enter is
// pressed, so that a report started from Explorer (a double-click, a drop,
// Send To) can be read before its window closes.  Redirected, the output is
// the code page's bytes.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// The process snapshot needs the types that windows.h declares.
#include <tlhelp32.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "roomtally.h"

// Lets the C runtime's start-up expand wildcard patterns in the arguments
// before it hands them to wmain.
extern "C" {
int _dowildcard = -1;
}

namespace {

// The arguments that a run can look at: the program's name, -base and its
// path, 41 files and the count; those in between are files past the 41st.
constexpr int KEPT_ARGS = MAX_FILES + 4;
// An argument or a variable holds at most 32,767 UTF-16 units, and a unit
// takes at most 3 bytes in any code page that Windows runs with.
constexpr int SPELLING_BYTES = 3 * 32767 + 1;

// How to give the program files, without and with a Send To entry, such as
// the installer makes.
// clang-format off
const char WINDOWS_TEXT[] =
    "\n"
    "To ask about some files, select them in Explorer and:\n"
    "- drop them onto roomtally.exe, or onto a shortcut to it;\n"
    "- or send them to it: put a shortcut to roomtally.exe in the Send To\n"
    "  folder (type shell:sendto in the Run box, Windows+R), then right-click\n"
    "  the files and choose Send to > roomtally;\n"
    "- or, in a console, run: roomtally.exe FILE... +N\n";
const char SENDTO_TEXT[] =
    "\n"
    "To ask about some files, select them in Explorer, right-click them and\n"
    "choose Send to > roomtally.  In a console, run: roomtally FILE... +N\n";
// clang-format on

// A name as Windows holds it, and its bytes in the code page.
struct spelling {
    const wchar_t *wide;
    char bytes[SPELLING_BYTES];
};

// The arguments kept, then the variable's value.
spelling spellings[KEPT_ARGS + 1];
int spelled;
char *args[KEPT_ARGS + 1];

// Returns the code page's bytes for wide, kept beside it.  A character that
// the code page lacks is a '?', never a look-alike: a fullwidth plus or
// backslash must not pass for the count or a separator.
char *spell(const wchar_t *wide)
{
    spelling *s = &spellings[spelled++];
    s->wide = wide;
    // UTF-8 spells every character, and takes no flags.
    DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    if (WideCharToMultiByte(CP_ACP, flags, wide, -1, s->bytes, SPELLING_BYTES,
                            nullptr, nullptr) == 0)
        s->bytes[0] = '\0';
    return s->bytes;
}

// Returns the name that Windows holds for the bytes at p, an argument or a
// tail of one, or nullptr for bytes that no spelling holds.
const wchar_t *widename(const char *p)
{
    for (int i = 0; i < spelled; i++) {
        const spelling *s = &spellings[i];
        if (p == s->bytes)
            return s->wide;
        if (p > s->bytes && p < s->bytes + SPELLING_BYTES) {
            // A tail is a base name: the same rule, on the units.
            const wchar_t *base = wcsrchr(s->wide, L'\\');
            if (base == nullptr)
                base = wcsrchr(s->wide, L'/');
            return base != nullptr ? base + 1 : s->wide;
        }
    }
    return nullptr;
}

// Tells whether handle is a console, where text is shown as UTF-16.
bool isconsole(HANDLE handle)
{
    DWORD mode;
    return GetConsoleMode(handle, &mode) != FALSE;
}

// Writes wide into the console handle.
void writeconsole(HANDLE handle, const wchar_t *wide)
{
    DWORD written;
    WriteConsoleW(handle, wide, static_cast<DWORD>(wcslen(wide)), &written,
                  nullptr);
}

// Finds the process pid in a snapshot of them all, into *entry.
bool findprocess(HANDLE snapshot, DWORD pid, PROCESSENTRY32W *entry)
{
    entry->dwSize = sizeof *entry;
    for (BOOL more = Process32FirstW(snapshot, entry); more != FALSE;
         more = Process32NextW(snapshot, entry))
        if (entry->th32ProcessID == pid)
            return true;
    return false;
}

// Tells whether Explorer started the program.  With Windows Terminal as the
// default terminal, the console's own window is hidden and the program runs
// in a tab that closes when it ends.
bool startedbyexplorer()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry;
    bool explorer = findprocess(snapshot, GetCurrentProcessId(), &entry) &&
                    findprocess(snapshot, entry.th32ParentProcessID, &entry) &&
                    _wcsicmp(entry.szExeFile, L"explorer.exe") == 0;
    CloseHandle(snapshot);
    return explorer;
}

// Tells whether the console's window is shown.  user32 is loaded here
// alone, so that no run that does not ask pays for it.
bool consolevisible()
{
    HWND window = GetConsoleWindow();
    HMODULE user32 = window != nullptr ? LoadLibraryA("user32.dll") : nullptr;
    if (user32 == nullptr)
        return false;
    // Cast through a function of no arguments, which any function pointer
    // converts to and from.
    using visiblefn = BOOL(WINAPI *)(HWND);
    auto visible = reinterpret_cast<visiblefn>(reinterpret_cast<void (*)()>(
        GetProcAddress(user32, "IsWindowVisible")));
    return visible != nullptr && visible(window) != FALSE;
}

// Tells whether the user's Send To folder holds a roomtally entry.  shell32
// is loaded here alone, as user32 is.
bool hassendto()
{
    HMODULE shell32 = LoadLibraryA("shell32.dll");
    if (shell32 == nullptr)
        return false;
    using folderfn = HRESULT(WINAPI *)(HWND, int, HANDLE, DWORD, LPWSTR);
    auto folder = reinterpret_cast<folderfn>(reinterpret_cast<void (*)()>(
        GetProcAddress(shell32, "SHGetFolderPathW")));
    const int CSIDL_SENDTO_FOLDER = 0x0009;
    wchar_t path[MAX_PATH + 16];
    if (folder == nullptr ||
        folder(nullptr, CSIDL_SENDTO_FOLDER, nullptr, 0, path) != S_OK)
        return false;
    wcscat(path, L"\\roomtally.lnk");
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// Tells whether the program has a console of its own that closes when it
// ends, as after a double-click, a drop, Send To or the Run box: no other
// process shares it, standard input and output are that console, and its
// window is shown or Explorer started the program.  A prompt, a script, a
// redirection or a hidden console that Explorer did not start is none.
bool ownconsole()
{
    DWORD processes[2], mode = 0;
    return GetConsoleProcessList(processes, 2) == 1 &&
           GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != FALSE &&
           GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != FALSE &&
           (consolevisible() || startedbyexplorer());
}

} // namespace

bool leadswith(const char *arg, char c)
{
    const wchar_t *wide = widename(arg);
    return wide != nullptr ? wide[0] == static_cast<wchar_t>(c) : arg[0] == c;
}

const char *baselistvariable()
{
    const wchar_t *wide = _wgetenv(L"BASELISTFILE");
    return wide != nullptr ? spell(wide) : nullptr;
}

FILE *openlist(const char *path)
{
    const wchar_t *wide = widename(path);
    return wide != nullptr ? _wfopen(wide, L"rb") : fopen(path, "rb");
}

void path_perror(const char *path)
{
    const wchar_t *wide = widename(path);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (wide == nullptr || *wide == L'\0' || !isconsole(err)) {
        perror(path);
        return;
    }
    const char *why = strerror(errno);
    writeconsole(err, wide);
    fprintf(stderr, ": %s\n", why);
}

void putname(const char *name)
{
    const wchar_t *wide = widename(name);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (wide == nullptr || !isconsole(out)) {
        fputs(name, stdout);
        return;
    }
    fflush(stdout);
    writeconsole(out, wide);
}

void holdconsole(bool noargs)
{
    if (!ownconsole())
        return;
    if (noargs)
        fputs(hassendto() ? SENDTO_TEXT : WINDOWS_TEXT, stderr);
    fputs("\nPress Enter to close this window.\n", stderr);
    int c;
    do
        c = getchar();
    while (c != EOF && c != '\n');
}

// Keeps the arguments that a run looks at, the last among them, as the code
// page spells them, and runs.  Arguments are never more than Windows can
// hold, so their spellings are never cut.
extern "C" int wmain(int argc, wchar_t **argv)
{
    int kept = argc < KEPT_ARGS ? argc : KEPT_ARGS;
    for (int i = 0; i < kept; i++)
        args[i] = spell(argv[i < kept - 1 ? i : argc - 1]);
    args[kept] = nullptr;
    return run(kept, args);
}
