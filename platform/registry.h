// The registry: keys and values.
#pragma once

#include <cstdint>

namespace plat {

// The registry. Functions return a system error code: 0 success,
// err::FileNotFound for a missing key or value, err::MoreData when the
// buffer is too small (size then holds the size needed, where the system
// tells it).
using RegKey = std::uintptr_t;
enum class RegRoot : std::uint32_t {
    ClassesRoot,
    CurrentUser,
    LocalMachine,
    Users,
    CurrentConfig,
};
namespace regtype {
constexpr std::uint32_t None = 0;
constexpr std::uint32_t String = 1;
constexpr std::uint32_t ExpandString = 2;
constexpr std::uint32_t Binary = 3;
constexpr std::uint32_t Dword = 4;
constexpr std::uint32_t DwordBigEndian = 5;
constexpr std::uint32_t MultiString = 7;
} // namespace regtype
RegKey reg_root(RegRoot root);
// Opens a key for reading, or for reading and writing.
std::uint32_t reg_open_key(RegKey parent, const char* subkey, bool write, RegKey* out);
// Opens a key for reading and writing, creating it and the keys along its
// path when missing.
std::uint32_t reg_create_key(RegKey parent, const char* subkey, RegKey* out);
std::uint32_t reg_query_value(RegKey key, const char* name, std::uint32_t* type, void* data,
                              std::uint32_t* size);
std::uint32_t reg_set_value(RegKey key, const char* name, std::uint32_t type, const void* data,
                            std::uint32_t size);
std::uint32_t reg_delete_value(RegKey key, const char* name);
// Deletes a key that has no subkeys (a key with subkeys is refused with
// err::AccessDenied).
std::uint32_t reg_delete_key(RegKey parent, const char* subkey);
std::uint32_t reg_close(RegKey key);

// The name of subkey (value) number index of a key, counting from 0, in
// case-insensitive name order on the native backend (the system's order
// on Win32). size: the buffer's size in bytes on entry, the name's length
// without its terminator on success. err::NoMoreItems past the last one;
// err::MoreData when the name does not fit. The unnamed default value, when
// set, is listed with an empty name.
std::uint32_t reg_enum_key(RegKey key, std::uint32_t index, char* name, std::uint32_t* size);
std::uint32_t reg_enum_value(RegKey key, std::uint32_t index, char* name, std::uint32_t* size);

// The number of subkeys and values of a key and the length of the longest
// names (without terminators).
struct RegKeyInfo {
    std::uint32_t subkeys = 0;
    std::uint32_t longest_subkey = 0;
    std::uint32_t values = 0;
    std::uint32_t longest_value_name = 0;
};
std::uint32_t reg_query_info(RegKey key, RegKeyInfo* info);

// A handle on a predefined root of the registry of the named computer
// ("", "." or this machine's name, with or without leading backslashes:
// the local one).
std::uint32_t reg_connect(const char* computer, RegKey root, RegKey* out);

// Mounts a hive file as subkey (one level) of the users or local machine
// root, and takes it away again, writing what changed back to the file.
// Both enable the privileges that the operation needs first; when they
// cannot be enabled the result is err::PrivilegeNotHeld.
std::uint32_t reg_load_hive(RegKey key, const char* subkey, const char* file);
std::uint32_t reg_unload_hive(RegKey key, const char* subkey);

} // namespace plat
