#include "dispatch/extenders.h"

#include <cstdio>
#include <cstring>

#include "exec/error_report.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "include/jol.h"
#include "lang/fast/line_cache.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/variables.h"
#include "platform/boxes.h"
#include "platform/modules.h"
#include "platform/sound.h"
#include "platform/system.h"
#include "platform/system_errors.h"
#include "platform/text.h"
#include "platform/window_system.h"
#include "resources/message_table.h"

namespace jol {

const char kExtenderEntryName[] = "_JOLExtender@48";
const char kExtenderEntryPlainName[] = "JOLExtender";

static_assert(kKeywordFunction == kind::Function, "the contract names the function kind");

namespace {

constexpr std::size_t kNameMax = 13; // characters of a keyword name
constexpr std::size_t kLineKeep = 156;
constexpr std::size_t kBoxTextSize = 1024;
const char kEmptyText[] = "";
const char kPresetName[] = "Cheese";

ExtArg TextArg(const char* text) {
    return reinterpret_cast<ExtArg>(text);
}

ExtArg Instance() {
    return static_cast<ExtArg>(LibraryInstance());
}

// The system codes that mean the file (or a module it needs) was not found.
bool IsNotFound(std::uint32_t code) {
    return code == plat::err::FileNotFound || code == 3 || code == 126;
}

// The load-error box: why the system could not load the extender.
void ShowLoadError(ScriptContext* ctx, std::uint32_t system_code) {
    char caption[kTextSize];
    char text[kBoxTextSize];
    LoadMessage(ctx, msg::ExtenderLoadCaption, caption, sizeof caption);
    int id = 0;
    switch (system_code) {
    case plat::err::GenFailure:
        id = msg::ExtenderWrongFormat;
        break;
    case plat::err::ProcNotFound:
        id = msg::ExtenderWrongSystem;
        break;
    case plat::err::BadExeFormat:
        id = msg::ExtenderSixteenBit;
        break;
    case plat::err::DllInitFailed:
        id = msg::ExtenderInitFailed;
        break;
    default:
        // The file exists but the system says "not found": a module it
        // needs is missing.
        if (IsNotFound(system_code)) id = msg::ExtenderModuleMissing;
        break;
    }
    if (id) {
        LoadMessage(ctx, id, text, sizeof text);
    } else {
        char label[kTextSize];
        LoadMessage(ctx, msg::ErrorCodeLabel, label, sizeof label);
        std::snprintf(text, sizeof text, "%s %ld", label,
                      static_cast<long>(static_cast<std::int32_t>(system_code)));
    }
    ShowMessageBox(ctx, ctx->host_window, text, caption,
                   plat::mb::Ok | plat::mb::IconExclamation | plat::mb::SetForeground);
}

// The box for an extender entry that can no longer be found.
void ShowEntryLost(ScriptContext* ctx, int text_id) {
    char text[kTextSize], caption[kTextSize];
    LoadMessage(ctx, text_id, text, sizeof text);
    LoadMessage(ctx, msg::InternalError, caption, sizeof caption);
    ShowMessageBox(ctx, plat::get_focus(), text, caption, plat::mb::Ok | plat::mb::SetForeground);
}

// Adds a keyword row delivered by the extender in slot. The row is taken
// only as far as it can be trusted: the name is cut to its real length and
// to 13 characters (a double-byte character is never split) and stored in
// lower case; rows without a name, and rows whose function number is 98 or
// above (those numbers are the enumerate and release requests, or run past
// the module slots), are skipped. False when the row was skipped.
bool AppendRow(ExtenderTable& table, int slot, KeywordEntry& delivered) {
    if (delivered.id > kExtenderLastFunction) return false;
    delivered.name[kNameMax] = 0;
    std::size_t limit = std::strlen(delivered.name);
    if (delivered.length < static_cast<std::int16_t>(limit))
        limit = delivered.length < 0 ? 0 : static_cast<std::size_t>(delivered.length);
    std::size_t len = 0;
    while (delivered.name[len]) {
        const std::size_t step = static_cast<std::size_t>(CharBytes(delivered.name + len));
        if (len + step > limit) break;
        len += step;
    }
    if (len == 0) return false;

    KeywordEntry& row = table.rows[table.row_count];
    row = KeywordEntry{};
    row.id = static_cast<std::uint16_t>((slot + kExtenderCodeBase / kExtenderFunctionsPerSlot) *
                                            kExtenderFunctionsPerSlot +
                                        delivered.id);
    row.kind = delivered.kind;
    std::memcpy(row.value, delivered.value, sizeof row.value);
    std::memcpy(row.name, delivered.name, len);
    plat::to_lower(row.name);
    row.length = static_cast<std::int16_t>(len);
    ++table.row_count;
    // A name read as a variable so far may be this keyword now.
    InvalidateTokenCache();
    return true;
}

// The text of an argument slot; a slot without a string view (unused, or
// holding a number) is an empty text, as is a handle outside the heap.
const char* SlotText(ScriptContext* ctx, const Value* args, int i) {
    if (!args) return kEmptyText;
    const Value& v = args[i];
    if (!(v.flags & vf::String) || v.str == 0 || !ctx->heap.base || v.str >= ctx->heap.size)
        return kEmptyText;
    return HeapText(ctx, v.str);
}

// The number an error text starts with: its first 9 characters, cut at the
// first ':', read as a decimal number (0 when there is none).
std::int32_t LeadingNumber(const char* text) {
    char head[10];
    std::size_t n = 0;
    while (n < 9 && text[n] && text[n] != ':') {
        head[n] = text[n];
        ++n;
    }
    head[n] = 0;
    const char* p = head;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    std::int32_t value = 0;
    while (*p >= '0' && *p <= '9')
        value = value * 10 + (*p++ - '0');
    return negative ? -value : value;
}

// A negative result of an extender or host function. Returns 1 when the
// script goes on (the user chose OK in @notify), else 0 with the ErrorCode.
int HandleFailure(ScriptContext* ctx, std::int32_t status) {
    ctx->extended_error = 999;
    // The answer decides the code, whatever the function raised through
    // the service entry before it.
    switch (status) {
    case -1:
        ReplaceError(ctx, Err::ExtenderMinor);
        break;
    case -2:
        ReplaceError(ctx, Err::ExtenderModerate);
        break;
    case -3:
        ReplaceError(ctx, Err::ExtenderSevere);
        break;
    default:
        ReplaceError(ctx, Err::ExtenderMemory);
        break;
    }
    ctx->extenders.error_text[kTextSize - 1] = 0;
    const std::int32_t own = LeadingNumber(ctx->extenders.error_text);
    if (own != 0) ctx->extended_error = own;

    switch (status) {
    case -4:
        return 0;
    case -5:
        return ReplaceError(ctx, Err::StopCancel);
    case -6:
        return ReplaceError(ctx, Err::StopTerminate);
    default:
        break;
    }
    if (ctx->error_mode == kErrorModeOff) return 0;

    if (ctx->sounds) plat::play_system_sound("SystemHand");
    if (ctx->host_parent) plat::set_foreground_window(ctx->host_parent);

    char caption[kTextSize];
    LoadMessage(ctx, msg::ExtenderErrorCaption, caption, sizeof caption);
    AppendBounded(ctx, caption, "  ", sizeof caption);
    AppendBounded(ctx, caption, ctx->extenders.error_text, sizeof caption);

    char text[kBoxTextSize];
    char label[kTextSize], version[kTextSize];
    CopyBounded(ctx, text, ctx->current_line ? ctx->current_line : "", kLineKeep + 1);
    LoadMessage(ctx, msg::VersionLabel, label, sizeof label);
    LoadMessage(ctx, msg::Version, version, sizeof version);
    ctx->script_name[kTextSize - 1] = 0;
    AppendBounded(ctx, text, "\n\n", sizeof text);
    AppendBounded(ctx, text, ctx->script_name, sizeof text);
    AppendBounded(ctx, text, "\n", sizeof text);
    AppendBounded(ctx, text, label, sizeof text);
    AppendBounded(ctx, text, " ", sizeof text);
    AppendBounded(ctx, text, version, sizeof text);

    const bool cancel_mode = ctx->error_mode == kErrorModeCancel;
    const unsigned style = (cancel_mode ? plat::mb::Ok | plat::mb::IconStop
                                        : plat::mb::OkCancel | plat::mb::IconExclamation) |
                           plat::mb::SetForeground;
    const int answer = ShowMessageBox(ctx, ctx->host_window, text, caption, style);
    const int code = ctx->error_code;
    ReplaceError(ctx, Err::StopReported); // the box reported it
    if (cancel_mode || answer != plat::id::Ok) {
        RecordStop(ctx, code, ctx->extenders.error_text);
        return 0;
    }
    ClearError(ctx);
    return 1;
}

int FnAddExtender(ScriptContext* ctx, int, Value& result, Value* args) {
    result.i = AddExtender(ctx, SlotText(ctx, args, 1));
    return result.i;
}

constexpr ModuleFunction kFunctions[] = {
    {"addextender", FnAddExtender, 0},
};

} // namespace

ExtenderEntry FindExtenderEntry(plat::Module module) {
    if (!module) return nullptr;
    void* p = plat::get_proc_address(module, kExtenderEntryName);
#if !(defined(_WIN32) && !defined(_WIN64))
    // Wider builds have no stdcall decoration.
    if (!p) p = plat::get_proc_address(module, kExtenderEntryPlainName);
#endif
    return reinterpret_cast<ExtenderEntry>(p);
}

int AddExtender(ScriptContext* ctx, const char* file) {
    if (!ctx) return 0;
    ExtenderTable& table = ctx->extenders;
    if (table.loaded >= kExtenderSlots) return Raise(ctx, Err::TooManyExtenders);
    if (table.row_count >= kExtenderRows) return Raise(ctx, Err::ExtenderTableFull);
    if (!file || !*file) return Raise(ctx, Err::ExtenderNotFound);

    const bool old_boxes = plat::suppress_error_boxes(true);
    plat::set_last_error(0);
    const plat::Module module = plat::load_library(file);
    const std::uint32_t system_code = module ? 0 : plat::get_last_error();
    plat::suppress_error_boxes(old_boxes);
    if (!module) {
        if (IsNotFound(system_code) && !plat::search_path(file, nullptr, 0))
            return Raise(ctx, Err::ExtenderNotFound);
        ShowLoadError(ctx, system_code);
        return Raise(ctx, Err::ExtenderLoadFailed);
    }

    const ExtenderEntry entry = FindExtenderEntry(module);
    if (!entry) {
        plat::free_library(module);
        return Raise(ctx, Err::ExtenderInvalid);
    }
    int slot = -1;
    for (int s = 0; s < kExtenderSlots; ++s) {
        if (table.modules[s] == module) {
            plat::free_library(module); // the extra load reference
            return 1;
        }
        if (slot < 0 && !table.modules[s]) slot = s;
    }
    if (slot < 0) { // a count that lost track of the slots
        plat::free_library(module);
        return Raise(ctx, Err::TooManyExtenders);
    }
    table.modules[slot] = module;
    table.data[slot] = 0;
    ++table.loaded;

    std::int32_t answer = 0;
    for (int index = 0; table.row_count < kExtenderRows && index < kExtenderEnumerateLimit;
         ++index) {
        KeywordEntry record{};
        std::memcpy(record.name, kPresetName, sizeof kPresetName);
        answer =
            entry(static_cast<ExtArg>(ctx->host_parent), Instance(), kExtenderInterfaceVersion,
                  kExtenderEnumerate, 0, 0, reinterpret_cast<ExtArg>(&table.data[slot]),
                  reinterpret_cast<ExtArg>(&record), index, static_cast<ExtArg>(ctx->own_handle),
                  ServiceEntryAddress(), TextArg(kEmptyText));
        if (answer != 1) break;
        AppendRow(table, slot, record);
    }
    // The extender's code ran and may have written the variable table.
    InvalidateVariableIndex(ctx);
    if (answer == -1) return Raise(ctx, Err::ExtenderRefused);
    return 1;
}

int ExtenderCall(ScriptContext* ctx, int id, Value& result, Value* args) {
    if (!ctx) return 0;
    ExtenderEntry entry = nullptr;
    ExtArg request = 0;
    ExtArg data_word = 0;
    if (id < 0) {
        entry = ctx->host_callback;
        request = id;
    } else if (id >= kw::HostBase && id <= kw::HostLast) {
        entry = ctx->host_callback;
        request = id - kw::HostBase;
    } else if (id >= kw::ExtenderBase && id <= kw::ExtenderLast) {
        ExtenderTable& table = ctx->extenders;
        const int row = id - kw::ExtenderBase;
        if (row >= table.row_count || row >= kExtenderRows)
            return Raise(ctx, Err::FunctionNotDefined);
        const int code = table.rows[row].id;
        const int slot = (code - kExtenderCodeBase) / kExtenderFunctionsPerSlot;
        const plat::Module module =
            code >= kExtenderCodeBase && slot < kExtenderSlots ? table.modules[slot] : 0;
        entry = FindExtenderEntry(module);
        if (!entry) {
            ShowEntryLost(ctx, msg::ExtenderEntryLost3);
            RecordStop(ctx, msg::ExtenderEntryLost3, nullptr);
            return Raise(ctx, Err::StopReported); // reported by the box
        }
        request = code % kExtenderFunctionsPerSlot;
        data_word = reinterpret_cast<ExtArg>(&table.data[slot]);
    } else {
        return Raise(ctx, Err::FunctionNotDefined);
    }
    if (!entry) return 1;

    AnswerRecord record{ctx, &result};
    ctx->extenders.error_text[0] = 0;
    const std::int32_t status =
        entry(static_cast<ExtArg>(ctx->host_parent), Instance(), kExtenderInterfaceVersion, request,
              reinterpret_cast<ExtArg>(&ZezuzAnswer), reinterpret_cast<ExtArg>(&record), data_word,
              TextArg(SlotText(ctx, args, 1)), TextArg(SlotText(ctx, args, 2)),
              TextArg(SlotText(ctx, args, 3)), TextArg(SlotText(ctx, args, 4)),
              TextArg(SlotText(ctx, args, 5)));
    // The host or the extender may have written the variable table.
    InvalidateVariableIndex(ctx);
    if (status < 0) return HandleFailure(ctx, status);
    // An answer that could not be stored, or an error the function set
    // through the service entry, fails the call.
    return ctx->error_code ? 0 : 1;
}

void ReleaseExtenders(ScriptContext* ctx) {
    const ExtArg empty = TextArg(kEmptyText);
    ExtenderTable& table = ctx->extenders;
    for (int slot = 0; slot < kExtenderSlots && table.loaded > 0; ++slot) {
        const plat::Module module = table.modules[slot];
        if (!module) continue;
        const ExtenderEntry entry = FindExtenderEntry(module);
        if (!entry) {
            ShowEntryLost(ctx, msg::ExtenderEntryLost2);
            return;
        }
        plat::Hwnd owner = ctx->host_parent;
        if (!plat::is_window(owner)) owner = plat::get_focus();
        entry(static_cast<ExtArg>(owner), Instance(), kExtenderInterfaceVersion, kExtenderRelease,
              0, 0, reinterpret_cast<ExtArg>(&table.data[slot]), empty, empty, empty, empty, empty);
        plat::free_library(module);
        table.modules[slot] = 0;
        table.data[slot] = 0;
        --table.loaded;
    }
    // Without modules their keyword rows name nothing any more.
    if (table.loaded == 0 && table.row_count != 0) {
        table.row_count = 0;
        InvalidateTokenCache();
    }
}

namespace {

void ReleaseLoadedExtenders(ScriptContext* ctx) {
    if (ctx->extenders.loaded > 0) ReleaseExtenders(ctx);
}

} // namespace

const Module kExtenderModule =
    MakeModule("extenders", kFunctions, ReleaseLoadedExtenders, ReleaseStage::BeforeNotice);

} // namespace jol

JOL_LISTED_EXPORT std::int32_t JOL_STDCALL ZezuzAnswer(jol::ExtArg status, jol::ExtArg /*ignored*/,
                                                       jol::ExtArg record, jol::ExtArg is_text,
                                                       jol::ExtArg number, jol::ExtArg text) {
    using namespace jol;
    const auto st = static_cast<std::int32_t>(status);
    const auto* answer = reinterpret_cast<const AnswerRecord*>(record);
    if (!answer || !answer->ctx) return st;
    ScriptContext* ctx = answer->ctx;
    const char* t = text ? reinterpret_cast<const char*>(text) : "";
    if (st < 0) {
        if (is_text)
            CopyBounded(ctx, ctx->extenders.error_text, t, kTextSize);
        else
            LoadMessage(ctx, msg::ExtenderErrorUnnamed, ctx->extenders.error_text, kTextSize);
        return st;
    }
    if (!answer->result) return st;
    Value& v = *answer->result;
    std::uint16_t str = 0;
    if (is_text) {
        str = HeapCopyText(ctx, t);
        if (!str) return -4;
    }
    // A second answer replaces the first.
    if ((v.flags & vf::String) && v.str) HeapFree(ctx, v.str);
    v.str = 0;
    if (is_text) {
        v.flags = vf::String;
        v.str = str;
    } else {
        v.flags = vf::Integer;
        v.i = static_cast<std::int32_t>(number);
    }
    v.var = -1;
    return st;
}
