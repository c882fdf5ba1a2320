#include "platform/system_info.h"

#include "platform/desktop.h"
#include "platform/native/x11_display.h"
#include "platform/system.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace plat {
namespace {

// The value of a "Name: value" line of a /proc file, in its own unit
// (kB for /proc/meminfo and the VmSize line).
bool ReadProcField(const char* file, const char* name, std::uint64_t* value) {
    std::FILE* f = std::fopen(file, "r");
    if (!f) return false;
    char line[256];
    const std::size_t n = std::strlen(name);
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, name, n) != 0 || line[n] != ':') continue;
        unsigned long long v = 0;
        found = std::sscanf(line + n + 1, "%llu", &v) == 1;
        *value = v;
    }
    std::fclose(f);
    return found;
}

// The first "name : number" line of /proc/cpuinfo.
bool ReadCpuField(const char* name, std::uint32_t* value) {
    std::FILE* f = std::fopen("/proc/cpuinfo", "r");
    if (!f) return false;
    char line[512];
    const std::size_t n = std::strlen(name);
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, name, n) != 0) continue;
        const char* p = line + n;
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p != ':') continue;
        unsigned v = 0;
        found = std::sscanf(p + 1, "%u", &v) == 1;
        *value = v;
    }
    std::fclose(f);
    return found;
}

} // namespace

bool get_memory_status(MemoryStatus* out) {
    *out = MemoryStatus{};
    std::uint64_t total = 0, available = 0, swap_total = 0, swap_free = 0;
    const char* meminfo = "/proc/meminfo";
    if (!ReadProcField(meminfo, "MemTotal", &total)) return false;
    if (!ReadProcField(meminfo, "MemAvailable", &available) &&
        !ReadProcField(meminfo, "MemFree", &available))
        return false;
    ReadProcField(meminfo, "SwapTotal", &swap_total);
    ReadProcField(meminfo, "SwapFree", &swap_free);
    out->total_physical = total * 1024;
    out->available_physical = available * 1024;
    out->total_paging = swap_total * 1024;
    out->available_paging = swap_free * 1024;
    if (total > 0 && available <= total)
        out->load = static_cast<std::uint32_t>((total - available) * 100 / total);

    // The process's address space: its resource limit, or the user half
    // of the machine's addresses.
    std::uint64_t space = sizeof(void*) == 8 ? (std::uint64_t{1} << 47) : 0xC0000000u;
    struct rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        limit.rlim_cur < space)
        space = limit.rlim_cur;
    std::uint64_t mapped = 0;
    ReadProcField("/proc/self/status", "VmSize", &mapped);
    mapped *= 1024;
    out->total_virtual = space;
    out->available_virtual = mapped < space ? space - mapped : 0;
    return true;
}

ProcessorInfo get_processor_info() {
    ProcessorInfo p;
    struct utsname u {};
    if (uname(&u) == 0) {
        const char* m = u.machine;
        if (!std::strcmp(m, "x86_64")) {
            p.architecture = 9;
            p.type = 8664;
        } else if (m[0] == 'i' && !std::strcmp(m + 2, "86")) {
            p.architecture = 0;
            p.type = 586;
        } else if (!std::strcmp(m, "aarch64")) {
            p.architecture = 12;
        } else if (!std::strncmp(m, "arm", 3)) {
            p.architecture = 5;
        }
    }
    const long page = sysconf(_SC_PAGESIZE);
    if (page > 0) p.page_size = p.granularity = static_cast<std::uint32_t>(page);
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    if (online > 0) p.count = static_cast<std::uint32_t>(online);
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        for (int i = 0; i < 64; ++i)
            if (CPU_ISSET(i, &set)) p.active_mask |= std::uint64_t{1} << i;
    std::uint32_t family = 0, model = 0, stepping = 0;
    if (ReadCpuField("cpu family", &family)) p.level = family;
    if (ReadCpuField("model", &model) && ReadCpuField("stepping", &stepping))
        p.revision = ((model & 0xFF) << 8) | (stepping & 0xFF);
    return p;
}

bool get_computer_name(char* out, std::size_t size) {
    if (size == 0) return false;
    out[0] = 0;
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return false;
    std::strncpy(out, name, size - 1);
    out[size - 1] = 0;
    return out[0] != 0;
}

bool system_metric(int index, std::int32_t* value) {
    *value = 0;
    if (index == 42) { // double-byte character sets
        *value = dbcs_enabled() ? 1 : 0;
        return true;
    }
    Display* d = x11::display();
    if (!d) return false;
    Rect area;
    switch (index) {
    case 0:
        *value = x11::screen_width();
        return true;
    case 1:
        *value = x11::screen_height();
        return true;
    case 4:
        *value = desk::caption_height();
        return true;
    case 16:
        if (!desk::work_area(&area)) return false;
        *value = area.right - area.left;
        return true;
    case 17:
        if (!desk::work_area(&area)) return false;
        *value = area.bottom - area.top - desk::caption_height();
        return true;
    case 19: // a mouse: the X pointer
        *value = 1;
        return true;
    case 23: { // the buttons swapped: the first button acts as the third
        unsigned char map[32];
        const int buttons = XGetPointerMapping(d, map, sizeof map);
        if (buttons <= 0) return false;
        *value = buttons >= 3 && map[0] == 3 ? 1 : 0;
        return true;
    }
    case 28:
        *value = desk::min_width();
        return true;
    case 29:
        *value = desk::min_height();
        return true;
    case 32:
        *value = desk::frame_width();
        return true;
    case 33:
        *value = desk::frame_height();
        return true;
    default:
        return false;
    }
}

bool display_colours(std::int32_t* count, std::int32_t* bits, std::int32_t* planes) {
    Display* d = x11::display();
    if (!d) return false;
    *count = -1;
    *bits = DefaultDepth(d, DefaultScreen(d));
    *planes = 1;
    return true;
}

bool dialog_base_units(std::int32_t*, std::int32_t*) {
    return false;
}

bool show_sounds(bool* on) {
    *on = false;
    return false;
}

HelpResult show_help(Hwnd, const char*, HelpCommand, const char*) {
    return HelpResult::Unsupported;
}

namespace {

enum SettingRequest {
    kBeep = 1,
    kMouse = 2,
    kKeyboardSpeed = 4,
    kLanguageDriver = 5,
    kScreenSaveTimeout = 7,
    kScreenSaveActive = 8,
    kWallpaper = 10,
    kPattern = 11,
    kKeyboardDelay = 12,
    kDoubleClickWidth = 16,
    kDoubleClickHeight = 17,
    kDoubleClickTime = 18,
    kSwapButtons = 19,
};
constexpr int kBellDefault = 50;         // the X server's own bell volume
constexpr int kScreenSaverDefault = 600; // the X server's own time-out
constexpr double kSlowestRepeat = 2.5;   // characters a second at speed 0
constexpr double kFastestRepeat = 30.0;  // at speed 31

bool KeptInProfile(int request) {
    switch (request) {
    case kLanguageDriver:
    case kWallpaper:
    case kPattern:
    case kDoubleClickWidth:
    case kDoubleClickHeight:
    case kDoubleClickTime:
        return true;
    default:
        return false;
    }
}

int Clamp(int v, int low, int high) {
    return v < low ? low : v > high ? high : v;
}

bool GetRepeat(Display* d, unsigned* delay, unsigned* interval) {
    return XkbGetAutoRepeatRate(d, XkbUseCoreKbd, delay, interval) && *interval > 0;
}

// The pointer's button map with the first and third buttons swapped or
// not; the server refuses while a button is down, so it is asked again.
bool SetButtonSwap(Display* d, bool swapped) {
    unsigned char map[256];
    const int buttons = XGetPointerMapping(d, map, sizeof map);
    if (buttons < 3) return false;
    map[0] = swapped ? 3 : 1;
    map[2] = swapped ? 1 : 3;
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int status = XSetPointerMapping(d, map, buttons);
        if (status == MappingSuccess) return true;
        if (status != MappingBusy) return false;
        usleep(50000);
    }
    return false;
}

} // namespace

SettingAnswer get_desktop_setting(int request, std::int32_t values[3]) {
    values[0] = values[1] = values[2] = 0;
    if (KeptInProfile(request)) return SettingAnswer::InProfile;
    Display* d = x11::display();
    if (!d) return SettingAnswer::Refused;
    switch (request) {
    case kBeep: {
        XKeyboardState k;
        XGetKeyboardControl(d, &k);
        values[0] = k.bell_percent > 0 ? 1 : 0;
        return SettingAnswer::Done;
    }
    case kMouse: {
        int numerator = 1, denominator = 1, threshold = 0;
        XGetPointerControl(d, &numerator, &denominator, &threshold);
        const int factor = denominator > 0 ? (numerator + denominator / 2) / denominator : 1;
        values[0] = threshold;
        values[1] = threshold * 2;
        values[2] = factor <= 1 ? 0 : factor < 4 ? 1 : 2;
        return SettingAnswer::Done;
    }
    case kKeyboardSpeed: {
        unsigned delay = 0, interval = 0;
        if (!GetRepeat(d, &delay, &interval)) return SettingAnswer::Refused;
        const double rate = 1000.0 / interval;
        values[0] =
            Clamp(static_cast<int>(
                      (rate - kSlowestRepeat) * 31 / (kFastestRepeat - kSlowestRepeat) + 0.5),
                  0, 31);
        return SettingAnswer::Done;
    }
    case kKeyboardDelay: {
        unsigned delay = 0, interval = 0;
        if (!GetRepeat(d, &delay, &interval)) return SettingAnswer::Refused;
        values[0] = Clamp(static_cast<int>((delay + 125) / 250) - 1, 0, 3);
        return SettingAnswer::Done;
    }
    case kScreenSaveTimeout:
    case kScreenSaveActive: {
        int timeout = 0, interval = 0, blanking = 0, exposures = 0;
        XGetScreenSaver(d, &timeout, &interval, &blanking, &exposures);
        values[0] = request == kScreenSaveActive ? (timeout > 0 ? 1 : 0) : timeout;
        return SettingAnswer::Done;
    }
    case kSwapButtons: {
        unsigned char map[256];
        const int buttons = XGetPointerMapping(d, map, sizeof map);
        if (buttons < 3) return SettingAnswer::Refused;
        values[0] = map[0] == 3 ? 1 : 0;
        return SettingAnswer::Done;
    }
    default:
        return SettingAnswer::Refused;
    }
}

bool set_desktop_setting(int request, const std::int32_t values[3], const char*, unsigned) {
    Display* d = x11::display();
    if (!d) return false;
    x11::ErrorTrap trap;
    switch (request) {
    case kBeep: {
        XKeyboardState k;
        XGetKeyboardControl(d, &k);
        XKeyboardControl c;
        c.bell_percent = values[0] ? (k.bell_percent > 0 ? k.bell_percent : kBellDefault) : 0;
        XChangeKeyboardControl(d, KBBellPercent, &c);
        break;
    }
    case kMouse: {
        static constexpr int kFactors[3] = {1, 2, 4};
        const int speed = Clamp(values[2], 0, 2);
        XChangePointerControl(d, True, True, kFactors[speed], 1, values[0] < 0 ? 0 : values[0]);
        break;
    }
    case kKeyboardSpeed:
    case kKeyboardDelay: {
        unsigned delay = 0, interval = 0;
        if (!GetRepeat(d, &delay, &interval)) return false;
        if (request == kKeyboardSpeed) {
            const double rate =
                kSlowestRepeat + Clamp(values[0], 0, 31) * (kFastestRepeat - kSlowestRepeat) / 31;
            interval = static_cast<unsigned>(1000.0 / rate + 0.5);
        } else {
            delay = static_cast<unsigned>((Clamp(values[0], 0, 3) + 1) * 250);
        }
        if (!XkbSetAutoRepeatRate(d, XkbUseCoreKbd, delay, interval)) return false;
        break;
    }
    case kScreenSaveTimeout:
    case kScreenSaveActive: {
        int timeout = 0, interval = 0, blanking = 0, exposures = 0;
        XGetScreenSaver(d, &timeout, &interval, &blanking, &exposures);
        if (request == kScreenSaveTimeout)
            timeout = values[0] < 0 ? 0 : values[0];
        else if (!values[0])
            timeout = 0;
        else if (timeout <= 0)
            timeout = kScreenSaverDefault;
        XSetScreenSaver(d, timeout, interval, blanking, exposures);
        break;
    }
    case kSwapButtons:
        if (!SetButtonSwap(d, values[0] != 0)) return false;
        break;
    default:
        return false;
    }
    return !trap.failed();
}

Hwnd desktop_window() {
    return x11::display() ? static_cast<Hwnd>(x11::root()) : 0;
}

bool repaint_window(Hwnd w) {
    Display* d = x11::display();
    if (!d || !w) return false;
    x11::ErrorTrap trap;
    // Cleared to its background, with exposures for its owner to draw.
    XClearArea(d, static_cast<Window>(w), 0, 0, 0, 0, True);
    return !trap.failed();
}

} // namespace plat
