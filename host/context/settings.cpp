#include "host/context/settings.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "host/context/integer_text.h"
#include "platform/registry.h"
#include "platform/system_errors.h"

namespace jol {
namespace {

// Builds the key path; false when the names do not fit.
bool settings_path(const char* section, const char* ini_name, char* out, std::size_t size) {
    const char* ini = ini_name ? ini_name : "";
    std::size_t stem = std::strcspn(ini, ".");
    int n = std::snprintf(out, size, "Software\\Corvane\\Settings\\%.*s\\%s",
                          static_cast<int>(stem), ini, section ? section : "");
    return n > 0 && static_cast<std::size_t>(n) < size;
}

void copy_text(char* out, std::size_t out_size, const char* text) {
    if (!out || out_size == 0) return;
    std::size_t n = text ? std::strlen(text) : 0;
    if (n > out_size - 1) n = out_size - 1;
    if (n) std::memcpy(out, text, n);
    out[n] = 0;
}

} // namespace

int ReadSetting(const char* section, const char* key, const char* default_text, char* out,
                std::size_t out_size, const char* ini_name) {
    if (!out || out_size == 0) return 0;
    copy_text(out, out_size, default_text);
    char path[600];
    if (!settings_path(section, ini_name, path, sizeof path)) return 0;
    plat::RegKey k = 0;
    if (plat::reg_open_key(plat::reg_root(plat::RegRoot::LocalMachine), path, false, &k) !=
        plat::err::Success)
        return 0;
    std::uint32_t need = 0;
    std::uint32_t type = 0;
    std::uint32_t rc = plat::reg_query_value(k, key, &type, nullptr, &need);
    int found = 0;
    if (rc == plat::err::Success) {
        // Read into the caller's buffer when it fits, else through a
        // temporary of the full size; either way the text is cut to the
        // buffer and terminated.
        std::uint32_t size = static_cast<std::uint32_t>(out_size);
        char small[1];
        if (need <= size) {
            rc = plat::reg_query_value(k, key, &type, need ? out : small, &size);
            if (rc == plat::err::Success) {
                out[size < out_size ? size : out_size - 1] = 0;
                out[out_size - 1] = 0;
                found = 1;
            }
        } else if (char* full = new (std::nothrow) char[need + 1]) {
            std::uint32_t got = need;
            if (plat::reg_query_value(k, key, &type, full, &got) == plat::err::Success) {
                full[got] = 0;
                copy_text(out, out_size, full);
                found = 1;
            }
            delete[] full;
        }
        if (!found) copy_text(out, out_size, default_text);
    }
    plat::reg_close(k);
    return found;
}

int ReadSettingInt(const char* section, const char* key, int default_value, const char* ini_name) {
    char def[16];
    std::snprintf(def, sizeof def, "%d", default_value);
    char text[257];
    ReadSetting(section, key, def, text, sizeof text, ini_name);
    return ParseIntegerText(text);
}

int WriteSetting(const char* section, const char* key, const char* value, const char* ini_name) {
    char path[600];
    if (!settings_path(section, ini_name, path, sizeof path)) return 0;
    plat::RegKey k = 0;
    if (plat::reg_create_key(plat::reg_root(plat::RegRoot::LocalMachine), path, &k) !=
        plat::err::Success)
        return 0;
    std::uint32_t rc;
    if (value)
        rc = plat::reg_set_value(k, key, plat::regtype::String, value,
                                 static_cast<std::uint32_t>(std::strlen(value) + 1));
    else
        rc = plat::reg_delete_value(k, key);
    plat::reg_close(k);
    return rc == plat::err::Success ? 1 : 0;
}

} // namespace jol
