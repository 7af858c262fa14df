// klenwin: the cleaner's view of the top-level windows of the Wine session
// it runs in. A Win32 program, built with mingw-w64 and run under the
// prefix's Wine.
//
//   klenwin list                  one line per window, tab-separated:
//                                   W <handle> <owner> <visible 0|1> <class> <title>
//                                 then one per descendant of that window:
//                                   C <handle> <control id> <class> <caption>
//                                 handles in hex, text in UTF-8 with tabs
//                                 and line breaks made blanks
//   klenwin front <handle>        foreground and top of the window order
//   klenwin command <handle> <id> posts WM_COMMAND with the control id
//   klenwin serve                 reads such requests ("list", "front
//                                 <handle>", ...) one a line from standard
//                                 input and answers each, until its end or
//                                 until none came for three seconds: a
//                                 helper must not keep the session alive
//
// Each answer ends with the line "OK", or "ERR <code>" with a Win32 error
// code (the exit code, 8 bits under Wine, says only success or failure).

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string utf8(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(size_t(size - 1));
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return out;
}

std::string windowText(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return utf8(text);
}

std::string className(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return utf8(name);
}

unsigned long long handleValue(HWND window)
{
    return static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window));
}

BOOL CALLBACK printChild(HWND child, LPARAM)
{
    std::printf("C\t%llx\t%d\t%s\t%s\n", handleValue(child), GetDlgCtrlID(child), className(child).c_str(),
                windowText(child).c_str());
    return TRUE;
}

BOOL CALLBACK printTopLevel(HWND window, LPARAM)
{
    std::printf("W\t%llx\t%llx\t%d\t%s\t%s\n", handleValue(window), handleValue(GetWindow(window, GW_OWNER)),
                IsWindowVisible(window) ? 1 : 0, className(window).c_str(), windowText(window).c_str());
    EnumChildWindows(window, printChild, 0);
    return TRUE;
}

bool parseHandle(const char* text, HWND& window)
{
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 16);
    window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
    return end != text && *end == '\0' && IsWindow(window);
}

int run(int argc, char** argv)
{
    const std::string verb = argc > 1 ? argv[1] : "";
    if (verb == "list" && argc == 2)
        return EnumWindows(printTopLevel, 0) ? 0 : int(GetLastError());
    HWND window = nullptr;
    if (verb == "front" && argc == 3) {
        if (!parseHandle(argv[2], window))
            return ERROR_INVALID_WINDOW_HANDLE;
        SetForegroundWindow(window);
        return SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE) ? 0 : int(GetLastError());
    }
    if (verb == "command" && argc == 4) {
        if (!parseHandle(argv[2], window))
            return ERROR_INVALID_WINDOW_HANDLE;
        const int id = std::atoi(argv[3]);
        return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0) ? 0 : int(GetLastError());
    }
    return ERROR_INVALID_PARAMETER;
}

// Runs one request and writes its status line; false when the output fails.
bool answer(int argc, char** argv, int& error)
{
    error = run(argc, argv);
    if (error)
        std::printf("ERR\t%d\n", error);
    else
        std::printf("OK\n");
    return std::fflush(stdout) == 0;
}

constexpr DWORD kIdleLimit = 3000;
volatile LONG lastRequest = 0;

DWORD WINAPI endWhenIdle(void*)
{
    for (;;) {
        Sleep(250);
        if (GetTickCount() - DWORD(InterlockedCompareExchange(&lastRequest, 0, 0)) > kIdleLimit)
            ExitProcess(0);
    }
}

bool serve()
{
    char line[512];
    char program[] = "klenwin";
    InterlockedExchange(&lastRequest, LONG(GetTickCount()));
    if (!CreateThread(nullptr, 0, endWhenIdle, nullptr, 0, nullptr))
        return false;
    while (std::fgets(line, sizeof line, stdin)) {
        InterlockedExchange(&lastRequest, LONG(GetTickCount()));
        char* words[5] = {program};
        int count = 1;
        for (char* word = std::strtok(line, " \r\n"); word && count < 5; word = std::strtok(nullptr, " \r\n"))
            words[count++] = word;
        int error = 0;
        if (!answer(count, words, error))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc == 2 && std::string(argv[1]) == "serve")
        return serve() ? 0 : 1;
    int error = 0;
    return answer(argc, argv, error) && error == 0 ? 0 : 1;
}
