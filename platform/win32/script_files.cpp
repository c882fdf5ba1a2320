// Reading files and the library's file search.
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/file_system.h"
#include "platform/files.h"

namespace plat {
namespace {

bool is_file(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The full name of an existing file into out; false when it does not fit.
bool full_name(const std::string& path, char* out, std::size_t out_size) {
    char buf[MAX_PATH * 4];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
    if (n == 0 || n >= sizeof buf || !out || n + 1 > out_size) return false;
    std::memcpy(out, buf, n + 1);
    return true;
}

std::string join(const std::string& dir, const char* name) {
    if (dir.empty()) return name;
    char last = dir.back();
    if (last == '\\' || last == '/' || last == ':') return dir + name;
    return dir + "\\" + name;
}

} // namespace

FileHandle open_file_read(const char* path) {
    if (!path || !*path) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    return reinterpret_cast<FileHandle>(h);
}

bool file_size(FileHandle f, std::uint64_t* size) {
    LARGE_INTEGER n;
    if (f == 0 || !size || !GetFileSizeEx(reinterpret_cast<HANDLE>(f), &n)) return false;
    *size = static_cast<std::uint64_t>(n.QuadPart);
    return true;
}

bool read_file(FileHandle f, void* data, std::size_t bytes, std::size_t* got) {
    if (got) *got = 0;
    if (f == 0 || (!data && bytes)) return false;
    std::size_t done = 0;
    char* p = static_cast<char*>(data);
    while (done < bytes) {
        std::size_t left = bytes - done;
        DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
        DWORD n = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(f), p + done, chunk, &n, nullptr)) {
            if (got) *got = done;
            return false;
        }
        if (n == 0) break;
        done += n;
    }
    if (got) *got = done;
    return true;
}

bool find_file(const char* name, char* out, std::size_t out_size) {
    if (!name || !*name) return false;
    if (std::strpbrk(name, ":\\/")) return is_file(name) && full_name(name, out, out_size);
    char here[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryA(sizeof here, here);
    if (n > 0 && n < sizeof here && is_file(join(here, name)))
        return full_name(join(here, name), out, out_size);
    DWORD need = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (need == 0) return false;
    std::string dirs(need, '\0');
    n = GetEnvironmentVariableA("PATH", &dirs[0], need);
    dirs.resize(n < need ? n : 0);
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(';', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (!dir.empty() && is_file(join(dir, name)))
            return full_name(join(dir, name), out, out_size);
        start = end + 1;
    }
    return false;
}

} // namespace plat
