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

#include "dispatch/extender_abi.h"
#include "dispatch/run_options.h"
#include "lang/keyword_entry.h"
#include "lang/token_state.h"
#include "lang/value.h"
#include "lang/variables.h"
#include "platform/platform.h"

namespace jol {

constexpr std::size_t kTextSize = 257;  // 256 characters and a terminator
constexpr std::size_t kPathSize = 1281; // large work buffer for paths
constexpr int kFileSlots = 5;
constexpr int kBufferSlots = 10;
constexpr int kDllSlots = 10;
constexpr int kExtenderSlots = 10;
constexpr int kExtenderRows = 201;
constexpr int kStructureDepth = 100;
constexpr int kDialogControls = 101;

struct StatementTrace {
    std::int32_t skip_at_start = 0;
    std::int32_t kind = 0;
    std::int32_t truth = 0;
};

struct FileSlot {
    std::uintptr_t handle = 0; // system file handle, 0 = free
    std::int32_t mode = 0;
    std::int32_t pipe = 0;
    // Read-ahead of a file opened for reading (0 when it has none): bytes
    // [taken, buffered) of the block are read from the file but not yet
    // handed out.
    plat::MemHandle buffer = 0;
    std::uint32_t buffered = 0;
    std::uint32_t taken = 0;
};

struct BufferSlot {
    plat::MemHandle block = 0; // 0 = free
    std::uint32_t size = 0;
    std::uint32_t eod = 0; // end of data
    // BinaryOleType: data type (0 none, 1 or 2) and direction (1 to 3)
    std::int32_t object_type = 0;
    std::int32_t object_direction = 0;
};

struct LastRun {
    std::int16_t error = 0;
    std::int32_t result = 0;
    std::uint16_t line_start = 0;
};

// Where the error that stopped a run was reported, kept for the host
// (JolLastStop). code 0: none since the run started.
struct StopReport {
    std::int32_t code = 0;
    std::int32_t line = 0;        // 1-based line of that script
    std::uint32_t line_start = 0; // the line's offset in the script's text
    char file[kPathSize] = {};    // the script's name as the library knows it
    char message[kTextSize] = {}; // the error's text
    char text[kTextSize] = {};    // the line's text
};

struct RunCursor;

struct ObjectLibrary {
    plat::Module module = 0;
    void* entries[4] = {};
};

struct ProcessListEntries {
    plat::Module kernel = 0;
    void* entries[5] = {};
};

struct DdeState {
    std::uint32_t timeout = 0;
    std::uint32_t instance = 0;
    std::uintptr_t conversations[10] = {};
};

struct DialogControl {
    std::int32_t type = 0;
    std::int32_t x = 0, y = 0, w = 0, h = 0;
    std::uint16_t var = 0;
    std::uint16_t text = 0;
    std::uintptr_t window = 0;
};

struct DialogState {
    std::int32_t count = 0;
    DialogControl controls[kDialogControls];
    plat::Hwnd window = 0;
};

struct StructureRecord {
    std::uint16_t code = 0;
    std::uint16_t offset = 0;
    std::uint16_t state = 0;
    std::uint16_t extra = 0;
};

struct StructureStack {
    std::int32_t depth = 0;
    StructureRecord records[kStructureDepth];
};

struct LoadedDlls {
    std::int32_t count = 0;
    plat::Module modules[kDllSlots] = {};
};

struct ExtenderTable {
    std::int32_t loaded = 0;
    plat::Module modules[kExtenderSlots] = {};
    std::uint32_t data[kExtenderSlots] = {};
    std::int32_t row_count = 0;
    KeywordEntry rows[kExtenderRows];
    // the error text an extender or host function reported with its answer
    char error_text[kTextSize];
};

struct HeapBinding {
    char* base = nullptr; // the locked heap block, valid during a run
    plat::MemHandle handle = 0;
    std::uint32_t size = 0; // formatted size in bytes
};

struct PrivateEnvironment {
    char* block = nullptr;
    plat::MemHandle handle = 0;
};

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
};

} // namespace jol
