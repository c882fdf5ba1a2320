// Data files of the binary buffers on the native backend: descriptors plus
// one, as every file handle of this backend.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/files.h"
#include "platform/native/open_files.h"
#include "platform/native/paths.h"
#include "platform/system.h"
#include "platform/system_errors.h"

namespace plat {

FileHandle open_data_file(const char* path, bool write, int share_mode) {
    if (!path || !*path) {
        set_last_error(err::FileNotFound);
        return 0;
    }
    std::uint32_t error = 0;
    int fd = detail::open_mapped(path, write ? O_WRONLY | O_CREAT : O_RDONLY, 0666, &error);
    if (fd < 0) {
        set_last_error(error == err::AccessDenied ? err::AccessDenied : err::FileNotFound);
        return 0;
    }
    // A file to read must be a regular file; one to write may also be a
    // device (never a directory).
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || (!write && !S_ISREG(st.st_mode))) {
        ::close(fd);
        set_last_error(err::AccessDenied);
        return 0;
    }
    detail::note_open(fd, !write, write, share_mode);
    return static_cast<FileHandle>(fd) + 1;
}

bool write_data_file(FileHandle f, const void* data, std::size_t bytes, std::size_t* put) {
    if (put) *put = 0;
    if (f == 0 || (!data && bytes)) return false;
    const char* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < bytes) {
        ssize_t n = ::write(static_cast<int>(f - 1), p + done, bytes - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    if (put) *put = done;
    return done == bytes;
}

bool truncate_data_file(FileHandle f) {
    if (f == 0) return false;
    int fd = static_cast<int>(f - 1);
    struct stat st;
    if (::fstat(fd, &st) != 0) return false;
    if (!S_ISREG(st.st_mode)) return true; // a device has no length to cut
    off_t at = ::lseek(fd, 0, SEEK_CUR);
    return at >= 0 && ::ftruncate(fd, at) == 0;
}

FileHandle open_file_update(const char* path) {
    std::string posix;
    if (!path || !*path) return detail::fail_with(err::FileNotFound), 0;
    if (!detail::map_name(path, &posix)) return 0;
    struct stat st;
    if (::stat(posix.c_str(), &st) != 0) return detail::fail_errno(), 0;
    // Plain files only; one without any write permission is read-only.
    if (!S_ISREG(st.st_mode) || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return detail::fail_with(err::AccessDenied), 0;
    if (detail::open_conflict(posix, true, true, 0, false))
        return detail::fail_with(err::SharingViolation), 0;
    const int fd = ::open(posix.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return detail::fail_errno(), 0;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return detail::fail_with(err::SharingViolation), 0;
    }
    detail::note_open(fd, true, true, 0);
    return static_cast<FileHandle>(fd) + 1;
}

} // namespace plat
