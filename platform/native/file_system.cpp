// Files, directories, attributes, the file search and disk figures of the
// native backend. Every name goes through the mapping of paths.cpp first;
// the rules are listed at the top of platform/file_system.h.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
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

constexpr const char* kDosAttributes = "user.DOSATTRIB";
constexpr std::uint32_t kKeptInXattr = fattr::Hidden | fattr::System | fattr::Archive;

// The last component of a POSIX path ("" for "/").
std::string LastComponent(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    std::size_t at = path.rfind('/');
    return at == std::string::npos ? path : path.substr(at + 1);
}

bool HiddenName(const std::string& name) {
    return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

// The hidden, system and archive bits kept in the extended attribute;
// false when the entry has none (or none in our form).
bool StoredAttributes(const std::string& path, std::uint32_t* bits) {
    char data[32];
    ssize_t n = ::getxattr(path.c_str(), kDosAttributes, data, sizeof data - 1);
    if (n <= 2) return false;
    data[n] = 0;
    if (data[0] != '0' || (data[1] != 'x' && data[1] != 'X')) return false;
    *bits = static_cast<std::uint32_t>(std::strtoul(data + 2, nullptr, 16)) & kKeptInXattr;
    return true;
}

// The bits an entry shows when nothing is kept for it: a plain file
// carries archive, a folder nothing.
std::uint32_t UnkeptAttributes(const struct stat& st) {
    return S_ISDIR(st.st_mode) ? 0 : fattr::Archive;
}

std::uint32_t AttributesOf(const std::string& path, const struct stat& st) {
    std::uint32_t a = S_ISDIR(st.st_mode) ? fattr::Directory : 0;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) a |= fattr::ReadOnly;
    if (HiddenName(LastComponent(path))) a |= fattr::Hidden;
    std::uint32_t kept = 0;
    return a | (StoredAttributes(path, &kept) ? kept : UnkeptAttributes(st));
}

// Writes the kept bits: an entry that shows what it would show without
// them loses the extended attribute, so a file system without extended
// attributes still takes the usual settings. False with the last error set
// when the file system cannot keep them.
bool KeepAttributes(const std::string& posix, const struct stat& st, std::uint32_t bits) {
    if (bits == UnkeptAttributes(st)) {
        if (::removexattr(posix.c_str(), kDosAttributes) != 0 && errno != ENODATA &&
            errno != ENOTSUP)
            return detail::fail_errno();
        return true;
    }
    char data[16];
    int n = std::snprintf(data, sizeof data, "0x%x", static_cast<unsigned>(bits));
    if (::setxattr(posix.c_str(), kDosAttributes, data, static_cast<std::size_t>(n), 0) != 0)
        return detail::fail_with(err::AccessDenied); // the file system cannot keep them
    return true;
}

// Windows file time (100 ns since 1601) of a POSIX time.
std::uint64_t FileTimeOf(const struct timespec& t) {
    const std::int64_t seconds = static_cast<std::int64_t>(t.tv_sec) + 11644473600LL;
    if (seconds < 0) return 0;
    return static_cast<std::uint64_t>(seconds) * 10000000u +
           static_cast<std::uint64_t>(t.tv_nsec / 100);
}

bool StatEntry(const std::string& path, struct stat* st) {
    return ::stat(path.c_str(), st) == 0 || ::lstat(path.c_str(), st) == 0;
}

struct Search {
    std::vector<FindData> entries;
    std::size_t next = 0;
};

// Directory listings come sorted without regard to case ("." and ".."
// first), so that a search gives the same order on every run.
bool ListOrder(const FindData& a, const FindData& b) {
    auto rank = [](const char* n) {
        return std::strcmp(n, ".") == 0 ? 0 : std::strcmp(n, "..") == 0 ? 1 : 2;
    };
    int ra = rank(a.name), rb = rank(b.name);
    if (ra != rb) return ra < rb;
    int c = ::strcasecmp(a.name, b.name);
    return c != 0 ? c < 0 : std::strcmp(a.name, b.name) < 0;
}

} // namespace

FindHandle find_first(const char* pattern, FindData* out) {
    if (!pattern || !*pattern || !out) return detail::fail_with(err::FileNotFound), 0;
    // The folder part ends at the last separator (or after "X:").
    const char* mask = pattern;
    for (const char* p = pattern; *p; ++p)
        if (*p == '\\' || *p == '/') mask = p + 1;
    if (mask == pattern && pattern[0] && pattern[1] == ':') mask = pattern + 2;
    if (!*mask) return detail::fail_with(err::FileNotFound), 0;
    std::string folder(pattern, mask);
    std::string posix;
    if (folder.empty()) {
        posix = ".";
    } else if (!detail::map_name(folder.c_str(), &posix)) {
        return 0;
    }
    DIR* d = ::opendir(posix.c_str());
    if (!d) {
        detail::fail_with(errno == EACCES ? err::AccessDenied : err::PathNotFound);
        return 0;
    }
    auto* search = new Search;
    std::string base = posix;
    if (base.back() != '/') base += '/';
    while (dirent* e = ::readdir(d)) {
        if (std::strlen(e->d_name) >= sizeof out->name) continue;
        if (!wildcard_match(mask, e->d_name)) continue;
        FindData fd;
        std::memcpy(fd.name, e->d_name, std::strlen(e->d_name) + 1);
        struct stat st;
        const std::string full = base + e->d_name;
        if (StatEntry(full, &st)) {
            fd.attributes = AttributesOf(full, st);
            if (!S_ISDIR(st.st_mode)) fd.size = static_cast<std::uint64_t>(st.st_size);
            fd.write_time = FileTimeOf(st.st_mtim);
        } else {
            fd.attributes = fattr::Archive; // a dangling link: a plain file
        }
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, ".."))
            fd.attributes &= ~fattr::Hidden;
        search->entries.push_back(fd);
    }
    ::closedir(d);
    if (search->entries.empty()) {
        delete search;
        detail::fail_with(err::FileNotFound);
        return 0;
    }
    std::sort(search->entries.begin(), search->entries.end(), ListOrder);
    *out = search->entries[0];
    search->next = 1;
    return reinterpret_cast<FindHandle>(search);
}

bool find_next(FindHandle h, FindData* out) {
    auto* search = reinterpret_cast<Search*>(h);
    if (!search || !out) return detail::fail_with(err::InvalidHandle);
    if (search->next >= search->entries.size()) return detail::fail_with(err::NoMoreFiles);
    *out = search->entries[search->next++];
    return true;
}

void find_close(FindHandle h) {
    delete reinterpret_cast<Search*>(h);
}

std::uint32_t get_file_attributes(const char* path) {
    std::string posix;
    if (!detail::map_name(path, &posix)) return fattr::Invalid;
    struct stat st;
    if (!StatEntry(posix, &st)) {
        detail::fail_errno();
        return fattr::Invalid;
    }
    return AttributesOf(posix, st);
}

bool set_file_attributes(const char* path, std::uint32_t attributes) {
    std::string posix;
    if (!detail::map_name(path, &posix)) return false;
    struct stat st;
    if (::stat(posix.c_str(), &st) != 0) return detail::fail_errno();
    // Read-only is the absence of write permission; a folder keeps its
    // permissions (it cannot be made read-only this way). The extended
    // attribute is written while the file may still be written (an
    // unprivileged owner cannot change it on a file without write
    // permission), so a file loses its write permission last.
    mode_t mode = st.st_mode & 07777;
    mode_t want = mode;
    if (!S_ISDIR(st.st_mode)) {
        if (attributes & fattr::ReadOnly) {
            want = mode & ~static_cast<mode_t>(0222);
        } else if ((mode & 0222) == 0) {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            want = mode | ((0200 | ((mode & 044) >> 1)) & ~mask);
        }
    }
    const mode_t writable = S_ISDIR(st.st_mode) ? mode : (mode | want | 0200);
    if (writable != mode && ::chmod(posix.c_str(), writable) != 0) return detail::fail_errno();
    const bool kept = KeepAttributes(posix, st, attributes & kKeptInXattr);
    const std::uint32_t kept_error = get_last_error();
    if (want != writable && ::chmod(posix.c_str(), want) != 0) return detail::fail_errno();
    if (!kept) return detail::fail_with(kept_error);
    return true;
}

bool create_directory(const char* path) {
    std::string posix;
    if (!detail::map_name(path, &posix)) return false;
    if (::mkdir(posix.c_str(), 0777) != 0) {
        return detail::fail_with(errno == ENOENT ? err::PathNotFound
                                                 : detail::error_of_errno(errno));
    }
    return true;
}

bool remove_directory(const char* path) {
    std::string posix;
    if (!detail::map_name(path, &posix)) return false;
    if (::rmdir(posix.c_str()) != 0) return detail::fail_errno();
    return true;
}

bool move_file(const char* from, const char* to) {
    std::string a, b;
    if (!detail::map_name(from, &a) || !detail::map_name(to, &b)) return false;
    struct stat st;
    if (::lstat(a.c_str(), &st) != 0) return detail::fail_errno();
    if (::lstat(b.c_str(), &st) == 0) return detail::fail_with(err::AlreadyExists);
    if (::rename(a.c_str(), b.c_str()) != 0) return detail::fail_errno();
    return true;
}

unsigned drive_type(const char* root) {
    if (!root || !root[0] || root[1] != ':') return 1;
    if (root[2] && !((root[2] == '\\' || root[2] == '/') && root[3] == 0)) return 1;
    const std::string posix = detail::drive_root(root[0]);
    struct stat st;
    if (posix.empty() || ::stat(posix.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 1;
    return 3;
}

bool disk_space(const char* root, DiskSpace* out) {
    std::string posix;
    if (!out || !detail::map_name(root, &posix)) return false;
    struct statvfs vs;
    if (::statvfs(posix.c_str(), &vs) != 0) return detail::fail_errno();
    const std::uint64_t unit = vs.f_frsize ? vs.f_frsize : vs.f_bsize;
    std::uint64_t sectors = unit >= 512 ? unit / 512 : 1;
    std::uint64_t free_units = vs.f_bavail;
    std::uint64_t total_units = vs.f_blocks;
    // Counts that do not fit in 32 bits are given in larger clusters.
    while (total_units > 0xFFFFFFFFu || free_units > 0xFFFFFFFFu) {
        total_units >>= 1;
        free_units >>= 1;
        sectors <<= 1;
    }
    out->bytes_per_sector = 512;
    out->sectors_per_cluster = static_cast<std::uint32_t>(sectors);
    out->free_clusters = static_cast<std::uint32_t>(free_units);
    out->total_clusters = static_cast<std::uint32_t>(total_units);
    return true;
}

bool disk_space_bytes(const char* root, std::uint64_t* free_to_caller, std::uint64_t* total,
                      std::uint64_t* total_free) {
    std::string posix;
    if (!detail::map_name(root, &posix)) return false;
    struct statvfs vs;
    if (::statvfs(posix.c_str(), &vs) != 0) return detail::fail_errno();
    const std::uint64_t unit = vs.f_frsize ? vs.f_frsize : vs.f_bsize;
    if (free_to_caller) *free_to_caller = static_cast<std::uint64_t>(vs.f_bavail) * unit;
    if (total) *total = static_cast<std::uint64_t>(vs.f_blocks) * unit;
    if (total_free) *total_free = static_cast<std::uint64_t>(vs.f_bfree) * unit;
    return true;
}

bool volume_information(const char* root, VolumeInfo* out) {
    if (!root || !out) return detail::fail_with(err::InvalidParameter);
    if ((root[0] == '\\' || root[0] == '/') && (root[1] == '\\' || root[1] == '/'))
        return detail::fail_with(err::BadNetPath);
    // Only the root of a drive, with its separator, names a volume.
    if (!root[0] || root[1] != ':' || !(root[2] == '\\' || root[2] == '/') || root[3])
        return detail::fail_with(err::InvalidName);
    const std::string posix = detail::drive_root(root[0]);
    if (posix.empty()) return detail::fail_with(err::PathNotFound);
    struct statvfs vs;
    struct statfs fs;
    if (::statvfs(posix.c_str(), &vs) != 0 || ::statfs(posix.c_str(), &fs) != 0)
        return detail::fail_errno();
    *out = VolumeInfo{};
    // A label or serial number can be given by files in the drive's root
    // (".windows-label": the label's text; ".windows-serial": hexadecimal).
    const std::string base = posix == "/" ? std::string("/") : posix + "/";
    if (std::FILE* f = std::fopen((base + ".windows-label").c_str(), "rb")) {
        if (std::fgets(out->label, sizeof out->label, f))
            out->label[std::strcspn(out->label, "\r\n")] = 0;
        std::fclose(f);
    }
    bool have_serial = false;
    if (std::FILE* f = std::fopen((base + ".windows-serial").c_str(), "rb")) {
        char text[32] = {};
        if (std::fgets(text, sizeof text, f)) {
            out->serial = static_cast<std::uint32_t>(std::strtoul(text, nullptr, 16));
            have_serial = true;
        }
        std::fclose(f);
    }
    if (!have_serial) {
        std::uint64_t id = 0;
        std::memcpy(&id, &fs.f_fsid, sizeof id < sizeof fs.f_fsid ? sizeof id : sizeof fs.f_fsid);
        out->serial = static_cast<std::uint32_t>(id ^ (id >> 32));
    }
    const char* name = "unix";
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:
        name = "ext4";
        break;
    case 0x01021994:
        name = "tmpfs";
        break;
    case 0x9123683E:
        name = "btrfs";
        break;
    case 0x58465342:
        name = "xfs";
        break;
    case 0x794C7630:
        name = "overlay";
        break;
    case 0x6969:
        name = "nfs";
        break;
    default:
        break;
    }
    std::snprintf(out->file_system, sizeof out->file_system, "%s", name);
    out->max_component = static_cast<std::uint32_t>(vs.f_namemax);
    out->flags = fsflag::CaseSensitive | fsflag::CasePreserved | fsflag::Unicode | fsflag::Acls;
    return true;
}

namespace {

std::string HomeFolder() {
    if (const char* h = std::getenv("JOL_HOME"); h && *h) return h;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.jol";
}

std::size_t CopyName(const std::string& posix, char* out, std::size_t out_size) {
    std::string name = posix;
    if (!name.empty() && name[0] == '/') {
        name = detail::windows_name(posix);
    } else {
        char cwd[4096];
        if (::getcwd(cwd, sizeof cwd)) name = detail::windows_name(std::string(cwd) + "/" + posix);
    }
    while (name.size() > 3 && name.back() == '\\')
        name.pop_back();
    if (!out || name.size() + 1 > out_size) {
        if (out && out_size) *out = 0;
        return 0;
    }
    std::memcpy(out, name.c_str(), name.size() + 1);
    return name.size();
}

} // namespace

std::size_t windows_directory(char* out, std::size_t out_size) {
    return CopyName(HomeFolder(), out, out_size);
}

std::size_t system_directory(char* out, std::size_t out_size) {
    return CopyName(HomeFolder() + "/system", out, out_size);
}

FileHandle open_text_file(const char* path, TextOpen mode, int share_mode) {
    std::string posix;
    if (!path || !*path) return detail::fail_with(err::FileNotFound), 0;
    if (!detail::map_name(path, &posix)) return 0;
    int flags = O_CLOEXEC;
    switch (mode) {
    case TextOpen::Read:
        flags |= O_RDONLY;
        break;
    case TextOpen::Write:
        flags |= O_WRONLY | O_CREAT;
        break;
    case TextOpen::Append:
        flags |= O_WRONLY | O_CREAT;
        break;
    case TextOpen::Pipe:
        flags |= O_RDWR;
        break;
    }
    const bool writes = mode != TextOpen::Read;
    struct stat st;
    if (::stat(posix.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return detail::fail_with(err::AccessDenied), 0;
        // A file without any write permission is read-only for everyone,
        // as a file with the read-only attribute is for the system.
        if (writes && S_ISREG(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return detail::fail_with(err::AccessDenied), 0;
    }
    int fd = ::open(posix.c_str(), flags, 0666);
    if (fd < 0) {
        detail::fail_errno();
        return 0;
    }
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return detail::fail_with(err::AccessDenied), 0;
    }
    if (mode == TextOpen::Write && S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0) {
        detail::fail_errno();
        ::close(fd);
        return 0;
    }
    if (mode == TextOpen::Append && ::lseek(fd, 0, SEEK_END) < 0 && S_ISREG(st.st_mode)) {
        detail::fail_errno();
        ::close(fd);
        return 0;
    }
    // Appending and pipes grant others nothing, as on the system.
    const int share = (mode == TextOpen::Append || mode == TextOpen::Pipe) ? 0 : share_mode;
    detail::note_open(fd, mode == TextOpen::Read || mode == TextOpen::Pipe, writes, share);
    return static_cast<FileHandle>(fd) + 1;
}

bool flush_file(FileHandle f) {
    if (f == 0) return detail::fail_with(err::InvalidHandle);
    const int fd = static_cast<int>(f - 1);
    struct stat st;
    if (::fstat(fd, &st) != 0) return detail::fail_errno();
    if (!S_ISREG(st.st_mode)) return true; // nothing is held for a device or a pipe
    if (::fsync(fd) != 0) return detail::fail_errno();
    return true;
}

} // namespace plat
