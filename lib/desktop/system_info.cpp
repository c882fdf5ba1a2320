#include "lib/desktop/system_info.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "host/context/errors.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "host/context/text_sizes.h"
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

constexpr ModuleFunction kFunctions[] = {
    {"netinfo", FnNetInfo, 0},       {"winconfig", FnWinConfig, 0},
    {"winmetrics", FnWinMetrics, 0}, {"winresources", FnWinResources, 0},
    {"winsysinfo", FnWinSysInfo, 0}, {"winhelp", FnWinHelp, 0},
    {"winversion", FnWinVersion, 0},
};

} // namespace

std::int32_t SaturateCount(std::uint64_t count) {
    return count > 2147483647u ? 2147483647 : static_cast<std::int32_t>(count);
}

const Module kSystemInfoModule = MakeModule("system facts", kFunctions);

} // namespace jol
