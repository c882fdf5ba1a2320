// The window functions.
#include "lib/desktop/window_functions.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dispatch/int_control.h"
#include "exec/error_report.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/evaluator.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/tokenizer.h"
#include "lib/desktop/window_enum.h"
#include "lib/desktop/window_find.h"
#include "platform/boxes.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/environment.h"
#include "platform/modules.h"
#include "platform/processes.h"
#include "platform/window_system.h"

namespace jol {
namespace {

using plat::Hwnd;
namespace desk = plat::desk;

constexpr unsigned kWmChildActivate = 0x0022;
constexpr unsigned kWmMdiActivate = 0x0222;
// The most names WinCloseNot keeps (the line bounds them anyway).
constexpr std::size_t kCloseNotNames = 100;

int Result(Value& result, std::int32_t v) {
    result.i = v;
    return 1;
}

int TextResult(ScriptContext* ctx, Value& result, const std::string& text) {
    return ResultCopy(ctx, result, text.c_str());
}

// A window command that the desktop could not carry out: there is no
// desktop to act on, or it has no such action.
int Unsupported(ScriptContext* ctx) {
    return Raise(ctx, Err::NotSupported);
}

bool IsHost(const ScriptContext* ctx, Hwnd w) {
    return w && w == HostTopWindow(ctx);
}

// Clamps a wait in seconds: above a day a day, below -1 none; -1 waits
// without limit.
std::int32_t ClampSeconds(std::int32_t s) {
    if (s > 86400) return 86400;
    if (s < -1) return 0;
    return s;
}

// The milliseconds since start, given those counted before: the low 32
// bits come from the tick count, the rest from the earlier count.
std::uint64_t ElapsedSince(std::uint32_t start, std::uint64_t before) {
    const std::uint32_t low = plat::tick_count() - start;
    std::uint64_t now = (before & ~0xFFFFFFFFull) | low;
    if (now < before) now += 0x100000000ull;
    return now;
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The top-level windows a listing or WinCloseNot considers: titled, and
// not the old DOS-box title.
bool Listed(const std::string& title) {
    return !title.empty() && title != "WinOldAp";
}

// The record of WinCloseNot's walk: the windows named are kept.
struct CloseWalk {
    const ScriptContext* ctx;
    const std::vector<std::string>* names;
};

// The record of a listing's walk.
enum class ItemForm {
    Titles,       // WinItemize: top-level titles, tab after each
    TitlesAndIds, // WinItemNameId: "title|id|" for each
    ChildTitles,  // WinItemChild: the titles of the descendants, tab after each
};
struct ItemWalk {
    ItemForm form;
    std::string list;
};

// The record of IntControl 25's walk: up to three class names and the
// state found for each (0 absent, 1 present but hidden, 2 present and
// visible: the best among the windows of that class).
struct ChildClassWalk {
    const char* classes[3];
    char state[3];
};

int FnWinActivate(ScriptContext* ctx, int, Value& result, Value* args) {
    return Result(result, ActivateByName(ctx, ArgText(ctx, args[1])));
}

int FnWinClose(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd w = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    if (!w) return Raise(ctx, Err::WinCloseNotFound);
    // The host's own window is never closed.
    if (!IsHost(ctx, w) && !desk::command(w, desk::Command::Close)) return Unsupported(ctx);
    return Result(result, 1);
}

// Reads WinCloseNot's arguments from the line, once, before any window is
// looked at: their values as texts.
bool ReadCloseNotNames(ScriptContext* ctx, std::vector<std::string>* names) {
    for (;;) {
        Value v;
        if (!NextToken(ctx)) return false;
        if (!ProcessSubExpression(ctx, v, 0) || ctx->error_code) {
            FreeValueString(ctx, v);
            Raise(ctx, Err::WinCloseNotSyntax);
            return false;
        }
        if (!ToString(ctx, v)) {
            FreeValueString(ctx, v);
            Raise(ctx, Err::NoString);
            return false;
        }
        if (names->size() < kCloseNotNames) names->push_back(HeapText(ctx, v.str));
        FreeValueString(ctx, v);
        if (ctx->token.cls == TokenClass::Keyword) {
            if (ctx->token.id == kw::RParen) return true;
            if (ctx->token.id == kw::Comma) continue;
        }
        Raise(ctx, Err::WinCloseNotSyntax);
        return false;
    }
}

int FnWinCloseNot(ScriptContext* ctx, int, Value& result, Value*) {
    std::vector<std::string> names;
    if (!ReadCloseNotNames(ctx, &names)) return 0;
    CloseWalk walk{ctx, &names};
    desk::enum_windows(WinEnumClose, reinterpret_cast<std::intptr_t>(&walk));
    return Result(result, 1);
}

int FnWinHide(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd w = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    if (!w) return Raise(ctx, Err::WinHideNotFound);
    if (!desk::show(w, desk::Show::Hide)) return Unsupported(ctx);
    return Result(result, 1);
}

int FnWinShow(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd w = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    if (!w) return Raise(ctx, Err::WinShowNotFound);
    bool done;
    if (IsHost(ctx, w))
        done = desk::show(w, desk::Show::ShowNoActive);
    else if (!desk::is_visible(w))
        done = desk::show(w, desk::Show::Show);
    else
        done = desk::command(w, desk::Command::Restore);
    if (!done) return Unsupported(ctx);
    return Result(result, 1);
}

int FnWinIconize(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd w = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    if (!w) return Raise(ctx, Err::WinIconizeNotFound);
    if (!desk::is_minimized(w)) {
        const bool done = IsHost(ctx, w) ? desk::show(w, desk::Show::ShowMinNoActive)
                                         : desk::command(w, desk::Command::Minimize);
        if (!done) return Unsupported(ctx);
    }
    return Result(result, 1);
}

int FnWinZoom(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd w = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    if (!w) return Raise(ctx, Err::WinZoomNotFound);
    if (!desk::is_maximized(w)) {
        const bool done = IsHost(ctx, w) ? desk::show(w, desk::Show::ShowMaximized)
                                         : desk::command(w, desk::Command::Maximize);
        if (!done) return Unsupported(ctx);
    }
    return Result(result, 1);
}

int FnWinTitle(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd w = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    if (!w) return Raise(ctx, Err::WinTitleNotFound);
    std::string title = ArgText(ctx, args[2]);
    if (title.size() > desk::kTitleMax) title.resize(desk::kTitleMax);
    if (!desk::set_title(w, title.c_str())) return Unsupported(ctx);
    return Result(result, 1);
}

int FnWinExeName(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd w = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    if (!w) return Raise(ctx, Err::WinExeNameNotFound);
    return TextResult(ctx, result, WindowProgram(ctx, w));
}

int FnWinIdGet(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd w = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    if (!w) return Raise(ctx, Err::WinIdGetNotFound);
    char id[kWinIdLength + 1];
    if (!MakeWinId(w, id)) {
        ShowMessageBox(ctx, ctx->host_window, "Could not convert window handle to a WinId",
                       "JOL Internal Error", plat::mb::Ok);
        return Raise(ctx, Err::InternalError);
    }
    return TextResult(ctx, result, id);
}

int FnWinIsDos(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* name = ArgText(ctx, args[1]);
    if (!*name) return Result(result, 0);
    const Hwnd w = FindWindowRetry(ctx, name);
    if (!w || !plat::is_window(w)) return Raise(ctx, Err::WinIsDosBad);
    return Result(result, IsDosWindow(w) ? 1 : 0);
}

int FnWinState(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd w = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    if (!w) return Result(result, 0);
    if (!desk::is_visible(w)) return Result(result, -1);
    if (desk::is_maximized(w)) return Result(result, 3);
    return Result(result, desk::is_minimized(w) ? 1 : 2);
}

int FnWinExist(ScriptContext* ctx, int, Value& result, Value* args) {
    return Result(result, FindWindowOnce(ctx, ArgText(ctx, args[1])) ? 1 : 0);
}

// Waits in rounds of 200 ms until the seconds asked have passed by the
// clock (not a count of rounds, which the searches would lengthen).
// found() is asked before each round.
template <typename Found> int WaitRounds(ScriptContext* ctx, std::int32_t seconds, Found found) {
    seconds = ClampSeconds(seconds);
    const std::uint64_t limit = seconds < 0 ? 0 : static_cast<std::uint64_t>(seconds) * 1000;
    const std::uint32_t start = plat::tick_count();
    std::uint64_t spent = 0;
    for (;;) {
        if (found()) return 1;
        // Elapsed time over many wraps of the 32-bit tick count: each
        // round is far shorter than a wrap.
        spent = ElapsedSince(start, spent);
        if (seconds >= 0 && spent >= limit) return 0;
        PumpMessages(ctx);
        if (ctx->cancel) return 0;
        const std::uint64_t left = seconds < 0 ? 200 : limit - spent;
        plat::sleep_ms(static_cast<unsigned>(left < 200 ? left : 200));
    }
}

int FnWinWaitExist(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::string name = ArgText(ctx, args[1]);
    if (name.empty()) return Result(result, 1);
    return Result(
        result, WaitRounds(ctx, args[2].i, [&] { return FindWindowOnce(ctx, name.c_str()) != 0; }));
}

int FnWinWaitClose(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::string name = ArgText(ctx, args[1]);
    bool seen = false;
    if (!WaitPumping(ctx, 1500)) return Result(result, 0);
    for (;;) {
        PumpMessages(ctx);
        if (ctx->cancel) break;
        if (!FindWindowOnce(ctx, name.c_str())) break;
        seen = true;
        if (!WaitPumping(ctx, 500)) break;
    }
    return Result(result, seen ? 1 : 0);
}

int FnWinGetActive(ScriptContext* ctx, int, Value& result, Value*) {
    const Hwnd w = desk::foreground();
    return TextResult(ctx, result, w ? desk::title(w) : std::string());
}

int FnWinName(ScriptContext* ctx, int, Value& result, Value*) {
    const Hwnd w = HostTopWindow(ctx);
    return TextResult(ctx, result, w ? desk::title(w) : std::string());
}

// The listings collect their text in one pass and are copied to the heap
// once, so a window that appears meanwhile cannot outgrow the result.
int FnWinItemize(ScriptContext* ctx, int, Value& result, Value*) {
    ItemWalk walk{ItemForm::Titles, {}};
    desk::enum_windows(WinEnumItem, reinterpret_cast<std::intptr_t>(&walk));
    return TextResult(ctx, result, walk.list);
}

int FnWinItemNameId(ScriptContext* ctx, int, Value& result, Value*) {
    ItemWalk walk{ItemForm::TitlesAndIds, {}};
    desk::enum_windows(WinEnumItem, reinterpret_cast<std::intptr_t>(&walk));
    return TextResult(ctx, result, walk.list);
}

int FnWinItemChild(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd parent = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    if (!parent) return Raise(ctx, Err::WinItemChildNoParent);
    ItemWalk walk{ItemForm::ChildTitles, {}};
    desk::enum_child_windows(parent, WinEnumItem, reinterpret_cast<std::intptr_t>(&walk));
    return TextResult(ctx, result, walk.list);
}

int FnWinExistChild(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd parent = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    if (!parent) return Result(result, 0);
    return Result(result, FindChildWindow(parent, ArgText(ctx, args[2])) ? 1 : 0);
}

int FnWinActivChild(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd parent = FindWindowRetry(ctx, ArgText(ctx, args[1]));
    if (!parent) return Raise(ctx, Err::WinActivateNotFound);
    const Hwnd child = FindChildWindow(parent, ArgText(ctx, args[2]));
    if (!child) return Raise(ctx, Err::ChildNotFound);
    if (!desk::is_enabled(child)) return Result(result, 0);
    if (!desk::available()) return Unsupported(ctx);
    if (!ActivateWindow(ctx, parent)) return Raise(ctx, Err::WinNotActivated);
    desk::send_message(child, kWmChildActivate, 0, 0);
    if (const Hwnd above = plat::get_parent(child)) {
        desk::send_message(above, kWmMdiActivate, child, 0);
        desk::send_message(child, kWmChildActivate, 0, 0);
    }
    return Result(result, 1);
}

int FnWinWaitChild(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::string parent_name = ArgText(ctx, args[1]);
    const std::string child_name = ArgText(ctx, args[2]);
    return Result(result, WaitRounds(ctx, args[3].i, [&] {
                      const Hwnd parent = FindWindowOnce(ctx, parent_name.c_str());
                      return parent && FindChildWindow(parent, child_name.c_str()) != 0;
                  }));
}

int FnFindWindow(ScriptContext* ctx, int, Value& result, Value* args) {
    const Hwnd w = desk::find_by_class(ArgText(ctx, args[1]));
    return TextResult(ctx, result, w ? desk::title(w) : std::string());
}

int FnMsgTextGet(ScriptContext* ctx, int, Value& result, Value* args) {
    std::string text;
    if (!desk::message_box_text(ArgText(ctx, args[1]), &text)) text.clear();
    return TextResult(ctx, result, text);
}

constexpr ModuleFunction kFunctions[] = {
    {"findwindow", FnFindWindow, 0},
    {"msgtextget", FnMsgTextGet, 0},
    {"winactivate", FnWinActivate, 0},
    {"winactivchild", FnWinActivChild, 0},
    {"winclose", FnWinClose, 0},
    {"winclosenot", FnWinCloseNot, 0},
    {"winexename", FnWinExeName, 0},
    {"winexist", FnWinExist, 0},
    {"winexistchild", FnWinExistChild, 0},
    {"wingetactive", FnWinGetActive, 0},
    {"winhide", FnWinHide, 0},
    {"winiconize", FnWinIconize, 0},
    {"winidget", FnWinIdGet, 0},
    {"winisdos", FnWinIsDos, 0},
    {"winitemchild", FnWinItemChild, 0},
    {"winitemize", FnWinItemize, 0},
    {"winitemnameid", FnWinItemNameId, 0},
    {"winname", FnWinName, 0},
    {"winshow", FnWinShow, 0},
    {"winstate", FnWinState, 0},
    {"wintitle", FnWinTitle, 0},
    {"winwaitchild", FnWinWaitChild, 0},
    {"winwaitclose", FnWinWaitClose, 0},
    {"winwaitexist", FnWinWaitExist, 0},
    {"winzoom", FnWinZoom, 0},
};

} // namespace

const Module kWindowModule = MakeModule("windows", kFunctions);

std::string WindowProgram(ScriptContext* ctx, Hwnd w) {
    if (IsHost(ctx, w)) {
        char path[1024] = {};
        plat::module_file_name(0, path, sizeof path);
        return path;
    }
    std::string program;
    if (!plat::process_program(desk::window_process(w), &program)) return std::string();
    std::string name = BaseName(program);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    std::string lower = name;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (lower == "ntvdm") return "(16-bit application)";
    return name;
}

int ActivateByName(ScriptContext* ctx, const char* name) {
    const Hwnd w = FindWindowRetry(ctx, name);
    if (!w) return Raise(ctx, Err::WinActivateNotFound);
    if (!desk::available()) return Unsupported(ctx);
    if (!ActivateWindow(ctx, w)) return Raise(ctx, Err::WinNotActivated);
    return 1;
}

// ------------------------------------------------- IntControl
// The window opcodes of IntControl: finding windows, sending and posting
// them messages, their classes and child classes, and asking them to end.
namespace {

constexpr unsigned kWmSysCommand = 0x0112;
constexpr std::uintptr_t kScEndRequest = 0x540;
constexpr unsigned kEndMessage = 0x418;
// The handle that addresses every top-level window.
constexpr Hwnd kBroadcast = static_cast<Hwnd>(-1);

// A handle written in decimal; a negative number wraps at the width of a
// pointer (-1 is the broadcast handle).
Hwnd ParseHandle(const char* text) {
    return static_cast<Hwnd>(std::strtoll(text, nullptr, 10));
}

std::int32_t ParseNumber(const char* text) {
    return static_cast<std::int32_t>(std::strtol(text, nullptr, 10));
}

void WriteText(ScriptContext* ctx, const std::string& text, char* out, std::size_t size) {
    CopyBounded(ctx, out, text.c_str(), size);
}

// Asks a window to end (opcodes 47 and 48) and tells whether it did
// within half a second.
int AskToEnd(ScriptContext* ctx, Hwnd w, unsigned message, std::uintptr_t wparam, char* out,
             std::size_t size) {
    if (!desk::send_message(w, message, wparam, 0)) return Raise(ctx, Err::NotSupported);
    PumpMessages(ctx);
    WaitPumping(ctx, 500);
    WriteText(ctx, plat::is_window(w) ? "0" : "1", out, size);
    return 1;
}

} // namespace

int WindowOpcode(ScriptContext* ctx, std::int32_t opcode, const char* const* p, char* out,
                 std::size_t size) {
    switch (opcode) {
    case 21: {
        const Hwnd w = FindWindowRetry(ctx, p[1]);
        WriteText(ctx, std::to_string(static_cast<std::uintptr_t>(w)), out, size);
        return 1;
    }
    case 22:
    case 23: {
        const Hwnd w = ParseHandle(p[1]);
        if (w == kBroadcast || plat::is_window(w)) {
            const auto message = static_cast<unsigned>(ParseNumber(p[2]));
            const auto wparam = static_cast<std::uintptr_t>(ParseNumber(p[3]) & 0xFFFF);
            const bool sent =
                opcode == 22 ? desk::send_text_message(w, message, wparam, p[4])
                             : desk::post_window_message(w, message, wparam, ParseNumber(p[4]));
            if (!sent) return Raise(ctx, Err::NotSupported);
        }
        WriteText(ctx, "1", out, size);
        return 1;
    }
    case 25: {
        const Hwnd top = desk::find_by_class(p[1]);
        if (!top) {
            WriteText(ctx, "0 0 0", out, size);
            return 1;
        }
        ChildClassWalk walk{{p[2], p[3], p[4]}, {'0', '0', '0'}};
        desk::enum_child_windows(top, WinEnumChildClasses, reinterpret_cast<std::intptr_t>(&walk));
        const char text[] = {walk.state[0], ' ', walk.state[1], ' ', walk.state[2], 0};
        WriteText(ctx, text, out, size);
        return 1;
    }
    case 31: {
        std::string list;
        for (Hwnd w : desk::top_level_windows()) {
            char id[kWinIdLength + 1];
            if (desk::class_name(w) != "ExploreWClass" || !MakeWinId(w, id)) continue;
            if (!list.empty()) list += '\t';
            list += id;
        }
        WriteText(ctx, list, out, size);
        return 1;
    }
    case 36: {
        const Hwnd w = FindWindowRetry(ctx, p[1]);
        if (!w) return Raise(ctx, Err::IntControlNoWindow);
        const std::int32_t ms = ParseNumber(p[2]);
        const int idle = desk::wait_input_idle(w, ms < 0 ? 0u : static_cast<std::uint32_t>(ms));
        if (idle < 0 && !desk::can_wait_input_idle()) return Raise(ctx, Err::NotSupported);
        WriteText(ctx, idle > 0 ? "1" : "0", out, size);
        return 1;
    }
    case 44: {
        const Hwnd w = ParseHandle(p[1]);
        WriteText(ctx, w && plat::is_window(w) ? desk::class_name(w) : std::string(), out, size);
        return 1;
    }
    case 47: {
        const Hwnd w = FindWindowRetry(ctx, p[1]);
        if (!w) return Raise(ctx, Err::IntControlNoWindow);
        if (w == HostTopWindow(ctx)) return Raise(ctx, Err::StopExit);
        return AskToEnd(ctx, w, kWmSysCommand, kScEndRequest, out, size);
    }
    case 48: {
        const Hwnd w = FindWindowRetry(ctx, p[1]);
        if (!w) return Raise(ctx, Err::IntControlNoWindow);
        return AskToEnd(ctx, w, kEndMessage, 0, out, size);
    }
    default:
        return Raise(ctx, Err::IntControlOpcode);
    }
}

} // namespace jol

JOL_LISTED_EXPORT int JOL_STDCALL WinEnumClose(plat::Hwnd w, std::intptr_t data) {
    using namespace jol;
    const auto* walk = reinterpret_cast<const CloseWalk*>(data);
    if (!desk::is_visible(w) || IsHost(walk->ctx, w)) return 1;
    const std::string title = desk::title(w);
    if (!Listed(title)) return 1;
    for (const std::string& name : *walk->names) {
        const bool kept = IsWinId(name.c_str()) ? WinIdWindow(name.c_str()) == w
                                                : TitleMatches(title.c_str(), name.c_str());
        if (kept) return 1;
    }
    desk::command(w, desk::Command::Close);
    return 1;
}

JOL_LISTED_EXPORT int JOL_STDCALL WinEnumItem(plat::Hwnd w, std::intptr_t data) {
    using namespace jol;
    auto* walk = reinterpret_cast<ItemWalk*>(data);
    const std::string title = desk::title(w);
    switch (walk->form) {
    case ItemForm::Titles:
        if (!Listed(title)) return 1;
        walk->list += title;
        walk->list += '\t';
        return 1;
    case ItemForm::TitlesAndIds: {
        char id[kWinIdLength + 1];
        if (!Listed(title) || !MakeWinId(w, id)) return 1;
        walk->list += title;
        walk->list += '|';
        walk->list += id;
        walk->list += '|';
        return 1;
    }
    case ItemForm::ChildTitles:
        if (title.empty()) return 1;
        walk->list += title;
        walk->list += '\t';
        return 1;
    }
    return 1;
}

JOL_LISTED_EXPORT int JOL_STDCALL WinEnumChildClasses(plat::Hwnd w, std::intptr_t data) {
    using namespace jol;
    auto* walk = reinterpret_cast<ChildClassWalk*>(data);
    const std::string cls = desk::class_name(w);
    for (int i = 0; i < 3; ++i) {
        if (!*walk->classes[i] || walk->state[i] == '2' || cls != walk->classes[i]) continue;
        walk->state[i] = desk::is_visible(w) ? '2' : '1';
    }
    return 1;
}
