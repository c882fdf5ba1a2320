// Profiles (INI-format files), module file names and plain file services
// of the native backend. The INI reader follows the rules of the system's
// profile reader: "[section]" lines open sections, "key=value" lines hold
// values, names compare without regard to case, blanks around names and
// values are dropped, a value wholly enclosed in matching quotes loses
// them, and lines beginning with ";" are comments. A bare file name lives
// in the backend's Windows directory, the JOL_HOME folder (default
// ~/.jol), beside the registry file.
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace plat {
namespace {

std::size_t copy_value(const char* text, std::size_t n, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    if (n > out_size - 1) n = out_size - 1;
    std::memcpy(out, text, n);
    out[n] = 0;
    return n;
}

std::string windows_directory() {
    if (const char* h = std::getenv("JOL_HOME"); h && *h) return h;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.jol";
}

std::string resolve_profile(const char* file) {
    std::string name = file;
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) {
        for (char& c : name)
            if (c == '\\') c = '/';
        return name;
    }
    return windows_directory() + "/" + name;
}

bool same_name(const char* a, std::size_t an, const char* b) {
    std::size_t bn = std::strlen(b);
    if (an != bn) return false;
    for (std::size_t i = 0; i < an; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Trims [*b, *e) of blanks on both ends.
void trim(const char** b, const char** e) {
    while (*b < *e && is_blank(**b))
        ++*b;
    while (*e > *b && is_blank((*e)[-1]))
        --*e;
}

// Finds the key's value in the text; false when there is none.
bool find_value(const std::string& text, const char* section, const char* key, std::string* value) {
    bool in_section = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const char* b = text.data() + pos;
        const char* e = text.data() + end;
        pos = end + 1;
        trim(&b, &e);
        if (b == e || *b == ';') continue;
        if (*b == '[') {
            const char* close = static_cast<const char*>(std::memchr(b, ']', e - b));
            const char* nb = b + 1;
            const char* ne = close ? close : e;
            trim(&nb, &ne);
            in_section = same_name(nb, ne - nb, section);
            continue;
        }
        if (!in_section) continue;
        const char* eq = static_cast<const char*>(std::memchr(b, '=', e - b));
        if (!eq) continue;
        const char* kb = b;
        const char* ke = eq;
        trim(&kb, &ke);
        if (!same_name(kb, ke - kb, key)) continue;
        const char* vb = eq + 1;
        const char* ve = e;
        trim(&vb, &ve);
        if (ve - vb >= 2 && (*vb == '"' || *vb == '\'') && ve[-1] == *vb) {
            ++vb;
            --ve;
        }
        value->assign(vb, ve);
        return true;
    }
    return false;
}

bool read_whole(const std::string& path, std::string* text) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text->append(buf, n);
    std::fclose(f);
    return true;
}

} // namespace

std::size_t read_profile_string(const char* file, const char* section, const char* key,
                                const char* default_text, char* out, std::size_t out_size) {
    const char* def = default_text ? default_text : "";
    std::string text, value;
    if (file && *file && section && key && read_whole(resolve_profile(file), &text) &&
        find_value(text, section, key, &value))
        return copy_value(value.data(), value.size(), out, out_size);
    return copy_value(def, std::strlen(def), out, out_size);
}

std::size_t read_win_profile_string(const char*, const char*, const char* default_text, char* out,
                                    std::size_t out_size) {
    const char* def = default_text ? default_text : "";
    return copy_value(def, std::strlen(def), out, out_size);
}

std::size_t module_file_name(Module m, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    *out = 0;
    if (m) {
        Dl_info info;
        if (!::dladdr(reinterpret_cast<void*>(m), &info)) return 0;
        if (info.dli_fname && *info.dli_fname) {
            char full[PATH_MAX];
            const char* name = ::realpath(info.dli_fname, full) ? full : info.dli_fname;
            std::size_t n = std::strlen(name);
            if (n >= out_size) return 0;
            return copy_value(name, n, out, out_size);
        }
        // The running program itself is reported without a name.
    }
    char exe[PATH_MAX];
    std::size_t n = executable_path(exe, sizeof exe);
    if (n == 0 || n >= out_size) return 0;
    return copy_value(exe, n, out, out_size);
}

bool file_exists(const char* path) {
    struct stat st;
    return path && *path && ::stat(path, &st) == 0 && !S_ISDIR(st.st_mode);
}

bool append_to_file(const char* path, const char* data, std::size_t len) {
    if (!path || !*path) return false;
    int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = true;
    while (len > 0) {
        ssize_t n = ::write(fd, data, len);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        data += n;
        len -= static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0 && ok;
}

} // namespace plat
