#include "dispatch/dll_calls.h"

#include "dispatch/loaded_dlls.h"
#include "host/context/script_context.h"
#include "platform/modules.h"

namespace jol {
namespace {

void FreeLoadedDlls(ScriptContext* ctx) {
    LoadedDlls& dlls = ctx->dlls;
    for (int i = 0; i < kDllSlots && dlls.count > 0; ++i) {
        if (!dlls.modules[i]) continue;
        plat::free_library(dlls.modules[i]);
        dlls.modules[i] = 0;
        --dlls.count;
    }
}

} // namespace

const Module kDllModule = MakeModule("dll calls", FreeLoadedDlls, ReleaseStage::BeforeNotice);

} // namespace jol
