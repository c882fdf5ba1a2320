#include "platform/native/registry_hive.h"

#include <fcntl.h>
#include <hivex.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/system_errors.h"
#include "platform/text.h"

namespace plat::hive {
namespace {

struct Hive {
    std::string path;    // lower-case full path of the mount
    std::string display; // the same with its letter case
    std::string file;
    hive_h* h = nullptr;
    int lock_fd = -1;
    bool dirty = false;
};

std::mutex g_lock;
std::vector<std::unique_ptr<Hive>> g_hives;

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The parts of a path below its mount, split at backslashes.
std::vector<std::string> split(const std::string& rest) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : rest) {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

Hive* find(const std::string& path, std::string* rest) {
    for (auto& hv : g_hives) {
        if (path == hv->path || path.rfind(hv->path + "\\", 0) == 0) {
            if (rest) *rest = path.substr(hv->path.size());
            return hv.get();
        }
    }
    return nullptr;
}

// The node of a path; 0 when a key along it is missing.
hive_node_h node_of(Hive* hv, const std::string& rest) {
    hive_node_h node = hivex_root(hv->h);
    for (const std::string& part : split(rest)) {
        if (!node) return 0;
        node = hivex_node_get_child(hv->h, node, part.c_str());
    }
    return node;
}

// Looks up a path: the hive and the node, or the error to return.
std::uint32_t locate(const std::string& path, Hive** hv, hive_node_h* node) {
    std::string rest;
    *hv = find(path, &rest);
    if (!*hv) return err::InvalidHandle;
    *node = node_of(*hv, rest);
    return *node ? err::Success : err::FileNotFound;
}

bool is_text(std::uint32_t type) {
    return type == regtype::String || type == regtype::ExpandString || type == regtype::MultiString;
}

// UTF-16 little-endian file bytes to ANSI (zero units become zero bytes).
std::string from_file_text(const char* data, std::size_t len) {
    std::vector<char16_t> units(len / 2);
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) |
                                         static_cast<unsigned char>(data[2 * i + 1]) << 8);
    std::size_t need = wide_to_ansi(units.data(), units.size(), nullptr, 0);
    std::string out(need, '\0');
    if (need) wide_to_ansi(units.data(), units.size(), out.data(), out.size());
    return out;
}

// ANSI to UTF-16 little-endian file bytes, a piece between zero bytes at a
// time so that every zero byte stays a zero unit.
std::string to_file_text(const char* data, std::size_t len) {
    std::string out;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= len; ++i) {
        if (i < len && data[i] != 0) continue;
        if (i > start) {
            std::vector<char16_t> w(i - start + 1);
            std::size_t n = code_page_to_wide(data + start, i - start, w.data(), w.size());
            for (std::size_t j = 0; j < n; ++j) {
                out += static_cast<char>(w[j] & 0xFF);
                out += static_cast<char>(w[j] >> 8);
            }
        }
        if (i < len) out.append(2, '\0');
        start = i + 1;
    }
    return out;
}

struct Freer {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Owned = std::unique_ptr<T, Freer>;

} // namespace

bool covers(const std::string& path) {
    std::lock_guard<std::mutex> hold(g_lock);
    return find(path, nullptr) != nullptr;
}

std::vector<std::string> mounted_below(const std::string& path) {
    std::lock_guard<std::mutex> hold(g_lock);
    std::vector<std::string> names;
    for (auto& hv : g_hives) {
        std::size_t cut = hv->path.rfind('\\');
        if (cut != std::string::npos && hv->path.substr(0, cut) == path)
            names.push_back(hv->display.substr(cut + 1));
    }
    return names;
}

std::uint32_t mount(const std::string& path, const std::string& display, const char* file) {
    std::lock_guard<std::mutex> hold(g_lock);
    for (auto& hv : g_hives)
        if (hv->path == path) return err::BadKey;
    int fd = ::open(file, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return err::FileNotFound;
        if (errno == EACCES || errno == EPERM || errno == EROFS) return err::AccessDenied;
        return err::BadDb;
    }
    // One mount of a file at a time, across processes as well.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return err::SharingViolation;
    }
    hive_h* h = hivex_open(file, HIVEX_OPEN_WRITE);
    if (!h) {
        ::close(fd);
        return err::BadDb;
    }
    auto hv = std::make_unique<Hive>();
    hv->path = path;
    hv->display = display;
    hv->file = file;
    hv->h = h;
    hv->lock_fd = fd;
    g_hives.push_back(std::move(hv));
    return err::Success;
}

std::uint32_t unmount(const std::string& path) {
    std::lock_guard<std::mutex> hold(g_lock);
    auto it = std::find_if(g_hives.begin(), g_hives.end(),
                           [&](const std::unique_ptr<Hive>& hv) { return hv->path == path; });
    if (it == g_hives.end()) return err::InvalidParameter;
    Hive& hv = **it;
    if (hv.dirty) {
        // Written next to the file and renamed over it: the file is either
        // the old hive or the new one, never a part.
        std::string tmp = hv.file + ".jol-new";
        if (hivex_commit(hv.h, tmp.c_str(), 0) != 0) {
            ::unlink(tmp.c_str());
            return err::RegistryIoFailed;
        }
        int fd = ::open(tmp.c_str(), O_RDONLY | O_CLOEXEC);
        bool synced = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0) ::close(fd);
        if (!synced || ::rename(tmp.c_str(), hv.file.c_str()) != 0) {
            ::unlink(tmp.c_str());
            return err::RegistryIoFailed;
        }
    }
    hivex_close(hv.h);
    ::close(hv.lock_fd);
    g_hives.erase(it);
    return err::Success;
}

std::uint32_t exists(const std::string& path) {
    std::lock_guard<std::mutex> hold(g_lock);
    Hive* hv = nullptr;
    hive_node_h node = 0;
    return locate(path, &hv, &node);
}

std::uint32_t create(const std::string& display) {
    std::lock_guard<std::mutex> hold(g_lock);
    std::string rest;
    Hive* hv = find(lower(display), &rest);
    if (!hv) return err::InvalidHandle;
    hive_node_h node = hivex_root(hv->h);
    for (const std::string& part : split(display.substr(display.size() - rest.size()))) {
        hive_node_h child = hivex_node_get_child(hv->h, node, part.c_str());
        if (!child) {
            child = hivex_node_add_child(hv->h, node, part.c_str());
            if (!child) return err::RegistryIoFailed;
            hv->dirty = true;
        }
        node = child;
    }
    return err::Success;
}

std::uint32_t query_value(const std::string& path, const char* name, std::uint32_t* type,
                          std::string* data) {
    std::lock_guard<std::mutex> hold(g_lock);
    Hive* hv = nullptr;
    hive_node_h node = 0;
    if (std::uint32_t rc = locate(path, &hv, &node)) return rc;
    hive_value_h value = hivex_node_get_value(hv->h, node, name ? name : "");
    if (!value) return err::FileNotFound;
    hive_type t{};
    std::size_t len = 0;
    Owned<char> bytes(hivex_value_value(hv->h, value, &t, &len));
    if (!bytes) return err::RegistryIoFailed;
    *type = static_cast<std::uint32_t>(t);
    if (is_text(*type))
        *data = from_file_text(bytes.get(), len);
    else
        data->assign(bytes.get(), len);
    return err::Success;
}

std::uint32_t set_value(const std::string& path, const char* name, std::uint32_t type,
                        const void* data, std::uint32_t size) {
    std::lock_guard<std::mutex> hold(g_lock);
    Hive* hv = nullptr;
    hive_node_h node = 0;
    if (std::uint32_t rc = locate(path, &hv, &node)) return rc;
    std::string bytes = data ? std::string(static_cast<const char*>(data), size) : std::string();
    if (is_text(type)) bytes = to_file_text(bytes.data(), bytes.size());
    std::string key = name ? name : "";
    hive_set_value v{key.data(), static_cast<hive_type>(type), bytes.size(), bytes.data()};
    if (hivex_node_set_value(hv->h, node, &v, 0) != 0) return err::RegistryIoFailed;
    hv->dirty = true;
    return err::Success;
}

std::uint32_t delete_value(const std::string& path, const char* name) {
    std::lock_guard<std::mutex> hold(g_lock);
    Hive* hv = nullptr;
    hive_node_h node = 0;
    if (std::uint32_t rc = locate(path, &hv, &node)) return rc;
    Owned<hive_value_h> values(hivex_node_values(hv->h, node));
    if (!values) return err::RegistryIoFailed;
    const std::string gone = lower(name ? name : "");
    std::vector<std::string> keys, datas;
    std::vector<hive_type> types;
    bool found = false;
    for (hive_value_h* v = values.get(); *v; ++v) {
        Owned<char> key(hivex_value_key(hv->h, *v));
        if (!key) return err::RegistryIoFailed;
        if (lower(key.get()) == gone) {
            found = true;
            continue;
        }
        hive_type t{};
        std::size_t len = 0;
        Owned<char> bytes(hivex_value_value(hv->h, *v, &t, &len));
        if (!bytes) return err::RegistryIoFailed;
        keys.emplace_back(key.get());
        datas.emplace_back(bytes.get(), len);
        types.push_back(t);
    }
    if (!found) return err::FileNotFound;
    std::vector<hive_set_value> kept;
    for (std::size_t i = 0; i < keys.size(); ++i)
        kept.push_back(hive_set_value{keys[i].data(), types[i], datas[i].size(), datas[i].data()});
    if (hivex_node_set_values(hv->h, node, kept.size(), kept.data(), 0) != 0)
        return err::RegistryIoFailed;
    hv->dirty = true;
    return err::Success;
}

std::uint32_t delete_key(const std::string& path) {
    std::lock_guard<std::mutex> hold(g_lock);
    Hive* hv = nullptr;
    hive_node_h node = 0;
    if (std::uint32_t rc = locate(path, &hv, &node)) return rc;
    if (path == hv->path) return err::AccessDenied; // the mount itself goes by unmounting
    if (hivex_node_nr_children(hv->h, node) != 0) return err::AccessDenied;
    if (hivex_node_delete_child(hv->h, node) != 0) return err::RegistryIoFailed;
    hv->dirty = true;
    return err::Success;
}

std::uint32_t list(const std::string& path, bool values, std::vector<std::string>* names) {
    std::lock_guard<std::mutex> hold(g_lock);
    Hive* hv = nullptr;
    hive_node_h node = 0;
    if (std::uint32_t rc = locate(path, &hv, &node)) return rc;
    names->clear();
    if (values) {
        Owned<hive_value_h> all(hivex_node_values(hv->h, node));
        if (!all) return err::RegistryIoFailed;
        for (hive_value_h* v = all.get(); *v; ++v) {
            Owned<char> key(hivex_value_key(hv->h, *v));
            if (!key) return err::RegistryIoFailed;
            names->emplace_back(key.get());
        }
    } else {
        Owned<hive_node_h> all(hivex_node_children(hv->h, node));
        if (!all) return err::RegistryIoFailed;
        for (hive_node_h* c = all.get(); *c; ++c) {
            Owned<char> key(hivex_node_name(hv->h, *c));
            if (!key) return err::RegistryIoFailed;
            names->emplace_back(key.get());
        }
    }
    std::stable_sort(names->begin(), names->end(), [](const std::string& a, const std::string& b) {
        return lower(a) < lower(b);
    });
    return err::Success;
}

} // namespace plat::hive
