// Profiles: INI-format files and the user's Windows profile (win.ini).
#pragma once

#include <cstddef>

namespace plat {

// Reads a key of an INI-format file. Section and key names compare without
// regard to case; blanks around names and values are dropped, and a value
// wholly enclosed in a pair of matching quotes loses them. When the file,
// the section or the key is missing the default (null: empty) is the value.
// The value is cut to out_size - 1 bytes and always terminated; returns
// the length copied. A file name without a directory names a file in the
// system's Windows directory (native backend: the JOL_HOME folder).
std::size_t read_profile_string(const char* file, const char* section, const char* key,
                                const char* default_text, char* out, std::size_t out_size);
// The same from the user's Windows profile (win.ini; native backend:
// win.ini in the JOL_HOME folder).
std::size_t read_win_profile_string(const char* section, const char* key, const char* default_text,
                                    char* out, std::size_t out_size);
// Writes a key of an INI-format file; a null file names the user's Windows
// profile (win.ini; native backend: win.ini in the JOL_HOME folder). A null
// value deletes the key, a null key the whole section with its comment
// lines; a delete never creates a missing file. Null section, key and value
// flush the system's cache of the file and answer true. False, with the
// last error set, when the file cannot be written (a missing or read-only
// directory, a read-only file; the native backend counts a file without
// any write permission as read-only, also for a privileged user). The
// native backend replaces the file atomically and serialises writers of
// the same folder, also across processes.
bool write_profile_string(const char* file, const char* section, const char* key,
                          const char* value);
// The key names of a section (null file: the user's Windows profile), in
// file order, each followed by a zero byte, with one more zero after the
// last. A missing section, or one without keys, gives the default (blanks
// at its end dropped) as the only name. Names that do not fit in out_size
// bytes are left out whole; length receives the bytes written before the
// final zero. Returns false when names were left out.
bool read_profile_keys(const char* file, const char* section, const char* default_text, char* out,
                       std::size_t out_size, std::size_t* length);
// Tells the top-level windows that a section of the user's profile changed
// (the settings-change message with the section name in shared memory).
// The native desktop runs no other programs, so nothing is sent there.
void notify_profile_change(const char* section);

} // namespace plat
