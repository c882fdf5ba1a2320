// Profiles (INI files), module file names and plain file services: the
// system's own.
#include <windows.h>

#include <cstring>

#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/modules.h"
#include "platform/profiles.h"

namespace plat {

std::size_t read_profile_string(const char* file, const char* section, const char* key,
                                const char* default_text, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    *out = 0;
    if (!file || !section || !key) {
        // No lookup: the default, cut to the buffer.
        const char* def = default_text ? default_text : "";
        std::size_t n = std::strlen(def);
        if (n > out_size - 1) n = out_size - 1;
        std::memcpy(out, def, n);
        out[n] = 0;
        return n;
    }
    DWORD n = GetPrivateProfileStringA(section, key, default_text ? default_text : "", out,
                                       static_cast<DWORD>(out_size), file);
    out[out_size - 1] = 0;
    return n;
}

std::size_t read_win_profile_string(const char* section, const char* key, const char* default_text,
                                    char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    *out = 0;
    DWORD n = GetProfileStringA(section, key, default_text ? default_text : "", out,
                                static_cast<DWORD>(out_size));
    out[out_size - 1] = 0;
    return n;
}

std::size_t module_file_name(Module m, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    DWORD n = GetModuleFileNameA(reinterpret_cast<HMODULE>(m), out, static_cast<DWORD>(out_size));
    if (n == 0 || n >= out_size) {
        *out = 0;
        return 0;
    }
    return n;
}

bool file_exists(const char* path) {
    if (!path || !*path) return false;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool append_to_file(const char* path, const char* data, std::size_t len) {
    if (!path || !*path) return false;
    HANDLE f =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    bool ok = SetFilePointer(f, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER ||
              GetLastError() == NO_ERROR;
    while (ok && len > 0) {
        DWORD written = 0;
        DWORD chunk = len > 0x10000 ? 0x10000 : static_cast<DWORD>(len);
        if (!WriteFile(f, data, chunk, &written, nullptr) || written == 0) {
            ok = false;
            break;
        }
        data += written;
        len -= written;
    }
    return CloseHandle(f) && ok;
}

} // namespace plat
