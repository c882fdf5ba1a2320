// The registry: the system's own.
#include <windows.h>

#include "platform/registry.h"

namespace plat {
namespace {

HKEY key_of(RegKey k) {
    return reinterpret_cast<HKEY>(k);
}

std::uint32_t enum_name(RegKey key, bool values, std::uint32_t index, char* name,
                        std::uint32_t* size) {
    if (!size) return ERROR_INVALID_PARAMETER;
    char none[1];
    DWORD length = name ? *size : 0;
    LONG rc = values ? RegEnumValueA(key_of(key), index, name ? name : none, &length, nullptr,
                                     nullptr, nullptr, nullptr)
                     : RegEnumKeyExA(key_of(key), index, name ? name : none, &length, nullptr,
                                     nullptr, nullptr, nullptr);
    if (rc == ERROR_SUCCESS) *size = length;
    return static_cast<std::uint32_t>(rc);
}

// Enables the privileges that loading and unloading a hive need for the
// process's token, and puts them back as they were when it goes.
class HivePrivileges {
public:
    HivePrivileges() {
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token_))
            return;
        struct {
            DWORD count;
            LUID_AND_ATTRIBUTES entries[2];
        } wanted{};
        wanted.count = 2;
        if (!LookupPrivilegeValueA(nullptr, "SeRestorePrivilege", &wanted.entries[0].Luid) ||
            !LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &wanted.entries[1].Luid))
            return;
        wanted.entries[0].Attributes = SE_PRIVILEGE_ENABLED;
        wanted.entries[1].Attributes = SE_PRIVILEGE_ENABLED;
        DWORD size = sizeof previous_;
        if (!AdjustTokenPrivileges(token_, FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&wanted),
                                   sizeof previous_,
                                   reinterpret_cast<TOKEN_PRIVILEGES*>(&previous_), &size))
            return;
        adjusted_ = true;
        ok_ = GetLastError() != ERROR_NOT_ALL_ASSIGNED;
    }
    ~HivePrivileges() {
        if (adjusted_)
            AdjustTokenPrivileges(token_, FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&previous_), 0,
                                  nullptr, nullptr);
        if (token_) CloseHandle(token_);
    }
    HivePrivileges(const HivePrivileges&) = delete;
    HivePrivileges& operator=(const HivePrivileges&) = delete;
    bool ok() const { return ok_; }

private:
    HANDLE token_ = nullptr;
    struct {
        DWORD count;
        LUID_AND_ATTRIBUTES entries[2];
    } previous_{};
    bool adjusted_ = false;
    bool ok_ = false;
};

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

std::uint32_t reg_enum_key(RegKey key, std::uint32_t index, char* name, std::uint32_t* size) {
    return enum_name(key, false, index, name, size);
}

std::uint32_t reg_enum_value(RegKey key, std::uint32_t index, char* name, std::uint32_t* size) {
    return enum_name(key, true, index, name, size);
}

std::uint32_t reg_query_info(RegKey key, RegKeyInfo* info) {
    if (!info) return ERROR_INVALID_PARAMETER;
    *info = RegKeyInfo{};
    DWORD subkeys = 0, longest_subkey = 0, values = 0, longest_value = 0;
    LONG rc = RegQueryInfoKeyA(key_of(key), nullptr, nullptr, nullptr, &subkeys, &longest_subkey,
                               nullptr, &values, &longest_value, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return static_cast<std::uint32_t>(rc);
    info->subkeys = subkeys;
    info->longest_subkey = longest_subkey;
    info->values = values;
    info->longest_value_name = longest_value;
    return ERROR_SUCCESS;
}

std::uint32_t reg_connect(const char* computer, RegKey root, RegKey* out) {
    if (!out) return ERROR_INVALID_PARAMETER;
    HKEY k = nullptr;
    LONG rc = RegConnectRegistryA(computer && *computer ? computer : nullptr, key_of(root), &k);
    *out = rc == ERROR_SUCCESS ? reinterpret_cast<RegKey>(k) : 0;
    return static_cast<std::uint32_t>(rc);
}

std::uint32_t reg_load_hive(RegKey key, const char* subkey, const char* file) {
    HivePrivileges privileges;
    if (!privileges.ok()) return ERROR_PRIVILEGE_NOT_HELD;
    return static_cast<std::uint32_t>(RegLoadKeyA(key_of(key), subkey, file));
}

std::uint32_t reg_unload_hive(RegKey key, const char* subkey) {
    HivePrivileges privileges;
    if (!privileges.ok()) return ERROR_PRIVILEGE_NOT_HELD;
    return static_cast<std::uint32_t>(RegUnLoadKeyA(key_of(key), subkey));
}

} // namespace plat
