// The library's modules: the records that make up the built-in functions
// and the release steps of a context. The dispatcher below declares
// LibraryModules and fills its handler table from it; the list is kept
// here, at the top, because it names modules of every layer.
#include "dispatch/core_functions.h"
#include "dispatch/extenders.h"
#include "dispatch/handler.h"
#include "dispatch/int_control.h"
#include "dispatch/object_calls.h"
#include "exec/debug_trace.h"
#include "host/call.h"
#include "lang/math_functions.h"
#include "lib/data/binary_buffers.h"
#include "lib/data/directories.h"
#include "lib/data/environment.h"
#include "lib/data/exe_info.h"
#include "lib/data/file_functions.h"
#include "lib/data/file_handles.h"
#include "lib/data/icon_replace.h"
#include "lib/data/ini_functions.h"
#include "lib/data/item_list.h"
#include "lib/data/registry_functions.h"
#include "lib/data/string_functions.h"
#include "lib/data/time_functions.h"
#include "lib/desktop/clipboard.h"
#include "lib/desktop/dde_functions.h"
#include "lib/desktop/dll_calls.h"
#include "lib/desktop/keys.h"
#include "lib/desktop/launch.h"
#include "lib/desktop/menus.h"
#include "lib/desktop/mouse.h"
#include "lib/desktop/shortcut_functions.h"
#include "lib/desktop/sound.h"
#include "lib/desktop/system_info.h"
#include "lib/desktop/window_functions.h"
#include "lib/desktop/window_placement.h"
#include "ui/dialog_engine.h"
#include "ui/file_replace.h"
#include "ui/message_boxes.h"
#include "ui/standard_dialogs.h"

namespace jol {
namespace {

// In release order (see dispatch/handler.h): before the host is told the
// context ends, the loaded modules, the extenders and the object library;
// after it the open files and the binary buffers; after the message pump
// the private environment block and the DDE conversations.
constexpr const Module* kModules[] = {
    &kDllModule,         &kExtenderModule,   &kObjectModule,
    &kFileHandleModule,  &kBinaryModule,     &kEnvironmentModule,
    &kCoreModule,        &kMathModule,       &kStringModule,
    &kItemModule,        &kTimeModule,       &kIniModule,
    &kMessageBoxModule,  &kIntControlModule, &kDirectoryModule,
    &kFileModule,        &kExeInfoModule,    &kIconModule,
    &kFileReplaceModule, &kCallModule,       &kWindowModule,
    &kPlacementModule,   &kKeyModule,        &kMouseModule,
    &kMenuModule,        &kShortcutModule,   &kRegistryModule,
    &kSystemInfoModule,  &kLaunchModule,     &kDdeModule,
    &kDialogModule,      &kDebugModule,      &kStandardDialogModule,
    &kClipboardModule,   &kSoundModule,
};

} // namespace

const Module* const* LibraryModules(std::size_t* count) {
    *count = sizeof kModules / sizeof kModules[0];
    return kModules;
}

} // namespace jol
