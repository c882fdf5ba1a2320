// Exported entry points of the variable table and the string heap, for
// hosts and extenders that work inside a running script.
#include "host/script_context.h"
#include "include/jol.h"
#include "lang/string_heap.h"
#include "lang/variables.h"
#include "platform/platform.h"

JOL_EXPORT int find_var(JolScriptContext* context, const char* name) {
    auto* ctx = reinterpret_cast<jol::ScriptContext*>(context);
    if (!ctx) return -1;
    // The caller may have written the table directly before calling in.
    jol::InvalidateVariableIndex(ctx);
    return jol::find_var(ctx, name);
}

JOL_EXPORT std::uint16_t VMalloc(char* heap, std::uint32_t bytes) {
    return jol::VMalloc(heap, bytes);
}

JOL_EXPORT void VFree(JolScriptContext* context, char* heap, std::uint16_t handle) {
    jol::VFree(reinterpret_cast<jol::ScriptContext*>(context), heap, handle);
}
