#include "platform/system_info.h"

#include <windows.h>

#include <cstring>

namespace plat {

bool get_memory_status(MemoryStatus* out) {
    *out = MemoryStatus{};
    MEMORYSTATUSEX m{};
    m.dwLength = sizeof m;
    if (!GlobalMemoryStatusEx(&m)) return false;
    out->load = m.dwMemoryLoad;
    out->total_physical = m.ullTotalPhys;
    out->available_physical = m.ullAvailPhys;
    out->total_paging = m.ullTotalPageFile;
    out->available_paging = m.ullAvailPageFile;
    out->total_virtual = m.ullTotalVirtual;
    out->available_virtual = m.ullAvailVirtual;
    return true;
}

ProcessorInfo get_processor_info() {
    SYSTEM_INFO s{};
    GetSystemInfo(&s);
    ProcessorInfo p;
    p.architecture = s.wProcessorArchitecture;
    p.page_size = s.dwPageSize;
    p.active_mask = static_cast<std::uint64_t>(s.dwActiveProcessorMask);
    p.count = s.dwNumberOfProcessors;
    p.type = s.dwProcessorType;
    p.granularity = s.dwAllocationGranularity;
    p.level = s.wProcessorLevel;
    p.revision = s.wProcessorRevision;
    return p;
}

bool get_computer_name(char* out, std::size_t size) {
    if (size == 0) return false;
    out[0] = 0;
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = sizeof name;
    if (!GetComputerNameA(name, &length)) return false;
    std::strncpy(out, name, size - 1);
    out[size - 1] = 0;
    return true;
}

bool system_metric(int index, std::int32_t* value) {
    *value = GetSystemMetrics(index);
    return true;
}

bool display_colours(std::int32_t* count, std::int32_t* bits, std::int32_t* planes) {
    HDC dc = GetDC(nullptr);
    if (!dc) return false;
    *count = GetDeviceCaps(dc, NUMCOLORS);
    *bits = GetDeviceCaps(dc, BITSPIXEL);
    *planes = GetDeviceCaps(dc, PLANES);
    ReleaseDC(nullptr, dc);
    return true;
}

bool dialog_base_units(std::int32_t* horizontal, std::int32_t* vertical) {
    const LONG units = GetDialogBaseUnits();
    *horizontal = LOWORD(units);
    *vertical = HIWORD(units);
    return true;
}

bool show_sounds(bool* on) {
    BOOL value = FALSE;
    if (!SystemParametersInfoA(SPI_GETSHOWSOUNDS, 0, &value, 0)) return false;
    *on = value != FALSE;
    return true;
}

HelpResult show_help(Hwnd owner, const char* file, HelpCommand command, const char* parameter) {
    HWND window = reinterpret_cast<HWND>(owner);
    if (window) window = GetAncestor(window, GA_ROOT);
    UINT code = HELP_CONTENTS;
    ULONG_PTR data = 0;
    switch (command) {
    case HelpCommand::Contents:
        break;
    case HelpCommand::Key:
        code = HELP_KEY;
        break;
    case HelpCommand::PartialKey:
        code = HELP_PARTIALKEY;
        break;
    case HelpCommand::Macro:
        code = HELP_COMMAND;
        break;
    case HelpCommand::Quit:
        code = HELP_QUIT;
        break;
    case HelpCommand::HelpOnHelp:
        code = HELP_HELPONHELP;
        break;
    }
    if (code == HELP_KEY || code == HELP_PARTIALKEY || code == HELP_COMMAND)
        data = reinterpret_cast<ULONG_PTR>(parameter);
    return WinHelpA(window, file, code, data) ? HelpResult::Accepted : HelpResult::Refused;
}

namespace {

// The system parameters' actions of the settings (the old ones among them
// are no longer named by every header).
struct SettingActions {
    UINT get; // 0: kept in the profile
    UINT set;
    bool on_off; // read as a yes/no value
    bool text;   // written as text
};
constexpr SettingActions kSettingActions[21] = {
    {},
    {1, 2, true, false},    // beep
    {3, 4, false, false},   // mouse
    {5, 6, false, false},   // border
    {10, 11, false, false}, // keyboard speed
    {0, 12, false, true},   // language driver
    {13, 13, false, false}, // icon horizontal spacing
    {14, 15, false, false}, // screen saver time-out
    {16, 17, true, false},  // screen saver active
    {18, 19, false, false}, // grid granularity
    {0, 20, false, true},   // wallpaper
    {0, 21, false, true},   // pattern
    {22, 23, false, false}, // keyboard delay
    {24, 24, false, false}, // icon vertical spacing
    {25, 26, true, false},  // icon title wrap
    {27, 28, true, false},  // menu drop alignment
    {0, 29, false, false},  // double-click width
    {0, 30, false, false},  // double-click height
    {0, 32, false, false},  // double-click time
    {0, 33, false, false},  // button swap
    {35, 36, true, false},  // fast task switching
};
constexpr int kMouse = 2;

} // namespace

SettingAnswer get_desktop_setting(int request, std::int32_t values[3]) {
    values[0] = values[1] = values[2] = 0;
    if (request < 1 || request > 20) return SettingAnswer::Refused;
    const SettingActions& a = kSettingActions[request];
    if (a.get == 0) return SettingAnswer::InProfile;
    int numbers[3] = {};
    // The spacing actions read into the parameter when it is given one.
    if (!SystemParametersInfoA(a.get, 0, numbers, 0)) return SettingAnswer::Refused;
    if (request == kMouse) {
        for (int i = 0; i < 3; ++i)
            values[i] = numbers[i];
    } else if (a.on_off) {
        values[0] = *reinterpret_cast<BOOL*>(numbers) ? 1 : 0;
    } else {
        values[0] = numbers[0];
    }
    return SettingAnswer::Done;
}

bool set_desktop_setting(int request, const std::int32_t values[3], const char* text,
                         unsigned update) {
    if (request < 1 || request > 20) return false;
    const SettingActions& a = kSettingActions[request];
    if (request == kMouse) {
        int numbers[3] = {values[0], values[1], values[2]};
        return SystemParametersInfoA(a.set, 0, numbers, update) != 0;
    }
    if (a.text)
        return SystemParametersInfoA(a.set, 0, const_cast<char*>(text ? text : ""), update) != 0;
    const UINT number = static_cast<UINT>(values[0]);
    return SystemParametersInfoA(a.set, number, nullptr, update) != 0;
}

Hwnd desktop_window() {
    return reinterpret_cast<Hwnd>(GetDesktopWindow());
}

bool repaint_window(Hwnd w) {
    HWND h = reinterpret_cast<HWND>(w);
    if (!IsWindow(h)) return false;
    InvalidateRect(h, nullptr, TRUE);
    return UpdateWindow(h) != 0;
}

} // namespace plat
