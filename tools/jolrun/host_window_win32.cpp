// The host window on Windows: a top-level window of jolrun's own class,
// created on the thread that runs the script, so that the library's
// message pump serves it between lines and in every wait.
#include <windows.h>

#include <cstdint>
#include <string>

#include "jol.h"

namespace jolrun {
namespace {

constexpr char kClassName[] = "JolRunHost";
HWND g_window = nullptr;

// Closing the window cancels the script, as Ctrl+C does; the window itself
// stays until the run is over, since the library holds its handle.
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CLOSE) {
        JolRequestCancel();
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

bool RegisterHostClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

// Declared where jolrun uses them (main.cpp): a program built on the
// library includes no header of its own folder, only the library's.
std::uintptr_t OpenHostWindow(const char* title, std::string* why);
void CloseHostWindow();

std::uintptr_t OpenHostWindow(const char* title, std::string* why) {
    CloseHostWindow();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterHostClass(instance)) {
        *why = "cannot register the window class (error " + std::to_string(GetLastError()) + ")";
        return 0;
    }
    HWND window = CreateWindowExA(0, kClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 400, 300, nullptr, nullptr, instance, nullptr);
    if (!window) {
        *why = "cannot create the window (error " + std::to_string(GetLastError()) + ")";
        return 0;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    g_window = window;
    return reinterpret_cast<std::uintptr_t>(window);
}

void CloseHostWindow() {
    if (g_window) DestroyWindow(g_window);
    g_window = nullptr;
}

} // namespace jolrun
