// Copying, moving and deleting files through the system: a copy is built
// under a temporary name in the target's folder and moved into place, so a
// failed copy never leaves a partial or emptied target.
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/file_system.h"
#include "platform/files.h"

namespace plat {
namespace {

std::string FolderOf(const char* path) {
    std::string s = path;
    const std::size_t at = s.find_last_of("\\/");
    if (at == std::string::npos) {
        if (s.size() >= 2 && s[1] == ':') return s.substr(0, 2);
        return ".";
    }
    if (at == 0 || (at == 2 && s[1] == ':')) return s.substr(0, at + 1);
    return s.substr(0, at);
}

// An existing target that is a directory or read-only is never replaced.
bool MayReplace(const char* path) {
    const DWORD a = GetFileAttributesA(path);
    if (a == INVALID_FILE_ATTRIBUTES) return true;
    if (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

void RemoveTemporary(const char* name) {
    const DWORD e = GetLastError();
    SetFileAttributesA(name, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(name);
    SetLastError(e);
}

bool CopyToTemporary(const char* from, const char* to, char* temporary) {
    if (!GetTempFileNameA(FolderOf(to).c_str(), "jol", 0, temporary)) return false;
    if (!CopyFileA(from, temporary, FALSE)) {
        RemoveTemporary(temporary);
        return false;
    }
    // The copy takes the source's attributes also where the system's copy
    // onto the existing temporary file keeps that file's own (Wine).
    const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                       FILE_ATTRIBUTE_ARCHIVE;
    const DWORD a = GetFileAttributesA(from);
    if (a != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(temporary, (a & kept) ? (a & kept) : FILE_ATTRIBUTE_NORMAL);
    return true;
}

bool MoveInto(const char* temporary, const char* to) {
    if (!MayReplace(to) || !MoveFileExA(temporary, to, MOVEFILE_REPLACE_EXISTING)) {
        RemoveTemporary(temporary);
        return false;
    }
    return true;
}

std::uint64_t SizeOf(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &d)) return ~std::uint64_t{0};
    return (static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

} // namespace

bool copy_file(const char* from, const char* to) {
    if (!from || !to) return false;
    if (!MayReplace(to)) return false;
    char temporary[MAX_PATH + 1];
    if (!CopyToTemporary(from, to, temporary)) return false;
    return MoveInto(temporary, to);
}

bool move_file_replace(const char* from, const char* to) {
    if (!from || !to) return false;
    if (!MayReplace(to)) return false;
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING)) return true;
    if (GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
    const std::uint64_t size = SizeOf(from);
    char temporary[MAX_PATH + 1];
    if (!CopyToTemporary(from, to, temporary) || !MoveInto(temporary, to)) return false;
    if (SizeOf(to) != size) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return DeleteFileA(from) != FALSE;
}

bool delete_file(const char* path) {
    if (!path) return false;
    const DWORD a = GetFileAttributesA(path);
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return DeleteFileA(path) != FALSE;
}

bool same_file(const char* a, const char* b) {
    if (!a || !b) return false;
    auto open = [](const char* p) {
        return CreateFileA(p, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE ha = open(a);
    if (ha == INVALID_HANDLE_VALUE) return false;
    HANDLE hb = open(b);
    bool same = false;
    if (hb != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION ia, ib;
        if (GetFileInformationByHandle(ha, &ia) && GetFileInformationByHandle(hb, &ib))
            same = ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
                   ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
        CloseHandle(hb);
    }
    CloseHandle(ha);
    return same;
}

std::uint32_t probe_file_open(const char* path) {
    if (!path || !*path) return ERROR_FILE_NOT_FOUND;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(h);
    return 0;
}

bool seek_file(FileHandle f, std::uint64_t offset) {
    if (!f) return false;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(reinterpret_cast<HANDLE>(f), at, nullptr, FILE_BEGIN) != FALSE;
}

bool move_file_at_restart(const char* from, const char* to) {
    if (!from) return false;
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

std::size_t short_path_name(const char* path, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    *out = 0;
    if (!path) return 0;
    const DWORD n = GetShortPathNameA(path, out, static_cast<DWORD>(out_size));
    if (n == 0 || n >= out_size) {
        *out = 0;
        return 0;
    }
    return n;
}

bool path_directory(std::size_t index, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return false;
    *out = 0;
    DWORD n = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (n == 0) return false;
    std::string path(n, '\0');
    n = GetEnvironmentVariableA("PATH", path.data(), n);
    path.resize(n);
    std::size_t start = 0, seen = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(';', start);
        if (end == std::string::npos) end = path.size();
        const std::string dir = path.substr(start, end - start);
        start = end + 1;
        if (dir.empty()) continue;
        if (seen++ != index) continue;
        if (dir.size() + 1 > out_size) return false;
        std::memcpy(out, dir.c_str(), dir.size() + 1);
        return true;
    }
    return false;
}

} // namespace plat
