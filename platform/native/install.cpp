// The native backend's version-aware installer, with the contract and the
// result bits of the system's (see platform/install.h). Installing
// copies the source into a temporary file beside the destination first
// (expanding an SZDD-compressed source) and only then renames it into
// place, so a failure at any step leaves an existing copy as it was; the
// old copy elsewhere is deleted only once the new one is in place.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/install.h"
#include "platform/native/open_files.h"
#include "platform/native/paths.h"
#include "platform/system_errors.h"

namespace plat {
namespace {

constexpr std::size_t kBlock = 1 << 16;

// An SZDD-compressed file: its signature, the method 'A' (LZSS over a
// 4096-byte window of blanks whose writing starts 16 bytes before its
// end), the last letter of the name it stands for, and the expanded length.
constexpr unsigned char kSzdd[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr std::size_t kSzddHead = 14;
constexpr std::size_t kWindow = 4096;

bool IsSep(char c) {
    return c == '\\' || c == '/';
}

// A Windows name of a file in a directory (an empty directory: the current
// one).
std::string Join(const char* dir, const char* name) {
    std::string out = dir ? dir : "";
    if (!out.empty() && !IsSep(out.back())) out += '\\';
    return out + name;
}

// Characters that no Windows file name holds: such a name is never found,
// and a copy cannot take it.
bool ValidName(const char* name) {
    if (!name || !*name) return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p)
        if (*p < 32 || std::strchr("<>\"|?*", *p)) return false;
    return true;
}

// The POSIX path of a plain file that exists, or empty.
std::string ExistingFile(const char* dir, const char* name) {
    if (!ValidName(name)) return std::string();
    std::string posix;
    std::uint32_t error = 0;
    struct stat st;
    if (!detail::map_path(Join(dir, name).c_str(), &posix, &error) ||
        ::stat(posix.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::string();
    return posix;
}

// Copies a directory name into a caller's buffer as the system does: as
// much as fits, the size needed in *size; true when it all fitted.
bool Hand(const std::string& text, char* out, std::size_t* size) {
    if (!out || !size) return true;
    const std::size_t needed = text.size() + 1;
    bool fits = *size >= needed;
    if (*size) {
        const std::size_t n = fits ? text.size() : *size - 1;
        std::memcpy(out, text.data(), n);
        out[n] = 0;
    }
    *size = needed;
    return fits;
}

// The result bits of a system error code.
std::uint32_t BitsOf(std::uint32_t error) {
    if (error == err::AccessDenied) return vif::AccessViolation;
    if (error == err::SharingViolation) return vif::SharingViolation;
    return 0;
}

// Whether an existing file may be removed or replaced: not a directory,
// not read-only and not held open by a handle of this process; 0 when it
// may, else the system error code.
std::uint32_t ReplaceRefusal(const std::string& posix) {
    struct stat st;
    if (::lstat(posix.c_str(), &st) != 0) return 0;
    if (S_ISDIR(st.st_mode)) return err::AccessDenied;
    if (S_ISREG(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return err::AccessDenied;
    if (detail::open_conflict(posix, false, false, 0, true)) return err::SharingViolation;
    return 0;
}

bool SameEntry(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

enum class CopyFailure { None, Read, Write };

bool ReadFully(int fd, unsigned char* data, std::size_t bytes, std::size_t* got) {
    *got = 0;
    while (*got < bytes) {
        const ssize_t n = ::read(fd, data + *got, bytes - *got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        *got += static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteFully(int fd, const unsigned char* data, std::size_t bytes) {
    std::size_t put = 0;
    while (put < bytes) {
        const ssize_t n = ::write(fd, data + put, bytes - put);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        put += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads the compressed stream one byte at a time through a block buffer.
struct ByteReader {
    int fd;
    std::vector<unsigned char> block = std::vector<unsigned char>(kBlock);
    std::size_t at = 0, have = 0;
    bool failed = false;
    // -1 at the end of the stream (or on a read error, with failed set).
    int Next() {
        if (at == have) {
            if (!ReadFully(fd, block.data(), block.size(), &have)) failed = true;
            at = 0;
            if (failed || have == 0) return -1;
        }
        return block[at++];
    }
};

// Expands the SZDD stream that follows the header; the result must have
// the length the header announces, else the source counts as unreadable.
CopyFailure Expand(int in, int out, std::uint32_t length) {
    ByteReader reader{in};
    std::vector<unsigned char> window(kWindow, ' ');
    std::size_t pos = kWindow - 16;
    std::vector<unsigned char> pending;
    pending.reserve(kBlock);
    std::uint64_t written = 0;
    auto emit = [&](unsigned char c) {
        window[pos] = c;
        pos = (pos + 1) % kWindow;
        pending.push_back(c);
        ++written;
        if (pending.size() == kBlock) {
            if (!WriteFully(out, pending.data(), pending.size())) return false;
            pending.clear();
        }
        return true;
    };
    while (written < length) {
        const int control = reader.Next();
        if (control < 0) break;
        for (int bit = 0; bit < 8 && written < length; ++bit) {
            if (control & (1 << bit)) {
                const int c = reader.Next();
                if (c < 0) break;
                if (!emit(static_cast<unsigned char>(c))) return CopyFailure::Write;
            } else {
                const int lo = reader.Next(), hi = reader.Next();
                if (lo < 0 || hi < 0) break;
                std::size_t from = static_cast<std::size_t>(lo | ((hi & 0xF0) << 4));
                const int count = (hi & 0x0F) + 3;
                for (int k = 0; k < count && written < length; ++k) {
                    const unsigned char c = window[from];
                    from = (from + 1) % kWindow;
                    if (!emit(c)) return CopyFailure::Write;
                }
            }
        }
        if (reader.failed) break;
    }
    if (reader.failed || written != length) return CopyFailure::Read;
    if (!pending.empty() && !WriteFully(out, pending.data(), pending.size()))
        return CopyFailure::Write;
    return CopyFailure::None;
}

// Copies the source into the open temporary file, expanded when it is
// compressed.
CopyFailure CopyInto(int in, int out) {
    unsigned char head[kSzddHead];
    std::size_t got = 0;
    if (!ReadFully(in, head, sizeof head, &got)) return CopyFailure::Read;
    if (got == sizeof head && std::memcmp(head, kSzdd, sizeof kSzdd) == 0) {
        // Method A is the only one there is to expand.
        if (head[8] != 'A') return CopyFailure::Read;
        const std::uint32_t length = static_cast<std::uint32_t>(head[10]) |
                                     (static_cast<std::uint32_t>(head[11]) << 8) |
                                     (static_cast<std::uint32_t>(head[12]) << 16) |
                                     (static_cast<std::uint32_t>(head[13]) << 24);
        return Expand(in, out, length);
    }
    if (!WriteFully(out, head, got)) return CopyFailure::Write;
    std::vector<unsigned char> block(kBlock);
    for (;;) {
        if (!ReadFully(in, block.data(), block.size(), &got)) return CopyFailure::Read;
        if (got == 0) return CopyFailure::None;
        if (!WriteFully(out, block.data(), got)) return CopyFailure::Write;
    }
}

// Creates a new temporary file "verXXXX.tmp" in a directory (a Windows
// name): its descriptor, its name in *name; -1 when none can be created.
int CreateTemporary(const char* dir, mode_t mode, std::string* name) {
    static std::atomic<unsigned> counter{0};
    const unsigned start = static_cast<unsigned>(::getpid()) * 31u + ++counter * 7919u;
    for (unsigned k = 0; k < 0x10000u; ++k) {
        char file[16];
        std::snprintf(file, sizeof file, "ver%04X.tmp", (start + k) & 0xFFFFu);
        std::uint32_t error = 0;
        const int fd =
            detail::open_mapped(Join(dir, file).c_str(), O_WRONLY | O_CREAT | O_EXCL, mode, &error);
        if (fd >= 0) {
            *name = file;
            return fd;
        }
        if (error != err::AlreadyExists) return -1;
    }
    return -1;
}

// The versions of a file by the caller's reader.
bool VersionOf(FixedVersionReader read, const std::string& name, FixedFileVersion* out) {
    return read && read(name.c_str(), out);
}

} // namespace

std::uint32_t find_install_file(std::uint32_t flags, const char* file_name, const char* windows_dir,
                                const char* app_dir, char* cur_dir, std::size_t* cur_size,
                                char* dest_dir, std::size_t* dest_size) {
    char system_dir[4096] = {}, home[4096] = {};
    system_directory(system_dir, sizeof system_dir);
    if (!windows_dir) {
        windows_directory(home, sizeof home);
        windows_dir = home;
    }
    std::uint32_t result = 0;
    std::string dest, cur;
    auto here = [&](const char* dir) { return file_name && !ExistingFile(dir, file_name).empty(); };
    if (flags & vff::IsSharedFile) {
        dest = system_dir;
        if (here(system_dir)) {
            cur = system_dir;
        } else if (app_dir && here(app_dir)) {
            cur = app_dir;
            result |= vff::CurNeDest;
        }
    } else {
        dest = app_dir ? app_dir : "";
        if (here(dest.c_str())) {
            cur = dest;
        } else if (here(windows_dir)) {
            cur = windows_dir;
            result |= vff::CurNeDest;
        } else if (here(system_dir)) {
            cur = system_dir;
            result |= vff::CurNeDest;
        }
    }
    if (!cur.empty()) {
        const std::string posix = ExistingFile(cur.c_str(), file_name);
        if (detail::open_conflict(posix, true, true, 0, false)) result |= vff::FileInUse;
    }
    if (!Hand(dest, dest_dir, dest_size)) result |= vff::BuffTooSmall;
    if (!Hand(cur, cur_dir, cur_size)) result |= vff::BuffTooSmall;
    return result;
}

std::uint32_t install_file(std::uint32_t flags, const char* src_name, const char* dest_name,
                           const char* src_dir, const char* dest_dir, const char* cur_dir,
                           char* temp_name, std::size_t* temp_size,
                           FixedVersionReader read_version) {
    if (!src_dir || !src_name || !dest_name) return vif::CannotReadSrc;
    const char* pdest = dest_dir && *dest_dir ? dest_dir : src_dir;
    const std::string dest = Join(pdest, dest_name);

    std::string src_posix, dest_posix;
    std::uint32_t error = 0;
    if (!detail::map_path(Join(src_dir, src_name).c_str(), &src_posix, &error) ||
        detail::open_conflict(src_posix, true, false, 3, false))
        return vif::CannotReadSrc;
    const int in = ::open(src_posix.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return vif::CannotReadSrc;
    struct stat src_st;
    if (::fstat(in, &src_st) != 0 || !S_ISREG(src_st.st_mode)) {
        ::close(in);
        return vif::CannotReadSrc;
    }
    if (!detail::map_path(dest.c_str(), &dest_posix, &error)) {
        ::close(in);
        return vif::CannotCreate;
    }
    struct stat dest_st;
    if (::stat(dest_posix.c_str(), &dest_st) == 0 && S_ISREG(dest_st.st_mode) &&
        (dest_st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        ::close(in);
        return vif::WriteProtected;
    }

    // The copy: the temporary file of an earlier call when forced to take
    // it, else a new one.
    std::string temp_file, temp_posix;
    if ((flags & viff::ForceInstall) && temp_name && *temp_name && ValidName(temp_name) &&
        !std::strpbrk(temp_name, "\\/:")) {
        std::string posix = ExistingFile(pdest, temp_name);
        if (!posix.empty()) {
            temp_file = temp_name;
            temp_posix = posix;
        }
    }
    if (temp_file.empty()) {
        // The copy keeps the source's permission to run; it is never made
        // read-only.
        const mode_t mode = (src_st.st_mode & 0777) | S_IWUSR;
        const int out = CreateTemporary(pdest, mode, &temp_file);
        if (out < 0) {
            ::close(in);
            return vif::CannotCreate;
        }
        detail::map_path(Join(pdest, temp_file.c_str()).c_str(), &temp_posix, &error);
        CopyFailure failure = CopyInto(in, out);
        // The copy keeps the source's last-write time, as the system's
        // expanding copy does.
        if (failure == CopyFailure::None) {
            const struct timespec times[2] = {src_st.st_atim, src_st.st_mtim};
            ::futimens(out, times);
        }
        if (::close(out) != 0 && failure == CopyFailure::None) failure = CopyFailure::Write;
        if (failure != CopyFailure::None) {
            ::unlink(temp_posix.c_str());
            ::close(in);
            return failure == CopyFailure::Read ? vif::CannotReadSrc : vif::OutOfSpace;
        }
    }
    ::close(in);
    const std::string temp = Join(pdest, temp_file.c_str());

    std::uint32_t result = 0;
    if (!(flags & viff::ForceInstall)) {
        FixedFileVersion have, copy;
        if (VersionOf(read_version, dest, &have)) {
            if (!VersionOf(read_version, temp, &copy)) {
                result |= vif::Mismatch | vif::SrcOld;
            } else {
                if (have.version_ms > copy.version_ms ||
                    (have.version_ms == copy.version_ms && have.version_ls > copy.version_ls))
                    result |= vif::Mismatch | vif::SrcOld;
                if (have.file_type != copy.file_type || have.file_subtype != copy.file_subtype)
                    result |= vif::Mismatch | vif::DiffType;
            }
        }
    }
    if (result) {
        // The copy stays for the caller to install by force or to delete.
        if (!temp_name || !temp_size || *temp_size < temp_file.size() + 1) {
            ::unlink(temp_posix.c_str());
            return result | vif::BuffTooSmall;
        }
        std::memcpy(temp_name, temp_file.c_str(), temp_file.size() + 1);
        *temp_size = temp_file.size() + 1;
        return result | vif::TempFile;
    }

    if (!ValidName(dest_name)) {
        ::unlink(temp_posix.c_str());
        return vif::CannotRename;
    }
    if (const std::uint32_t refusal = ReplaceRefusal(dest_posix)) {
        ::unlink(temp_posix.c_str());
        return vif::CannotDelete | BitsOf(refusal);
    }
    if (::rename(temp_posix.c_str(), dest_posix.c_str()) != 0) {
        const std::uint32_t e = detail::error_of_errno(errno);
        ::unlink(temp_posix.c_str());
        return vif::CannotRename | BitsOf(e);
    }

    // The old copy in another directory goes once the new one is in place.
    if (!(flags & viff::DontDeleteOld) && cur_dir && *cur_dir) {
        std::string cur_posix, pdest_posix;
        const std::string old = ExistingFile(cur_dir, dest_name);
        if (!old.empty() && detail::map_path(cur_dir, &cur_posix, &error) &&
            detail::map_path(pdest, &pdest_posix, &error) && !SameEntry(cur_posix, pdest_posix) &&
            !SameEntry(old, dest_posix)) {
            if (const std::uint32_t refusal = ReplaceRefusal(old))
                result |= vif::CannotDeleteCur | BitsOf(refusal);
            else if (::unlink(old.c_str()) != 0)
                result |= vif::CannotDeleteCur | BitsOf(detail::error_of_errno(errno));
        }
    }
    return result;
}

} // namespace plat
