// SPDX-License-Identifier: ISC
// Starts a program in a new console whose window is hidden, as Windows
// Terminal does for a program that Explorer starts, and tells whether it
// ended within the time given:
//   hiddenconsole SECONDS PROGRAM [ARG...]
// prints "ended" or, when it is still running, "waiting" and ends it.  The
// program sees this one as its parent, under whatever name it is copied to.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    char line[4096] = "";
    for (int i = 2; i < argc; i++) {
        if (strlen(line) + strlen(argv[i]) + 4 > sizeof line)
            return 2;
        strcat(line, i > 2 ? " \"" : "\"");
        strcat(line, argv[i]);
        strcat(line, "\"");
    }
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESHOWWINDOW;
    start.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE, nullptr, nullptr, &start, &process))
        return 2;
    DWORD ms = static_cast<DWORD>(atoi(argv[1])) * 1000;
    bool ended = WaitForSingleObject(process.hProcess, ms) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    puts(ended ? "ended" : "waiting");
    return 0;
}
