// The host window on Windows: a top-level window of jolrun's own class,
// created on the thread that runs the script, so that the library's
// message pump serves it between lines and in every wait.
#include <windows.h>

#include <cstdint>
#include <string>

#include "jol.h"

namespace jolrun {

struct MenuSession; // menu_host.cpp

namespace {

constexpr char kClassName[] = "JolRunHost";
HWND g_window = nullptr;
HWND g_status = nullptr; // the status line of the menu window
MenuSession* g_menu = nullptr;
bool g_running = false; // a menu command runs
int g_status_code = 0;

void PlaceStatusLine(HWND window) {
    if (!g_status) return;
    RECT r;
    GetClientRect(window, &r);
    MoveWindow(g_status, 0, r.bottom - 20, r.right, 20, TRUE);
}

} // namespace

int MenuSessionCommand(MenuSession* s, unsigned id);
std::int32_t MenuSessionSelect(MenuSession* s, std::uintptr_t item, std::uintptr_t menu,
                               char* buffer, int size);

namespace {

// Closing the window cancels the script, as Ctrl+C does; the window itself
// stays until the run is over, since the library holds its handle. As a
// menu host, closing it between commands ends jolrun.
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CLOSE:
        if (g_menu && !g_running)
            PostQuitMessage(g_status_code);
        else
            JolRequestCancel();
        return 0;
    case WM_COMMAND:
        // Menu commands, and the commands HotKeyCheck posts. One at a
        // time: the library runs one script of the context at once.
        if (g_menu && lparam == 0 && !g_running) {
            g_running = true;
            g_status_code = MenuSessionCommand(g_menu, LOWORD(wparam));
            g_running = false;
        }
        return 0;
    case WM_MENUSELECT:
        if (g_menu && g_status) {
            char help[JOL_TEXT_SIZE] = "";
            MenuSessionSelect(g_menu, static_cast<std::uintptr_t>(wparam),
                              static_cast<std::uintptr_t>(lparam), help, sizeof help);
            SetWindowTextA(g_status, help);
        }
        return 0;
    case WM_SIZE:
        PlaceStatusLine(window);
        break;
    default:
        break;
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

// The menu bar of the window, set and read back from the window itself.
std::uintptr_t AttachMenu(std::uintptr_t window, std::uintptr_t menu);
int MenuItemCount(std::uintptr_t menu);
bool ReadMenuItem(std::uintptr_t menu, int position, JolMenuItem* out);
bool RunMenuWindow(MenuSession* session, int* status);
std::int32_t MenuSessionHotkey(MenuSession* s, std::uint32_t message, std::uintptr_t key);

std::uintptr_t AttachMenu(std::uintptr_t window, std::uintptr_t menu) {
    HWND w = reinterpret_cast<HWND>(window);
    if (!w) return menu;
    if (!SetMenu(w, reinterpret_cast<HMENU>(menu))) return 0;
    DrawMenuBar(w);
    return reinterpret_cast<std::uintptr_t>(GetMenu(w));
}

int MenuItemCount(std::uintptr_t menu) {
    return GetMenuItemCount(reinterpret_cast<HMENU>(menu));
}

bool ReadMenuItem(std::uintptr_t menu, int position, JolMenuItem* out) {
    *out = JolMenuItem{};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = out->text;
    info.cch = sizeof out->text;
    if (!GetMenuItemInfoA(reinterpret_cast<HMENU>(menu), static_cast<UINT>(position), TRUE, &info))
        return false;
    out->text[sizeof out->text - 1] = 0;
    if (info.fType & MFT_SEPARATOR) {
        out->flags |= JOL_MENU_ITEM_SEPARATOR;
        out->text[0] = 0;
    }
    if (info.fType & MFT_MENUBARBREAK) out->flags |= JOL_MENU_ITEM_BARBREAK;
    if (info.fType & MFT_MENUBREAK) out->flags |= JOL_MENU_ITEM_BREAK;
    if (info.hSubMenu) {
        out->flags |= JOL_MENU_ITEM_POPUP;
        out->popup = reinterpret_cast<std::uintptr_t>(info.hSubMenu);
    } else if (!(info.fType & MFT_SEPARATOR)) {
        out->id = info.wID;
    }
    return true;
}

// The window's own message loop while it hosts the menu: keystrokes go to
// HotKeyCheck first, and a hotkey's command arrives as WM_COMMAND.
bool RunMenuWindow(MenuSession* session, int* status) {
    if (!g_window) return false;
    g_menu = session;
    g_status = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 0, 0, 0,
                               0, g_window, nullptr, GetModuleHandleA(nullptr), nullptr);
    PlaceStatusLine(g_window);
    g_status_code = *status;
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        const bool key = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN ||
                         m.message == WM_CHAR || m.message == WM_SYSCHAR;
        if (key && !g_running &&
            MenuSessionHotkey(session, m.message, static_cast<std::uintptr_t>(m.wParam)))
            continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    *status = g_status_code;
    if (g_status) DestroyWindow(g_status);
    g_status = nullptr;
    g_menu = nullptr;
    return true;
}

} // namespace jolrun
