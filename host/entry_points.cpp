// The library's process attach and DoDaDllInit, the entry point through which
// a host sets up, binds and releases a script context.
#include <cstring>

#include "host/entry_points.h"

#include <cstddef>
#include <type_traits>

#include "dispatch/extenders.h"
#include "dispatch/handler.h"
#include "dispatch/int_control.h"
#include "host/call.h"
#include "host/context/entry_guard.h"
#include "host/context/message_pump.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "host/context/settings.h"
#include "host/context/window_pointer_map.h"
#include "host/fault_report.h"
#include "host/script_run.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lang/value.h"
#include "lang/variables.h"
#include "lib/desktop/dde_functions.h"
#include "platform/boxes.h"
#include "platform/environment.h"
#include "platform/input.h"
#include "platform/memory.h"
#include "platform/modules.h"
#include "platform/owner_window.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window_system.h"
#include "resources/message_table.h"

namespace jol {
namespace {

constexpr std::int32_t kHandshakeAnswer = JOL_HANDSHAKE_ANSWER;
constexpr unsigned kInterfaceVersion = JOL_INTERFACE_VERSION;
constexpr std::int32_t kContextReady = JOL_CONTEXT_READY;
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
    InitDdeState(ctx);
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
        if (!plat::same_text_ignoring_case(stored, usage))
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

    // Each module frees what it keeps, at its stage (host/library_modules.cpp
    // keeps the order).
    ReleaseModules(ctx, ReleaseStage::BeforeNotice);
    NotifyHostText(ctx, notify::ContextRelease, nullptr);
    ReleaseModules(ctx, ReleaseStage::AfterNotice);
    for (int i = 0; i < 5; ++i)
        PumpMessages(ctx);
    ReleaseModules(ctx, ReleaseStage::AfterPump);
    // The library's own window goes last: what it owns (the clipboard's
    // content on a desktop without a clipboard keeper) is handed on first.
    plat::destroy_owner_window();
#ifdef JOL_FAULT_INJECTION
    ReportFaults(ctx);
#endif
    return 1;
}

} // namespace
} // namespace jol

#if defined(_WIN32)
JOL_LISTED_EXPORT int JOL_STDCALL DllMain(void* instance, unsigned long reason, void* reserved) {
    (void)reason;
    (void)reserved;
    jol::SetLibraryInstance(reinterpret_cast<plat::Module>(instance));
    return 1;
}
#endif

JOL_EXPORT std::int32_t DoDaDllInit(std::uintptr_t window, std::uintptr_t context,
                                    std::uintptr_t handle2, short request, std::uintptr_t number4,
                                    const char* text5, const char* text6) {
    jol::EntryGuard guard;
    if (!guard.entered()) return 0;
    switch (request) {
    case JOL_INIT_HANDSHAKE:
        return jol::Handshake(handle2);
    case JOL_INIT_CONTEXT:
        return jol::InitialiseContext(context, number4);
    case JOL_INIT_VARIABLES:
        return jol::BindVariables(window, context, handle2, number4, text5, text6);
    case JOL_INIT_HEAP:
        return jol::BindHeap(context, handle2, number4, text5);
    case JOL_INIT_RELEASE:
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

// ------------------------------------------------------------------------
// The public header against the library's own records: the layouts a host
// owns or reads, and the numbers it passes. (The entry points' signatures
// are checked where each is defined: its file includes the header, and a
// definition that differs from the header's declaration does not compile.)
namespace jol {
namespace {

#define JOL_SAME_FIELD(C, J, field)                                                                \
    static_assert(offsetof(C, field) == offsetof(J, field) &&                                      \
                      sizeof(C::field) == sizeof(J::field),                                        \
                  #J "." #field)

static_assert(sizeof(KeywordEntry) == sizeof(JolKeywordEntry));
JOL_SAME_FIELD(KeywordEntry, JolKeywordEntry, id);
JOL_SAME_FIELD(KeywordEntry, JolKeywordEntry, kind);
JOL_SAME_FIELD(KeywordEntry, JolKeywordEntry, value);
JOL_SAME_FIELD(KeywordEntry, JolKeywordEntry, length);
JOL_SAME_FIELD(KeywordEntry, JolKeywordEntry, name);

static_assert(sizeof(VarEntry) == sizeof(JolVarEntry) && alignof(VarEntry) == alignof(JolVarEntry));
JOL_SAME_FIELD(VarEntry, JolVarEntry, f);
JOL_SAME_FIELD(VarEntry, JolVarEntry, i);
JOL_SAME_FIELD(VarEntry, JolVarEntry, flags);
JOL_SAME_FIELD(VarEntry, JolVarEntry, str);
JOL_SAME_FIELD(VarEntry, JolVarEntry, name);

static_assert(sizeof(StopReport) == sizeof(JolStopReport) &&
              std::is_trivially_copyable_v<StopReport>);
JOL_SAME_FIELD(StopReport, JolStopReport, code);
JOL_SAME_FIELD(StopReport, JolStopReport, line);
JOL_SAME_FIELD(StopReport, JolStopReport, line_start);
JOL_SAME_FIELD(StopReport, JolStopReport, file);
JOL_SAME_FIELD(StopReport, JolStopReport, message);
JOL_SAME_FIELD(StopReport, JolStopReport, text);

#undef JOL_SAME_FIELD

// The opaque records: the value storage holds a value, and the context
// block size the header names holds the context.
static_assert(sizeof(Value) <= sizeof(JolValue) && alignof(Value) <= alignof(JolValue));
static_assert(sizeof(ScriptContext) <= JOL_CONTEXT_BLOCK_SIZE);

static_assert(JOL_TEXT_SIZE == kTextSize && JOL_PATH_SIZE == kPathSize);
static_assert(JOL_VAR_NAME_MAX == kVarNameMax && JOL_MAX_SCRIPT_TEXT == kMaxScriptText);
static_assert(JOL_HEAP_MAX_SIZE == kHeapMaxSize && JOL_MAX_CALL_DEPTH == kMaxCallDepth);

static_assert(JOL_HANDSHAKE_HANDLE >> 8 == JOL_INTERFACE_VERSION);

static_assert(JOL_KEYWORD_FUNCTION == kind::Function && JOL_KEYWORD_FUNCTION == kKeywordFunction);
static_assert(JOL_KEYWORD_DISABLED == kind::Disabled);
static_assert(JOL_HOST_FIRST_ID == kw::HostBase && JOL_HOST_LAST_ID == kw::HostLast);

static_assert(JOL_VALUE_INTEGER == vf::Integer && JOL_VALUE_STRING == vf::String);
static_assert(JOL_VALUE_FILE == vf::FileHandle && JOL_VALUE_UNSET == vf::Unset);
static_assert(JOL_VALUE_OBJECT == vf::Object && JOL_VALUE_FLOAT == vf::Float);

static_assert(std::is_same_v<JolArg, ExtArg> && std::is_same_v<JolExtenderEntry, ExtenderEntry>);
static_assert(std::is_same_v<JolAnswerEntry, AnswerEntry>);
static_assert(std::is_same_v<JolServicesEntry, ServicesEntry>);
static_assert(std::is_same_v<JolServicesEntry, decltype(&::DLLServices)>);
static_assert(std::is_same_v<JolAnswerEntry, decltype(&::ZezuzAnswer)>);
static_assert(JOL_EXTENDER_VERSION == kExtenderInterfaceVersion);
static_assert(JOL_EXTENDER_ENUMERATE == kExtenderEnumerate &&
              JOL_EXTENDER_RELEASE == kExtenderRelease);

static_assert(JOL_NOTIFY_POLL == notify::Poll && JOL_NOTIFY_RELEASE == notify::ContextRelease &&
              JOL_NOTIFY_CALL == notify::CallStartEnd);
static_assert(JOL_HOOK_POLL == hook::Poll && JOL_HOOK_LINES == hook::Lines &&
              JOL_HOOK_CALLS == hook::Calls);

static_assert(JOL_RUN_ENDED == kRunEnded && JOL_RUN_STOPPED == kRunStopped &&
              JOL_RUN_RETURNED == kRunReturned);

static_assert(JOL_SERVICE_SET_NAMES == service::SetNames);
static_assert(JOL_SERVICE_SET_VARIABLE == service::SetVariableOrBuffer);
static_assert(JOL_SERVICE_GET_VARIABLE == service::GetVariable);
static_assert(JOL_SERVICE_HOOK_FLAGS == service::HookFlags);
static_assert(JOL_SERVICE_LAST_ERROR == service::LastError);
static_assert(JOL_SERVICE_LAST_RESULT == service::LastResult);
static_assert(JOL_SERVICE_LAST_LINE == service::LastLine);
static_assert(JOL_SERVICE_STOP == service::Stop);
static_assert(JOL_SERVICE_HOST_DIALOG == service::HostDialog);
static_assert(JOL_SERVICE_PARAMETERS == service::Parameters);
static_assert(JOL_SERVICE_SET_ERROR == service::SetErrorCode);
static_assert(JOL_SERVICE_TERMINATION == service::TerminationFlags);
static_assert(JOL_SERVICE_SEND_MENU == service::SendMenu);
static_assert(JOL_SERVICE_RUN_BY_EXTENSION == service::RunByExtension);
static_assert(JOL_SERVICE_SAVE_POSITION == service::SaveWindowPosition);
static_assert(JOL_SERVICE_PLACE_WINDOW == service::PlaceWindow);
static_assert(JOL_SERVICE_ACTIVATE_WINDOW == service::ActivateWindow);
static_assert(JOL_SERVICE_HOST_FLAG_A == service::HostFlagA);
static_assert(JOL_SERVICE_LIST_DELIMITER == service::ListDelimiter);
static_assert(JOL_SERVICE_QUIET_MODE == service::QuietMode);
static_assert(JOL_SERVICE_DISABLE_KEYWORDS == service::DisableKeywords);
static_assert(JOL_SERVICE_LAST_LOGGED_BOX == service::LastLoggedBox);
static_assert(JOL_SERVICE_FILL_BUFFER == service::FillBuffer);
static_assert(JOL_SERVICE_VARIABLE_COUNT == service::VariableCount);

} // namespace
} // namespace jol
