#include "lib/data/directories.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "dispatch/extenders.h"
#include "host/context/errors.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "lang/keyword_table.h"
#include "lang/string_heap.h"
#include "lib/data/file_names.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/system.h"
#include "platform/system_errors.h"

namespace jol {
namespace {

constexpr std::size_t kNameLimit = 256; // DirRename and DiskVolInfo names
constexpr std::size_t kItemizeLimit = 32400;

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsSep(char c) {
    return IsPathSeparator(c);
}

int Integer(Value& result, std::int32_t n) {
    result.i = n;
    return 1;
}

// A space figure: an integer when it lies in the integer range the
// functions use, else a float.
int Figure(Value& result, double n) {
    if (n >= -2147483645.0 && n <= 2147483644.0) {
        result.i = static_cast<std::int32_t>(n);
        return 1;
    }
    result.f = n;
    result.flags = vf::Float;
    return 1;
}

bool DriveExists(char letter) {
    const char root[4] = {Upper(letter), ':', '\\', 0};
    const unsigned type = plat::drive_type(root);
    return type != 0 && type != 1;
}

// The current directory, saved by the functions that switch drives and
// given back when they are done (also when they fail).
class SavedDirectory {
public:
    SavedDirectory() { have_ = CurrentDirectoryName(dir_, sizeof dir_); }
    ~SavedDirectory() {
        if (have_) plat::set_current_directory(dir_);
    }
    SavedDirectory(const SavedDirectory&) = delete;
    SavedDirectory& operator=(const SavedDirectory&) = delete;

private:
    char dir_[kPathSize];
    bool have_ = false;
};

std::string WithoutTrailingSeparator(std::string s) {
    if (s.size() > 1 && IsSep(s.back())) s.pop_back();
    return s;
}

// ------------------------------------------------------------ DirMake

bool MakeOne(ScriptContext* ctx, const char* full, void*) {
    SavedDirectory saved;
    std::string path = full;
    if (HasDrive(full)) {
        if (!SwitchDrive(ctx, full[0])) return false;
    }
    while (path.size() > 1 && IsSep(path.back()) && !(path.size() == 3 && path[1] == ':'))
        path.pop_back();
    // The first level that may need creating: after "X:\", or after the
    // server and share of a UNC name.
    std::size_t start = 0;
    if (path.size() >= 2 && IsSep(path[0]) && IsSep(path[1])) {
        std::size_t server = 2;
        while (server < path.size() && !IsSep(path[server]))
            ++server;
        std::size_t share = server + 1;
        while (share < path.size() && !IsSep(path[share]))
            ++share;
        if (server == 2 || server >= path.size() || share == server + 1) {
            Raise(ctx, Err::DirMakeFailed);
            return false;
        }
        start = share + 1;
    } else if (HasDrive(path.c_str())) {
        start = IsSep(path[2]) ? 3 : 2;
    } else if (!path.empty() && IsSep(path[0])) {
        start = 1;
    }
    for (std::size_t i = start; i <= path.size(); ++i) {
        if (i < path.size() && !IsSep(path[i])) continue;
        if (i == start) continue;
        const std::string prefix = path.substr(0, i);
        if (DirectoryExists(prefix.c_str())) continue;
        if (!plat::create_directory(prefix.c_str())) {
            Raise(ctx, Err::DirMakeFailed);
            return false;
        }
    }
    return true;
}

int FnDirMake(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* list = ArgText(ctx, args[1]);
    if (!*list) return Integer(result, 0);
    if (!WalkFileList(ctx, list, Wildcards::Refuse, MakeOne, nullptr)) return 0;
    return Integer(result, 1);
}

// ---------------------------------------------------------- DirRemove

bool RemoveOne(ScriptContext* ctx, const char* full, void*) {
    SavedDirectory saved;
    if (HasDrive(full) && !SwitchDrive(ctx, full[0])) return false;
    const std::string path = WithoutTrailingSeparator(full);
    if (!plat::remove_directory(path.c_str())) {
        Raise(ctx, Err::DirRemoveFailed);
        return false;
    }
    return true;
}

int FnDirRemove(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* list = ArgText(ctx, args[1]);
    if (!*list) return Integer(result, 0);
    if (!WalkFileList(ctx, list, Wildcards::Refuse, RemoveOne, nullptr)) return 0;
    return Integer(result, 1);
}

// ---------------------------------------------------------- DirChange

int FnDirChange(ScriptContext* ctx, int, Value& result, Value* args) {
    std::string name = ArgText(ctx, args[1]);
    std::string target;
    if (HasDrive(name.c_str())) {
        if (!SwitchDrive(ctx, name[0])) return 0;
        std::string path = name.substr(2);
        if (path.empty()) {
            // The drive's current directory, which the switch made current.
            target.clear();
        } else {
            if (path.size() >= 3 && IsSep(path.back())) path.pop_back();
            target = name.substr(0, 2) + path;
        }
    } else {
        if (name.size() >= 3 && IsSep(name.back())) name.pop_back();
        target = name;
    }
    if (!target.empty() && !plat::set_current_directory(target.c_str()))
        return Raise(ctx, Err::DirChangeFailed);
    char now[kPathSize];
    if (CurrentDirectoryName(now, sizeof now) && HasDrive(now)) {
        const char var[4] = {'=', Upper(now[0]), ':', 0};
        plat::set_env(var, now);
    }
    return Integer(result, 1);
}

// ---------------------------------------------------------- DirRename

int FnDirRename(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* from_arg = ArgText(ctx, args[1]);
    const char* to_arg = ArgText(ctx, args[2]);
    // Names over the limit are refused, never cut: a cut name could name
    // another directory.
    if (std::strlen(from_arg) > kNameLimit) return Raise(ctx, Err::DirRenameBadFrom);
    if (std::strlen(to_arg) > kNameLimit) return Raise(ctx, Err::DirRenameBadTo);
    std::string from = from_arg, to = to_arg;
    const bool from_drive = HasDrive(from.c_str()), to_drive = HasDrive(to.c_str());
    if (from_drive && to_drive && from[0] != to[0]) return Raise(ctx, Err::DirRenameFailed);
    if (to_drive && !from_drive) return Raise(ctx, Err::DirRenameBadTo);
    if (from.find('\t') != std::string::npos) return Raise(ctx, Err::DirRenameBadFrom);
    if (to.find('\t') != std::string::npos) return Raise(ctx, Err::DirRenameBadTo);
    SavedDirectory saved;
    if (from_drive) {
        if (!SwitchDrive(ctx, from[0])) return 0;
        from = from.substr(2);
        if (to_drive) to = to.substr(2);
    }
    if (!plat::move_file(from.c_str(), to.c_str())) return Raise(ctx, Err::DirRenameFailed);
    return Integer(result, 1);
}

// ---------------------------------------------------- DirExist and co.

int FnDirExist(ScriptContext* ctx, int, Value& result, Value* args) {
    return Integer(result, DirectoryExists(ArgText(ctx, args[1])) ? 1 : 0);
}

int WithBackslash(ScriptContext* ctx, Value& result, std::string dir) {
    if (dir.size() > 3) dir += '\\';
    return ResultCopy(ctx, result, dir.c_str());
}

int FnDirGet(ScriptContext* ctx, int, Value& result, Value*) {
    char dir[kPathSize];
    CurrentDirectoryName(dir, sizeof dir);
    return WithBackslash(ctx, result, dir);
}

int FnDirHome(ScriptContext* ctx, int, Value& result, Value*) {
    char dir[kPathSize];
    if (!plat::program_folder_name(dir, sizeof dir)) dir[0] = 0;
    return ResultCopy(ctx, result, dir);
}

int FnDirWindows(ScriptContext* ctx, int, Value& result, Value* args) {
    char dir[kPathSize];
    const std::size_t n = args[1].i == 0 ? plat::windows_directory(dir, sizeof dir)
                                         : plat::system_directory(dir, sizeof dir);
    if (n == 0) dir[0] = 0;
    for (char* p = dir; *p; ++p)
        *p = Upper(*p);
    return WithBackslash(ctx, result, dir);
}

// ------------------------------------------------------------- drives

// The drive argument's letter: 0 with Err::BadDiskArgument set when the argument is empty
// or its second character is not a colon.
char DiskLetter(ScriptContext* ctx, const char* arg) {
    if (!arg[0] || (arg[1] && arg[1] != ':')) {
        Raise(ctx, Err::BadDiskArgument);
        return 0;
    }
    return Upper(arg[0]);
}

int FnDiskExist(ScriptContext* ctx, int, Value& result, Value* args) {
    const char letter = DiskLetter(ctx, ArgText(ctx, args[1]));
    if (!letter) return 0;
    return Integer(result, DriveExists(letter) ? 1 : 0);
}

int FnDiskSpace(ScriptContext* ctx, int id, Value& result, Value* args) {
    const bool want_free = id == FindBuiltinKeyword("diskfree")->id;
    const char* list = ArgText(ctx, args[1]);
    const char delimiter = static_cast<char>(ctx->options.list_delimiter);
    auto is_sep = [&](char c) { return c == delimiter || c == '\t' || c == '|' || c == ' '; };
    const VersionFacts& version = Process().version;
    const plat::VersionInfo facts = plat::get_version();
    const bool use_bytes = version.win95 && facts.build > 1000;
    double sum = 0.0;
    for (const char* p = list; *p;) {
        while (*p && is_sep(*p))
            ++p;
        if (!*p) break;
        const char* end = p;
        while (*end && !is_sep(*end))
            ++end;
        std::string entry(p, end);
        p = end;
        if (entry.size() >= kFullNameSize) return Raise(ctx, Err::BadDiskArgument);
        std::string root;
        if (entry[0] == '\\') {
            root = entry;
            if (root.back() != '\\') root += '\\';
        } else {
            const char letter = DiskLetter(ctx, entry.c_str());
            if (!letter) return 0;
            if (!DriveExists(letter)) continue;
            root = std::string(1, letter) + ":\\";
        }
        plat::DiskSpace space;
        if (plat::disk_space(root.c_str(), &space)) {
            const double cluster =
                static_cast<double>(space.sectors_per_cluster) * space.bytes_per_sector;
            double figure = cluster * (want_free ? space.free_clusters : space.total_clusters);
            std::uint64_t free_bytes = 0, total = 0, total_free = 0;
            if (use_bytes && plat::disk_space_bytes(root.c_str(), &free_bytes, &total, &total_free))
                figure = static_cast<double>(want_free ? total_free : total);
            sum += figure;
        }
    }
    return Figure(result, sum);
}

int FnDiskInfo(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* arg = ArgText(ctx, args[1]);
    if (!arg[0] || (arg[1] && arg[1] != ':') || !DriveExists(arg[0]))
        return Raise(ctx, Err::DiskInfoBadDrive);
    const char root[4] = {Upper(arg[0]), ':', '\\', 0};
    plat::DiskSpace space;
    if (!plat::disk_space(root, &space)) return Raise(ctx, Err::DiskInfoFailed);
    switch (args[2].i) {
    case 1:
        return Integer(result, static_cast<std::int32_t>(space.sectors_per_cluster));
    case 2:
        return Integer(result, static_cast<std::int32_t>(space.bytes_per_sector));
    case 3:
        return Integer(result, static_cast<std::int32_t>(space.free_clusters));
    case 4:
        return Integer(result, static_cast<std::int32_t>(space.total_clusters));
    default:
        return Raise(ctx, Err::DiskInfoBadRequest);
    }
}

int FnDiskVolInfo(ScriptContext* ctx, int, Value& result, Value* args) {
    const char* arg = ArgText(ctx, args[1]);
    if (std::strlen(arg) > kNameLimit) return Raise(ctx, Err::DiskVolBadRoot);
    std::string root = arg;
    if (root.size() >= 3 && root[0] == '\\' && root[1] == '\\' && root.back() != '\\') root += '\\';
    plat::VolumeInfo info;
    plat::set_last_error(0);
    if (!plat::volume_information(root.c_str(), &info)) {
        const std::uint32_t e = plat::get_last_error();
        if (e == plat::err::InvalidData || e == plat::err::BadNetPath ||
            e == plat::err::BadPathName)
            return Raise(ctx, Err::DiskVolBadRoot);
        return Raise(ctx, Err::DiskVolFailed);
    }
    auto flag = [&](std::uint32_t bit) { return Integer(result, (info.flags & bit) ? 1 : 0); };
    switch (args[2].i) {
    case 1:
        return ResultCopy(ctx, result, info.label);
    case 2:
        return ResultCopy(ctx, result, info.file_system);
    case 3: {
        char text[16];
        std::snprintf(text, sizeof text, "%04lX-%04lX",
                      static_cast<unsigned long>(info.serial >> 16),
                      static_cast<unsigned long>(info.serial & 0xFFFF));
        return ResultCopy(ctx, result, text);
    }
    case 4:
        return Integer(result, static_cast<std::int32_t>(info.serial));
    case 5:
        return Integer(result, static_cast<std::int32_t>(info.max_component));
    case 6:
        return flag(plat::fsflag::CasePreserved);
    case 7:
        return flag(plat::fsflag::CaseSensitive);
    case 8:
        return flag(plat::fsflag::Unicode);
    case 9:
        return flag(plat::fsflag::Acls);
    case 10:
        return flag(plat::fsflag::Compression);
    case 11:
        return flag(plat::fsflag::VolumeCompressed);
    default:
        return Raise(ctx, Err::DiskVolBadRequest);
    }
}

int FnDiskScan(ScriptContext* ctx, int, Value& result, Value* args) {
    const std::int32_t flags = args[1].i;
    const char delimiter = static_cast<char>(ctx->options.list_delimiter);
    std::string list;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const char root[4] = {letter, ':', '\\', 0};
        const unsigned type = plat::drive_type(root);
        bool take;
        if (flags == 0) {
            take = letter >= 'C' && (type == 0 || type == 1);
        } else {
            const std::int32_t bit = type == 2   ? 1
                                     : type == 3 ? 2
                                     : type == 4 ? 4
                                     : type == 5 ? 8
                                     : type == 6 ? 16
                                                 : 0;
            take = (flags & bit) != 0;
        }
        if (take) {
            list += letter;
            list += ':';
            list += delimiter;
        }
    }
    return ResultCopy(ctx, result, list.c_str());
}

int FnLogDisk(ScriptContext* ctx, int, Value& result, Value* args) {
    if (!SwitchDrive(ctx, ArgText(ctx, args[1])[0])) return 0;
    return Integer(result, 1);
}

// -------------------------------------------- attributes and itemizing

bool IsId(int id, const char* name) {
    const KeywordEntry* row = FindBuiltinKeyword(name);
    return row && row->id == id;
}

int FnAttrGet(ScriptContext* ctx, int id, Value& result, Value* args) {
    const bool dirs = !IsId(id, "fileattrget");
    char full[kFullNameSize];
    const char* name = ArgText(ctx, args[1]);
    if (!FullFileName(name, full, sizeof full)) std::snprintf(full, sizeof full, "%s", "");
    std::string path = full;
    if (dirs && path.size() > 3 && IsSep(path.back())) path.pop_back();
    const std::uint32_t a =
        path.empty() ? plat::fattr::Invalid : plat::get_file_attributes(path.c_str());
    const bool is_dir = a != plat::fattr::Invalid && (a & plat::fattr::Directory);
    if (a == plat::fattr::Invalid || is_dir != dirs)
        return Raise(ctx, dirs ? Err::DirAttrGetMissing : Err::FileAttrGetMissing);
    char text[5] = {(a & plat::fattr::ReadOnly) ? 'R' : '-', (a & plat::fattr::Archive) ? 'A' : '-',
                    (a & plat::fattr::System) ? 'S' : '-', (a & plat::fattr::Hidden) ? 'H' : '-',
                    0};
    return ResultCopy(ctx, result, text);
}

struct AttrSetJob {
    bool dirs;
    const char* letters;
};

bool SetAttributesOne(ScriptContext* ctx, const char* full, void* data) {
    const AttrSetJob& job = *static_cast<AttrSetJob*>(data);
    const Err fail = job.dirs ? Err::DirAttrSetFailed : Err::FileAttrSetFailed;
    std::string path = full;
    if (job.dirs && path.size() > 3 && IsSep(path.back())) path.pop_back();
    std::uint32_t a = plat::get_file_attributes(path.c_str());
    if (a == plat::fattr::Invalid || ((a & plat::fattr::Directory) != 0) != job.dirs)
        return Raise(ctx, fail);
    a &= ~plat::fattr::Directory;
    for (const char* p = job.letters; *p; ++p) {
        switch (*p) {
        case 'R':
            a |= plat::fattr::ReadOnly;
            break;
        case 'A':
            a |= plat::fattr::Archive;
            break;
        case 'S':
            a |= plat::fattr::System;
            break;
        case 'H':
            a |= plat::fattr::Hidden;
            break;
        case 'r':
            a &= ~plat::fattr::ReadOnly;
            break;
        case 'a':
            a &= ~plat::fattr::Archive;
            break;
        case 's':
            a &= ~plat::fattr::System;
            break;
        case 'h':
            a &= ~plat::fattr::Hidden;
            break;
        default:
            break;
        }
    }
    if (!plat::set_file_attributes(path.c_str(), a)) return Raise(ctx, fail);
    return true;
}

int FnAttrSet(ScriptContext* ctx, int id, Value& result, Value* args) {
    AttrSetJob job{!IsId(id, "fileattrset"), ArgText(ctx, args[2])};
    if (!WalkFileList(ctx, ArgText(ctx, args[1]), Wildcards::Expand, SetAttributesOne, &job))
        return 0;
    return Integer(result, 1);
}

// An extender's "itemizenull" function answers an empty itemize request;
// true when one was found and called.
bool ItemizeNull(ScriptContext* ctx, bool dirs, Value& result, int* status) {
    const ExtenderTable& table = ctx->extenders;
    for (int row = 0; row < table.row_count && row < kExtenderRows; ++row) {
        if (std::strncmp(table.rows[row].name, "itemizenull", sizeof table.rows[row].name) != 0)
            continue;
        Value slots[6];
        slots[1].str = HeapCopyText(ctx, dirs ? "1" : "0");
        if (!slots[1].str) {
            *status = Raise(ctx, Err::StringMemory);
            return true;
        }
        slots[1].flags = vf::String;
        *status = ExtenderCall(ctx, kw::ExtenderBase + row, result, slots);
        VFree(ctx, ctx->heap.base, slots[1].str);
        return true;
    }
    return false;
}

int FnItemize(ScriptContext* ctx, int id, Value& result, Value* args) {
    const bool dirs = !IsId(id, "fileitemize");
    const char* patterns = ArgText(ctx, args[1]);
    if (!*patterns) {
        int status = 1;
        if (ItemizeNull(ctx, dirs, result, &status)) return status;
        return ResultCopy(ctx, result, "");
    }
    const char delimiter = static_cast<char>(ctx->options.list_delimiter);
    auto is_sep = [&](char c) { return c == delimiter || c == '\t' || c == '|'; };
    std::string list;
    bool over = false;
    for (const char* p = patterns; *p && !over;) {
        while (*p && is_sep(*p))
            ++p;
        if (!*p) break;
        const char* end = p;
        while (*end && !is_sep(*end))
            ++end;
        std::string pattern(p, end);
        p = end;
        if (pattern.size() > kNameLimit) pattern.resize(kNameLimit);
        plat::FindData found;
        plat::FindHandle h = plat::find_first(pattern.c_str(), &found);
        if (!h) continue;
        do {
            const bool is_dir = (found.attributes & plat::fattr::Directory) != 0;
            if (is_dir != dirs || (dirs && found.name[0] == '.')) continue;
            // Room is checked before every append, so that the list never
            // grows past its limit, however many patterns add to it.
            if (list.size() + std::strlen(found.name) + 1 > kItemizeLimit) {
                over = true;
                break;
            }
            list += found.name;
            list += delimiter;
        } while (plat::find_next(h, &found));
        plat::find_close(h);
    }
    if (!ResultCopy(ctx, result, list.c_str())) return 0;
    if (over) Raise(ctx, Err::ListTooLong);
    return over ? 0 : 1;
}

constexpr ModuleFunction kFunctions[] = {
    {"dirmake", FnDirMake, 0},         {"dirremove", FnDirRemove, 0},
    {"dirchange", FnDirChange, 0},     {"dirrename", FnDirRename, 0},
    {"direxist", FnDirExist, 0},       {"dirget", FnDirGet, 0},
    {"dirhome", FnDirHome, 0},         {"dirwindows", FnDirWindows, 0},
    {"diskexist", FnDiskExist, 0},     {"diskfree", FnDiskSpace, 0},
    {"disksize", FnDiskSpace, 0},      {"diskinfo", FnDiskInfo, 0},
    {"diskvolinfo", FnDiskVolInfo, 0}, {"diskscan", FnDiskScan, 0},
    {"logdisk", FnLogDisk, 0},         {"dirattrget", FnAttrGet, 0},
    {"dirattrset", FnAttrSet, 0},      {"diritemize", FnItemize, 0},
    {"fileattrget", FnAttrGet, 0},     {"fileattrset", FnAttrSet, 0},
    {"fileitemize", FnItemize, 0},
};

} // namespace

bool SwitchDrive(ScriptContext* ctx, char letter) {
    letter = Upper(letter);
    if (letter < 'A' || letter > 'Z') {
        Raise(ctx, Err::BadDrive);
        return false;
    }
    const char drive[3] = {letter, ':', 0};
    if (!plat::set_current_directory(drive)) {
        Raise(ctx, Err::DriveOffline);
        return false;
    }
    return true;
}

bool DirectoryExists(const char* name) {
    char full[kFullNameSize];
    if (!name || !*name || !FullFileName(name, full, sizeof full)) return false;
    std::string path = full;
    const bool unc = path.size() >= 2 && IsSep(path[0]) && IsSep(path[1]);
    const bool root = path == "\\" || path == "/" ||
                      (path.size() == 3 && HasDrive(path.c_str()) && IsSep(path[2]));
    if (!root && path.size() > 1 && IsSep(path.back())) path.pop_back();
    if (root) {
        if (path.size() == 1) {
            char here[kPathSize];
            return CurrentDirectoryName(here, sizeof here) && HasDrive(here) &&
                   DriveExists(here[0]);
        }
        return DriveExists(path[0]);
    }
    if (path == "..") {
        char here[kPathSize];
        if (!CurrentDirectoryName(here, sizeof here)) return false;
        const std::size_t n = std::strlen(here);
        return !(n <= 3 && HasDrive(here)) && !(n == 1 && IsSep(here[0]));
    }
    plat::FindData found;
    plat::FindHandle h = plat::find_first(path.c_str(), &found);
    bool is_dir = false;
    if (h) {
        is_dir = (found.attributes & plat::fattr::Directory) != 0;
        plat::find_close(h);
    }
    if (is_dir || !unc) return is_dir;
    // A share root is found only by the entries below it.
    const std::string below = path + "\\*.*";
    h = plat::find_first(below.c_str(), &found);
    if (!h) return false;
    plat::find_close(h);
    return true;
}

const Module kDirectoryModule = MakeModule("directories and disks", kFunctions);

} // namespace jol
