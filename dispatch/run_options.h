// The interpreter's run options, read and changed by IntControl and
// consulted by the library functions. Each context starts with the values
// set by InitRunOptions (dispatch/int_control.h).
#pragma once

#include <cstdint>

namespace jol {

struct RunOptions {
    std::int32_t file_list_select = 1; // dialog file list: closing with no selection
    std::int32_t host_flag_a = 0;
    std::int32_t line_trace = 0;        // each executed line to the system debugger
    std::int32_t termination_flags = 0; // 4: no box after a cancel; 8: Ctrl+Break ignored
    std::int32_t item_box_fixed_font = 0;
    std::int32_t list_delimiter = '\t'; // delimiter of produced lists
    std::int32_t dialog_style = 1;
    std::int32_t sendkey_delay = 25;
    std::int32_t quiet = 0;
    char quiet_log[260] = {}; // at most 259 characters and a terminator
    std::int32_t read_share_mode = 1;
    std::int32_t write_share_mode = 0;
    std::int32_t four_digit_years = 0;
    std::int32_t wait_input_idle = 1;
    std::int32_t console_keys = 0; // 1 on the Windows NT family
    std::int32_t window_wait_retries = 8;
    std::int32_t close_box_bits = 0;
    std::int32_t error_box_extra_button = 1;
    std::int32_t process_creation_flags = 32;
    // eleven numbers a script may store for diagnosis; nothing reads them
    std::int32_t diagnostic_slots[11] = {};
};

namespace termination {
constexpr std::int32_t NoCancelBox = 4;
constexpr std::int32_t IgnoreBreak = 8;
} // namespace termination

} // namespace jol
