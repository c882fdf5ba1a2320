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

} // namespace plat
