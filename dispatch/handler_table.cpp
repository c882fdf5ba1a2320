// The one table from built-in function id to handler, filled once from the
// handler lists of the modules.
#include <array>

#include "dispatch/core_functions.h"
#include "dispatch/extenders.h"
#include "dispatch/handler.h"
#include "dispatch/int_control.h"
#include "host/context/script_context.h"
#include "lang/keyword_table.h"
#include "lang/math_functions.h"
#include "lang/string_heap.h"
#include "lib/data/binary_buffers.h"
#include "lib/data/directories.h"
#include "lib/data/environment.h"
#include "lib/data/exe_info.h"
#include "lib/data/file_functions.h"
#include "lib/data/file_handles.h"
#include "lib/data/ini_functions.h"
#include "lib/data/item_list.h"
#include "lib/data/string_functions.h"
#include "lib/data/time_functions.h"
#include "ui/file_replace.h"
#include "ui/message_boxes.h"

namespace jol {

const char* ArgText(ScriptContext* ctx, const Value& v) {
    return (v.flags & vf::String) ? HeapText(ctx, v.str) : "";
}

int ResultCopy(ScriptContext* ctx, Value& result, const char* text) {
    const std::uint16_t h = HeapCopyText(ctx, text);
    if (!h) return 0;
    result.str = h;
    result.flags = vf::String;
    return 1;
}

int FailWith(ScriptContext* ctx, int code) {
    ctx->error_code = static_cast<std::int16_t>(code);
    return 0;
}

std::size_t BuildHandlerRows(const NamedHandler* named, std::size_t count, HandlerRow* out) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const KeywordEntry* row = FindBuiltinKeyword(named[i].name);
        if (!row) continue;
        out[n].id = row->id;
        out[n].handler = named[i].handler;
        ++n;
    }
    return n;
}

namespace {

constexpr HandlerList kModules[] = {
    CoreHandlers,       ExtenderHandlers,   StringHandlers,      ItemHandlers,
    BinaryHandlers,     TimeHandlers,       IniHandlers,         EnvironmentHandlers,
    MessageBoxHandlers, IntControlHandlers, FileHandleHandlers,  DirectoryHandlers,
    FileHandlers,       ExeInfoHandlers,    FileReplaceHandlers,
};

struct Table {
    std::array<FunctionHandler, kw::LastBuiltin + 1> handlers{};
    Table() {
        for (int id = 0; id <= kw::LastBuiltin; ++id)
            if (IsMathFunction(id)) handlers[id] = MathFunction;
        for (HandlerList list : kModules) {
            std::size_t count = 0;
            const HandlerRow* rows = list(&count);
            for (std::size_t i = 0; i < count; ++i)
                if (rows[i].id >= 0 && rows[i].id <= kw::LastBuiltin)
                    handlers[rows[i].id] = rows[i].handler;
        }
    }
};

} // namespace

FunctionHandler FindHandler(int id) {
    static const Table table;
    if (id < 0 || id > kw::LastBuiltin) return nullptr;
    return table.handlers[id];
}

} // namespace jol
