// Profiles (INI-format files), module file names and plain file services
// of the native backend. The INI reader reads files by the rules of
// profile_format.h, which the writer (profile_write.cpp) shares. A bare
// file name lives in the backend's Windows directory, the JOL_HOME folder
// (default ~/.jol), beside the registry file; the user's profile is
// win.ini there.
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/modules.h"
#include "platform/native/profile_format.h"
#include "platform/profiles.h"

namespace plat {
namespace {

std::size_t copy_value(const char* text, std::size_t n, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    if (n > out_size - 1) n = out_size - 1;
    std::memcpy(out, text, n);
    out[n] = 0;
    return n;
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
    std::string text;
    if (file && *file && section && key && read_whole(profile::ResolveProfile(file), &text)) {
        std::vector<profile::Line> lines = profile::Parse(text);
        std::size_t begin = 0, end = 0;
        if (profile::FindSection(lines, section, &begin, &end)) {
            std::size_t at = profile::FindEntry(lines, begin, end, key);
            if (at < end && lines[at].has_value) {
                std::string value = profile::ReadValue(lines[at]);
                return copy_value(value.data(), value.size(), out, out_size);
            }
        }
    }
    std::string def = profile::DefaultText(default_text);
    return copy_value(def.data(), def.size(), out, out_size);
}

std::size_t read_win_profile_string(const char* section, const char* key, const char* default_text,
                                    char* out, std::size_t out_size) {
    return read_profile_string("win.ini", section, key, default_text, out, out_size);
}

bool read_profile_keys(const char* file, const char* section, const char* default_text, char* out,
                       std::size_t out_size, std::size_t* length) {
    if (length) *length = 0;
    if (!out || out_size == 0) return false;
    std::string text;
    std::vector<std::string> names;
    if (section && (!file || *file) && read_whole(profile::ResolveProfile(file), &text)) {
        std::vector<profile::Line> lines = profile::Parse(text);
        std::size_t begin = 0, end = 0;
        if (profile::FindSection(lines, section, &begin, &end))
            for (std::size_t i = begin; i < end; ++i)
                if (profile::IsListed(lines[i])) names.push_back(lines[i].name);
    }
    if (names.empty()) {
        std::string def = profile::DefaultText(default_text);
        if (!def.empty()) names.push_back(def);
    }
    // Each name with its zero, and the final zero, must fit.
    std::size_t used = 0;
    bool complete = true;
    for (const std::string& n : names) {
        if (used + n.size() + 1 + 1 > out_size) {
            complete = false;
            break;
        }
        std::memcpy(out + used, n.data(), n.size());
        used += n.size();
        out[used++] = 0;
    }
    out[used] = 0;
    if (length) *length = used;
    return complete;
}

std::size_t module_file_name(Module m, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    *out = 0;
    if (m) {
        // An instance (module_of_address) is the module's load address; a
        // module that load_library or module_handle gave is the loader's
        // handle, whose link map holds the name.
        const char* file = nullptr;
        Dl_info info;
        if (::dladdr(reinterpret_cast<void*>(m), &info) &&
            reinterpret_cast<Module>(info.dli_fbase) == m) {
            file = info.dli_fname;
        } else {
            struct link_map* map = nullptr;
            if (::dlinfo(reinterpret_cast<void*>(m), RTLD_DI_LINKMAP, &map) != 0 || !map) return 0;
            file = map->l_name;
        }
        if (file && *file) {
            char full[PATH_MAX];
            const char* name = ::realpath(file, full) ? full : file;
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
    std::string posix;
    std::uint32_t error = 0;
    struct stat st;
    return detail::map_path(path, &posix, &error) && ::stat(posix.c_str(), &st) == 0 &&
           !S_ISDIR(st.st_mode);
}

bool append_to_file(const char* path, const char* data, std::size_t len) {
    std::uint32_t error = 0;
    int fd = detail::open_mapped(path, O_WRONLY | O_CREAT | O_APPEND, 0666, &error);
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
