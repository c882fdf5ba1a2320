#include "lib/data/file_names.h"

#include <cstring>
#include <string>

#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/text.h"

namespace jol {
namespace {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

void CopyPart(char* out, const char* from, std::size_t n) {
    if (n > kNamePartSize - 1) n = kNamePartSize - 1;
    std::memcpy(out, from, n);
    out[n] = 0;
}

bool CopyResult(const std::string& text, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return false;
    if (text.size() + 1 > out_size) {
        *out = 0;
        return false;
    }
    std::memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

bool DriveInUse(char letter) {
    const char root[4] = {Upper(letter), ':', '\\', 0};
    const unsigned type = plat::drive_type(root);
    return type != 0 && type != 1;
}

// The current directory of a drive (as "X:\dir"), or the bare "X:" when
// none is known.
std::string DriveDirectory(char letter) {
    char here[kPathSize];
    if (CurrentDirectoryName(here, sizeof here) && Upper(here[0]) == letter && here[1] == ':')
        return here;
    char var[4] = {'=', letter, ':', 0};
    char value[kPathSize];
    if (plat::get_env(var, value, sizeof value) && value[0]) return value;
    return std::string(1, letter) + ":";
}

} // namespace

bool IsPathSeparator(char c) {
    return c == '\\' || c == '/';
}

const char* LastComponent(const char* name) {
    const char* base = name;
    for (const char* p = name; *p; ++p) {
        if (plat::is_lead_byte(static_cast<unsigned char>(*p)) && p[1]) {
            ++p;
            continue;
        }
        if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
    }
    return base;
}

bool HasWildcard(const char* name) {
    return name && std::strpbrk(name, "*?") != nullptr;
}

bool HasDrive(const char* name) {
    return name && ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z')) &&
           name[1] == ':';
}

void SplitFileName(const char* name, SplitName* out) {
    if (!out) return;
    *out = SplitName{};
    if (!name) return;
    const char* p = name;
    if (name[0] && name[1] == ':') {
        out->drive[0] = name[0];
        out->drive[1] = ':';
        out->drive[2] = 0;
        p += 2;
    }
    const char* dir_end = p;
    for (const char* q = p; *q; ++q)
        if (IsPathSeparator(*q)) dir_end = q + 1;
    CopyPart(out->directory, p, static_cast<std::size_t>(dir_end - p));
    const char* dot = std::strrchr(dir_end, '.');
    if (dot) {
        CopyPart(out->root, dir_end, static_cast<std::size_t>(dot - dir_end));
        CopyPart(out->extension, dot + 1, std::strlen(dot + 1));
    } else {
        CopyPart(out->root, dir_end, std::strlen(dir_end));
    }
}

bool CurrentDirectoryName(char* out, std::size_t out_size) {
    if (!out || out_size == 0) return false;
    if (plat::current_directory_name(out, out_size) == 0) {
        *out = 0;
        return false;
    }
    return true;
}

bool FullFileName(const char* name, char* out, std::size_t out_size) {
    if (!name || !*name) return CopyResult("", out, out_size);
    if (IsPathSeparator(name[0]) && IsPathSeparator(name[1]))
        return CopyResult(name, out, out_size);
    char letter;
    const char* path = name;
    if (HasDrive(name)) {
        letter = Upper(name[0]);
        if (!DriveInUse(letter)) return CopyResult(name, out, out_size);
        path = name + 2;
    } else {
        char here[kPathSize];
        if (!CurrentDirectoryName(here, sizeof here) || here[1] != ':')
            return CopyResult(name, out, out_size);
        letter = Upper(here[0]);
    }
    std::string joined(1, letter);
    joined += ':';
    if (IsPathSeparator(path[0])) {
        joined += path;
    } else {
        const std::string dir = DriveDirectory(letter);
        if (!HasDrive(dir.c_str())) return CopyResult(name, out, out_size);
        const std::string below = dir.substr(2);
        joined += below;
        if (below.size() > 1 && *path) joined += '\\';
        joined += path;
    }
    // Resolve the components after the drive.
    std::string result = joined.substr(0, 2);
    std::string rest = joined.substr(2);
    const bool rooted = !rest.empty() && IsPathSeparator(rest[0]);
    std::string parts[140];
    int count = 0;
    std::string part;
    bool trailing = false;
    for (std::size_t i = rooted ? 1 : 0; i <= rest.size(); ++i) {
        if (i == rest.size() || IsPathSeparator(rest[i])) {
            trailing = i < rest.size() && i + 1 == rest.size();
            if (part == "..") {
                if (count == 0) return CopyResult(name, out, out_size);
                --count;
            } else if (!part.empty() && part != ".") {
                if (count >= 140) return CopyResult(name, out, out_size);
                parts[count++] = part;
            }
            part.clear();
        } else {
            part += rest[i];
        }
    }
    if (rooted) result += '\\';
    for (int k = 0; k < count; ++k) {
        if (k) result += '\\';
        result += parts[k];
    }
    if (trailing && count > 0) result += '\\';
    if (result.size() == 2) result += '\\';
    return CopyResult(result, out, out_size);
}

namespace {

// Maps one part (root or extension) of a source name through the same part
// of a mask.
std::string MapPart(const char* source, const char* mask) {
    std::string out;
    const std::size_t n = std::strlen(source);
    std::size_t at = 0;
    for (const char* m = mask; *m; ++m) {
        if (*m == '*') {
            if (at < n) out.append(source + at);
            at = n;
        } else if (*m == '?') {
            if (at < n) out += source[at++];
        } else {
            out += *m;
            if (at < n) ++at;
        }
    }
    return out;
}

bool IsDirectoryName(const char* name) {
    char full[kFullNameSize];
    if (!FullFileName(name, full, sizeof full) || !*full) return false;
    std::string path = full;
    if (path.size() > 3 && IsPathSeparator(path.back())) path.pop_back();
    const std::uint32_t a = plat::get_file_attributes(path.c_str());
    return a != plat::fattr::Invalid && (a & plat::fattr::Directory);
}

} // namespace

bool PrepareTargetMask(const char* target, char* out, std::size_t out_size) {
    std::string mask = target ? target : "";
    if (!HasWildcard(mask.c_str()) && !mask.empty() &&
        (mask.back() == ':' || IsPathSeparator(mask.back()))) {
        mask += "*.*";
    } else if (!HasWildcard(mask.c_str()) && !mask.empty() && IsDirectoryName(mask.c_str())) {
        mask += "\\*.*";
    }
    return CopyResult(mask, out, out_size);
}

bool MapTargetName(const char* source, const char* mask, char* out, std::size_t out_size) {
    SplitName src, msk;
    SplitFileName(source ? source : "", &src);
    SplitFileName(mask ? mask : "", &msk);
    std::string result;
    const bool unc =
        IsPathSeparator(msk.directory[0]) && IsPathSeparator(msk.directory[1]) && !msk.drive[0];
    if (unc) {
        result = msk.directory;
    } else {
        char letter = msk.drive[0] ? Upper(msk.drive[0]) : 0;
        if (!letter) {
            char here[kPathSize];
            if (CurrentDirectoryName(here, sizeof here) && HasDrive(here)) letter = Upper(here[0]);
        }
        if (letter) {
            result += letter;
            result += ':';
        }
        if (msk.directory[0]) {
            result += msk.directory;
        } else if (letter) {
            const std::string below = DriveDirectory(letter).substr(2);
            result += below;
            if (below.size() > 1) result += '\\';
        }
    }
    result += MapPart(src.root, msk.root);
    const std::string ext = MapPart(src.extension, msk.extension);
    if (!ext.empty()) {
        result += '.';
        result += ext;
    }
    return CopyResult(result, out, out_size);
}

bool WalkFileList(ScriptContext* ctx, const char* list, Wildcards wildcards, FileVisit visit,
                  void* data) {
    const char delimiter = static_cast<char>(ctx->options.list_delimiter);
    auto is_sep = [&](char c) { return c == delimiter || c == '\t' || c == '|'; };
    const char* p = list ? list : "";
    while (*p) {
        while (*p && is_sep(*p))
            ++p;
        if (!*p) break;
        const char* end = p;
        while (*end && !is_sep(*end))
            ++end;
        const std::size_t n = static_cast<std::size_t>(end - p);
        if (n >= kFullNameSize) {
            Raise(ctx, Err::Unrecognizable);
            return false;
        }
        char entry[kFullNameSize];
        std::memcpy(entry, p, n);
        entry[n] = 0;
        p = end;
        if (!HasWildcard(entry)) {
            char full[kFullNameSize];
            if (!FullFileName(entry, full, sizeof full)) {
                Raise(ctx, Err::Unrecognizable);
                return false;
            }
            if (!visit(ctx, full, data)) return false;
            continue;
        }
        if (wildcards == Wildcards::Refuse) {
            Raise(ctx, Err::NoWildcards);
            return false;
        }
        SplitName split;
        SplitFileName(entry, &split);
        plat::FindData found;
        plat::FindHandle h = plat::find_first(entry, &found);
        if (!h) {
            Raise(ctx, Err::FileListNoMatch);
            return false;
        }
        bool ok = true;
        do {
            if (found.attributes & plat::fattr::Directory) continue;
            std::string name = std::string(split.drive) + split.directory + found.name;
            char full[kFullNameSize];
            if (name.size() >= kFullNameSize || !FullFileName(name.c_str(), full, sizeof full)) {
                Raise(ctx, Err::Unrecognizable);
                ok = false;
                break;
            }
            if (!visit(ctx, full, data)) {
                ok = false;
                break;
            }
        } while (plat::find_next(h, &found));
        plat::find_close(h);
        if (!ok) return false;
    }
    return true;
}

} // namespace jol
