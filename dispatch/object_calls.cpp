#include "dispatch/object_calls.h"

#include "dispatch/object_library.h"
#include "host/context/script_context.h"
#include "platform/modules.h"

namespace jol {
namespace {

void FreeObjectLibrary(ScriptContext* ctx) {
    if (!ctx->object_library.module) return;
    plat::free_library(ctx->object_library.module);
    ctx->object_library = ObjectLibrary{};
}

} // namespace

const Module kObjectModule = MakeModule("objects", FreeObjectLibrary, ReleaseStage::BeforeNotice);

} // namespace jol
