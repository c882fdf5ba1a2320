// Copying, moving and deleting files on the native backend, with the
// protections that platform/files.h describes: a copy is built under a
// temporary name beside its target and renamed into place, a replaced or
// deleted file must be writable and not held open, and a move between file
// systems deletes its source only after a complete copy.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/native/open_files.h"
#include "platform/native/paths.h"
#include "platform/system.h"
#include "platform/system_errors.h"

namespace plat {
namespace {

constexpr std::size_t kCopyBlock = 1 << 20;
constexpr const char* kDosAttributes = "user.DOSATTRIB";

std::string FolderOf(const std::string& posix) {
    const std::size_t at = posix.rfind('/');
    if (at == std::string::npos) return ".";
    if (at == 0) return "/";
    return posix.substr(0, at);
}

bool ReadOnlyMode(mode_t mode) {
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// Whether an existing entry may be replaced or removed: not a directory,
// not read-only and not held open by a handle of this process.
bool MayReplace(const std::string& posix) {
    struct stat st;
    if (::lstat(posix.c_str(), &st) != 0) return true;
    if (S_ISDIR(st.st_mode)) return detail::fail_with(err::AccessDenied);
    if (S_ISREG(st.st_mode) && ReadOnlyMode(st.st_mode))
        return detail::fail_with(err::AccessDenied);
    if (detail::open_conflict(posix, false, false, 0, true))
        return detail::fail_with(err::SharingViolation);
    return true;
}

// Copies the open source's bytes into the open target, in the kernel where
// the file systems allow it and through a large buffer otherwise.
bool CopyBytes(int in, int out, std::uint64_t size) {
    std::uint64_t done = 0;
    bool kernel = true;
    while (kernel && done < size) {
        const std::size_t want = size - done > (1u << 30) ? (1u << 30) : size - done;
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, want, 0);
        if (n > 0) {
            done += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n == 0) break;
        if (errno == EINTR) continue;
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
            errno == EBADF) {
            kernel = false;
            break;
        }
        return detail::fail_errno();
    }
    if (kernel) return true;
    if (::lseek(in, static_cast<off_t>(done), SEEK_SET) < 0 ||
        ::lseek(out, static_cast<off_t>(done), SEEK_SET) < 0)
        return detail::fail_errno();
    std::vector<char> buffer(kCopyBlock);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return detail::fail_errno();
        }
        if (n == 0) return true;
        ssize_t put = 0;
        while (put < n) {
            const ssize_t w = ::write(out, buffer.data() + put, static_cast<std::size_t>(n - put));
            if (w < 0) {
                if (errno == EINTR) continue;
                return detail::fail_errno();
            }
            if (w == 0) return detail::fail_with(112);
            put += w;
        }
    }
}

// Copies the POSIX source to a new temporary file in the target's folder;
// the temporary name on success (the caller renames or removes it).
bool CopyToTemporary(const std::string& from, const std::string& to, std::string* temporary) {
    if (detail::open_conflict(from, true, false, 1, false))
        return detail::fail_with(err::SharingViolation);
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return detail::fail_errno();
    struct stat st;
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return detail::fail_with(err::AccessDenied);
    }
    std::string name = FolderOf(to) + "/.jol-copy-XXXXXX";
    std::vector<char> buf(name.begin(), name.end());
    buf.push_back(0);
    const int out = ::mkostemp(buf.data(), O_CLOEXEC);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        errno = e;
        return detail::fail_errno();
    }
    name = buf.data();
    bool ok = CopyBytes(in, out, static_cast<std::uint64_t>(st.st_size));
    if (ok) {
        struct stat done;
        if (::fstat(out, &done) != 0 || done.st_size != st.st_size) ok = detail::fail_with(112);
    }
    if (ok) {
        // The copy keeps the source's permissions, time and kept attributes.
        ::fchmod(out, st.st_mode & 07777);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
        char attrs[32];
        const ssize_t n = ::fgetxattr(in, kDosAttributes, attrs, sizeof attrs);
        if (n > 0) ::fsetxattr(out, kDosAttributes, attrs, static_cast<std::size_t>(n), 0);
    }
    const std::uint32_t error = ok ? 0 : get_last_error();
    if (::close(out) != 0 && ok) ok = detail::fail_errno();
    ::close(in);
    if (!ok) {
        ::unlink(name.c_str());
        if (error) set_last_error(error);
        return false;
    }
    *temporary = name;
    return true;
}

bool RenameInto(const std::string& temporary, const std::string& to) {
    if (!MayReplace(to)) {
        const std::uint32_t e = get_last_error();
        ::unlink(temporary.c_str());
        return detail::fail_with(e);
    }
    if (::rename(temporary.c_str(), to.c_str()) != 0) {
        const int e = errno;
        ::unlink(temporary.c_str());
        errno = e;
        return detail::fail_errno();
    }
    return true;
}

} // namespace

bool copy_file(const char* from, const char* to) {
    std::string a, b;
    if (!from || !to || !detail::map_name(from, &a) || !detail::map_name(to, &b)) return false;
    if (!MayReplace(b)) return false;
    std::string temporary;
    if (!CopyToTemporary(a, b, &temporary)) return false;
    return RenameInto(temporary, b);
}

bool move_file_replace(const char* from, const char* to) {
    std::string a, b;
    if (!from || !to || !detail::map_name(from, &a) || !detail::map_name(to, &b)) return false;
    struct stat st;
    if (::lstat(a.c_str(), &st) != 0) return detail::fail_errno();
    if (detail::open_conflict(a, false, false, 0, true))
        return detail::fail_with(err::SharingViolation);
    if (!MayReplace(b)) return false;
    if (::rename(a.c_str(), b.c_str()) == 0) return true;
    if (errno != EXDEV || !S_ISREG(st.st_mode)) return detail::fail_errno();
    std::string temporary;
    if (!CopyToTemporary(a, b, &temporary)) return false;
    if (!RenameInto(temporary, b)) return false;
    struct stat copied;
    if (::stat(b.c_str(), &copied) != 0 || copied.st_size != st.st_size)
        return detail::fail_with(112);
    if (::unlink(a.c_str()) != 0) return detail::fail_errno();
    return true;
}

bool delete_file(const char* path) {
    std::string posix;
    if (!path || !detail::map_name(path, &posix)) return false;
    struct stat st;
    if (::lstat(posix.c_str(), &st) != 0) return detail::fail_errno();
    if (!MayReplace(posix)) return false;
    if (::unlink(posix.c_str()) != 0) return detail::fail_errno();
    return true;
}

bool same_file(const char* a, const char* b) {
    std::string x, y;
    if (!a || !b || !detail::map_name(a, &x) || !detail::map_name(b, &y)) return false;
    struct stat sx, sy;
    if (::stat(x.c_str(), &sx) != 0 || ::stat(y.c_str(), &sy) != 0) return false;
    return sx.st_dev == sy.st_dev && sx.st_ino == sy.st_ino;
}

std::uint32_t probe_file_open(const char* path) {
    std::string posix;
    if (!path || !*path) return err::FileNotFound;
    std::uint32_t error = 0;
    if (!detail::map_path(path, &posix, &error)) return error;
    struct stat st;
    if (::stat(posix.c_str(), &st) != 0) return detail::error_of_errno(errno);
    if (S_ISDIR(st.st_mode)) return err::AccessDenied;
    if (detail::open_conflict(posix, true, false, 1, false)) return err::SharingViolation;
    const int fd = ::open(posix.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return detail::error_of_errno(errno);
    ::close(fd);
    return 0;
}

bool seek_file(FileHandle f, std::uint64_t offset) {
    if (f == 0) return detail::fail_with(err::InvalidHandle);
    if (::lseek(static_cast<int>(f - 1), static_cast<off_t>(offset), SEEK_SET) < 0)
        return detail::fail_errno();
    return true;
}

bool move_file_at_restart(const char*, const char*) {
    return detail::fail_with(err::CallNotImplemented);
}

std::size_t short_path_name(const char*, char* out, std::size_t out_size) {
    if (out && out_size) *out = 0;
    return 0;
}

bool path_directory(std::size_t index, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return false;
    *out = 0;
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "";
    std::size_t start = 0, seen = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        start = end + 1;
        if (dir.empty()) continue;
        if (seen++ != index) continue;
        if (dir[0] != '/') {
            char cwd[4096];
            if (!::getcwd(cwd, sizeof cwd)) return false;
            dir = std::string(cwd) + "/" + dir;
        }
        const std::string name = detail::windows_name(dir);
        if (name.size() + 1 > out_size) return false;
        std::memcpy(out, name.c_str(), name.size() + 1);
        return true;
    }
    return false;
}

} // namespace plat
