#include "lib/desktop/system_info.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "host/context/text_sizes.h"
#include "platform/desktop.h"
#include "platform/profiles.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/text.h"

namespace jol {
namespace {

constexpr std::size_t kNetListSize = 1281; // 1280 characters and a terminator

// The number of colours of the display: the device's count when it is a
// palette of at most 16, else two to the power of the bits per pixel
// times the planes, the greatest integer from 31 bits on.
std::int32_t DisplayColours(bool* known) {
    std::int32_t count = 0, bits = 0, planes = 0;
    *known = plat::display_colours(&count, &bits, &planes);
    if (!*known) return 0;
    if (count != -1 && count < 17) return count;
    if (bits >= 31) return 2147483647;
    const std::int64_t colours = (std::int64_t{1} << (bits > 0 ? bits : 0)) * planes;
    return colours > 2147483647 ? 2147483647 : static_cast<std::int32_t>(colours);
}

int FnWinVersion(ScriptContext*, int, Value& result, Value* args) {
    const VersionFacts& v = Process().version;
    result.i = static_cast<std::int32_t>(args[1].i == 0 ? v.minor : v.major);
    return 1;
}

int FnWinMetrics(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::int32_t code = args[1].i;
    if (code < -6 || code > 74) return Raise(ctx, Err::WinMetricsCode);
    std::int32_t value = 0, horizontal = 0, vertical = 0;
    bool known = true;
    switch (code) {
    case -6:
    case -5:
        known = plat::dialog_base_units(&horizontal, &vertical);
        value = code == -6 ? horizontal / 4 : vertical / 8;
        break;
    case -4: {
        const VersionFacts& v = Process().version;
        value = v.win95 ? 5 : v.nt ? 4 : 0;
        break;
    }
    case -3:
        value = 1;
        break;
    case -2:
        value = 2;
        break;
    case -1:
        value = DisplayColours(&known);
        break;
    case 70: {
        bool on = false;
        value = plat::show_sounds(&on) && on ? 1 : 0;
        break;
    }
    default:
        known = plat::system_metric(code, &value);
        break;
    }
    if (!known) return Raise(ctx, Err::NotSupported);
    result.i = value;
    return 1;
}

int FnWinConfig(ScriptContext*, int, Value& result, Value*) {
    result.i = 45;
    return 1;
}

int FnWinResources(ScriptContext* ctx, int, Value& result, Value* args) {
    plat::MemoryStatus m;
    plat::get_memory_status(&m); // a failed reading leaves every count 0
    std::uint64_t count = 0;
    switch (args[1].i) {
    case 0:
        count = m.available_physical + m.available_paging;
        break;
    case 1:
    case 16:
        count = m.available_virtual;
        break;
    case 2:
    case 3:
    case 4:
        count = m.load <= 100 ? 100 - m.load : 0;
        break;
    case 10:
        count = m.load;
        break;
    case 11:
        count = m.total_physical;
        break;
    case 12:
        count = m.available_physical;
        break;
    case 13:
        count = m.total_paging;
        break;
    case 14:
        count = m.available_paging;
        break;
    case 15:
        count = m.total_virtual;
        break;
    default:
        return Raise(ctx, Err::WinResourcesRequest);
    }
    result.i = SaturateCount(count);
    return 1;
}

int FnWinSysInfo(ScriptContext* ctx, int, Value& result, Value*) {
    char name[kTextSize];
    plat::get_computer_name(name, sizeof name);
    const plat::ProcessorInfo p = plat::get_processor_info();
    // The mask is printed whole: a 64-bit system has more than 32
    // processors to name.
    char line[kTextSize + 200];
    std::snprintf(line, sizeof line, "%s\t%u\t%u\t%" PRIu64 "\t%u\t%u\t%u\t%u\t%u", name,
                  static_cast<unsigned>(p.architecture & 0xFFFF), p.page_size, p.active_mask,
                  p.count, p.type, p.granularity, static_cast<unsigned>(p.level & 0xFFFF),
                  static_cast<unsigned>(p.revision & 0xFFFF));
    return ResultCopy(ctx, result, line);
}

// The network clients of the Windows 95 family: each subkey S of
// Enum\Network whose S\0000 has the class NetClient, delimited, without a
// delimiter after the last.
void NetClients95(char delimiter, char* out, std::size_t size) {
    out[0] = 0;
    plat::RegKey network = 0;
    if (plat::reg_open_key(plat::reg_root(plat::RegRoot::LocalMachine), "Enum\\Network", false,
                           &network) != 0)
        return;
    std::size_t length = 0;
    char name[kTextSize];
    for (std::uint32_t i = 0;; ++i) {
        std::uint32_t name_size = sizeof name;
        if (plat::reg_enum_key(network, i, name, &name_size) != 0) break;
        char sub[kTextSize + 8];
        std::snprintf(sub, sizeof sub, "%s\\0000", name);
        plat::RegKey key = 0;
        if (plat::reg_open_key(network, sub, false, &key) != 0) continue;
        char cls[64] = {};
        std::uint32_t type = 0, cls_size = sizeof cls - 1;
        const bool client = plat::reg_query_value(key, "Class", &type, cls, &cls_size) == 0 &&
                            plat::compare_text(cls, "NetClient", true, false) == 0;
        plat::reg_close(key);
        const std::size_t n = std::strlen(name);
        if (!client || length + n + 1 >= size) continue;
        std::memcpy(out + length, name, n);
        length += n;
        out[length++] = delimiter;
        out[length] = 0;
    }
    plat::reg_close(network);
    if (length > 0) out[length - 1] = 0; // the delimiter after the last name
}

// The network providers of the Windows NT family, in their order.
void NetProvidersNt(char delimiter, char* out, std::size_t size) {
    out[0] = 0;
    plat::RegKey order = 0;
    if (plat::reg_open_key(plat::reg_root(plat::RegRoot::LocalMachine),
                           "System\\CurrentControlSet\\Control\\NetworkProvider\\Order", false,
                           &order) != 0)
        return;
    std::uint32_t type = 0, bytes = static_cast<std::uint32_t>(size - 1);
    const bool read = plat::reg_query_value(order, "ProviderOrder", &type, out, &bytes) == 0 &&
                      (type == plat::regtype::String || type == plat::regtype::ExpandString);
    plat::reg_close(order);
    if (!read) {
        out[0] = 0;
        return;
    }
    out[bytes < size ? bytes : size - 1] = 0;
    for (char* p = out; *p; ++p)
        if (*p == ',') *p = delimiter;
}

int FnNetInfo(ScriptContext* ctx, int, Value& result, Value* args) {
    if (args[1].i == 0) return ResultCopy(ctx, result, "WINNT");
    const VersionFacts& v = Process().version;
    const char delimiter = static_cast<char>(ctx->options.list_delimiter);
    char list[kNetListSize] = {};
    if (v.win95)
        NetClients95(delimiter, list, sizeof list);
    else if (v.nt)
        NetProvidersNt(delimiter, list, sizeof list);
    return ResultCopy(ctx, result, list);
}

int FnWinHelp(ScriptContext* ctx, int, Value& result, Value* args) {
    struct Command {
        const char* name;
        plat::HelpCommand command;
    };
    static constexpr Command kCommands[] = {
        {"CONTENTS", plat::HelpCommand::Contents},
        {"KEY", plat::HelpCommand::Key},
        {"PARTIALKEY", plat::HelpCommand::PartialKey},
        {"COMMAND", plat::HelpCommand::Macro},
        {"QUIT", plat::HelpCommand::Quit},
        {"HELPONHELP", plat::HelpCommand::HelpOnHelp},
    };
    const char* file = ArgText(ctx, args[1]);
    const char* name = ArgText(ctx, args[2]);
    const char* parameter = ArgText(ctx, args[3]);
    for (const Command& c : kCommands) {
        if (plat::compare_text(name, c.name, true, false) != 0) continue;
        switch (plat::show_help(ctx->host_window, file, c.command, parameter)) {
        case plat::HelpResult::Accepted:
            result.i = 1;
            return 1;
        case plat::HelpResult::Refused:
            result.i = 0;
            return 1;
        case plat::HelpResult::Unsupported:
            result.i = 0;
            return Raise(ctx, Err::NotSupported);
        }
    }
    return Raise(ctx, Err::WinHelpCommand);
}

// ----------------------------------------------------- desktop settings
constexpr int kParmWallpaper = 10;
constexpr int kParmPattern = 11;
constexpr int kParmMouse = 2;
constexpr std::size_t kNumberCut = 18; // characters of a value read as a number
constexpr std::size_t kParmTextSize = 260;

bool ParmOnOff(int request) {
    return request == 1 || request == 8 || request == 14 || request == 15 || request == 19 ||
           request == 20;
}

// An on/off value: a number is on from 1; otherwise the first character
// after an optional "@" decides (T, t, Y, y or 1 on). Anything else, the
// empty value among it, is off.
std::int32_t ParmSwitch(const char* value) {
    if (*value >= '0' && *value <= '9') return std::atol(value) >= 1 ? 1 : 0;
    const char c = value[0] == '@' ? value[1] : value[0];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == '1' ? 1 : 0;
}

// A setting kept in a profile: the user's (win.ini) or system.ini.
void ParmFromProfile(int request, char* out, std::size_t size) {
    switch (request) {
    case 5:
        plat::read_profile_string("system.ini", "boot", "language.dll", "", out, size);
        return;
    case kParmWallpaper:
        plat::read_win_profile_string("DESKTOP", "WALLPAPER", "(NONE)", out, size);
        return;
    case kParmPattern:
        plat::read_win_profile_string("DESKTOP", "Pattern", "", out, size);
        return;
    case 16:
        plat::read_win_profile_string("WINDOWS", "DoubleClickWidth", "4", out, size);
        return;
    case 17:
        plat::read_win_profile_string("WINDOWS", "DoubleClickHeight", "4", out, size);
        return;
    case 18:
        plat::read_win_profile_string("WINDOWS", "DoubleClickSpeed", "452", out, size);
        return;
    case 19: {
        plat::read_win_profile_string("WINDOWS", "SwapMouseButtons", "No", out, size);
        const char c = out[0];
        if (c == 'Y' || c == 'y' || c == 'T' || c == 't') std::snprintf(out, size, "1");
        if (c == 'N' || c == 'n' || c == 'F' || c == 'f') std::snprintf(out, size, "0");
        return;
    }
    default:
        out[0] = 0;
        return;
    }
}

// The current value of a setting as text; false when the system refused.
bool ParmRead(int request, char* out, std::size_t size) {
    out[0] = 0;
    std::int32_t v[3] = {};
    switch (plat::get_desktop_setting(request, v)) {
    case plat::SettingAnswer::Done:
        if (request == kParmMouse)
            std::snprintf(out, size, "%d %d %d", static_cast<int>(v[0]), static_cast<int>(v[1]),
                          static_cast<int>(v[2]));
        else
            std::snprintf(out, size, "%d", static_cast<int>(v[0]));
        return true;
    case plat::SettingAnswer::InProfile:
        ParmFromProfile(request, out, size);
        return true;
    case plat::SettingAnswer::Refused:
        return false;
    }
    return false;
}

// WinParmGet and WinParmSet share the reading; the value read is the
// result, and a refusal of the system is 1193 with that result.
int WinParm(ScriptContext* ctx, Value& result, Value* args, bool set) {
    const int request = args[1].i;
    if (request < 1 || request > 20) return Raise(ctx, Err::WinParmRequest);
    char current[kParmTextSize];
    bool ok = ParmRead(request, current, sizeof current);
    if (set) {
        // The value is cut only where it is read as a number: names (the
        // wallpaper, the pattern, the language driver) are taken whole.
        const char* value = ArgText(ctx, args[2]);
        char text[kParmTextSize];
        CopyBounded(ctx, text, value, sizeof text);
        char number[kNumberCut + 1];
        CopyBounded(ctx, number, value, sizeof number);
        std::int32_t v[3] = {};
        if (request == kParmMouse) {
            const char* p = number;
            for (int i = 0; i < 3; ++i) {
                char* end = nullptr;
                v[i] = static_cast<std::int32_t>(std::strtol(p, &end, 10));
                p = end;
            }
        } else if (ParmOnOff(request)) {
            v[0] = ParmSwitch(number);
        } else {
            v[0] = static_cast<std::int32_t>(std::atol(number) & 0xFFFF);
        }
        if (request == kParmPattern && !text[0]) CopyBounded(ctx, text, current, sizeof text);
        // A setting the system would not read may still be written.
        ok = plat::set_desktop_setting(request, v, text, static_cast<unsigned>(args[3].i)) && ok;
    }
    if (!ResultCopy(ctx, result, current)) return 0;
    if (!ok) return Raise(ctx, Err::NotSupported);
    return 1;
}

int FnWinParmGet(ScriptContext* ctx, int, Value& result, Value* args) {
    return WinParm(ctx, result, args, false);
}

int FnWinParmSet(ScriptContext* ctx, int, Value& result, Value* args) {
    return WinParm(ctx, result, args, true);
}

int FnWallpaper(ScriptContext* ctx, int, Value&, Value* args) {
    const char* file = ArgText(ctx, args[1]);
    const char* tile = args[2].i ? "1" : "0";
    if (Process().version.new_shell) {
        plat::RegKey key = 0;
        if (plat::reg_create_key(plat::reg_root(plat::RegRoot::CurrentUser),
                                 "Control Panel\\Desktop", &key) == 0) {
            plat::reg_set_value(key, "TileWallpaper", plat::regtype::String, tile, 2);
            plat::reg_close(key);
        }
    } else {
        plat::write_profile_string(nullptr, "DESKTOP", "TileWallpaper", tile);
        plat::write_profile_string(nullptr, "DESKTOP", "WALLPAPER", file);
    }
    constexpr unsigned kWriteAndTell = 3; // write the profile, tell the windows
    const std::int32_t none[3] = {};
    char name[kParmTextSize];
    CopyBounded(ctx, name, file, sizeof name);
    if (!plat::set_desktop_setting(kParmWallpaper, none, name, kWriteAndTell))
        return Raise(ctx, Err::NotSupported);
    if (!*file) {
        plat::repaint_window(plat::desktop_window());
        plat::desk::enum_windows(WinEnumXXXIcon, 0);
    }
    return 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"netinfo", FnNetInfo, 0},       {"winconfig", FnWinConfig, 0},
    {"winmetrics", FnWinMetrics, 0}, {"winresources", FnWinResources, 0},
    {"winsysinfo", FnWinSysInfo, 0}, {"winhelp", FnWinHelp, 0},
    {"winversion", FnWinVersion, 0}, {"winparmget", FnWinParmGet, 0},
    {"winparmset", FnWinParmSet, 0}, {"wallpaper", FnWallpaper, 0},
};

} // namespace

std::int32_t SaturateCount(std::uint64_t count) {
    return count > 2147483647u ? 2147483647 : static_cast<std::int32_t>(count);
}

// Repaints a minimized window (the walk after the wallpaper is removed).
JOL_LISTED_EXPORT int JOL_STDCALL WinEnumXXXIcon(plat::Hwnd w, std::intptr_t) {
    if (plat::desk::is_minimized(w)) plat::repaint_window(w);
    return 1;
}

const Module kSystemInfoModule = MakeModule("system facts", kFunctions);

} // namespace jol
