#include "lib/desktop/menus.h"

#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/context/script_context.h"
#include "lang/string_heap.h"
#include "lib/desktop/window_find.h"
#include "platform/desktop.h"
#include "platform/input.h"
#include "platform/text.h"

namespace jol {
namespace {

constexpr std::size_t kRequestMax = 256;
constexpr std::size_t kItemTextMax = 256 * (plat::kMenuDepth + 1);
constexpr unsigned kWmCommand = 0x0111;

struct MenuSearch {
    std::string wanted;
    bool found = false;
    unsigned id = 0;
};

bool Compare(const plat::MenuCommand& item, void* data) {
    auto* search = static_cast<MenuSearch*>(data);
    // The texts on the way joined, cut at the first tab (the accelerator
    // shown beside the item).
    std::string joined;
    for (int i = 0; i < item.depth; ++i)
        joined += item.path[i];
    if (MenuKey(joined.c_str(), '\t', kItemTextMax) != search->wanted) return true;
    // A command the program switched off is not invoked behind its back.
    if (!item.enabled) return true;
    search->found = true;
    search->id = item.id;
    return false;
}

int FnSendMenusTo(ScriptContext* ctx, int, Value& result, Value* args) {
    result.i = 0;
    const plat::Hwnd w = FindWindowOnce(ctx, HeapText(ctx, args[1].str));
    if (!w) return Raise(ctx, Err::WinActivateNotFound);
    result.i = SendMenuCommand(ctx, w, HeapText(ctx, args[2].str));
    return result.i;
}

constexpr ModuleFunction kFunctions[] = {
    {"sendmenusto", FnSendMenusTo, 0},
};

} // namespace

std::int32_t SendMenuCommand(ScriptContext* ctx, plat::Hwnd w, const char* path) {
    if (ctx->options.wait_input_idle) {
        while (!ctx->cancel && plat::desk::wait_input_idle(w, 100) == 0)
            PumpMessages(ctx);
    }
    ActivateWindow(ctx, w);
    MenuSearch search;
    search.wanted = MenuKey(path, '\\', kRequestMax);
    if (!plat::walk_menu_bar(w, Compare, &search)) return Raise(ctx, Err::MenuNotAccessible);
    if (!search.found || search.wanted.empty()) return Raise(ctx, Err::MenuItemNotFound);
    if (!plat::desk::post_window_message(w, kWmCommand, search.id, 0))
        return Raise(ctx, Err::MenuPostFailed);
    return 1;
}

std::string MenuKey(const char* text, char stop, std::size_t limit) {
    std::string key;
    for (std::size_t i = 0; text[i] && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (stop && text[i] == stop) break;
        if (plat::is_lead_byte(c) && text[i + 1]) {
            key += text[i];
            key += text[++i];
        } else if (plat::is_alnum(c)) {
            key += plat::to_upper_char(text[i]);
        }
    }
    return key;
}

const Module kMenuModule = MakeModule("menus", kFunctions);

} // namespace jol
