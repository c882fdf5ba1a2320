#include "dispatch/dispatcher.h"

#include "lang/keyword_table.h"

namespace jol {

// The handlers of the functions are not part of this build yet: every call
// is reported as a function without a handler. Member access on an object
// reference needs the automation bridge, which is never loaded here.
int CallFunction(ScriptContext* ctx, int id, Value& /*result*/) {
    if (!ctx) return 0;
    if (ctx->error_code == 0) ctx->error_code = id == kw::ObjectRef ? 3132 : 3046;
    return 0;
}

} // namespace jol
