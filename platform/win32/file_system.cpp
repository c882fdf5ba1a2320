// Files, directories, attributes, the file search and disk figures through
// the system's own calls; names go to the system as they are.
#include <windows.h>

#include <cstring>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/system.h"

namespace plat {
namespace {

std::size_t CopyOut(const char* text, std::size_t n, char* out, std::size_t out_size) {
    if (!out || n + 1 > out_size) {
        if (out && out_size) *out = 0;
        return 0;
    }
    std::memcpy(out, text, n);
    out[n] = 0;
    return n;
}

void Fill(const WIN32_FIND_DATAA& w, FindData* out) {
    out->attributes = w.dwFileAttributes;
    out->size = (static_cast<std::uint64_t>(w.nFileSizeHigh) << 32) | w.nFileSizeLow;
    out->write_time = (static_cast<std::uint64_t>(w.ftLastWriteTime.dwHighDateTime) << 32) |
                      w.ftLastWriteTime.dwLowDateTime;
    std::size_t n = std::strlen(w.cFileName);
    if (n >= sizeof out->name) n = sizeof out->name - 1;
    std::memcpy(out->name, w.cFileName, n);
    out->name[n] = 0;
}

} // namespace

bool system_path(const char* name, char* out, std::size_t out_size) {
    if (!name || !out) return false;
    const std::size_t n = std::strlen(name);
    if (n + 1 > out_size) {
        if (out_size) *out = 0;
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::memcpy(out, name, n + 1);
    return true;
}

std::size_t current_directory_name(char* out, std::size_t out_size) {
    char buf[MAX_PATH + 1];
    const std::size_t n = get_current_directory(buf, sizeof buf);
    if (n == 0 || n >= sizeof buf || n + 1 > out_size) {
        if (out && out_size) *out = 0;
        return 0;
    }
    return CopyOut(buf, n, out, out_size);
}

std::size_t program_folder_name(char* out, std::size_t out_size) {
    char buf[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return 0;
    while (n > 0 && buf[n - 1] != '\\' && buf[n - 1] != '/')
        --n;
    return CopyOut(buf, n, out, out_size);
}

FindHandle find_first(const char* pattern, FindData* out) {
    if (!pattern || !out) return 0;
    WIN32_FIND_DATAA w;
    HANDLE h = FindFirstFileA(pattern, &w);
    if (h == INVALID_HANDLE_VALUE) return 0;
    Fill(w, out);
    return reinterpret_cast<FindHandle>(h);
}

bool find_next(FindHandle h, FindData* out) {
    WIN32_FIND_DATAA w;
    if (!h || !out || !FindNextFileA(reinterpret_cast<HANDLE>(h), &w)) return false;
    Fill(w, out);
    return true;
}

void find_close(FindHandle h) {
    if (h) FindClose(reinterpret_cast<HANDLE>(h));
}

std::uint32_t get_file_attributes(const char* path) {
    if (!path) return fattr::Invalid;
    return GetFileAttributesA(path);
}

bool set_file_attributes(const char* path, std::uint32_t attributes) {
    const DWORD keep = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                       FILE_ATTRIBUTE_ARCHIVE;
    DWORD a = attributes & keep;
    return path && SetFileAttributesA(path, a ? a : FILE_ATTRIBUTE_NORMAL);
}

bool create_directory(const char* path) {
    return path && CreateDirectoryA(path, nullptr);
}

bool remove_directory(const char* path) {
    return path && RemoveDirectoryA(path);
}

bool move_file(const char* from, const char* to) {
    return from && to && MoveFileA(from, to);
}

unsigned drive_type(const char* root) {
    return GetDriveTypeA(root);
}

bool disk_space(const char* root, DiskSpace* out) {
    DWORD spc = 0, bps = 0, free_clusters = 0, total = 0;
    if (!out || !GetDiskFreeSpaceA(root, &spc, &bps, &free_clusters, &total)) return false;
    out->sectors_per_cluster = spc;
    out->bytes_per_sector = bps;
    out->free_clusters = free_clusters;
    out->total_clusters = total;
    return true;
}

bool disk_space_bytes(const char* root, std::uint64_t* free_to_caller, std::uint64_t* total,
                      std::uint64_t* total_free) {
    using Query = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    FARPROC proc = kernel ? GetProcAddress(kernel, "GetDiskFreeSpaceExA") : nullptr;
    if (!proc) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    Query query;
    static_assert(sizeof query == sizeof proc);
    std::memcpy(&query, &proc, sizeof query);
    ULARGE_INTEGER a{}, b{}, c{};
    if (!query(root, &a, &b, &c)) return false;
    if (free_to_caller) *free_to_caller = a.QuadPart;
    if (total) *total = b.QuadPart;
    if (total_free) *total_free = c.QuadPart;
    return true;
}

bool volume_information(const char* root, VolumeInfo* out) {
    if (!out) return false;
    *out = VolumeInfo{};
    DWORD serial = 0, max_component = 0, flags = 0;
    if (!GetVolumeInformationA(root, out->label, sizeof out->label - 1, &serial, &max_component,
                               &flags, out->file_system, sizeof out->file_system - 1))
        return false;
    out->serial = serial;
    out->max_component = max_component;
    out->flags = 0;
    if (flags & FILE_CASE_SENSITIVE_SEARCH) out->flags |= fsflag::CaseSensitive;
    if (flags & FILE_CASE_PRESERVED_NAMES) out->flags |= fsflag::CasePreserved;
    if (flags & FILE_UNICODE_ON_DISK) out->flags |= fsflag::Unicode;
    if (flags & FILE_PERSISTENT_ACLS) out->flags |= fsflag::Acls;
    if (flags & FILE_FILE_COMPRESSION) out->flags |= fsflag::Compression;
    if (flags & FILE_VOLUME_IS_COMPRESSED) out->flags |= fsflag::VolumeCompressed;
    return true;
}

std::size_t windows_directory(char* out, std::size_t out_size) {
    char buf[MAX_PATH + 1];
    UINT n = GetWindowsDirectoryA(buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return CopyOut("", 0, out, out_size), 0;
    return CopyOut(buf, n, out, out_size);
}

std::size_t system_directory(char* out, std::size_t out_size) {
    char buf[MAX_PATH + 1];
    UINT n = GetSystemDirectoryA(buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return CopyOut("", 0, out, out_size), 0;
    return CopyOut(buf, n, out, out_size);
}

std::uint32_t set_error_mode(std::uint32_t mode) {
    return SetErrorMode(mode);
}

FileHandle open_text_file(const char* path, TextOpen mode, int share_mode) {
    if (!path || !*path) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    DWORD share = 0;
    if (share_mode & 1) share |= FILE_SHARE_READ;
    if (share_mode & 2) share |= FILE_SHARE_WRITE;
    DWORD access = GENERIC_READ, how = OPEN_EXISTING;
    switch (mode) {
    case TextOpen::Read:
        break;
    case TextOpen::Write:
        access = GENERIC_WRITE;
        how = CREATE_ALWAYS;
        break;
    case TextOpen::Append:
        access = GENERIC_WRITE;
        how = OPEN_ALWAYS;
        share = 0;
        break;
    case TextOpen::Pipe:
        access = GENERIC_READ | GENERIC_WRITE;
        share = 0;
        break;
    }
    HANDLE h = CreateFileA(path, access, share, nullptr, how, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    if (mode == TextOpen::Append && GetFileType(h) == FILE_TYPE_DISK &&
        SetFilePointer(h, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
        DWORD e = GetLastError();
        CloseHandle(h);
        SetLastError(e);
        return 0;
    }
    return reinterpret_cast<FileHandle>(h);
}

bool flush_file(FileHandle f) {
    if (!f) return false;
    HANDLE h = reinterpret_cast<HANDLE>(f);
    if (GetFileType(h) != FILE_TYPE_DISK) return true; // nothing is held for a device or a pipe
    return FlushFileBuffers(h) != FALSE;
}

} // namespace plat
