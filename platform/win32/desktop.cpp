// The windows of the desktop and the running processes: the system's own.
#include <windows.h>
// The tool-help declarations need the system types above.
#include <tlhelp32.h>

#include <cstring>
#include <string>

#include "platform/desktop.h"
#include "platform/processes.h"
#include "platform/text.h"
#include "platform/window_system.h"

namespace plat {
namespace {

HWND hwnd_of(Hwnd w) {
    return reinterpret_cast<HWND>(w);
}

Hwnd handle_of(HWND w) {
    return reinterpret_cast<Hwnd>(w);
}

// The library's callbacks have the system's shape with its types spelled
// as integers: the same arguments in the same places.
WNDENUMPROC system_proc(desk::EnumProc proc) {
    return reinterpret_cast<WNDENUMPROC>(reinterpret_cast<void (*)()>(proc));
}

BOOL CALLBACK collect(HWND w, LPARAM list) {
    reinterpret_cast<std::vector<Hwnd>*>(list)->push_back(handle_of(w));
    return TRUE;
}

} // namespace

bool set_foreground_window(Hwnd w) {
    return w && SetForegroundWindow(hwnd_of(w)) != 0;
}

Hwnd get_foreground_window() {
    return handle_of(GetForegroundWindow());
}

namespace desk {

bool available() {
    return true;
}

std::vector<Hwnd> top_level_windows() {
    std::vector<Hwnd> out;
    EnumWindows(collect, reinterpret_cast<LPARAM>(&out));
    return out;
}

std::vector<Hwnd> descendants(Hwnd parent) {
    std::vector<Hwnd> out;
    if (parent && IsWindow(hwnd_of(parent)))
        EnumChildWindows(hwnd_of(parent), collect, reinterpret_cast<LPARAM>(&out));
    return out;
}

void enum_windows(EnumProc proc, std::intptr_t data) {
    EnumWindows(system_proc(proc), data);
}

void enum_child_windows(Hwnd parent, EnumProc proc, std::intptr_t data) {
    if (parent && IsWindow(hwnd_of(parent)))
        EnumChildWindows(hwnd_of(parent), system_proc(proc), data);
}

std::string title(Hwnd w, std::size_t max) {
    std::string out(max + 1, '\0');
    out.resize(get_window_text(w, out.data(), out.size()));
    return out;
}

bool set_title(Hwnd w, const char* text) {
    return SetWindowTextA(hwnd_of(w), text ? text : "") != 0;
}

std::string class_name(Hwnd w) {
    char buf[257] = {};
    const int n = GetClassNameA(hwnd_of(w), buf, sizeof buf);
    return std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string class_module(Hwnd w) {
    char buf[MAX_PATH + 1] = {};
    const UINT n = GetWindowModuleFileNameA(hwnd_of(w), buf, MAX_PATH);
    return std::string(buf, n);
}

bool is_visible(Hwnd w) {
    return IsWindowVisible(hwnd_of(w)) != 0;
}

bool is_enabled(Hwnd w) {
    return IsWindowEnabled(hwnd_of(w)) != 0;
}

bool is_minimized(Hwnd w) {
    return IsIconic(hwnd_of(w)) != 0;
}

bool is_maximized(Hwnd w) {
    return IsZoomed(hwnd_of(w)) != 0;
}

Hwnd foreground() {
    return handle_of(GetForegroundWindow());
}

bool request_foreground(Hwnd w) {
    HWND target = hwnd_of(w);
    if (!IsWindow(target)) return false;
    if (SetForegroundWindow(target) && GetForegroundWindow() == target) return true;
    // The system lets the foreground move only at the request of the
    // foreground's own thread: join its input for the request.
    const DWORD mine = GetCurrentThreadId();
    const DWORD theirs = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const bool joined = theirs && theirs != mine && AttachThreadInput(mine, theirs, TRUE);
    BringWindowToTop(target);
    const BOOL done = SetForegroundWindow(target);
    if (joined) AttachThreadInput(mine, theirs, FALSE);
    return done != 0;
}

bool set_focus(Hwnd w) {
    return SetFocus(hwnd_of(w)) != nullptr;
}

Hwnd top_child(Hwnd w) {
    return handle_of(GetTopWindow(hwnd_of(w)));
}

bool is_owned_by(Hwnd w, Hwnd owner) {
    for (HWND h = GetWindow(hwnd_of(w), GW_OWNER); h; h = GetWindow(h, GW_OWNER))
        if (h == hwnd_of(owner)) return true;
    return false;
}

bool show(Hwnd w, Show how) {
    int cmd = SW_SHOW;
    switch (how) {
    case Show::Hide:
        cmd = SW_HIDE;
        break;
    case Show::Show:
        cmd = SW_SHOW;
        break;
    case Show::ShowNoActive:
        cmd = SW_SHOWNA;
        break;
    case Show::ShowMinNoActive:
        cmd = SW_SHOWMINNOACTIVE;
        break;
    case Show::ShowMaximized:
        cmd = SW_SHOWMAXIMIZED;
        break;
    }
    if (!IsWindow(hwnd_of(w))) return false;
    ShowWindow(hwnd_of(w), cmd);
    return true;
}

bool command(Hwnd w, Command c) {
    WPARAM sc = SC_CLOSE;
    switch (c) {
    case Command::Close:
        sc = SC_CLOSE;
        break;
    case Command::Restore:
        sc = SC_RESTORE;
        break;
    case Command::Minimize:
        sc = SC_MINIMIZE;
        break;
    case Command::Maximize:
        sc = SC_MAXIMIZE;
        break;
    }
    return PostMessageA(hwnd_of(w), WM_SYSCOMMAND, sc, 0) != 0;
}

bool window_rect(Hwnd w, Rect* r) {
    return get_window_rect(w, r);
}

bool move_window(Hwnd w, const Rect& r) {
    return SetWindowPos(hwnd_of(w), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                        SWP_NOZORDER | SWP_NOACTIVATE) != 0;
}

int screen_width() {
    return GetSystemMetrics(SM_CXSCREEN);
}

int screen_height() {
    return GetSystemMetrics(SM_CYSCREEN);
}

int min_width() {
    return GetSystemMetrics(SM_CXMIN);
}

int min_height() {
    return GetSystemMetrics(SM_CYMIN);
}

int frame_width() {
    return GetSystemMetrics(SM_CXFRAME);
}

int frame_height() {
    return GetSystemMetrics(SM_CYFRAME);
}

int caption_height() {
    return GetSystemMetrics(SM_CYCAPTION);
}

bool can_arrange(Hwnd w) {
    const auto style = static_cast<DWORD>(GetWindowLongA(hwnd_of(w), GWL_STYLE));
    return !(style & WS_POPUP) && (style & WS_THICKFRAME) && (style & WS_VISIBLE) &&
           !IsIconic(hwnd_of(w));
}

int default_bottom(int measured) {
    return measured;
}

bool work_area(Rect* r) {
    RECT wa{};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &wa, 0)) return false;
    *r = Rect{wa.left, wa.top, wa.right, wa.bottom};
    return true;
}

bool get_placement(Hwnd w, Placement* p) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(hwnd_of(w), &wp)) return false;
    p->min_x = wp.ptMinPosition.x;
    p->min_y = wp.ptMinPosition.y;
    p->max_x = wp.ptMaxPosition.x;
    p->max_y = wp.ptMaxPosition.y;
    p->normal = Rect{wp.rcNormalPosition.left, wp.rcNormalPosition.top, wp.rcNormalPosition.right,
                     wp.rcNormalPosition.bottom};
    p->use_min_position = (wp.flags & WPF_SETMINPOSITION) != 0;
    return true;
}

bool set_placement(Hwnd w, const Placement& p, PlacementPart part) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(hwnd_of(w), &wp)) return false;
    switch (part) {
    case PlacementPart::Minimized:
        wp.ptMinPosition = POINT{p.min_x, p.min_y};
        wp.flags |= WPF_SETMINPOSITION;
        break;
    case PlacementPart::Normal:
        wp.rcNormalPosition = RECT{p.normal.left, p.normal.top, p.normal.right, p.normal.bottom};
        break;
    case PlacementPart::Maximized:
        wp.ptMaxPosition = POINT{p.max_x, p.max_y};
        break;
    }
    return SetWindowPlacement(hwnd_of(w), &wp) != 0;
}

bool arrange_icons() {
    return ArrangeIconicWindows(GetDesktopWindow()) != 0;
}

std::uint32_t window_process(Hwnd w) {
    DWORD pid = 0;
    if (!GetWindowThreadProcessId(hwnd_of(w), &pid)) return 0;
    return pid;
}

Hwnd find_by_class(const char* name) {
    return handle_of(FindWindowA(name, nullptr));
}

bool message_box_text(const char* box_title, std::string* out) {
    HWND box = FindWindowA("#32770", box_title);
    if (!box) return false;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const auto style = static_cast<DWORD>(GetWindowLongA(c, GWL_STYLE));
        if (style != 0x50020080u && style != 0x50022080u) continue;
        const int len = GetWindowTextLengthA(c);
        std::string text(static_cast<std::size_t>(len > 0 ? len : 0) + 1, '\0');
        const int n = GetWindowTextA(c, text.data(), static_cast<int>(text.size()));
        text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        *out = text;
        return true;
    }
    return false;
}

bool send_text_message(Hwnd w, unsigned message, std::uintptr_t wparam, const char* text) {
    const std::size_t n = std::strlen(text ? text : "") + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, n);
    if (!block) return false;
    char* copy = static_cast<char*>(GlobalLock(block));
    if (copy) std::memcpy(copy, text ? text : "", n);
    HWND target = w == static_cast<Hwnd>(-1) ? HWND_BROADCAST : hwnd_of(w);
    SendMessageA(target, message, wparam, reinterpret_cast<LPARAM>(copy));
    GlobalUnlock(block);
    GlobalFree(block);
    return true;
}

bool send_message(Hwnd w, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    SendMessageA(hwnd_of(w), message, wparam, lparam);
    return true;
}

bool post_window_message(Hwnd w, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    HWND target = w == static_cast<Hwnd>(-1) ? HWND_BROADCAST : hwnd_of(w);
    return PostMessageA(target, message, wparam, lparam) != 0;
}

int wait_input_idle(Hwnd w, std::uint32_t ms) {
    const std::uint32_t pid = window_process(w);
    HANDLE p = pid ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid) : nullptr;
    if (!p) return -1;
    const DWORD r = WaitForInputIdle(p, ms);
    CloseHandle(p);
    // A console program, or one that has ended, cannot be waited for.
    if (r == 0) return 1;
    return r == WAIT_TIMEOUT ? 0 : -1;
}

bool can_wait_input_idle() {
    return true;
}

} // namespace desk

// ------------------------------------------------------------ processes
std::vector<ProcessEntry> list_processes() {
    std::vector<ProcessEntry> out;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return out;
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    for (BOOL more = Process32First(snap, &e); more; more = Process32Next(snap, &e)) {
        ProcessEntry p;
        p.pid = e.th32ProcessID;
        if (!process_program(p.pid, &p.program)) p.program = e.szExeFile;
        out.push_back(std::move(p));
    }
    CloseHandle(snap);
    return out;
}

bool process_program(std::uint32_t pid, std::string* out) {
    if (!pid || !out) return false;
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (p) {
        char buf[MAX_PATH + 1] = {};
        DWORD size = MAX_PATH;
        const BOOL ok = QueryFullProcessImageNameA(p, 0, buf, &size);
        CloseHandle(p);
        if (ok) {
            *out = std::string(buf, size);
            return true;
        }
    }
    // Without access to the process: the name the snapshot keeps.
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    bool found = false;
    for (BOOL more = Process32First(snap, &e); more && !found; more = Process32Next(snap, &e)) {
        if (e.th32ProcessID == pid) {
            *out = e.szExeFile;
            found = true;
        }
    }
    CloseHandle(snap);
    return found;
}

std::uint32_t current_process_id() {
    return GetCurrentProcessId();
}

} // namespace plat
