#include "host/context/media_notify.h"

#include "host/context/script_context.h"
#include "platform/memory.h"
#include "platform/sound.h"
#include "platform/window_system.h"

namespace {
constexpr unsigned kWmCreate = 0x0001;
} // namespace

JOL_LISTED_EXPORT std::intptr_t JOL_STDCALL MyMMNotifyProc(plat::Hwnd w, unsigned message,
                                                           std::uintptr_t wparam,
                                                           std::intptr_t lparam) {
    if (message == kWmCreate) {
        // The creation record begins with the creation parameter.
        const auto* record = reinterpret_cast<void* const*>(lparam);
        plat::set_window_word(w, 0, record ? reinterpret_cast<std::intptr_t>(*record) : 0);
        return 0;
    }
    if (message == plat::kMmMciNotify) {
        const auto context = static_cast<plat::MemHandle>(plat::get_window_word(w, 0));
        if (auto* ctx =
                static_cast<jol::ScriptContext*>(context ? plat::mem_lock(context) : nullptr)) {
            ctx->media_done = 1;
            plat::mem_unlock(context);
        }
        return 0;
    }
    return plat::def_window_proc(w, message, wparam, lparam);
}
