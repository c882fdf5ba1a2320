#include "lib/desktop/dll_calls.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "dispatch/loaded_dlls.h"
#include "exec/error_report.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/evaluator.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/tokenizer.h"
#include "lib/data/binary_buffers.h"
#include "lib/data/file_functions.h"
#include "lib/data/file_names.h"
#include "lib/desktop/window_find.h"
#include "platform/boxes.h"
#include "platform/foreign_calls.h"
#include "platform/modules.h"
#include "platform/system.h"
#include "platform/system_errors.h"
#include "resources/message_table.h"

namespace jol {
namespace {

constexpr std::size_t kDllNameMax = 259;   // a module name or handle text
constexpr std::size_t kEntryNameMax = 127; // an entry point name
// Room left after the text of an lpstr argument, for a callee that writes
// a little past it.
constexpr std::size_t kTextPad = 256;

// ----------------------------------------------------------- the slots

std::size_t HandleText(plat::Module m, char* out, std::size_t size) {
    const int n = std::snprintf(out, size, "?%llu", static_cast<unsigned long long>(m));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

// The module a handle text names, when a slot of the context holds it; 0
// for any other text (no digits, trailing characters, a number of more
// than pointer width, a module no slot holds).
plat::Module SlotModule(const ScriptContext* ctx, const char* text) {
    if (*text != '?') return 0;
    const char* p = text + 1;
    if (*p < '0' || *p > '9') return 0;
    std::uintptr_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const auto digit = static_cast<std::uintptr_t>(*p - '0');
        if (value > (UINTPTR_MAX - digit) / 10) return 0;
        value = value * 10 + digit;
    }
    if (*p || value == 0) return 0;
    for (plat::Module m : ctx->dlls.modules)
        if (m == value) return m;
    return 0;
}

bool NotFoundCode(std::uint32_t code) {
    // File, path and module not found, and a missing dependency of the
    // module: the system names all four.
    return code == plat::err::FileNotFound || code == plat::err::PathNotFound || code == 126 ||
           code == 1157;
}

// Loads a module with the system's error boxes kept away; 0 with the
// error (DllNotFound or DllNotLoadable) raised.
plat::Module LoadModule(ScriptContext* ctx, const char* name) {
    const bool was = plat::suppress_error_boxes(true);
    const plat::Module m = plat::load_library(name);
    const std::uint32_t code = m ? 0 : plat::get_last_error();
    plat::suppress_error_boxes(was);
    if (m) return m;
    return Raise(ctx, NotFoundCode(code) ? Err::DllNotFound : Err::DllNotLoadable);
}

void FreeLoadedDlls(ScriptContext* ctx) {
    LoadedDlls& dlls = ctx->dlls;
    for (int i = 0; i < kDllSlots; ++i) {
        if (!dlls.modules[i]) continue;
        plat::free_library(dlls.modules[i]);
        dlls.modules[i] = 0;
    }
    dlls.count = 0;
}

int FnDllLoad(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* name = ArgText(ctx, args[1]);
    if (ctx->dlls.count >= kDllSlots) return Raise(ctx, Err::DllLoadTooMany);
    // A name the system's buffers cannot hold is refused, not cut: a cut
    // name may well name another file.
    if (std::strlen(name) > kDllNameMax) return Raise(ctx, Err::DllNotFound);
    int slot = 0;
    while (slot < kDllSlots && ctx->dlls.modules[slot])
        ++slot;
    if (slot == kDllSlots) return Raise(ctx, Err::DllLoadTooMany);
    const plat::Module m = LoadModule(ctx, name);
    if (!m) return 0;
    ctx->dlls.modules[slot] = m;
    ++ctx->dlls.count;
    char text[32];
    HandleText(m, text, sizeof text);
    return ResultCopy(ctx, result, text);
}

int FnDllFree(ScriptContext* ctx, int, Value& result, Value* args) {
    const plat::Module m = SlotModule(ctx, ArgText(ctx, args[1]));
    if (!m) return Raise(ctx, Err::DllFreeBadHandle);
    for (int i = 0; i < kDllSlots; ++i) {
        if (ctx->dlls.modules[i] != m) continue;
        ctx->dlls.modules[i] = 0;
        --ctx->dlls.count;
        break;
    }
    plat::free_library(m);
    result.i = 0;
    return 1;
}

int FnDllHwnd(ScriptContext* ctx, int, Value& result, Value* args) {
    const plat::Hwnd w = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    result.i = static_cast<std::int32_t>(static_cast<std::uint32_t>(w));
    return 1;
}

int FnDllHinst(ScriptContext* ctx, int, Value& result, Value* args) {
    const plat::Hwnd w = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    const plat::Module m = w ? plat::window_instance(w) : 0;
    result.i = static_cast<std::int32_t>(static_cast<std::uint32_t>(m));
    return 1;
}

// ------------------------------------------------------------- DllCall

bool AtKeyword(const ScriptContext* ctx, int id) {
    return ctx->token.cls == TokenClass::Keyword && ctx->token.id == id;
}

// Reads an expression at the next token into v. 0 on an error (v then
// holds no string).
int ReadExpression(ScriptContext* ctx, Value& v) {
    v = Value{};
    if (!NextToken(ctx)) return 0;
    if (!ProcessSubExpression(ctx, v, 0) || ctx->error_code) {
        FreeValueString(ctx, v);
        return 0;
    }
    return 1;
}

// Reads a bare type word into out (lower case); "" when none stands there.
void ReadTypeWord(ScriptContext* ctx, char* out, std::size_t size) {
    *out = 0;
    GetNameToken(ctx);
    if (ctx->error_code) {
        // No name at all: the caller reports the type as invalid.
        ClearSpeculativeError(ctx);
        return;
    }
    if (ctx->token.cls == TokenClass::End) return;
    std::size_t n = 0;
    for (const char* p = ctx->token.text; *p && n + 1 < size; ++p)
        out[n++] = static_cast<char>(*p >= 'A' && *p <= 'Z' ? *p + 32 : *p);
    out[n] = 0;
}

// A string value and its text, which must fit max characters; the value's
// string is released.
bool TakeName(ScriptContext* ctx, Value& v, char* out, std::size_t max) {
    const bool ok = v.flags == vf::String && std::strlen(HeapText(ctx, v.str)) <= max;
    if (ok) std::strcpy(out, HeapText(ctx, v.str));
    FreeValueString(ctx, v);
    return ok;
}

struct CallArgs {
    int count = 0;
    std::uintptr_t values[plat::kForeignArgsMax] = {};
    plat::ForeignArg kinds[plat::kForeignArgsMax] = {};
    // the private copies that lpstr arguments point to
    std::vector<std::vector<char>> texts;
};

// Converts one argument of the given type word. 0 with the error raised.
int ConvertArgument(ScriptContext* ctx, const char* type, Value& v, CallArgs& call) {
    const int i = call.count;
    const bool word = std::strcmp(type, "word") == 0;
    if (word || std::strcmp(type, "long") == 0) {
        bool ok = ToInteger(ctx, v, true);
        if (!ok && !ctx->error_code && ToFloat(ctx, v)) ok = ToInteger(ctx, v, true);
        if (!ok) {
            FreeValueString(ctx, v);
            ClearSpeculativeError(ctx);
            return Raise(ctx, word ? Err::DllCallNoWord : Err::DllCallNoLong);
        }
        const auto n = static_cast<std::uint32_t>(v.i);
        call.values[i] = word ? (n & 0xFFFFu) : n;
        call.kinds[i] = word ? plat::ForeignArg::Word : plat::ForeignArg::Long;
    } else if (std::strcmp(type, "lpstr") == 0) {
        if (!ToString(ctx, v)) {
            FreeValueString(ctx, v);
            ClearSpeculativeError(ctx);
            return Raise(ctx, Err::DllCallNoText);
        }
        // The callee gets a private copy with room after it, never the
        // string heap itself, where a write past the text would ruin the
        // neighbouring strings.
        const char* text = HeapText(ctx, v.str);
        const std::size_t length = std::strlen(text);
        std::vector<char> copy(length + 1 + kTextPad, 0);
        std::memcpy(copy.data(), text, length);
        call.texts.push_back(std::move(copy));
        call.values[i] = reinterpret_cast<std::uintptr_t>(call.texts.back().data());
        call.kinds[i] = plat::ForeignArg::Pointer;
    } else { // lpbinary
        BinaryBufferView view;
        const bool ok = ToInteger(ctx, v, true) && GetBinaryBuffer(ctx, v.i, &view);
        if (!ok) {
            FreeValueString(ctx, v);
            ClearSpeculativeError(ctx);
            return Raise(ctx, Err::BinaryBadHandle);
        }
        call.values[i] = reinterpret_cast<std::uintptr_t>(view.data);
        call.kinds[i] = plat::ForeignArg::Pointer;
    }
    FreeValueString(ctx, v);
    ++call.count;
    return 1;
}

// The argument list after the entry point, up to and including ")".
int ReadArguments(ScriptContext* ctx, CallArgs& call) {
    while (AtKeyword(ctx, kw::Comma)) {
        char type[16];
        ReadTypeWord(ctx, type, sizeof type);
        const bool known = std::strcmp(type, "word") == 0 || std::strcmp(type, "long") == 0 ||
                           std::strcmp(type, "lpstr") == 0 || std::strcmp(type, "lpbinary") == 0 ||
                           std::strcmp(type, "lpnull") == 0;
        if (call.count == plat::kForeignArgsMax) return Raise(ctx, Err::DllCallTooMany);
        if (!known) return Raise(ctx, Err::DllCallBadType);
        if (std::strcmp(type, "lpnull") == 0) {
            if (!NextToken(ctx)) return 0;
            if (!AtKeyword(ctx, kw::Comma) && !AtKeyword(ctx, kw::RParen))
                return Raise(ctx, Err::DllCallPunctuation);
            call.values[call.count] = 0;
            call.kinds[call.count] = plat::ForeignArg::Pointer;
            ++call.count;
            continue;
        }
        if (!NextToken(ctx)) return 0;
        if (!AtKeyword(ctx, kw::Colon)) return Raise(ctx, Err::DllCallNoColon);
        Value v;
        if (!ReadExpression(ctx, v)) return 0;
        if (!AtKeyword(ctx, kw::Comma) && !AtKeyword(ctx, kw::RParen)) {
            FreeValueString(ctx, v);
            return Raise(ctx, Err::DllCallPunctuation);
        }
        if (!ConvertArgument(ctx, type, v, call)) return 0;
    }
    return 1;
}

plat::ForeignResult ResultKind(const char* type) {
    if (std::strcmp(type, "word") == 0) return plat::ForeignResult::Word;
    if (std::strcmp(type, "long") == 0) return plat::ForeignResult::Long;
    if (std::strcmp(type, "lpstr") == 0) return plat::ForeignResult::Pointer;
    return plat::ForeignResult::Void;
}

bool HasFolder(const char* name) {
    return std::strchr(name, '/') || std::strchr(name, '\\') || std::strchr(name, ':');
}

// The module of the call: a handle a slot holds, or a module file found as
// FileLocate finds it (natively a bare name the search misses goes to the
// loader's own search), loaded for this call (*loaded set).
plat::Module CallModule(ScriptContext* ctx, const char* name, bool* loaded) {
    *loaded = false;
    if (*name == '?') {
        const plat::Module m = SlotModule(ctx, name);
        if (!m) Raise(ctx, Err::DllNotLoadable);
        return m;
    }
    char full[kFullNameSize];
    const char* target = full;
    if (!LocateFile(name, full, sizeof full)) {
        if (!plat::loader_searches_bare_names() || HasFolder(name) || !*name)
            return Raise(ctx, Err::DllNotFound);
        target = name;
    }
    const plat::Module m = LoadModule(ctx, target);
    if (m && target == full) {
        *loaded = true;
        return m;
    }
    if (!m && target == full) {
        // The file is there, so the load failed for another reason.
        ClearSpeculativeError(ctx);
        return Raise(ctx, Err::DllNotLoadable);
    }
    *loaded = m != 0;
    return m;
}

void ShowStackBox(ScriptContext* ctx, const plat::ForeignOutcome& outcome) {
    char title[kTextSize];
    char old_label[kTextSize];
    char new_label[kTextSize];
    LoadMessage(ctx, 801, title, sizeof title);
    LoadMessage(ctx, 802, old_label, sizeof old_label);
    LoadMessage(ctx, 803, new_label, sizeof new_label);
    char text[3 * kTextSize];
    const auto before = static_cast<long>(outcome.stack_before);
    const auto after = static_cast<long>(outcome.stack_after);
    std::snprintf(text, sizeof text, "%s: %ld <%lx> %s: %ld <%lx>", old_label, before,
                  static_cast<unsigned long>(before), new_label, after,
                  static_cast<unsigned long>(after));
    ShowMessageBox(ctx, ctx->host_window, text, title, plat::mb::Ok | plat::mb::IconStop);
}

int FnDllCall(ScriptContext* ctx, int, Value& result, Value*) {
    char dll[kDllNameMax + 1];
    char entry_name[kEntryNameMax + 1];
    char result_type[16];
    Value v;
    if (!ReadExpression(ctx, v)) return 0;
    if (AtKeyword(ctx, kw::RParen)) {
        FreeValueString(ctx, v);
        return Raise(ctx, Err::DllCallTooFew);
    }
    const bool comma = AtKeyword(ctx, kw::Comma);
    if (!TakeName(ctx, v, dll, kDllNameMax) || !comma) return Raise(ctx, Err::DllCallBadName);

    ReadTypeWord(ctx, result_type, sizeof result_type);
    if (std::strcmp(result_type, "word") != 0 && std::strcmp(result_type, "long") != 0 &&
        std::strcmp(result_type, "lpstr") != 0 && std::strcmp(result_type, "void") != 0)
        return Raise(ctx, Err::DllCallBadReturn);
    if (!NextToken(ctx)) return 0;
    if (!AtKeyword(ctx, kw::Colon)) return Raise(ctx, Err::DllCallNoColon);
    if (!ReadExpression(ctx, v)) return 0;
    const bool ends = AtKeyword(ctx, kw::Comma) || AtKeyword(ctx, kw::RParen);
    if (!TakeName(ctx, v, entry_name, kEntryNameMax) || !ends)
        return Raise(ctx, Err::DllCallBadEntry);

    CallArgs call;
    if (!ReadArguments(ctx, call)) return 0;

    bool loaded = false;
    const plat::Module module = CallModule(ctx, dll, &loaded);
    if (!module) return 0;
    void* entry = plat::get_proc_address(module, entry_name);
    if (!entry) {
        if (loaded) plat::free_library(module);
        return Raise(ctx, Err::DllBadEntry);
    }
    const plat::ForeignResult kind = ResultKind(result_type);
    plat::ForeignOutcome outcome;
    const bool called =
        plat::call_foreign(entry, call.values, call.kinds, call.count, kind, &outcome);
    int ok = 1;
    if (!called) {
        ok = Raise(ctx, Err::DllNotLoadable);
    } else if (!outcome.stack_ok) {
        Raise(ctx, Err::DllCallStack);
        ShowStackBox(ctx, outcome);
        ok = 0;
    } else {
        switch (kind) {
        case plat::ForeignResult::Word:
            result.i = static_cast<std::int32_t>(outcome.value & 0xFFFFu);
            break;
        case plat::ForeignResult::Long:
            result.i = static_cast<std::int32_t>(static_cast<std::uint32_t>(outcome.value));
            break;
        case plat::ForeignResult::Pointer: {
            // Functions that have no text commonly give a null address.
            const char* text = reinterpret_cast<const char*>(outcome.value);
            ok = ResultCopy(ctx, result, text ? text : "");
            break;
        }
        case plat::ForeignResult::Void:
            result.i = 0;
            break;
        }
    }
    if (loaded) plat::free_library(module);
    return ok;
}

constexpr ModuleFunction kFunctions[] = {
    {"dllcall", FnDllCall, 0}, {"dllfree", FnDllFree, 0}, {"dllhinst", FnDllHinst, 0},
    {"dllhwnd", FnDllHwnd, 0}, {"dllload", FnDllLoad, 0},
};

} // namespace

const Module kDllModule =
    MakeModule("dll calls", kFunctions, FreeLoadedDlls, ReleaseStage::BeforeNotice);

} // namespace jol
