// The registry: keys and values.
#pragma once

#include <cstdint>

namespace plat {

// The registry. Functions return a system error code: 0 success,
// err::FileNotFound for a missing key or value, err::MoreData when the
// buffer is too small (size then holds the size needed).
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
constexpr std::uint32_t MultiString = 7;
} // namespace regtype
RegKey reg_root(RegRoot root);
std::uint32_t reg_open_key(RegKey parent, const char* subkey, bool write, RegKey* out);
std::uint32_t reg_create_key(RegKey parent, const char* subkey, RegKey* out);
std::uint32_t reg_query_value(RegKey key, const char* name, std::uint32_t* type, void* data,
                              std::uint32_t* size);
std::uint32_t reg_set_value(RegKey key, const char* name, std::uint32_t type, const void* data,
                            std::uint32_t size);
std::uint32_t reg_delete_value(RegKey key, const char* name);
std::uint32_t reg_delete_key(RegKey parent, const char* subkey);
std::uint32_t reg_close(RegKey key);

} // namespace plat
