// IntControl: reads and replaces the run options of a context, and runs the
// few low-level operations that have no function of their own. Each opcode
// writes its result text into a buffer; the text is then copied into the
// string heap as the function's result.
#include "dispatch/int_control.h"

#include <charconv>
#include <cstdint>
#include <cstring>

#include "dispatch/extenders.h"
#include "exec/error_report.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/evaluator.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/variables.h"
#include "platform/boxes.h"
#include "platform/launch.h"
#include "platform/memory.h"
#include "platform/system_errors.h"
#include "platform/window_system.h"
#include "resources/message_table.h"

namespace jol {

const char kExitWindowsVariable[] = "exitwindowsmessage1873658";

namespace {

// The bounds and first trial of the search for the largest heap block.
constexpr std::uint32_t kSearchLow = 1;
constexpr std::uint32_t kSearchHigh = 65535;
constexpr std::uint32_t kSearchFirst = 32768;

// The text of argument slot n (1 to 5); "" for a slot without a string.
const char* SlotText(ScriptContext* ctx, Value* args, int n) {
    return (args[n].flags & vf::String) ? HeapText(ctx, args[n].str) : "";
}

// The parameters p1 to p4 sit in the slots 2 to 5.
struct Params {
    const char* p[5];
    Params(ScriptContext* ctx, Value* args) : p{"", "", "", "", ""} {
        for (int n = 1; n <= 4; ++n)
            p[n] = SlotText(ctx, args, n + 1);
    }
    const char* text(int n) const { return p[n]; }
    std::int32_t number(int n) const { return ParseIntegerText(p[n]); }
};

void WriteSigned(std::int64_t n, char* out, std::size_t size) {
    const auto r = std::to_chars(out, out + size - 1, n);
    *r.ptr = 0;
}

void WriteUnsigned(std::uint64_t n, char* out, std::size_t size) {
    const auto r = std::to_chars(out, out + size - 1, n);
    *r.ptr = 0;
}

// Reads an address in decimal, as leniently as numbers are read (blanks,
// one sign, digits up to the first other character), but at the width of
// a pointer; a negative number wraps as it would in that width.
std::uintptr_t ParseAddress(const char* text) {
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = false;
    if (*text == '-' || *text == '+') negative = *text++ == '-';
    std::uintptr_t n = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        n = n * 10 + static_cast<std::uintptr_t>(*text - '0');
    return negative ? static_cast<std::uintptr_t>(0) - n : n;
}

// Compares a text with a name of upper-case letters, without regard to
// case.
bool SameWord(const char* text, const char* upper) {
    for (; *upper; ++text, ++upper)
        if (LowerChar(*text) != LowerChar(*upper)) return false;
    return *text == 0;
}

// Replaces a flag by 1 (non-zero value) or 0; the previous flag.
std::int32_t ReplaceFlag(std::int32_t& field, std::int32_t value) {
    const std::int32_t previous = field;
    field = value != 0 ? 1 : 0;
    return previous;
}

// Replaces a flag only by 0 or 1; any other value leaves it.
std::int32_t ReplaceIfFlag(std::int32_t& field, std::int32_t value) {
    const std::int32_t previous = field;
    if (value == 0 || value == 1) field = value;
    return previous;
}

// Replaces a value only when the new one is not negative.
std::int32_t ReplaceIfNotNegative(std::int32_t& field, std::int32_t value) {
    const std::int32_t previous = field;
    if (value >= 0) field = value;
    return previous;
}

// Opcodes 66 to 68: log off, restart or shut down, forced when asked.
// A request the system accepted ends the script silently (the session is
// going away); one it refused leaves the script running. Restarting and
// shutting down need the shutdown privilege: 1388 without it.
int EndSession(ScriptContext* ctx, std::int32_t opcode, bool force, char* out, std::size_t size) {
    const plat::SessionEnd what = opcode == 66   ? plat::SessionEnd::LogOff
                                  : opcode == 67 ? plat::SessionEnd::Restart
                                                 : plat::SessionEnd::ShutDown;
    const std::uint32_t e = plat::end_session_request(what, force);
    if (e == plat::err::PrivilegeNotHeld) return Raise(ctx, Err::ShutdownPrivilege);
    if (e == 0) {
        ctx->cancel = 1;
        ctx->report_cancel = 0;
    }
    CopyBounded(ctx, out, "0", size);
    return 1;
}

// Opcodes 39 and 40: 4 or more is refused; 1 to 3 replaces, 0 and
// negative values leave the mode. False with the error set when refused.
bool ReplaceShareMode(ScriptContext* ctx, std::int32_t& field, std::int32_t value,
                      std::int32_t* previous) {
    if (value >= 4) return Raise(ctx, Err::ShareModeInvalid);
    *previous = field;
    if (value > 0) field = value;
    return true;
}

// Opcode 12: the termination flags; the host's exit text goes into a
// script variable when the low two bits ask for it. The result is the
// previous flags plus '0' as one character.
bool TerminationFlags(ScriptContext* ctx, const Params& p, char* out) {
    const std::int32_t previous = ctx->options.termination_flags;
    const std::int32_t flags = p.number(1);
    ctx->options.termination_flags = flags;
    if ((flags & 3) == 2) {
        const char* text = std::strcmp(p.text(2), "0") == 0 ? "" : p.text(2);
        SetVariable(ctx, kExitWindowsVariable, text, 0, 2);
        if (ctx->error_code) return false;
    }
    out[0] = static_cast<char>(static_cast<std::uint32_t>(previous) + '0');
    out[1] = 0;
    return true;
}

// Opcode 29: the delimiter of produced lists; an empty text only reads it.
bool ListDelimiter(ScriptContext* ctx, const char* text, char* out) {
    const std::size_t length = std::strlen(text);
    if (length > 1) return Raise(ctx, Err::ListDelimiterInvalid);
    out[0] = static_cast<char>(ctx->options.list_delimiter);
    out[1] = 0;
    if (length == 1) ctx->options.list_delimiter = static_cast<unsigned char>(text[0]);
    return true;
}

// Opcode 32: one byte, 16-bit word or 32-bit value at an address of the
// process. An unknown width, or an address whose bytes the process may not
// read, fails with Err::DataTypeInvalid.
bool ReadMemory(ScriptContext* ctx, const Params& p, char* out, std::size_t size) {
    std::size_t width = 0;
    if (SameWord(p.text(2), "BYTE"))
        width = 1;
    else if (SameWord(p.text(2), "WORD"))
        width = 2;
    else if (SameWord(p.text(2), "LONG"))
        width = 4;
    unsigned char bytes[4] = {};
    if (width == 0 || !plat::read_process_memory(ParseAddress(p.text(1)), bytes, width))
        return Raise(ctx, Err::DataTypeInvalid);
    // The bytes are little-endian on every target of the library.
    std::uint32_t value = 0;
    for (std::size_t k = width; k > 0; --k)
        value = (value << 8) | bytes[k - 1];
    if (width == 4)
        WriteSigned(static_cast<std::int32_t>(value), out, size);
    else
        WriteUnsigned(value, out, size);
    return true;
}

// Opcode 90: the largest block the string heap can give now, found by
// halving between the bounds; each trial block is filled and freed again.
std::uint32_t LargestHeapBlock(ScriptContext* ctx, char fill) {
    std::uint32_t low = kSearchLow;
    std::uint32_t high = kSearchHigh;
    std::uint32_t trial = kSearchFirst;
    while (trial > low && trial < high) {
        const std::uint16_t h = VMalloc(ctx->heap.base, trial);
        if (h) {
            std::memset(ctx->heap.base + h, fill, trial); // the block just given
            HeapFree(ctx, h);
            low = trial;
        } else {
            high = trial;
        }
        trial = (low + high) / 2;
    }
    return low;
}

// Opcode 8: host function 0 with empty texts, then the script ends. A
// value the host answered is not kept.
int HostStop(ScriptContext* ctx, Value& result) {
    Value empty[6];
    ExtenderCall(ctx, kw::HostBase, result, empty);
    FreeValueString(ctx, result);
    result = Value{};
    result.flags = vf::Integer;
    return Raise(ctx, Err::StopHostCall);
}

// An opcode the library does not know: the host's own IntControl gets it
// (the opcode in decimal first, then p1 to p4), or the call fails.
int ForwardToHost(ScriptContext* ctx, std::int32_t opcode, Value& result, Value* args) {
    const int host_function = FindHostKeyword(ctx, "intcontrol");
    if (host_function < 0) return Raise(ctx, Err::IntControlOpcode);
    char text[kIntegerTextSize];
    WriteSigned(opcode, text, sizeof text);
    Value forwarded[6];
    forwarded[1].str = HeapCopyText(ctx, text);
    if (!forwarded[1].str) return 0; // the copy raised StringMemory
    forwarded[1].flags = vf::String;
    for (int n = 2; n <= 5; ++n)
        forwarded[n] = args[n];
    const int ok = ExtenderCall(ctx, host_function, result, forwarded);
    HeapFree(ctx, forwarded[1].str);
    return ok;
}

// Runs one opcode that produces a text. Returns 1 with the text in out,
// 0 with the error set, -1 for an opcode the library does not know.
int RunOpcode(ScriptContext* ctx, std::int32_t opcode, const Params& p, char* out,
              std::size_t size) {
    RunOptions& o = ctx->options;
    std::int32_t previous = 0;
    switch (opcode) {
    case 1:
        ShowMessageBox(ctx, ctx->host_window, p.text(2), p.text(1), plat::mb::Ok);
        ShowMessageBox(ctx, ctx->host_window, p.text(4), p.text(3), plat::mb::Ok);
        previous = 1;
        break;
    case 4:
        previous = ReplaceFlag(o.file_list_select, p.number(1));
        break;
    case 5:
        previous = ReplaceFlag(o.host_flag_a, p.number(1));
        break;
    case 7:
        previous = ReplaceFlag(o.line_trace, p.number(1));
        break;
    case 12:
        return TerminationFlags(ctx, p, out) ? 1 : 0;
    case 13: {
        const std::int32_t slot = p.number(1);
        if (slot >= 0 && slot < kDiagnosticSlots) o.diagnostic_slots[slot] = p.number(2);
        previous = 1;
        break;
    }
    case 20:
        WriteUnsigned(ctx->host_parent, out, size);
        return 1;
    case 24: {
        const plat::Hwnd w = static_cast<plat::Hwnd>(ParseAddress(p.text(1)));
        WriteUnsigned(w && plat::is_window(w) ? plat::get_parent(w) : 0, out, size);
        return 1;
    }
    case 26:
        RereadMessageLanguage();
        previous = 1;
        break;
    case 28:
        previous = ReplaceFlag(o.item_box_fixed_font, p.number(1));
        break;
    case 29:
        return ListDelimiter(ctx, p.text(1), out) ? 1 : 0;
    case 32:
        return ReadMemory(ctx, p, out, size) ? 1 : 0;
    case 33:
        previous = ReplaceFlag(o.dialog_style, p.number(1));
        break;
    case 34:
        LoadMessage(ctx, p.number(1), out, size);
        return 1;
    case 35:
        previous = ReplaceIfNotNegative(o.sendkey_delay, p.number(1));
        break;
    case 38:
        previous = SetQuietMode(ctx, p.number(1), p.text(2));
        break;
    case 39:
        if (!ReplaceShareMode(ctx, o.read_share_mode, p.number(1), &previous)) return 0;
        break;
    case 40:
        if (!ReplaceShareMode(ctx, o.write_share_mode, p.number(1), &previous)) return 0;
        break;
    case 41:
        previous = ReplaceIfFlag(o.four_digit_years, p.number(1));
        break;
    case 42:
        WriteUnsigned(BinaryBufferAddress(ctx, p.number(1)), out, size);
        return 1;
    case 43:
        previous = ReplaceIfFlag(o.wait_input_idle, p.number(1));
        break;
    case 45:
        previous = o.console_keys;
        if (Process().version.nt) ReplaceIfFlag(o.console_keys, p.number(1));
        break;
    case 46: {
        const std::int32_t seconds = p.number(1);
        previous = o.window_wait_retries + 1;
        if (seconds >= 0) o.window_wait_retries = seconds - 1;
        break;
    }
    case 49:
        previous = ReplaceIfNotNegative(o.close_box_bits, p.number(1));
        break;
    case 50:
        previous = ReplaceIfFlag(o.error_box_extra_button, p.number(1));
        break;
    case 51:
        previous = o.process_creation_flags;
        o.process_creation_flags = p.number(1);
        break;
    case 90:
        WriteUnsigned(LargestHeapBlock(ctx, p.text(1)[0]), out, size);
        return 1;
    case 30: {
        const char* done = MoveAtNextStart(ctx, p.text(1), p.text(2));
        if (ctx->error_code) return 0;
        CopyBounded(ctx, out, done, size);
        return 1;
    }
    case 21:
    case 22:
    case 23:
    case 25:
    case 31:
    case 36:
    case 44:
    case 47:
    case 48:
        return WindowOpcode(ctx, opcode, p.p, out, size);
    case 37:
        if (!ReplaceIcon(ctx, p.text(1), p.text(2), p.number(3))) return 0;
        CopyBounded(ctx, out, "1", size);
        return 1;
    case 66:
    case 67:
    case 68:
        return EndSession(ctx, opcode, p.number(2) != 0, out, size);
    default:
        return -1;
    }
    WriteSigned(previous, out, size);
    return 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"intcontrol", FnIntControl, 0},
};

} // namespace

int FnIntControl(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::int32_t opcode = args[1].i;
    if (opcode == 8) return HostStop(ctx, result);
    const Params p(ctx, args);
    char out[kTextSize] = {};
    const int done = RunOpcode(ctx, opcode, p, out, sizeof out);
    if (done < 0) return ForwardToHost(ctx, opcode, result, args);
    if (done == 0) return 0;
    const std::uint16_t h = HeapCopyText(ctx, out);
    if (!h) return Raise(ctx, Err::StringMemory);
    result.str = h;
    result.flags = vf::String;
    return 1;
}

const Module kIntControlModule = MakeModule("intcontrol", kFunctions);

} // namespace jol
