// SPDX-License-Identifier: ISC
// Starts a program, or the program of a shortcut, in a new console whose
// window is hidden, as Windows Terminal does for a program that Explorer
// starts, and tells what became of it within the time given:
//   hiddenconsole SECONDS PROGRAM|SHORTCUT.lnk [ARG...]
// prints "ended" as soon as it ends or, once its console has asked for
// Enter and it is still running a second later, or the time is up, the
// console's text in UTF-8 and "waiting", and ends it.  The program sees this one as
// its parent, under whatever name it is copied to, and is alone in its
// console: this one reads the console through a handle it kept, never by
// attaching, which the program would count as another process sharing it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The whole prompt, with the cursor on the line after it.
const char PROMPT[] = "Press Enter to close this window.\n\n";

// Returns the text of the console screen out in UTF-8, so that any name
// reads as shown, its lines ended by line feeds, up to the cursor's line.
const char *consoletext(HANDLE out)
{
    static char text[16384];
    text[0] = '\0';
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(out, &info))
        return text;
    size_t at = 0;
    SHORT width = info.dwSize.X < 256 ? info.dwSize.X : 256;
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; y++) {
        wchar_t line[256];
        DWORD got = 0;
        ReadConsoleOutputCharacterW(out, line, static_cast<DWORD>(width),
                                    COORD{0, y}, &got);
        while (got > 0 && line[got - 1] == L' ')
            got--;
        if (at + 3 * got + 2 > sizeof text)
            break;
        at += static_cast<size_t>(WideCharToMultiByte(
            CP_UTF8, 0, line, static_cast<int>(got), text + at,
            static_cast<int>(sizeof text - at), nullptr, nullptr));
        text[at++] = '\n';
        text[at] = '\0';
    }
    return text;
}

// Returns in target, of size bytes, the program that the shortcut at path
// starts, as Explorer finds it.
bool shortcuttarget(const char *path, char *target, int size)
{
    wchar_t wide[MAX_PATH];
    IShellLinkA *link = nullptr;
    IPersistFile *file = nullptr;
    bool found =
        MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) > 0 &&
        SUCCEEDED(CoInitialize(nullptr)) &&
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr,
                                   CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void **>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile,
                                       reinterpret_cast<void **>(&file))) &&
        SUCCEEDED(file->Load(wide, STGM_READ)) &&
        SUCCEEDED(link->GetPath(target, size, nullptr, 0));
    if (file != nullptr)
        file->Release();
    if (link != nullptr)
        link->Release();
    return found;
}

// Makes a console with a hidden window, keeps its screen in *out, and
// starts the program, or the target of a shortcut, with args in it alone;
// returns its process, or nullptr.
HANDLE start(const char *program, const char *args, HANDLE *out)
{
    char target[MAX_PATH], line[8192];
    size_t n = strlen(program);
    if (n > 4 && _stricmp(program + n - 4, ".lnk") == 0) {
        if (!shortcuttarget(program, target, MAX_PATH))
            return nullptr;
        program = target;
    }
    if (snprintf(line, sizeof line, "\"%s\" %s", program, args) >=
        static_cast<int>(sizeof line))
        return nullptr;
    FreeConsole();
    if (!AllocConsole())
        return nullptr;
    ShowWindow(GetConsoleWindow(), SW_HIDE);
    *out = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // The program starts only once this one has left the console.
    if (*out == INVALID_HANDLE_VALUE ||
        !CreateProcessA(nullptr, line, nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED, nullptr, nullptr, &startup,
                        &process))
        return nullptr;
    FreeConsole();
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    return process.hProcess;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    char args[4096] = "";
    for (int i = 3; i < argc; i++) {
        if (strlen(args) + strlen(argv[i]) + 4 > sizeof args)
            return 2;
        strcat(args, i > 3 ? " \"" : "\"");
        strcat(args, argv[i]);
        strcat(args, "\"");
    }
    HANDLE out = INVALID_HANDLE_VALUE;
    HANDLE process = start(argv[2], args, &out);
    if (process == nullptr)
        return 2;
    DWORD until = GetTickCount() + static_cast<DWORD>(atoi(argv[1])) * 1000;
    // Waits for the end or for the prompt, whichever comes first.  A program
    // that ended right after asking would not have waited, so it is given a
    // second to show that it does.
    for (;;) {
        if (WaitForSingleObject(process, 100) == WAIT_OBJECT_0)
            break;
        const char *text = consoletext(out);
        bool asked = strstr(text, PROMPT) != nullptr;
        if (asked && WaitForSingleObject(process, 1000) == WAIT_OBJECT_0)
            break;
        if (asked || static_cast<LONG>(GetTickCount() - until) > 0) {
            fputs(text, stdout);
            puts("waiting");
            TerminateProcess(process, 1);
            return 0;
        }
    }
    puts("ended");
    return 0;
}
