// The INI writer of the native backend and the profile-change notice.
//
// A write reads the file by the rules of profile_format.h, changes the
// lines it must and writes every line back with CR LF line ends. Other
// lines (comments, blank lines, entries without values) stay as they are.
// A new entry goes after the last line that is not blank in its section; a
// new section goes at the end of the file.
//
// The file is replaced atomically: the new text goes to a temporary file in
// the same folder, which is renamed over the old one, so a reader sees
// either the old or the new file, never a part, and a process that dies
// mid-write leaves the old file whole. Writers are serialised by an
// exclusive lock on the folder, which holds across processes; readers need
// no lock. The disk is not forced on every write, as the system's own
// profile writes do not force it: a script writes one key per row of its
// data, and a flush each time would cost many times the work.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/native/profile_format.h"
#include "platform/profiles.h"
#include "platform/system.h"
#include "platform/system_errors.h"

namespace plat {
namespace {

std::uint32_t error_of(int e) {
    switch (e) {
    case ENOENT:
    case ENOTDIR:
        return err::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return err::AccessDenied;
    default:
        return err::InvalidData;
    }
}

bool fail(int e) {
    set_last_error(error_of(e));
    return false;
}

// Reads the whole file; *exists tells whether it was there. False on a
// read error.
bool read_file_text(const std::string& path, std::string* text, bool* exists) {
    *exists = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    *exists = true;
    char buf[8192];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        text->append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

bool write_all(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string entry_text(const std::string& name, const char* value) {
    return name + "=" + value;
}

profile::Line make_line(const std::string& text) {
    return profile::ParseLine(text.data(), text.data() + text.size());
}

// Applies one change to the lines; false when nothing changed.
bool apply(std::vector<profile::Line>* lines, const char* section, const char* key,
           const char* value) {
    std::size_t begin = 0, end = 0;
    const bool found = profile::FindSection(*lines, section, &begin, &end);
    if (!key) {
        if (!found) return false;
        lines->erase(lines->begin() + static_cast<std::ptrdiff_t>(begin),
                     lines->begin() + static_cast<std::ptrdiff_t>(end));
        return true;
    }
    if (!value) {
        if (!found) return false;
        std::size_t at = profile::FindEntry(*lines, begin, end, key);
        if (at == end) return false;
        lines->erase(lines->begin() + static_cast<std::ptrdiff_t>(at));
        return true;
    }
    const std::string name = profile::QueryName(key);
    if (!found) {
        const std::string header = profile::QueryName(section);
        if (header.empty()) {
            // The nameless section lives before the first header.
            lines->insert(lines->begin(), make_line(entry_text(name, value)));
            return true;
        }
        lines->push_back(make_line("[" + header + "]"));
        lines->push_back(make_line(entry_text(name, value)));
        return true;
    }
    std::size_t at = profile::FindEntry(*lines, begin, end, key);
    if (at < end) {
        profile::Line& line = (*lines)[at];
        std::string t = entry_text(line.name, value);
        if (line.has_value && line.text == t) return false;
        line = make_line(t);
        return true;
    }
    std::size_t insert = end;
    while (insert > begin && (*lines)[insert - 1].kind == profile::LineKind::Blank)
        --insert;
    lines->insert(lines->begin() + static_cast<std::ptrdiff_t>(insert),
                  make_line(entry_text(name, value)));
    return true;
}

std::string folder_of(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string base_of(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes the text to a new temporary file beside path and renames it over
// path. The folder is locked by the caller.
bool replace_file(const std::string& path, const std::string& text, bool existed, mode_t mode) {
    static std::atomic<unsigned> serial{0};
    const std::string temp = folder_of(path) + "/." + base_of(path) + "." +
                             std::to_string(::getpid()) + "." + std::to_string(serial++) + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return fail(errno);
    bool ok = write_all(fd, text);
    if (ok && existed) ok = ::fchmod(fd, mode & 07777) == 0;
    int e = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        e = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        e = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return fail(e);
    }
    return true;
}

bool rewrite_locked(const std::string& path, const char* section, const char* key,
                    const char* value) {
    std::string text;
    bool exists = false;
    if (!read_file_text(path, &text, &exists)) return fail(errno);
    // A delete never creates the file.
    if (!exists && (!key || !value)) return true;
    struct stat st {};
    if (exists) {
        if (::stat(path.c_str(), &st) != 0) return fail(errno);
        if (::access(path.c_str(), W_OK) != 0) return fail(errno);
        // A file without any write permission is read-only, as a file with
        // the read-only attribute is for the system, also for a privileged
        // user whom the permissions do not stop.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return fail(EACCES);
    }
    std::vector<profile::Line> lines = profile::Parse(text);
    if (!apply(&lines, section, key, value)) return true;
    std::string out;
    out.reserve(text.size() + 64);
    for (const profile::Line& line : lines) {
        out += line.text;
        out += "\r\n";
    }
    return replace_file(path, out, exists, st.st_mode);
}

} // namespace

bool write_profile_string(const char* file, const char* section, const char* key,
                          const char* value) {
    // Writes go to the file at once: there is no cache to flush.
    if (!section && !key && !value) return true;
    if (!section || (file && !*file)) {
        set_last_error(err::InvalidParameter);
        return false;
    }
    std::string path = profile::ResolveProfile(file);
    const bool in_windows_folder = !file || (!std::strchr(file, '/') && !std::strchr(file, '\\'));
    if (in_windows_folder) ::mkdir(profile::WindowsDirectory().c_str(), 0777);
    // A symbolic link stays a link: the file it names is replaced.
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    int folder = ::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return fail(errno);
    while (::flock(folder, LOCK_EX) != 0) {
        if (errno != EINTR) {
            int e = errno;
            ::close(folder);
            return fail(e);
        }
    }
    bool ok = rewrite_locked(path, section, key, value);
    std::uint32_t code = get_last_error();
    ::flock(folder, LOCK_UN);
    ::close(folder);
    if (!ok) set_last_error(code);
    return ok;
}

void notify_profile_change(const char*) {
    // No other programs run on the native desktop, and the library's own
    // windows do not follow the user's profile: there is no one to tell.
}

} // namespace plat
