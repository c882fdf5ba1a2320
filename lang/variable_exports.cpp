// Exported entry points of the variable table and the string heap, for
// hosts and extenders that work inside a running script.
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "include/jol.h"
#include "lang/string_heap.h"
#include "lang/variables.h"
#include "platform/abi.h"

JOL_EXPORT int find_var(JolScriptContext* context, const char* name) {
    auto* ctx = reinterpret_cast<jol::ScriptContext*>(context);
    if (!ctx) return -1;
    // The caller may have written the table directly before calling in.
    jol::InvalidateVariableIndex(ctx);
    // A host may call in with the code of its last run still pending; a
    // name not found is reported in its place.
    const jol::SavedError earlier = jol::SetErrorAside(ctx);
    const int n = jol::find_var(ctx, name);
    jol::RestoreUnlessRaised(ctx, earlier);
    return n;
}

JOL_EXPORT std::uint16_t VMalloc(char* heap, std::uint32_t bytes) {
    return jol::VMalloc(heap, bytes);
}

JOL_EXPORT void VFree(JolScriptContext* context, char* heap, std::uint16_t handle) {
    jol::VFree(reinterpret_cast<jol::ScriptContext*>(context), heap, handle);
}
