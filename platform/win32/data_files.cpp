// Data files of the binary buffers through the system's file functions.
#include <windows.h>

#include "platform/files.h"

namespace plat {

FileHandle open_data_file(const char* path, bool write, int share_mode) {
    if (!path || !*path) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    DWORD share = 0;
    if (share_mode & 1) share |= FILE_SHARE_READ;
    if (share_mode & 2) share |= FILE_SHARE_WRITE;
    HANDLE h = CreateFileA(path, write ? GENERIC_WRITE : GENERIC_READ, share, nullptr,
                           write ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    return reinterpret_cast<FileHandle>(h);
}

bool write_data_file(FileHandle f, const void* data, std::size_t bytes, std::size_t* put) {
    if (put) *put = 0;
    if (f == 0 || (!data && bytes)) return false;
    const char* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < bytes) {
        std::size_t left = bytes - done;
        DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
        DWORD n = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(f), p + done, chunk, &n, nullptr) || n == 0) break;
        done += n;
    }
    if (put) *put = done;
    return done == bytes;
}

bool truncate_data_file(FileHandle f) {
    if (f == 0) return false;
    HANDLE h = reinterpret_cast<HANDLE>(f);
    if (GetFileType(h) != FILE_TYPE_DISK) return true; // a device has no length to cut
    return SetEndOfFile(h) != FALSE;
}

FileHandle open_file_update(const char* path) {
    if (!path || !*path) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    // A folder or a read-only file is no file to change (the system would
    // refuse them, but a layer that runs as an administrator may not).
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    return reinterpret_cast<FileHandle>(h);
}

} // namespace plat
