#include "dispatch/extenders.h"

#include "host/script_context.h"
#include "resources/message_table.h"

namespace jol {

const char kExtenderEntryName[] = "_JOLExtender@48";

void ReleaseExtenders(ScriptContext* ctx) {
    static const char kEmpty[] = "";
    const ExtArg empty = reinterpret_cast<ExtArg>(kEmpty);
    for (int slot = 0; slot < kExtenderSlots && ctx->extenders.loaded > 0; ++slot) {
        plat::Module module = ctx->extenders.modules[slot];
        if (!module) continue;
        auto entry =
            reinterpret_cast<ExtenderEntry>(plat::get_proc_address(module, kExtenderEntryName));
        if (!entry) {
            char text[kTextSize], caption[kTextSize];
            LoadMessage(ctx, 863, text, sizeof text);
            LoadMessage(ctx, 837, caption, sizeof caption);
            plat::message_box(plat::get_focus(), text, caption,
                              plat::mb::Ok | plat::mb::SetForeground);
            return;
        }
        plat::Hwnd owner = ctx->host_parent;
        if (!plat::is_window(owner)) owner = plat::get_focus();
        entry(static_cast<ExtArg>(owner), static_cast<ExtArg>(ctx->host_instance),
              kExtenderInterfaceVersion, 99, 0, 0,
              reinterpret_cast<ExtArg>(&ctx->extenders.data[slot]), empty, empty, empty, empty,
              empty);
        plat::free_library(module);
        ctx->extenders.modules[slot] = 0;
        ctx->extenders.data[slot] = 0;
        --ctx->extenders.loaded;
    }
    // Without modules their keyword rows name nothing any more.
    if (ctx->extenders.loaded == 0) ctx->extenders.row_count = 0;
}

} // namespace jol
