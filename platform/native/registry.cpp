// The registry of the native backend: a persistent store of keys and typed
// values in one file, $JOL_HOME/registry.dat (JOL_HOME defaults to ~/.jol).
//
// Every change is written to a temporary file that is synced and renamed
// over the store, so a process that dies mid-write leaves the previous
// contents whole. A lock file serialises the read-modify-write of processes
// that share the store. A store that cannot be read back (a damaged file) is
// reported on standard error and set aside under a new name; it is never
// silently emptied.
//
// Hive files of the system's format can be mounted below the users and
// local machine roots (platform/native/registry_hive.h); the keys below a
// mount are read and written in the hive, not in the store.
//
// Names compare without regard to ASCII case; subkeys and values are
// listed in the order of their lower-case names.
//
// File format: the line "JOLREG 1", then for each key a line "K <path>"
// followed by its values as "V <name> <type> <hex data>", then "END <n>"
// with n the number of K and V lines. Paths and names are escaped with %XX
// for bytes below 0x21, above 0x7E and the percent sign.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/native/paths.h"
#include "platform/native/registry_hive.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/system_errors.h"

namespace plat {
namespace {

struct ValueRec {
    std::string name; // as given, for listing
    std::uint32_t type = regtype::None;
    std::string data;
};

struct KeyRec {
    std::string path;                       // as given
    std::map<std::string, ValueRec> values; // by lower-case name
};

using Store = std::map<std::string, KeyRec>; // by lower-case full path

constexpr std::uintptr_t kRootBase = 0x80000000u;

std::string lower(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

const char* root_name(std::uintptr_t h) {
    switch (h) {
    case kRootBase + 0:
        return "HKEY_CLASSES_ROOT";
    case kRootBase + 1:
        return "HKEY_CURRENT_USER";
    case kRootBase + 2:
        return "HKEY_LOCAL_MACHINE";
    case kRootBase + 3:
        return "HKEY_USERS";
    case kRootBase + 5:
        return "HKEY_CURRENT_CONFIG";
    default:
        return nullptr;
    }
}

// The name of the root whose lower-case path this is; null for any other.
const char* root_of_path(const std::string& path) {
    for (std::uintptr_t h :
         {kRootBase + 0, kRootBase + 1, kRootBase + 2, kRootBase + 3, kRootBase + 5})
        if (path == lower(root_name(h))) return root_name(h);
    return nullptr;
}

bool root_name_of_path(const std::string& path) {
    return root_of_path(path) != nullptr;
}

std::string escape(const std::string& s) {
    static const char hex[] = "0123456789ABCDEF";
    std::string r;
    for (unsigned char c : s) {
        if (c < 0x21 || c > 0x7E || c == '%') {
            r += '%';
            r += hex[c >> 4];
            r += hex[c & 15];
        } else {
            r += static_cast<char>(c);
        }
    }
    return r;
}

int hexval(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool unescape(const std::string& s, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size()) return false;
        int hi = hexval(s[i + 1]), lo = hexval(s[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

bool unhex(const std::string& s, std::string& out) {
    if (s.size() % 2) return false;
    out.clear();
    for (std::size_t i = 0; i < s.size(); i += 2) {
        int hi = hexval(s[i]), lo = hexval(s[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

std::string home_dir() {
    if (const char* h = std::getenv("JOL_HOME"); h && *h) return h;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.jol";
}

// Parses the store; false when the text is not a whole store.
bool parse(const std::string& text, Store& store) {
    store.clear();
    std::size_t pos = 0;
    auto next_line = [&](std::string& line) {
        if (pos >= text.size()) return false;
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) return false; // every line ends in a line feed
        line = text.substr(pos, end - pos);
        pos = end + 1;
        return true;
    };
    std::string line;
    if (!next_line(line) || line != "JOLREG 1") return false;
    KeyRec* current = nullptr;
    unsigned long records = 0;
    while (next_line(line)) {
        if (line.rfind("END ", 0) == 0) {
            char* end = nullptr;
            unsigned long n = std::strtoul(line.c_str() + 4, &end, 10);
            return *end == 0 && n == records && pos == text.size();
        }
        if (line.rfind("K ", 0) == 0) {
            std::string path;
            if (!unescape(line.substr(2), path) || path.empty()) return false;
            KeyRec& k = store[lower(path)];
            k.path = path;
            current = &k;
        } else if (line.rfind("V ", 0) == 0 && current) {
            std::size_t a = line.find(' ', 2);
            if (a == std::string::npos) return false;
            std::size_t b = line.find(' ', a + 1);
            if (b == std::string::npos) return false;
            ValueRec v;
            const std::string name = line.substr(2, a - 2);
            if (name == "%")
                v.name.clear(); // the default value
            else if (!unescape(name, v.name))
                return false;
            char* end = nullptr;
            std::string type_text = line.substr(a + 1, b - a - 1);
            v.type = static_cast<std::uint32_t>(std::strtoul(type_text.c_str(), &end, 10));
            if (*end != 0 || type_text.empty()) return false;
            if (!unhex(line.substr(b + 1), v.data)) return false;
            current->values[lower(v.name)] = v;
        } else {
            return false;
        }
        ++records;
    }
    return false; // no END line: the file was cut short
}

std::string serialise(const Store& store) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "JOLREG 1\n";
    unsigned long records = 0;
    for (const auto& [key, k] : store) {
        out += "K " + escape(k.path) + "\n";
        ++records;
        for (const auto& [vkey, v] : k.values) {
            // The default (unnamed) value is written as "%" alone, which no
            // escaped name can be.
            out += "V " + (v.name.empty() ? std::string("%") : escape(v.name)) + " " +
                   std::to_string(v.type) + " ";
            for (unsigned char c : v.data) {
                out += hex[c >> 4];
                out += hex[c & 15];
            }
            out += "\n";
            ++records;
        }
    }
    out += "END " + std::to_string(records) + "\n";
    return out;
}

struct OpenKey {
    std::string path; // lower-case full path
    bool write = false;
    bool live = false;
};

struct Registry {
    std::mutex lock;
    std::map<std::uintptr_t, OpenKey> open;
    std::uintptr_t next_handle = 0x1000;
};

Registry& registry() {
    static Registry r;
    return r;
}

// Holds the store's lock file for one operation and gives access to the
// store's contents.
class StoreSession {
public:
    explicit StoreSession(bool exclusive) {
        dir_ = home_dir();
        ::mkdir(dir_.c_str(), 0700);
        file_ = dir_ + "/registry.dat";
        lock_fd_ = ::open((dir_ + "/registry.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lock_fd_ >= 0) ::flock(lock_fd_, exclusive ? LOCK_EX : LOCK_SH);
        load();
    }
    ~StoreSession() {
        if (lock_fd_ >= 0) {
            ::flock(lock_fd_, LOCK_UN);
            ::close(lock_fd_);
        }
    }
    StoreSession(const StoreSession&) = delete;
    StoreSession& operator=(const StoreSession&) = delete;

    Store& store() { return store_; }

    // Writes the store; false (with the last error set) when it could not.
    bool save() {
        std::string text = serialise(store_);
        std::string tmp = file_ + ".tmp";
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) return fail();
        std::size_t done = 0;
        while (done < text.size()) {
            ssize_t n = ::write(fd, text.data() + done, text.size() - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                ::close(fd);
                ::unlink(tmp.c_str());
                return fail();
            }
            done += static_cast<std::size_t>(n);
        }
        if (::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(tmp.c_str(), file_.c_str()) != 0) {
            ::unlink(tmp.c_str());
            return fail();
        }
        return true;
    }

private:
    static bool fail() {
        set_last_error(err::AccessDenied);
        return false;
    }

    void load() {
        std::FILE* f = std::fopen(file_.c_str(), "rb");
        if (!f) return; // no store yet: empty
        std::string text;
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            text.append(buf, n);
        std::fclose(f);
        if (parse(text, store_)) return;
        // Set the damaged store aside so nothing is lost, and start anew.
        store_.clear();
        std::string aside = file_ + ".corrupt-" + std::to_string(std::time(nullptr));
        if (::rename(file_.c_str(), aside.c_str()) == 0)
            std::fprintf(stderr, "jol: the settings store %s is damaged; it was set aside as %s\n",
                         file_.c_str(), aside.c_str());
        else
            std::fprintf(stderr, "jol: the settings store %s is damaged and cannot be moved\n",
                         file_.c_str());
    }

    std::string dir_, file_;
    int lock_fd_ = -1;
    Store store_;
};

// Resolves a key handle to its lower-case full path; false for an unknown
// handle.
bool key_path(std::uintptr_t key, std::string& path, bool* write) {
    if (const char* root = root_name(key)) {
        path = lower(root);
        if (write) *write = true;
        return true;
    }
    Registry& r = registry();
    std::lock_guard<std::mutex> hold(r.lock);
    auto it = r.open.find(key);
    if (it == r.open.end()) return false;
    path = it->second.path;
    if (write) *write = it->second.write;
    return true;
}

// The full path of a subkey below a key, with repeated and trailing
// backslashes removed; the case of the given text is kept.
std::string join(const std::string& parent, const char* subkey) {
    std::string r = parent;
    std::string part;
    for (const char* p = subkey ? subkey : "";; ++p) {
        if (*p == '\\' || *p == 0) {
            if (!part.empty()) r += "\\" + part;
            part.clear();
            if (*p == 0) break;
        } else {
            part += *p;
        }
    }
    return r;
}

std::uintptr_t new_handle(const std::string& path, bool write) {
    Registry& r = registry();
    std::lock_guard<std::mutex> hold(r.lock);
    std::uintptr_t h = r.next_handle;
    r.next_handle += 4;
    r.open[h] = OpenKey{path, write, true};
    return h;
}

// The stored path with its original case for a lower-case path.
std::string display_path(const Store& store, const std::string& lower_path) {
    auto it = store.find(lower_path);
    return it == store.end() ? lower_path : it->second.path;
}

// The subkey names (or value names) of a key in lower-case name order.
std::uint32_t list_names(const std::string& path, bool values, std::vector<std::string>* names) {
    names->clear();
    if (hive::covers(path)) return hive::list(path, values, names);
    StoreSession s(false);
    std::map<std::string, std::string> found; // lower-case name -> name
    auto k = s.store().find(path);
    if (k == s.store().end() && !root_name_of_path(path)) return err::FileNotFound;
    if (values) {
        if (k != s.store().end())
            for (const auto& [lname, v] : k->second.values)
                found[lname] = v.name;
    } else {
        const std::string prefix = path + "\\";
        for (auto it = s.store().lower_bound(prefix);
             it != s.store().end() && it->first.rfind(prefix, 0) == 0; ++it) {
            const std::string rest = it->first.substr(prefix.size());
            if (rest.find('\\') != std::string::npos) continue; // deeper down
            const std::string& shown = it->second.path;
            found[rest] = shown.substr(shown.size() - rest.size());
        }
        for (const std::string& name : hive::mounted_below(path))
            found[lower(name)] = name;
    }
    for (const auto& [lname, name] : found)
        names->push_back(name);
    return err::Success;
}

std::uint32_t enum_name(RegKey key, bool values, std::uint32_t index, char* name,
                        std::uint32_t* size) {
    if (!size) return err::InvalidParameter;
    std::string path;
    if (!key_path(key, path, nullptr)) return err::InvalidHandle;
    std::vector<std::string> names;
    if (std::uint32_t rc = list_names(path, values, &names)) return rc;
    if (index >= names.size()) return err::NoMoreItems;
    const std::string& n = names[index];
    if (!name || *size <= n.size()) return err::MoreData;
    std::memcpy(name, n.c_str(), n.size() + 1);
    *size = static_cast<std::uint32_t>(n.size());
    return err::Success;
}

// The lower-case path of a mount point below the users or local machine
// root: its parent must be one of them, the name one level deep.
std::uint32_t mount_path(RegKey key, const char* subkey, std::string* path, std::string* display) {
    if (key != kRootBase + 2 && key != kRootBase + 3) return err::InvalidHandle;
    if (!subkey || !*subkey || std::strchr(subkey, '\\')) return err::InvalidParameter;
    *display = std::string(root_name(key)) + "\\" + subkey;
    *path = lower(*display);
    return err::Success;
}

} // namespace

RegKey reg_root(RegRoot root) {
    switch (root) {
    case RegRoot::ClassesRoot:
        return kRootBase + 0;
    case RegRoot::CurrentUser:
        return kRootBase + 1;
    case RegRoot::LocalMachine:
        return kRootBase + 2;
    case RegRoot::Users:
        return kRootBase + 3;
    case RegRoot::CurrentConfig:
        return kRootBase + 5;
    }
    return 0;
}

std::uint32_t reg_open_key(RegKey parent, const char* subkey, bool write, RegKey* out) {
    if (!out) return err::InvalidParameter;
    *out = 0;
    std::string base;
    if (!key_path(parent, base, nullptr)) return err::InvalidHandle;
    std::string full = lower(join(base, subkey));
    if (root_name(parent) && full == base) {
        *out = new_handle(full, write);
        return err::Success;
    }
    if (hive::covers(full)) {
        if (std::uint32_t rc = hive::exists(full)) return rc;
        *out = new_handle(full, write);
        return err::Success;
    }
    StoreSession s(false);
    if (s.store().find(full) == s.store().end()) return err::FileNotFound;
    *out = new_handle(full, write);
    return err::Success;
}

std::uint32_t reg_create_key(RegKey parent, const char* subkey, RegKey* out) {
    if (!out) return err::InvalidParameter;
    *out = 0;
    std::string base;
    bool writable = false;
    if (!key_path(parent, base, &writable)) return err::InvalidHandle;
    if (hive::covers(lower(join(base, subkey)))) {
        const std::string display = join(base, subkey);
        if (std::uint32_t rc = hive::create(display)) return rc;
        *out = new_handle(lower(display), true);
        return err::Success;
    }
    StoreSession s(true);
    std::string display = join(display_path(s.store(), base), subkey);
    if (lower(display) == base) {
        *out = new_handle(base, true);
        return err::Success;
    }
    // Create every missing key along the path.
    bool changed = false;
    std::string partial;
    for (std::size_t i = 0; i <= display.size(); ++i) {
        if (i == display.size() || display[i] == '\\') {
            partial = display.substr(0, i);
            std::string lp = lower(partial);
            if (lp.size() > base.size() && s.store().find(lp) == s.store().end()) {
                s.store()[lp].path = partial;
                changed = true;
            }
        }
    }
    if (changed && !s.save()) return err::AccessDenied;
    *out = new_handle(lower(display), true);
    return err::Success;
}

std::uint32_t reg_query_value(RegKey key, const char* name, std::uint32_t* type, void* data,
                              std::uint32_t* size) {
    std::string path;
    if (!key_path(key, path, nullptr)) return err::InvalidHandle;
    std::uint32_t found_type = regtype::None;
    std::string bytes;
    if (hive::covers(path)) {
        if (std::uint32_t rc = hive::query_value(path, name, &found_type, &bytes)) return rc;
    } else {
        StoreSession s(false);
        auto k = s.store().find(path);
        if (k == s.store().end()) return err::FileNotFound;
        auto v = k->second.values.find(lower(name ? name : ""));
        if (v == k->second.values.end()) return err::FileNotFound;
        found_type = v->second.type;
        bytes = v->second.data;
    }
    if (type) *type = found_type;
    std::uint32_t need = static_cast<std::uint32_t>(bytes.size());
    if (!size) return data ? err::InvalidParameter : err::Success;
    if (data && *size < need) {
        *size = need;
        return err::MoreData;
    }
    if (data) std::memcpy(data, bytes.data(), need);
    *size = need;
    return err::Success;
}

std::uint32_t reg_set_value(RegKey key, const char* name, std::uint32_t type, const void* data,
                            std::uint32_t size) {
    std::string path;
    bool write = false;
    if (!key_path(key, path, &write)) return err::InvalidHandle;
    if (!write) return err::AccessDenied;
    if (hive::covers(path)) return hive::set_value(path, name, type, data, size);
    StoreSession s(true);
    auto k = s.store().find(path);
    if (k == s.store().end() && root_name_of_path(path)) {
        // A root holds values as any key does; its record is made with the first.
        k = s.store().emplace(path, KeyRec{}).first;
        k->second.path = root_of_path(path);
    }
    if (k == s.store().end()) return err::FileNotFound; // deleted meanwhile
    ValueRec v;
    v.name = name ? name : "";
    v.type = type;
    if (data && size) v.data.assign(static_cast<const char*>(data), size);
    k->second.values[lower(v.name)] = v;
    return s.save() ? err::Success : err::AccessDenied;
}

std::uint32_t reg_delete_value(RegKey key, const char* name) {
    std::string path;
    bool write = false;
    if (!key_path(key, path, &write)) return err::InvalidHandle;
    if (!write) return err::AccessDenied;
    if (hive::covers(path)) return hive::delete_value(path, name);
    StoreSession s(true);
    auto k = s.store().find(path);
    if (k == s.store().end()) return err::FileNotFound;
    if (k->second.values.erase(lower(name ? name : "")) == 0) return err::FileNotFound;
    return s.save() ? err::Success : err::AccessDenied;
}

std::uint32_t reg_delete_key(RegKey parent, const char* subkey) {
    std::string base;
    if (!key_path(parent, base, nullptr)) return err::InvalidHandle;
    std::string full = lower(join(base, subkey));
    if (full == base) return err::AccessDenied;
    if (hive::covers(full)) return hive::delete_key(full);
    StoreSession s(true);
    // A key with a hive mounted below it stays.
    if (!hive::mounted_below(full).empty()) return err::AccessDenied;
    if (s.store().find(full) == s.store().end()) return err::FileNotFound;
    // A key with subkeys cannot be deleted, as on the system.
    auto next = s.store().upper_bound(full);
    if (next != s.store().end() && next->first.rfind(full + "\\", 0) == 0) return err::AccessDenied;
    s.store().erase(full);
    return s.save() ? err::Success : err::AccessDenied;
}

std::uint32_t reg_close(RegKey key) {
    if (root_name(key)) return err::Success;
    Registry& r = registry();
    std::lock_guard<std::mutex> hold(r.lock);
    return r.open.erase(key) ? err::Success : err::InvalidHandle;
}

std::uint32_t reg_enum_key(RegKey key, std::uint32_t index, char* name, std::uint32_t* size) {
    return enum_name(key, false, index, name, size);
}

std::uint32_t reg_enum_value(RegKey key, std::uint32_t index, char* name, std::uint32_t* size) {
    return enum_name(key, true, index, name, size);
}

std::uint32_t reg_query_info(RegKey key, RegKeyInfo* info) {
    if (!info) return err::InvalidParameter;
    *info = RegKeyInfo{};
    std::string path;
    if (!key_path(key, path, nullptr)) return err::InvalidHandle;
    std::vector<std::string> names;
    if (std::uint32_t rc = list_names(path, false, &names)) return rc;
    info->subkeys = static_cast<std::uint32_t>(names.size());
    for (const std::string& n : names)
        info->longest_subkey = std::max(info->longest_subkey, static_cast<std::uint32_t>(n.size()));
    if (std::uint32_t rc = list_names(path, true, &names)) return rc;
    info->values = static_cast<std::uint32_t>(names.size());
    for (const std::string& n : names)
        info->longest_value_name =
            std::max(info->longest_value_name, static_cast<std::uint32_t>(n.size()));
    return err::Success;
}

std::uint32_t reg_connect(const char* computer, RegKey root, RegKey* out) {
    if (!out) return err::InvalidParameter;
    *out = 0;
    if (!root_name(root)) return err::InvalidHandle;
    const char* name = computer ? computer : "";
    while (*name == '\\')
        ++name;
    char self[256] = {};
    const bool local = !*name || std::strcmp(name, ".") == 0 ||
                       (::gethostname(self, sizeof self - 1) == 0 && lower(name) == lower(self));
    // There is no remote registry service to reach on this system; the
    // system reports that as a service that could not start.
    if (!local) return err::DllInitFailed;
    *out = new_handle(lower(root_name(root)), true);
    return err::Success;
}

std::uint32_t reg_load_hive(RegKey key, const char* subkey, const char* file) {
    std::string path, display;
    if (std::uint32_t rc = mount_path(key, subkey, &path, &display)) return rc;
    std::string posix;
    std::uint32_t map_error = 0;
    if (!detail::map_path(file ? file : "", &posix, &map_error)) return map_error;
    {
        StoreSession s(false);
        if (s.store().find(path) != s.store().end()) return err::BadKey;
    }
    return hive::mount(path, display, posix.c_str());
}

std::uint32_t reg_unload_hive(RegKey key, const char* subkey) {
    std::string path, display;
    if (std::uint32_t rc = mount_path(key, subkey, &path, &display)) return rc;
    return hive::unmount(path);
}

} // namespace plat
