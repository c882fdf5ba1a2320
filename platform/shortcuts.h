// Shortcut files (.lnk): finding, reading and writing them. Texts are in
// the system code page. The Win32 backend works through the shell's link
// object (COM); the native backend reads and writes the file format itself
// (platform/shell_link.h), so a shortcut made on one system opens on the
// other.
//
// Writing never replaces a file in place: the new shortcut is saved under a
// temporary name in the same folder, which takes the shortcut's name only
// when the save succeeded; a failed save leaves an existing shortcut as it
// was.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

// Show commands stored in a shortcut.
constexpr int kShortcutShowNormal = 1;
constexpr int kShortcutShowMaximized = 3;
constexpr int kShortcutShowMinNoActive = 7;

// What a write changes: each text that is not null, the show command when
// not 0, the hotkey when set_hotkey, the icon when icon_file is not null.
struct ShortcutChange {
    const char* target = nullptr;
    const char* arguments = nullptr;
    const char* directory = nullptr;
    int show_command = 0;
    const char* description = nullptr;
    bool set_hotkey = false;
    std::uint16_t hotkey = 0;
    const char* icon_file = nullptr;
    int icon_index = 0;
};

// The properties read from a shortcut; each text holds at most
// kShortcutTextSize - 1 bytes (longer ones are cut, never inside a
// double-byte character).
constexpr std::size_t kShortcutTextSize = 256;
struct ShortcutInfo {
    char target[kShortcutTextSize] = {};
    char arguments[kShortcutTextSize] = {};
    char directory[kShortcutTextSize] = {};
    char description[kShortcutTextSize] = {};
    char icon_file[kShortcutTextSize] = {};
    int icon_index = 0;
    int show_command = 0;
    std::uint16_t hotkey = 0;
};

// How a shortcut call ended. The three COM steps fail only on Win32.
enum class ShortcutStatus {
    Ok,
    ComInit,      // the COM library could not be initialised
    CreateLink,   // no link object
    QueryPersist, // the link object has no persist-file interface
    Load,         // the file could not be read or is no shortcut
    Save,         // the shortcut could not be saved
};

// The system's search for a shortcut file, with .LNK as the extension of a
// name without one: Win32 searches as the system searches for a program;
// the native backend as the file functions search (a name with a directory
// must exist as given; a bare one is looked for in the current directory,
// then along PATH), and takes the extension .lnk in either case, as the
// system would. True with the full name in out when a file was found.
bool find_shortcut(const char* name, char* out, std::size_t out_size);

ShortcutStatus read_shortcut(const char* path, ShortcutInfo* out);

// Makes a new shortcut (edit false; the name must not be taken by the time
// the new file is put in place) or changes an existing one (edit true: it
// is loaded first, and keeps what the change does not name).
ShortcutStatus write_shortcut(const char* path, const ShortcutChange& change, bool edit);

} // namespace plat
