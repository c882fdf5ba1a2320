// Reading files and the library's file search on the native backend. A file
// handle is the descriptor plus one, so that 0 never names a file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/native/open_files.h"
#include "platform/native/paths.h"
#include "platform/system.h"
#include "platform/system_errors.h"

namespace plat {
namespace {

bool regular_file(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool copy_name(const std::string& name, char* out, std::size_t out_size) {
    if (!out || name.size() + 1 > out_size) return false;
    std::memcpy(out, name.c_str(), name.size() + 1);
    return true;
}

std::string current_directory() {
    char buf[4096];
    if (!::getcwd(buf, sizeof buf)) return std::string();
    return buf;
}

std::string join(const std::string& dir, const char* name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

} // namespace

FileHandle open_file_read(const char* path) {
    if (!path || !*path) {
        set_last_error(err::FileNotFound);
        return 0;
    }
    std::uint32_t error = 0;
    int fd = detail::open_mapped(path, O_RDONLY, 0, &error);
    if (fd < 0) {
        set_last_error(error == err::AccessDenied ? err::AccessDenied : err::FileNotFound);
        return 0;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        set_last_error(err::AccessDenied);
        return 0;
    }
    detail::note_open(fd, true, false, 1);
    return static_cast<FileHandle>(fd) + 1;
}

bool file_size(FileHandle f, std::uint64_t* size) {
    struct stat st;
    if (f == 0 || !size || ::fstat(static_cast<int>(f - 1), &st) != 0) return false;
    *size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool read_file(FileHandle f, void* data, std::size_t bytes, std::size_t* got) {
    if (got) *got = 0;
    if (f == 0 || (!data && bytes)) return false;
    std::size_t done = 0;
    char* p = static_cast<char*>(data);
    while (done < bytes) {
        ssize_t n = ::read(static_cast<int>(f - 1), p + done, bytes - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (got) *got = done;
            return false;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    if (got) *got = done;
    return true;
}

bool find_file(const char* name, char* out, std::size_t out_size) {
    if (!name || !*name) return false;
    // A name with a drive or a folder part is a Windows name that must
    // exist as given.
    if (std::strpbrk(name, ":\\/")) {
        std::string posix;
        if (!detail::map_name(name, &posix) || !regular_file(posix)) return false;
        if (posix[0] == '/') return copy_name(posix, out, out_size);
        return copy_name(join(current_directory(), posix.c_str()), out, out_size);
    }
    std::string here = current_directory();
    if (!here.empty() && regular_file(join(here, name)))
        return copy_name(join(here, name), out, out_size);
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (!dir.empty()) {
            std::string full = join(dir, name);
            if (regular_file(full)) {
                if (full[0] != '/') full = join(here, full.c_str());
                return copy_name(full, out, out_size);
            }
        }
        start = end + 1;
    }
    return false;
}

} // namespace plat
