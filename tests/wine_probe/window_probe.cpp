// A Windows program run under Wine by the window tests: a top-level window
// titled by the first argument, of the class the second names, with a button "Clear &History" (control id
// 1234) and an owned window "Probe Owned". It prints "ready" once the
// windows exist and "command <id>" for each WM_COMMAND the main window gets;
// IDCANCEL (2) ends it.

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace {

LRESULT CALLBACK mainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_COMMAND) {
        std::printf("command %d\n", int(LOWORD(wparam)));
        std::fflush(stdout);
        if (LOWORD(wparam) == IDCANCEL)
            DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

} // namespace

int main(int argc, char** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    WNDCLASSA windowClass {};
    windowClass.lpfnWndProc = mainProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    if (argc < 3)
        return 2;
    windowClass.lpszClassName = argv[2];
    if (!RegisterClassA(&windowClass))
        return 2;
    HWND main = CreateWindowA(argv[2], argv[1], WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                              nullptr, windowClass.hInstance, nullptr);
    HWND button = CreateWindowA("BUTTON", "Clear &History", WS_CHILD | WS_VISIBLE, 10, 10, 120, 24, main,
                                reinterpret_cast<HMENU>(1234), windowClass.hInstance, nullptr);
    HWND owned = CreateWindowA("STATIC", "Probe Owned", WS_POPUP, 0, 0, 100, 50, main, nullptr,
                               windowClass.hInstance, nullptr);
    if (!main || !button || !owned)
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
