// The one place where the native backend turns Windows names into POSIX
// paths and back, by the rules at the top of platform/file_system.h: drive
// letters name root folders (C: is "/" unless JOL_DRIVES, e.g.
// "C=/,D=/mnt/d", says otherwise), backslashes and slashes both separate,
// "." and ".." are resolved within the drive (".." never climbs above a
// drive's root), and a drive-relative name starts at the drive's current
// directory.
#include "platform/native/paths.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/system.h"
#include "platform/system_errors.h"

namespace plat {
namespace detail {
namespace {

struct Drive {
    char letter;
    std::string root; // without a trailing slash, except "/" itself
};

bool IsSep(char c) {
    return c == '\\' || c == '/';
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string TrimRoot(std::string root) {
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

// The drives: the entries "L=/folder" of JOL_DRIVES, separated by commas
// or semicolons (entries that are not of that form are ignored), and C:
// as "/" when the list does not name C. Read afresh at each use, so that a
// changed environment takes effect at once.
std::vector<Drive> Drives() {
    std::vector<Drive> drives;
    bool have_c = false;
    if (const char* setting = std::getenv("JOL_DRIVES")) {
        const char* p = setting;
        while (*p) {
            const char* end = p;
            while (*end && *end != ',' && *end != ';')
                ++end;
            std::string entry(p, end);
            char letter = entry.empty() ? 0 : Upper(entry[0]);
            if (entry.size() >= 3 && letter >= 'A' && letter <= 'Z' && entry[1] == '=' &&
                entry[2] == '/') {
                bool seen = false;
                for (const Drive& d : drives)
                    seen = seen || d.letter == letter;
                if (!seen) drives.push_back({letter, TrimRoot(entry.substr(2))});
                have_c = have_c || letter == 'C';
            }
            p = *end ? end + 1 : end;
        }
    }
    if (!have_c) drives.push_back({'C', "/"});
    return drives;
}

// Does root hold path (the same folder or one below it)?
bool Holds(const std::string& root, const std::string& path) {
    if (root == "/") return !path.empty() && path[0] == '/';
    return path.compare(0, root.size(), root) == 0 &&
           (path.size() == root.size() || path[root.size()] == '/');
}

std::string CurrentPosix() {
    char buf[4096];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

// Appends the components of a Windows path (after its drive) to an
// absolute POSIX path that starts at root, resolving "." and ".." so that
// the result never leaves root.
std::string Join(const std::string& root, const std::string& base, const char* rest) {
    std::vector<std::string> parts;
    // The components of base below root.
    std::string below =
        base.size() > root.size() ? base.substr(root == "/" ? 1 : root.size() + 1) : std::string();
    auto add = [&](const std::string& part) {
        if (part.empty() || part == ".") return;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            return;
        }
        parts.push_back(part);
    };
    std::size_t start = 0;
    for (std::size_t i = 0; i <= below.size(); ++i)
        if (i == below.size() || below[i] == '/') {
            add(below.substr(start, i - start));
            start = i + 1;
        }
    std::string part;
    for (const char* p = rest;; ++p) {
        if (*p == 0 || IsSep(*p)) {
            add(part);
            part.clear();
            if (*p == 0) break;
        } else {
            part += *p;
        }
    }
    std::string out = root == "/" ? std::string() : root;
    for (const std::string& s : parts)
        out += "/" + s;
    if (out.empty()) out = "/";
    // A name that ends in a separator keeps it (a folder is meant).
    std::size_t n = std::strlen(rest);
    if (n && IsSep(rest[n - 1]) && out.back() != '/') out += '/';
    return out;
}

} // namespace

std::string drive_root(char letter) {
    letter = Upper(letter);
    for (const Drive& d : Drives())
        if (d.letter == letter) return d.root;
    return std::string();
}

char drive_of(const std::string& posix) {
    char best = 0;
    std::size_t best_len = 0;
    for (const Drive& d : Drives())
        if (Holds(d.root, posix) && (best == 0 || d.root.size() > best_len)) {
            best = d.letter;
            best_len = d.root.size();
        }
    return best;
}

std::string windows_name(const std::string& posix) {
    char letter = drive_of(posix);
    std::string rest = posix;
    if (letter) {
        std::string root = drive_root(letter);
        rest = root == "/" ? posix : posix.substr(root.size());
    }
    for (char& c : rest)
        if (c == '/') c = '\\';
    if (rest.empty()) rest = "\\";
    return letter ? std::string(1, letter) + ":" + rest : rest;
}

std::uint32_t error_of_errno(int e) {
    switch (e) {
    case ENOENT:
        return err::FileNotFound;
    case ENOTDIR:
        return err::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBUSY:
    case ETXTBSY:
        return err::AccessDenied;
    case EEXIST:
        return err::AlreadyExists;
    case ENOTEMPTY:
        return err::DirNotEmpty;
    case ENAMETOOLONG:
        return err::FilenameTooLong;
    case ENOSPC:
    case EDQUOT:
        return err::DiskFull;
    case EXDEV:
        return err::NotSameDevice;
    case EINVAL:
        return err::InvalidParameter;
    default:
        return err::GenFailure; // a device does not work
    }
}

bool map_path(const char* name, std::string* out, std::uint32_t* error) {
    auto fail = [&](std::uint32_t code) {
        if (error) *error = code;
        return false;
    };
    if (!name || !*name) return fail(err::PathNotFound);
    if (IsSep(name[0]) && IsSep(name[1])) return fail(err::BadNetPath);
    const std::string cwd = CurrentPosix();
    const char here = drive_of(cwd);
    if (name[1] == ':') {
        const char letter = Upper(name[0]);
        if (letter < 'A' || letter > 'Z') return fail(err::InvalidName);
        const std::string root = drive_root(letter);
        if (root.empty()) return fail(err::PathNotFound);
        const char* rest = name + 2;
        if (IsSep(*rest)) {
            *out = Join(root, root, rest);
            return true;
        }
        // Drive-relative: the current directory of that drive.
        std::string base = root;
        if (letter == here) {
            base = cwd;
        } else {
            char saved[4096];
            const char var[4] = {'=', letter, ':', 0};
            if (get_env(var, saved, sizeof saved) && Upper(saved[0]) == letter && saved[1] == ':' &&
                IsSep(saved[2])) {
                std::string mapped;
                std::uint32_t ignored = 0;
                if (map_path(saved, &mapped, &ignored) && Holds(root, mapped))
                    base = TrimRoot(mapped);
            }
        }
        *out = Join(root, base, rest);
        return true;
    }
    if (IsSep(name[0])) {
        // Rooted: on the current drive (or the POSIX root when the current
        // directory lies on no drive).
        const std::string root = here ? drive_root(here) : std::string("/");
        *out = Join(root, root, name);
        return true;
    }
    // Relative: the system resolves it against the current directory.
    std::string rel = name;
    for (char& c : rel)
        if (c == '\\') c = '/';
    *out = rel;
    return true;
}

bool fail_with(std::uint32_t code) {
    set_last_error(code);
    return false;
}

bool fail_errno() {
    return fail_with(error_of_errno(errno));
}

bool map_name(const char* name, std::string* out) {
    std::uint32_t error = 0;
    return map_path(name, out, &error) || fail_with(error);
}

int open_mapped(const char* name, int flags, unsigned mode, std::uint32_t* error) {
    std::string posix;
    if (!map_path(name, &posix, error)) return -1;
    const int fd = ::open(posix.c_str(), flags | O_CLOEXEC, static_cast<mode_t>(mode));
    if (fd < 0 && error) *error = error_of_errno(errno);
    return fd;
}

} // namespace detail

bool system_path(const char* name, char* out, std::size_t out_size) {
    std::string mapped;
    std::uint32_t error = 0;
    if (!detail::map_path(name, &mapped, &error)) {
        set_last_error(error);
        if (out && out_size) *out = 0;
        return false;
    }
    if (!out || mapped.size() + 1 > out_size) {
        set_last_error(err::FilenameTooLong);
        if (out && out_size) *out = 0;
        return false;
    }
    std::memcpy(out, mapped.c_str(), mapped.size() + 1);
    return true;
}

std::size_t current_directory_name(char* out, std::size_t out_size) {
    const std::string cwd = detail::CurrentPosix();
    if (cwd.empty()) {
        if (out && out_size) *out = 0;
        return 0;
    }
    const std::string name = detail::windows_name(cwd);
    if (!out || name.size() + 1 > out_size) {
        if (out && out_size) *out = 0;
        return 0;
    }
    std::memcpy(out, name.c_str(), name.size() + 1);
    return name.size();
}

std::size_t program_folder_name(char* out, std::size_t out_size) {
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return 0;
    std::string exe(buf, static_cast<std::size_t>(n));
    std::size_t at = exe.rfind('/');
    std::string name = detail::windows_name(exe.substr(0, at == std::string::npos ? 0 : at + 1));
    if (name.back() != '\\') name += '\\';
    if (!out || name.size() + 1 > out_size) return 0;
    std::memcpy(out, name.c_str(), name.size() + 1);
    return name.size();
}

} // namespace plat
