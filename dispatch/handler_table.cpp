// The one table from built-in function id to handler and traits, filled
// once from the modules' records (LibraryModules).
#include <array>

#include "dispatch/handler.h"
#include "host/context/script_context.h"
#include "lang/keyword_table.h"
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

void ReleaseModules(ScriptContext* ctx, ReleaseStage stage) {
    std::size_t count = 0;
    const Module* const* modules = LibraryModules(&count);
    for (std::size_t m = 0; m < count; ++m)
        if (modules[m]->release && modules[m]->stage == stage) modules[m]->release(ctx);
}

namespace {

struct Table {
    std::array<FunctionHandler, kw::LastBuiltin + 1> handlers{};
    std::array<unsigned, kw::LastBuiltin + 1> traits{};
    Table() {
        std::size_t count = 0;
        const Module* const* modules = LibraryModules(&count);
        for (std::size_t m = 0; m < count; ++m) {
            for (std::size_t i = 0; i < modules[m]->count; ++i) {
                const ModuleFunction& f = modules[m]->functions[i];
                // A name that is no built-in row is left out here; the
                // Modules unit test names it.
                const KeywordEntry* row = FindBuiltinKeyword(f.name);
                if (!row || row->id > kw::LastBuiltin) continue;
                handlers[row->id] = f.handler;
                traits[row->id] = f.traits;
            }
        }
    }
};

const Table& TheTable() {
    static const Table table;
    return table;
}

} // namespace

FunctionHandler FindHandler(int id) {
    if (id < 0 || id > kw::LastBuiltin) return nullptr;
    return TheTable().handlers[id];
}

unsigned FunctionTraits(int id) {
    if (id < 0 || id > kw::LastBuiltin) return 0;
    return TheTable().traits[id];
}

} // namespace jol
