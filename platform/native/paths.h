// The native backend's mapping of Windows names onto POSIX paths (see the
// top of platform/file_system.h for the rules). Only the
// native backend's sources include this header.
#pragma once

#include <cstdint>
#include <string>

namespace plat::detail {

// The POSIX root folder of a drive letter (either case); empty when the
// letter is not in use.
std::string drive_root(char letter);
// The drive letter of a POSIX path (the drive whose root is its longest
// leading part, at a component boundary); 0 when no drive holds it.
char drive_of(const std::string& posix);
// Maps a Windows name to a POSIX path; false with *error set (a system
// error code) when the name cannot be mapped.
bool map_path(const char* name, std::string* out, std::uint32_t* error);
// The failure of a file call: sets the last error (the code, or the one of
// errno) and answers false.
bool fail_with(std::uint32_t code);
bool fail_errno();
// map_path that sets the last error when the name cannot be mapped.
bool map_name(const char* name, std::string* out);
// Opens a file by its Windows name (or POSIX path) with the flags of open
// (O_CLOEXEC is added); -1 with *error set (a system error code) when the
// name cannot be mapped or the file not opened.
int open_mapped(const char* name, int flags, unsigned mode, std::uint32_t* error);
// The Windows name of an absolute POSIX path ("/work/x" -> "C:\work\x").
std::string windows_name(const std::string& posix);
// The POSIX error number as a system error code.
std::uint32_t error_of_errno(int e);

} // namespace plat::detail
