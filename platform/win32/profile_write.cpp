// Writing profiles (INI files), listing the keys of a section and the
// profile-change notice: the system's own.
#include <windows.h>

#include <cstring>

#include "platform/profiles.h"

namespace plat {

bool write_profile_string(const char* file, const char* section, const char* key,
                          const char* value) {
    if (!section && !key && !value) {
        // The system answers a flush with FALSE; it is done all the same.
        if (file)
            WritePrivateProfileStringA(nullptr, nullptr, nullptr, file);
        else
            WriteProfileStringA(nullptr, nullptr, nullptr);
        return true;
    }
    if (!section || (file && !*file)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    BOOL ok = file ? WritePrivateProfileStringA(section, key, value, file)
                   : WriteProfileStringA(section, key, value);
    return ok != 0;
}

bool read_profile_keys(const char* file, const char* section, const char* default_text, char* out,
                       std::size_t out_size, std::size_t* length) {
    if (length) *length = 0;
    if (!out || out_size == 0) return false;
    out[0] = 0;
    // The system cuts a list that does not fit inside a name and answers
    // size - 2 both for that and for a list that fits exactly: read the
    // whole list into a block that is surely large enough, then copy the
    // whole names that fit.
    HANDLE heap = GetProcessHeap();
    const char* def = default_text ? default_text : "";
    std::size_t big = out_size + 64;
    char* all = nullptr;
    DWORD n = 0;
    for (;;) {
        all = static_cast<char*>(HeapAlloc(heap, 0, big));
        if (!all) return false;
        n = file ? GetPrivateProfileStringA(section, nullptr, def, all, static_cast<DWORD>(big),
                                            file)
                 : GetProfileStringA(section, nullptr, def, all, static_cast<DWORD>(big));
        if (n + 2 < big || big >= (std::size_t(1) << 24)) break;
        HeapFree(heap, 0, all);
        big *= 2;
    }
    bool complete = n + 2 < big;
    // Names run up to n; a default ends at n without its own zero inside.
    all[n < big ? n : big - 1] = 0;
    std::size_t used = 0;
    std::size_t pos = 0;
    while (pos < n) {
        std::size_t len = std::strlen(all + pos);
        if (used + len + 2 > out_size) {
            complete = false;
            break;
        }
        std::memcpy(out + used, all + pos, len + 1);
        used += len + 1;
        pos += len + 1;
    }
    out[used] = 0;
    HeapFree(heap, 0, all);
    if (length) *length = used;
    return complete;
}

void notify_profile_change(const char* section) {
    const std::size_t n = section ? std::strlen(section) : 0;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, n + 1);
    char* text = copy ? static_cast<char*>(GlobalLock(copy)) : nullptr;
    if (text && n) std::memcpy(text, section, n);
    // A window that does not answer must not hold the script up.
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, &answer);
    if (text) GlobalUnlock(copy);
    if (copy) GlobalFree(copy);
}

} // namespace plat
