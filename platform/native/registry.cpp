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
// File format: the line "JOLREG 1", then for each key a line "K <path>"
// followed by its values as "V <name> <type> <hex data>", then "END <n>"
// with n the number of K and V lines. Paths and names are escaped with %XX
// for bytes below 0x21, above 0x7E and the percent sign.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <string>

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
    StoreSession s(false);
    auto k = s.store().find(path);
    if (k == s.store().end()) return err::FileNotFound;
    auto v = k->second.values.find(lower(name ? name : ""));
    if (v == k->second.values.end()) return err::FileNotFound;
    if (type) *type = v->second.type;
    std::uint32_t need = static_cast<std::uint32_t>(v->second.data.size());
    if (!size) return data ? err::InvalidParameter : err::Success;
    if (data && *size < need) {
        *size = need;
        return err::MoreData;
    }
    if (data) std::memcpy(data, v->second.data.data(), need);
    *size = need;
    return err::Success;
}

std::uint32_t reg_set_value(RegKey key, const char* name, std::uint32_t type, const void* data,
                            std::uint32_t size) {
    std::string path;
    bool write = false;
    if (!key_path(key, path, &write)) return err::InvalidHandle;
    if (!write) return err::AccessDenied;
    if (root_name(key)) return err::AccessDenied; // values do not sit on the roots
    StoreSession s(true);
    auto k = s.store().find(path);
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
    StoreSession s(true);
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

} // namespace plat
