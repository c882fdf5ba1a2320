// The library's process attach and DoDaDllInit, the entry point through which
// a host sets up, binds and releases a script context.
#include <cstring>

#include "host/entry_points.h"

#include "dispatch/extenders.h"
#include "dispatch/int_control.h"
#include "host/context/entry_guard.h"
#include "host/context/message_pump.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "host/context/settings.h"
#include "host/context/window_pointer_map.h"
#include "lang/string_heap.h"
#include "lang/variables.h"
#include "lib/data/file_handles.h"
#include "platform/boxes.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/input.h"
#include "platform/memory.h"
#include "platform/modules.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window_system.h"
#include "resources/message_table.h"

namespace jol {
namespace {

constexpr std::int32_t kHandshakeAnswer = 17840;
constexpr unsigned kInterfaceVersion = 19;
constexpr std::int32_t kContextReady = 52;
constexpr std::uint32_t kNoVariable = 0xFFFF;

// Locks the context block for the length of a request. A block smaller than
// the record (a stray handle of some other block) is refused rather than
// written past its end.
class ContextLock {
public:
    explicit ContextLock(plat::MemHandle handle) : handle_(handle) {
        if (!handle) return;
        void* p = plat::mem_lock(handle);
        if (!p) return;
        if (plat::mem_size(handle) < sizeof(ScriptContext)) {
            plat::mem_unlock(handle);
            return;
        }
        ctx_ = static_cast<ScriptContext*>(p);
    }
    ~ContextLock() {
        if (ctx_) plat::mem_unlock(handle_);
    }
    ContextLock(const ContextLock&) = delete;
    ContextLock& operator=(const ContextLock&) = delete;

    ScriptContext* get() const { return ctx_; }

private:
    plat::MemHandle handle_;
    ScriptContext* ctx_ = nullptr;
};

void CopyName(char* out, std::size_t size, const char* text) {
    std::size_t n = text ? std::strlen(text) : 0;
    if (n > size - 1) n = size - 1;
    if (n) std::memcpy(out, text, n);
    out[n] = 0;
}

bool SameTextIgnoringCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        if (plat::to_lower_char(*a) != plat::to_lower_char(*b)) return false;
        if (!*a) return true;
    }
}

std::int32_t Handshake(std::uintptr_t handle2) {
    if (((handle2 >> 8) & 0xFF) == kInterfaceVersion) return kHandshakeAnswer;
    plat::message_box(plat::get_focus(), "Version Interface Incompatible", "DLL mismatch",
                      plat::mb::Ok | plat::mb::SetForeground);
    return 0;
}

// The first context initialisation of the process: the window map, the
// menu texts and the window classes. False when a class cannot be
// registered.
bool InitialiseProcess(ScriptContext* ctx) {
    ProcessState& p = Process();
    WindowPointerClear();
    LoadMessage(730, p.popup_menu_text, sizeof p.popup_menu_text);
    LoadMessage(731, p.menu_item_text, sizeof p.menu_item_text);
    if (!RegisterWindowClasses(p.version)) return false;
    if (ctx->pretty_dialogs && !p.version.new_shell) {
        // The old three-dimensional control library is only looked for;
        // a missing file must not raise the system's error box.
        bool old = plat::suppress_error_boxes(true);
        plat::search_path("CTL3D32.DLL", nullptr, 0);
        plat::suppress_error_boxes(old);
    }
    return true;
}

void FindProcessListEntries(ScriptContext* ctx, const VersionFacts& facts) {
    ctx->process_list = ProcessListEntries{};
    if (!facts.win95) return;
    static const char* const kNames[5] = {"CreateToolhelp32Snapshot", "Process32First",
                                          "Process32Next", "Module32First", "Module32Next"};
    plat::Module kernel = plat::module_handle("KERNEL32.DLL");
    if (!kernel) return;
    for (int i = 0; i < 5; ++i) {
        ctx->process_list.entries[i] = plat::get_proc_address(kernel, kNames[i]);
        if (!ctx->process_list.entries[i]) {
            ctx->process_list = ProcessListEntries{};
            return;
        }
    }
    ctx->process_list.kernel = kernel;
}

std::int32_t InitialiseContext(plat::MemHandle context, std::uintptr_t host_instance) {
    if (!context) return 0;
    ContextLock lock(context);
    ScriptContext* ctx = lock.get();
    if (!ctx) return kContextReady;
    ProcessState& p = Process();
    const bool first = !p.initialised.load();
    if (first) ReadVersionFacts(p.version);

    ctx->sounds = ReadSettingInt("MAIN", "Sounds", 0, kLibraryIni) != 0;
    ctx->pretty_dialogs = ReadSettingInt("MAIN", "PrettyDialogs", 1, kLibraryIni) != 0;
    ctx->host_instance = static_cast<plat::Module>(host_instance);
    InitRunOptions(ctx->options, p.version.nt);
    ctx->decimals = -1;
    ctx->last_assigned_var = kNoVariable;
    ctx->wait_cursor = plat::load_system_cursor(plat::SystemCursor::Wait);
    ctx->arrow_cursor = plat::load_system_cursor(plat::SystemCursor::Arrow);
    ctx->current_cursor = ctx->arrow_cursor;
    plat::set_cursor(ctx->arrow_cursor);
    plat::system_fixed_font_metrics(&ctx->font_metrics);
    PumpMessages(ctx);

    if (first) {
        p.initialised.store(true);
        if (!InitialiseProcess(ctx)) return 0;
    }
    FindProcessListEntries(ctx, p.version);
    return kContextReady;
}

std::int32_t BindVariables(plat::Hwnd window, plat::MemHandle context, std::uintptr_t table,
                           std::uintptr_t capacity, const char* section, const char* ini) {
    if (!context) return 0;
    ContextLock lock(context);
    ScriptContext* ctx = lock.get();
    if (!ctx) return 0;
    CopyName(ctx->settings_section, sizeof ctx->settings_section, section);
    CopyName(ctx->settings_ini, sizeof ctx->settings_ini, ini);
    ctx->vars_handle = static_cast<plat::MemHandle>(table);
    std::size_t entries = capacity & 0xFFFF;
    // A capacity larger than the block would let the table run past it.
    const std::size_t fits = plat::mem_size(ctx->vars_handle) / sizeof(VarEntry);
    if (entries > fits) entries = fits;
    ctx->vars_capacity = static_cast<std::uint16_t>(entries);
    ctx->vars_count = 0;
    InvalidateVariableIndex(ctx); // a new table
    ctx->own_handle = context;
    ctx->last_if = -1;
    ctx->host_window = window;
    plat::Hwnd parent = plat::get_parent(window);
    ctx->host_parent = parent ? parent : window;

    plat::Hwnd probe =
        plat::create_window(kNotifyClass, "", plat::ws::OverlappedWindow, plat::kUseDefault,
                            plat::kUseDefault, plat::kUseDefault, plat::kUseDefault, 0,
                            LibraryInstance(), reinterpret_cast<void*>(context));
    if (probe) {
        plat::Rect r;
        if (plat::get_window_rect(probe, &r)) ctx->default_window_bottom = r.bottom;
        plat::destroy_window(probe);
    }
    PumpMessages(ctx);
    return 1;
}

std::int32_t BindHeap(plat::MemHandle context, std::uintptr_t heap, std::uintptr_t size,
                      const char* usage) {
    if (!context) return 0;
    ContextLock lock(context);
    ScriptContext* ctx = lock.get();
    if (!ctx) return 0;

    if (usage) {
        char stored[kTextSize];
        ReadSetting("DllUsage", ctx->settings_section, "(NONE)", stored, sizeof stored,
                    kLibraryIni);
        if (!SameTextIgnoringCase(stored, usage))
            WriteSetting("DllUsage", ctx->settings_section, usage, kLibraryIni);
    }

    const plat::MemHandle block = static_cast<plat::MemHandle>(heap);
    char* base = static_cast<char*>(plat::mem_lock(block));
    if (!base) return 0;
    const std::uint32_t requested =
        size > kHeapMaxSize ? kHeapMaxSize : static_cast<std::uint32_t>(size);
    const std::uint32_t formatted = FormatStringHeap(base, plat::mem_size(block), requested);
    plat::mem_unlock(block);
    if (!formatted) return 0; // too small to hold even the heap's own headers
    ctx->heap.handle = block;
    ctx->heap.size = formatted;
    ctx->heap.base = nullptr;

    PumpMessages(ctx);
    char dir[kTextSize];
    if (plat::get_current_directory(dir, sizeof dir) && dir[0]) {
        char name[] = "=?:";
        name[1] = dir[0];
        plat::set_env(name, dir);
    }
    return 1;
}

std::int32_t ReleaseContext(plat::MemHandle context, const char* callback) {
    if (!context) return 0;
    ContextLock lock(context);
    ScriptContext* ctx = lock.get();
    if (!ctx) return 0;
    ctx->host_callback = reinterpret_cast<ExtenderEntry>(const_cast<char*>(callback));

    for (int i = 0; i < kDllSlots && ctx->dlls.count > 0; ++i) {
        if (!ctx->dlls.modules[i]) continue;
        plat::free_library(ctx->dlls.modules[i]);
        ctx->dlls.modules[i] = 0;
        --ctx->dlls.count;
    }
    if (ctx->extenders.loaded > 0) ReleaseExtenders(ctx);
    if (ctx->object_library.module) {
        plat::free_library(ctx->object_library.module);
        ctx->object_library = ObjectLibrary{};
    }
    NotifyHostText(ctx, notify::ContextRelease, nullptr);
    for (FileSlot& f : ctx->files) {
        if (f.handle) plat::close_file(f.handle);
        ReleaseFileSlot(f);
    }
    for (BufferSlot& b : ctx->buffers) {
        if (b.block) {
            while (plat::mem_lock_count(b.block) > 0 && plat::mem_unlock(b.block)) {
            }
            plat::mem_free(b.block);
        }
        b = BufferSlot{};
    }
    for (int i = 0; i < 5; ++i)
        PumpMessages(ctx);
    if (ctx->private_env.handle) {
        plat::mem_unlock(ctx->private_env.handle);
        plat::mem_free(ctx->private_env.handle);
        ctx->private_env = PrivateEnvironment{};
    }
    return 1;
}

} // namespace
} // namespace jol

JOL_DLLMAIN int JOL_STDCALL DllMain(void* instance, unsigned long reason, void* reserved) {
    (void)reason;
    (void)reserved;
    jol::SetLibraryInstance(reinterpret_cast<plat::Module>(instance));
    return 1;
}

JOL_EXPORT std::int32_t DoDaDllInit(plat::Hwnd window, plat::MemHandle context,
                                    std::uintptr_t handle2, short request, std::uintptr_t number4,
                                    const char* text5, const char* text6) {
    jol::EntryGuard guard;
    if (!guard.entered()) return 0;
    switch (request) {
    case 0:
        return jol::Handshake(handle2);
    case 1:
        return jol::InitialiseContext(context, number4);
    case 2:
        return jol::BindVariables(window, context, handle2, number4, text5, text6);
    case 3:
        return jol::BindHeap(context, handle2, number4, text5);
    case 99:
        return jol::ReleaseContext(context, text6);
    default:
        return 0; // the other request codes do nothing
    }
}

// The library's version text, for hosts that show it.
JOL_EXPORT int JolLibraryVersion(char* out, int size) {
    if (!out || size <= 0) return 0;
    jol::LoadMessage(99, out, static_cast<std::size_t>(size));
    return static_cast<int>(std::strlen(out));
}
