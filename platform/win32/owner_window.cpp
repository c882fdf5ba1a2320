// The library's hidden owner window: a message-only window of a class of
// its own, registered in the library's module.
#include <windows.h>

#include "platform/abi.h"
#include "platform/owner_routes.h"
#include "platform/owner_window.h"

namespace plat {
namespace {

constexpr const char* kClassName = "JolOwnerWindow";
HWND g_window = nullptr;
bool g_registered = false;

LRESULT CALLBACK OwnerProc(HWND w, UINT message, WPARAM wparam, LPARAM lparam) {
    std::intptr_t result = 0;
    if (detail::route_owner_message(message, wparam, lparam, &result)) return result;
    return DefWindowProcA(w, message, wparam, lparam);
}

HINSTANCE this_module() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&OwnerProc), &module);
    return module;
}

} // namespace

Hwnd owner_window() {
    if (g_window && IsWindow(g_window)) return reinterpret_cast<Hwnd>(g_window);
    g_window = nullptr;
    HINSTANCE instance = this_module();
    if (!g_registered) {
        WNDCLASSA c{};
        c.lpfnWndProc = OwnerProc;
        c.hInstance = instance;
        c.lpszClassName = kClassName;
        if (!RegisterClassA(&c) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return 0;
        g_registered = true;
    }
    g_window =
        CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    return reinterpret_cast<Hwnd>(g_window);
}

bool owner_window_exists() {
    return g_window && IsWindow(g_window);
}

void destroy_owner_window() {
    if (g_window && IsWindow(g_window)) DestroyWindow(g_window);
    g_window = nullptr;
}

} // namespace plat
