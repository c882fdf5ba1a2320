// The one table from built-in function id to handler, filled once from the
// handler lists of the modules (LibraryModules).
#include <array>

#include "dispatch/handler.h"
#include "host/context/script_context.h"
#include "lang/keyword_table.h"
#include "lang/math_functions.h"
#include "lang/string_heap.h"

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

struct Table {
    std::array<FunctionHandler, kw::LastBuiltin + 1> handlers{};
    Table() {
        for (int id = 0; id <= kw::LastBuiltin; ++id)
            if (IsMathFunction(id)) handlers[id] = MathFunction;
        std::size_t modules = 0;
        const HandlerList* lists = LibraryModules(&modules);
        for (std::size_t m = 0; m < modules; ++m) {
            const HandlerList list = lists[m];
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
