// Facts about the machine (its memory, processors, name, display metrics
// and settings) and its help engine.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/handles.h"

namespace plat {

// The memory of the system, in bytes (the load in percent). The native
// backend reads /proc/meminfo: physical memory is MemTotal and
// MemAvailable, the paging file is the swap space, and the virtual address
// space is the process's limit (its address-space resource limit, or the
// user half of the address space) less what the process has mapped.
struct MemoryStatus {
    std::uint32_t load = 0;
    std::uint64_t total_physical = 0;
    std::uint64_t available_physical = 0;
    std::uint64_t total_paging = 0;
    std::uint64_t available_paging = 0;
    std::uint64_t total_virtual = 0;
    std::uint64_t available_virtual = 0;
};
bool get_memory_status(MemoryStatus* out);

// The processors, with the system's numbers (architecture 0 x86, 5 ARM,
// 9 x64, 12 ARM64, 0xFFFF unknown). The native backend takes the
// architecture from uname, the count and the active mask from the
// scheduler, the family (level) and model and stepping (revision, model in
// the high byte) from /proc/cpuinfo where it has them, and reports its page
// size as the allocation granularity, mappings being made in pages.
struct ProcessorInfo {
    std::uint32_t architecture = 0xFFFF;
    std::uint32_t page_size = 0;
    std::uint64_t active_mask = 0;
    std::uint32_t count = 0;
    std::uint32_t type = 0;
    std::uint32_t granularity = 0;
    std::uint32_t level = 0;
    std::uint32_t revision = 0;
};
ProcessorInfo get_processor_info();

// The computer's name (natively the host name); false, with out empty,
// when it cannot be read.
bool get_computer_name(char* out, std::size_t size);

// The system metric of an index from 0 to 74 (the system's numbering);
// false when the system has no value to give. The native backend has the
// metrics of the X screen and pointer while there is a display (screen
// and work-area size, caption, frame and smallest window sizes, mouse
// presence, buttons and their swap) and the double-byte flag; any other
// index is false.
bool system_metric(int index, std::int32_t* value);

// The display's colours: the device's colour count (-1 when it has more
// colours than a palette), its bits per pixel and its planes; false
// without a display.
bool display_colours(std::int32_t* count, std::int32_t* bits, std::int32_t* planes);

// The dialog base units: the average character width and the height of
// the system font; false where the system has no such font (natively).
bool dialog_base_units(std::int32_t* horizontal, std::int32_t* vertical);

// Whether the show-sounds accessibility option is on; false when it cannot
// be read (natively: there is no such setting).
bool show_sounds(bool* on);

// The help engine: shows a help file's contents, searches a keyword or
// the start of one, runs a help macro, closes the file or shows help on
// help, with owner's top-level window as the owner. Accepted when the
// engine takes the request; Unsupported where there is none (natively).
enum class HelpCommand { Contents, Key, PartialKey, Macro, Quit, HelpOnHelp };
enum class HelpResult { Accepted, Refused, Unsupported };
HelpResult show_help(Hwnd owner, const char* file, HelpCommand command, const char* parameter);

// The desktop settings that WinParmGet and WinParmSet reach, by their
// request numbers (1 to 20). A reading is one number, or three for the
// mouse (its two thresholds and its speed); on/off settings read 1 or 0.
// InProfile: the system keeps the setting in the user's profile (or in
// system.ini) and the caller reads it there. The native backend has the
// settings of the X server: the bell (1), the pointer's acceleration and
// threshold (2; the second threshold is twice the first, X having one), the
// key repeat rate and delay (4, 12), the screen saver's time-out and
// whether it is on (7, 8; X has one time-out, 0 when off, so switching it
// on after off gives it X's default of 600 seconds) and the swap of the
// first and third buttons (19); any other setting is refused, having no
// place on Linux.
enum class SettingAnswer { Done, Refused, InProfile };
SettingAnswer get_desktop_setting(int request, std::int32_t values[3]);
// Writes a setting: values[0] (values[0..2] for the mouse), or text for
// the language driver (5), the wallpaper (10) and the pattern (11); update
// holds the system's flags for writing the profile (1) and telling the
// windows (2). False when the system refused.
bool set_desktop_setting(int request, const std::int32_t values[3], const char* text,
                         unsigned update);

// The desktop window (natively the X root window); 0 without a desktop.
Hwnd desktop_window();
// Has a window painted afresh at once; false when it is no window.
bool repaint_window(Hwnd w);

} // namespace plat
