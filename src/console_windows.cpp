// SPDX-License-Identifier: ISC
// The Windows console: a console window of the program's own stays open
// until Enter is pressed, so that a report started from Explorer (a
// double-click, a drop, Send To) can be read before its window closes.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// The process snapshot needs the types that windows.h declares.
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>

#include "roomtally.h"

namespace {

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
