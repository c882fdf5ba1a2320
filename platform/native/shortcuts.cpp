// Shortcut files of the native backend: the file format read and written
// by platform/shell_link.cpp, names mapped as every file name is.
//
// A new or changed shortcut is written, synced and closed under the name
// of the shortcut with ".tmp" added, created only when no such file exists
// (a second writer of the same shortcut fails rather than share it), and
// then takes the shortcut's name. A target that is set anew is stored as
// link information with a local base path, in both the code page and
// UTF-16, which is what the system needs to find it; whatever named the
// old target another way (the item-id list, the relative path, the blocks
// of variables, tracking and known folders) is dropped with it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/file_system.h"
#include "platform/native/paths.h"
#include "platform/shell_link.h"
#include "platform/shortcuts.h"
#include "platform/system_errors.h"
#include "platform/text.h"

namespace plat {
namespace {

constexpr std::size_t kMaxFileSize = 1u << 20; // larger files are no shortcuts

bool ReadWhole(const std::string& posix, std::string* out) {
    const int fd = ::open(posix.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<std::uint64_t>(st.st_size) <= kMaxFileSize;
    out->clear();
    char buf[4096];
    while (ok) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        out->append(buf, static_cast<std::size_t>(n));
        if (out->size() > kMaxFileSize) ok = false;
    }
    ::close(fd);
    return ok;
}

std::u16string Widen(const char* text) {
    const std::size_t len = std::strlen(text);
    std::u16string w(len + 1, u'\0');
    w.resize(code_page_to_wide(text, len, w.data(), w.size()));
    return w;
}

// Code-page text of units as the file holds them into a buffer of
// kShortcutTextSize bytes, cut at a whole character.
void Narrow(const std::u16string& units, bool wide, char* out) {
    if (wide) {
        wide_to_code_page(units.data(), units.size(), out, kShortcutTextSize);
        return;
    }
    std::size_t n = 0;
    while (n < units.size() && units[n] != 0 && n + 1 < kShortcutTextSize) {
        const unsigned char c = static_cast<unsigned char>(units[n]);
        if (is_lead_byte(c)) {
            if (n + 2 >= kShortcutTextSize || n + 1 >= units.size()) break;
            out[n] = static_cast<char>(c);
            ++n;
        }
        out[n] = static_cast<char>(units[n] & 0xFF);
        ++n;
    }
    out[n] = 0;
}

std::u16string Bytes(const std::string& s) {
    std::u16string u;
    for (char c : s)
        u.push_back(static_cast<unsigned char>(c));
    return u;
}

// The target as the system finds it: the link information's local base
// path or network share with the common path suffix, else the target of
// the block of variables.
void TargetOf(const lnk::ShellLink& link, char* out) {
    out[0] = 0;
    if (!link.local_base_path_w.empty()) {
        Narrow(link.local_base_path_w + (link.common_path_suffix_w.empty()
                                             ? Bytes(link.common_path_suffix)
                                             : link.common_path_suffix_w),
               true, out);
        return;
    }
    if (!link.local_base_path.empty()) {
        Narrow(Bytes(link.local_base_path + link.common_path_suffix), false, out);
        return;
    }
    if (!link.net_name.empty()) {
        std::string t = link.net_name;
        if (!link.common_path_suffix.empty()) t += "\\" + link.common_path_suffix;
        Narrow(Bytes(t), false, out);
        return;
    }
    std::u16string env;
    bool wide = false;
    if (lnk::EnvironmentTarget(link, &env, &wide)) Narrow(env, wide, out);
}

bool LoadLink(const char* path, lnk::ShellLink* link) {
    std::string posix, bytes;
    if (!detail::map_name(path, &posix) || !ReadWhole(posix, &bytes)) return false;
    return lnk::Parse(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), link);
}

void DropBlocks(lnk::ShellLink* link, const std::uint32_t* signatures, std::size_t count) {
    auto& extra = link->extra;
    for (std::size_t i = extra.size(); i-- > 0;)
        for (std::size_t k = 0; k < count; ++k)
            if (extra[i].signature == signatures[k]) {
                extra.erase(extra.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
}

void Apply(const ShortcutChange& c, lnk::ShellLink* link) {
    if (c.target) {
        link->id_list.clear();
        link->link_info = lnk::LocalLinkInfo(c.target, Widen(c.target));
        link->relative_path.clear();
        link->flags &= ~(lnk::flag::HasRelativePath | lnk::flag::ForceNoLinkInfo |
                         lnk::flag::HasExpString | lnk::flag::HasDarwinId);
        link->file_attributes = 0;
        link->file_size = 0;
        for (std::uint64_t& t : link->times)
            t = 0;
        constexpr std::uint32_t kTargetBlocks[] = {
            lnk::block::Environment, lnk::block::Tracker,       lnk::block::SpecialFolder,
            lnk::block::Darwin,      lnk::block::PropertyStore, lnk::block::KnownFolder};
        DropBlocks(link, kTargetBlocks, sizeof kTargetBlocks / sizeof kTargetBlocks[0]);
    }
    if (c.arguments) {
        link->arguments = Widen(c.arguments);
        link->flags |= lnk::flag::HasArguments;
    }
    if (c.directory) {
        link->working_dir = Widen(c.directory);
        link->flags |= lnk::flag::HasWorkingDir;
    }
    if (c.show_command) link->show_command = static_cast<std::uint32_t>(c.show_command);
    if (c.description) {
        link->name = Widen(c.description);
        link->flags |= lnk::flag::HasName;
    }
    if (c.set_hotkey) link->hotkey = c.hotkey;
    if (c.icon_file) {
        link->icon_location = Widen(c.icon_file);
        link->icon_index = c.icon_index;
        link->flags = (link->flags | lnk::flag::HasIconLocation) & ~lnk::flag::HasExpIcon;
        const std::uint32_t icon_block = lnk::block::IconEnvironment;
        DropBlocks(link, &icon_block, 1);
    }
}

// Strings of a file kept in the code page become UTF-16, as every file
// this backend writes holds them.
void MakeUnicode(lnk::ShellLink* link) {
    if (link->flags & lnk::flag::IsUnicode) return;
    for (lnk::Units* s : {&link->name, &link->relative_path, &link->working_dir, &link->arguments,
                          &link->icon_location}) {
        std::string bytes;
        for (char16_t c : *s)
            bytes.push_back(static_cast<char>(c & 0xFF));
        *s = Widen(bytes.c_str());
    }
    link->flags |= lnk::flag::IsUnicode;
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool PutInPlace(const std::string& posix, const std::string& bytes, bool replace) {
    const std::string temporary = posix + ".tmp";
    mode_t mode = 0666;
    if (replace) {
        struct stat st {};
        // A file without any write permission is read-only, also for a
        // privileged user, as the system treats its read-only attribute.
        if (::stat(posix.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0)
            return false;
        mode = st.st_mode & 07777;
    }
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes) && (!replace || ::fchmod(fd, mode) == 0) && ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    bool kept = true; // the temporary file is still there under its name
    if (ok && replace) {
        ok = ::rename(temporary.c_str(), posix.c_str()) == 0;
        kept = !ok;
    } else if (ok) {
        // A new shortcut never replaces a file that came in the meantime.
        ok = ::link(temporary.c_str(), posix.c_str()) == 0;
        // A file system without hard links takes the file by name.
        if (!ok && (errno == EPERM || errno == ENOTSUP || errno == ENOSYS)) {
            ok = ::access(posix.c_str(), F_OK) != 0 &&
                 ::rename(temporary.c_str(), posix.c_str()) == 0;
            kept = !ok;
        }
    }
    // Once renamed, the name may already be another writer's claim.
    if (kept) ::unlink(temporary.c_str());
    return ok;
}

bool IsLnkExtension(const char* ext) {
    return (ext[0] == 'l' || ext[0] == 'L') && (ext[1] == 'n' || ext[1] == 'N') &&
           (ext[2] == 'k' || ext[2] == 'K') && ext[3] == 0;
}

} // namespace

bool find_shortcut(const char* name, char* out, std::size_t out_size) {
    if (!name || !*name) return false;
    const char* base = name;
    for (const char* p = name; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
    const char* dot = std::strrchr(base, '.');
    if (dot && !IsLnkExtension(dot + 1)) return find_file(name, out, out_size);
    // The extension is compared without regard to case, as the system
    // compares names: the name as given, then with ".LNK" and ".lnk".
    const std::string stem = dot ? std::string(name, dot) : std::string(name);
    if (dot && find_file(name, out, out_size)) return true;
    return find_file((stem + ".LNK").c_str(), out, out_size) ||
           find_file((stem + ".lnk").c_str(), out, out_size);
}

ShortcutStatus read_shortcut(const char* path, ShortcutInfo* out) {
    lnk::ShellLink link;
    if (!LoadLink(path, &link)) return ShortcutStatus::Load;
    const bool wide = link.flags & lnk::flag::IsUnicode;
    *out = ShortcutInfo{};
    TargetOf(link, out->target);
    Narrow(link.arguments, wide, out->arguments);
    Narrow(link.working_dir, wide, out->directory);
    Narrow(link.name, wide, out->description);
    Narrow(link.icon_location, wide, out->icon_file);
    out->icon_index = link.icon_index;
    out->show_command = static_cast<int>(link.show_command);
    out->hotkey = link.hotkey;
    return ShortcutStatus::Ok;
}

ShortcutStatus write_shortcut(const char* path, const ShortcutChange& change, bool edit) {
    lnk::ShellLink link;
    if (edit) {
        if (!LoadLink(path, &link)) return ShortcutStatus::Load;
        MakeUnicode(&link);
    } else {
        link.flags = lnk::flag::IsUnicode;
    }
    Apply(change, &link);
    std::string posix;
    if (!detail::map_name(path, &posix)) return ShortcutStatus::Save;
    if (!PutInPlace(posix, lnk::Serialize(link), edit)) return ShortcutStatus::Save;
    return ShortcutStatus::Ok;
}

} // namespace plat
