// The script context: one record per script environment, allocated
// zero-filled by the host as a movable memory block and passed by handle to
// every entry point. The library locks it on entry and unlocks it before
// returning; no pointer into it survives a return.
//
// The record starts in the all-zero state, so every field's zero value must
// be a valid "nothing yet" state; the values a fresh context needs are set
// at request 1 of DoDaDllInit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "dispatch/extender_abi.h"
#include "dispatch/extender_table.h"
#include "dispatch/loaded_dlls.h"
#include "dispatch/object_library.h"
#include "dispatch/run_options.h"
#include "exec/statement_trace.h"
#include "exec/structure_stack.h"
#include "host/context/text_sizes.h"
#include "host/last_run.h"
#include "lang/heap_binding.h"
#include "lang/keyword_entry.h"
#include "lang/token_state.h"
#include "lang/value.h"
#include "lang/variable_entry.h"
#include "lib/data/buffer_slots.h"
#include "lib/data/file_slots.h"
#include "lib/data/private_environment.h"
#include "lib/data/registry_keys.h"
#include "lib/desktop/dde_state.h"
#include "lib/desktop/keystroke_state.h"
#include "lib/desktop/process_list.h"
#include "platform/handles.h"
#include "platform/memory.h"
#include "platform/window_system.h"
#include "ui/dialog_state.h"

namespace jol {

struct RunCursor;

// The record composes the field groups that their owners declare, in this
// order. The groups keep their places (new ones join at the end): the checks
// below hold the size and the place of a few groups.
struct ScriptContext {
    // variable table binding (1)
    VarEntry* vars = nullptr;
    // host callback, in the extender calling convention
    ExtenderEntry host_callback = nullptr;
    // scratch texts; the first also serves as the substitution buffer
    char scratch[4][kTextSize];
    // error texts
    char error_body[kTextSize];
    char error_title[kTextSize];
    char script_name[kTextSize];
    char host_name2[kTextSize];
    // current line
    char* current_line = nullptr;
    char debug_line[kTextSize];
    // last statement result
    Value last_result;
    // debug window position
    plat::Rect debug_rect;
    std::int32_t debug_rect_set = 0;
    // default window bottom, measured at request 2
    std::int32_t default_window_bottom = 0;
    StatementTrace trace;
    std::int32_t debug_mode = 0;
    // host window and its parent (the window itself when it has none)
    plat::Hwnd host_window = 0;
    plat::Hwnd host_parent = 0;
    TokenState token;
    plat::MemHandle own_handle = 0;
    // variable table binding (2)
    plat::MemHandle vars_handle = 0;
    std::uint16_t vars_capacity = 0;
    std::uint16_t vars_count = 0;
    // call depth and host hook flags (1 poll, 2 each line, 4 Call start/end)
    std::int32_t call_depth = 0;
    std::uint32_t hook_flags = 0;
    plat::Module host_instance = 0;
    const KeywordEntry* host_keywords = nullptr;
    FileSlot files[kFileSlots];
    BufferSlot buffers[kBufferSlots];
    // error state
    std::int16_t error_code = 0;
    std::int16_t last_statement_error = 0;
    char scratch_path[kPathSize];
    // settings names given at request 2
    char settings_section[20];
    char settings_ini[20];
    LastRun last_run;
    // cursors
    plat::Cursor current_cursor = 0;
    plat::Cursor wait_cursor = 0;
    plat::Cursor arrow_cursor = 0;
    // error mode, last error, extended error number
    std::int32_t error_mode = 0;
    std::int32_t last_error = 0;
    std::int32_t extended_error = 0;
    std::int32_t exclusive = 0;
    std::int32_t cancel = 0;
    std::int32_t report_cancel = 0;
    plat::TextMetrics font_metrics;
    // custom button texts for message boxes
    char button_text[2][25];
    std::int32_t custom_buttons = 0;
    // interpreter settings and the flags of the extension interfaces
    RunOptions options;
    std::int32_t host_dialog_flag = 0;
    std::int32_t dde_flags = 0;
    std::int32_t object_flags = 0;
    std::int32_t last_if = 0;
    ObjectLibrary object_library;
    ProcessListEntries process_list;
    std::int32_t sounds = 0;
    std::int32_t pretty_dialogs = 0;
    DdeState dde;
    DialogState dialog;
    std::uint16_t label_search[4] = {};
    char message_key[32];
    HeapBinding heap;
    PrivateEnvironment private_env;
    StructureStack structures;
    LoadedDlls dlls;
    ExtenderTable extenders;
    // quiet mode: the flag and log file name live in the run options
    char last_logged_body[kTextSize];
    char last_logged_title[kTextSize];
    char message_scratch[2][kTextSize];
    std::uint16_t last_assigned_var = 0;
    // 1 once the media device reported the end of a notified command
    std::uint16_t media_done = 0;
    std::int32_t decimals = 0;
    // line start of the line being executed
    std::uint16_t current_line_start = 0;
    // 1 while IniWrite tells the windows that a profile section changed
    std::int32_t ini_change_sending = 0;
    // the state of Random
    std::uint32_t random_state = 0;
    // the lookup index of the variable table (lang/variables.h)
    VariableIndex var_index;
    // the line cursor of the innermost run in progress (null between runs)
    const RunCursor* run = nullptr;
    // where the error that stopped the last run was reported
    StopReport stop;
    // the foreground window SendKey decided its pacing for
    KeystrokeState keystrokes;
    // the registry keys the scripts opened
    RegistryKeys registry_keys;
    // the owners of each automation object handle
    ObjectOwners object_owners;
};

static_assert(std::is_standard_layout_v<ScriptContext>);
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ScriptContext) == 20544);
static_assert(offsetof(ScriptContext, token) == 2400);
static_assert(offsetof(ScriptContext, files) == 3280);
static_assert(offsetof(ScriptContext, buffers) == 3400);
static_assert(offsetof(ScriptContext, last_run) == 4928);
static_assert(offsetof(ScriptContext, options) == 5088);
static_assert(offsetof(ScriptContext, object_library) == 5480);
static_assert(offsetof(ScriptContext, process_list) == 5500);
static_assert(offsetof(ScriptContext, dde) == 5532);
static_assert(offsetof(ScriptContext, dialog) == 5580);
static_assert(offsetof(ScriptContext, heap) == 8456);
static_assert(offsetof(ScriptContext, private_env) == 8468);
static_assert(offsetof(ScriptContext, structures) == 8476);
static_assert(offsetof(ScriptContext, dlls) == 9280);
static_assert(offsetof(ScriptContext, extenders) == 9324);
static_assert(offsetof(ScriptContext, var_index) == 15544);
static_assert(offsetof(ScriptContext, stop) == 16580);
#else
static_assert(sizeof(ScriptContext) == 21344);
static_assert(offsetof(ScriptContext, token) == 2424);
static_assert(offsetof(ScriptContext, files) == 3360);
static_assert(offsetof(ScriptContext, buffers) == 3520);
static_assert(offsetof(ScriptContext, last_run) == 5088);
static_assert(offsetof(ScriptContext, options) == 5264);
static_assert(offsetof(ScriptContext, object_library) == 5656);
static_assert(offsetof(ScriptContext, process_list) == 5696);
static_assert(offsetof(ScriptContext, dde) == 5752);
static_assert(offsetof(ScriptContext, dialog) == 5840);
static_assert(offsetof(ScriptContext, heap) == 9128);
static_assert(offsetof(ScriptContext, private_env) == 9152);
static_assert(offsetof(ScriptContext, structures) == 9168);
static_assert(offsetof(ScriptContext, dlls) == 9976);
static_assert(offsetof(ScriptContext, extenders) == 10064);
static_assert(offsetof(ScriptContext, var_index) == 16328);
static_assert(offsetof(ScriptContext, stop) == 17376);
#endif

} // namespace jol
