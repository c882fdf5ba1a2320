// The registry: the system's own.
#include <windows.h>

#include "platform/registry.h"

namespace plat {
namespace {

HKEY key_of(RegKey k) {
    return reinterpret_cast<HKEY>(k);
}

} // namespace

RegKey reg_root(RegRoot root) {
    switch (root) {
    case RegRoot::ClassesRoot:
        return reinterpret_cast<RegKey>(HKEY_CLASSES_ROOT);
    case RegRoot::CurrentUser:
        return reinterpret_cast<RegKey>(HKEY_CURRENT_USER);
    case RegRoot::LocalMachine:
        return reinterpret_cast<RegKey>(HKEY_LOCAL_MACHINE);
    case RegRoot::Users:
        return reinterpret_cast<RegKey>(HKEY_USERS);
    case RegRoot::CurrentConfig:
        return reinterpret_cast<RegKey>(HKEY_CURRENT_CONFIG);
    }
    return 0;
}

std::uint32_t reg_open_key(RegKey parent, const char* subkey, bool write, RegKey* out) {
    if (!out) return ERROR_INVALID_PARAMETER;
    HKEY k = nullptr;
    LONG rc = RegOpenKeyExA(key_of(parent), subkey, 0, write ? KEY_ALL_ACCESS : KEY_READ, &k);
    *out = rc == ERROR_SUCCESS ? reinterpret_cast<RegKey>(k) : 0;
    return static_cast<std::uint32_t>(rc);
}

std::uint32_t reg_create_key(RegKey parent, const char* subkey, RegKey* out) {
    if (!out) return ERROR_INVALID_PARAMETER;
    HKEY k = nullptr;
    DWORD disposition = 0;
    LONG rc = RegCreateKeyExA(key_of(parent), subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &k, &disposition);
    *out = rc == ERROR_SUCCESS ? reinterpret_cast<RegKey>(k) : 0;
    return static_cast<std::uint32_t>(rc);
}

std::uint32_t reg_query_value(RegKey key, const char* name, std::uint32_t* type, void* data,
                              std::uint32_t* size) {
    DWORD t = 0;
    DWORD sz = size ? *size : 0;
    LONG rc = RegQueryValueExA(key_of(key), name, nullptr, &t, static_cast<BYTE*>(data),
                               size ? &sz : nullptr);
    if (type) *type = t;
    if (size) *size = sz;
    return static_cast<std::uint32_t>(rc);
}

std::uint32_t reg_set_value(RegKey key, const char* name, std::uint32_t type, const void* data,
                            std::uint32_t size) {
    return static_cast<std::uint32_t>(
        RegSetValueExA(key_of(key), name, 0, type, static_cast<const BYTE*>(data), size));
}

std::uint32_t reg_delete_value(RegKey key, const char* name) {
    return static_cast<std::uint32_t>(RegDeleteValueA(key_of(key), name));
}

std::uint32_t reg_delete_key(RegKey parent, const char* subkey) {
    return static_cast<std::uint32_t>(RegDeleteKeyA(key_of(parent), subkey));
}

std::uint32_t reg_close(RegKey key) {
    return static_cast<std::uint32_t>(RegCloseKey(key_of(key)));
}

} // namespace plat
