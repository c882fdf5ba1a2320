#include "lib/data/exe_info.h"

#include <cstdio>
#include <string>
#include <vector>

#include "exec/error_report.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lib/data/file_functions.h"
#include "lib/data/file_names.h"
#include "lib/data/pe_image.h"
#include "platform/boxes.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/install.h"
#include "platform/text.h"
#include "resources/message_table.h"

namespace jol {
namespace {

constexpr int kMsgUnknownExe = 848;
constexpr std::int32_t kInstallShared = 1;
constexpr std::int32_t kInstallForce = 2;

// An open file as an image source.
bool ReadFromFile(void* source, std::uint64_t offset, void* out, std::size_t bytes) {
    const plat::FileHandle f = *static_cast<plat::FileHandle*>(source);
    std::size_t got = 0;
    return plat::seek_file(f, offset) && plat::read_file(f, out, bytes, &got) && got == bytes;
}

ImageSource FileImage(plat::FileHandle* f) {
    ImageSource image{ReadFromFile, f};
    if (!plat::file_size(*f, &image.size)) image.size = 0;
    return image;
}

int FnExeTypeInfo(ScriptContext* ctx, int, Value& result, Value* args) {
    char full[kFullNameSize];
    if (!FullFileName(ArgText(ctx, args[1]), full, sizeof full) || !*full)
        return Raise(ctx, Err::ExeInfoMissing);
    plat::FileHandle f = plat::open_text_file(full, plat::TextOpen::Read, 1);
    if (!f) return Raise(ctx, Err::ExeInfoMissing);
    std::uint16_t signature = 0;
    const int type = ExecutableType(FileImage(&f), &signature);
    plat::close_file(f);
    if (type == 99) {
        char text[16], caption[kTextSize];
        std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(signature));
        LoadMessage(ctx, kMsgUnknownExe, caption, sizeof caption);
        ShowMessageBox(ctx, ctx->host_window, text, caption, plat::mb::Ok);
    }
    result.i = type;
    return 1;
}

// The ANSI text of a version value.
std::string Ansi(const std::u16string& w) {
    if (w.empty()) return std::string();
    const std::size_t n = plat::wide_to_ansi(w.data(), w.size(), nullptr, 0);
    std::string out(n, '\0');
    if (n) plat::wide_to_ansi(w.data(), w.size(), out.data(), out.size());
    return out;
}

int FnFileVerInfo(ScriptContext* ctx, int, Value& result, Value* args) {
    char full[kFullNameSize];
    if (!LocateFile(ArgText(ctx, args[1]), full, sizeof full))
        return Raise(ctx, Err::FileVerMissing);
    plat::FileHandle f = plat::open_text_file(full, plat::TextOpen::Read, 1);
    if (!f) return ResultCopy(ctx, result, "NONE");
    std::vector<unsigned char> resource;
    const VersionResource found = ReadVersionResource(FileImage(&f), &resource);
    plat::close_file(f);
    if (found == VersionResource::TooLarge) return Raise(ctx, Err::FileVerMemory);
    if (found != VersionResource::Found) return ResultCopy(ctx, result, "NONE");
    const std::string language = ArgText(ctx, args[2]);
    const std::string item = ArgText(ctx, args[3]);
    std::u16string value;
    bool have;
    if (language.empty()) {
        have =
            QueryVersionValue(resource, ("\\StringFileInfo\\040904E4\\" + item).c_str(), &value) ||
            QueryVersionValue(resource, ("\\StringFileInfo\\040904B0\\" + item).c_str(), &value);
    } else {
        have = QueryVersionValue(resource, ("\\StringFileInfo\\" + language + "\\" + item).c_str(),
                                 &value);
    }
    return ResultCopy(ctx, result, have ? Ansi(value).c_str() : "");
}

// ------------------------------------------------------------ installing

// The version resource of a file; Missing also when it cannot be opened.
VersionResource VersionOf(const char* path, std::vector<unsigned char>* resource) {
    plat::FileHandle f = plat::open_text_file(path, plat::TextOpen::Read, 1);
    if (!f) return VersionResource::Missing;
    const VersionResource found = ReadVersionResource(FileImage(&f), resource);
    plat::close_file(f);
    return found;
}

// The versions the native installer compares.
bool ReadFixedVersion(const char* path, plat::FixedFileVersion* out) {
    std::vector<unsigned char> resource;
    FixedFileInfo fixed;
    if (VersionOf(path, &resource) != VersionResource::Found ||
        !QueryFixedFileInfo(resource, &fixed))
        return false;
    out->version_ms = fixed.file_version_ms;
    out->version_ls = fixed.file_version_ls;
    out->file_type = fixed.file_type;
    out->file_subtype = fixed.file_subtype;
    return true;
}

// A directory without its closing separator, except a root ("C:\").
std::string WithoutClosingSeparator(std::string dir) {
    while (dir.size() > 1 && IsPathSeparator(dir.back()) && !(dir.size() == 3 && dir[1] == ':'))
        dir.pop_back();
    return dir;
}

std::string Joined(const std::string& dir, const char* name) {
    if (dir.empty() || IsPathSeparator(dir.back())) return dir + name;
    return dir + "\\" + name;
}

// True when the existing copy was last written after the source, in the
// 2-second steps of file times; a time that cannot be read decides
// nothing.
bool ExistingIsNewer(const std::string& existing, const char* source) {
    std::uint32_t have = 0, from = 0;
    return FileWriteStamp(existing.c_str(), &have) && FileWriteStamp(source, &from) && have > from;
}

int FnInstallFile(ScriptContext* ctx, int, Value& result, Value* args) {
    char source[kFullNameSize];
    if (!LocateFile(ArgText(ctx, args[1]), source, sizeof source))
        return Raise(ctx, Err::InstallSource);
    // The located name is a full name: its directory and its file name.
    const std::string located = source;
    const std::size_t cut = located.find_last_of("\\/");
    if (cut == std::string::npos) return Raise(ctx, Err::InstallSource);
    const std::string source_dir = WithoutClosingSeparator(located.substr(0, cut + 1));
    const std::string source_name = located.substr(cut + 1);

    std::string target_name = ArgText(ctx, args[2]);
    if (target_name.find_first_of("\\/:") != std::string::npos) return Raise(ctx, Err::InstallName);
    if (target_name.empty()) target_name = source_name;

    char full_dir[kFullNameSize];
    const char* dir_arg = ArgText(ctx, args[3]);
    if (!*dir_arg || !FullFileName(dir_arg, full_dir, sizeof full_dir) || !*full_dir)
        return Raise(ctx, Err::InstallDirectory);
    const std::uint32_t attributes = plat::get_file_attributes(full_dir);
    if (attributes == plat::fattr::Invalid || !(attributes & plat::fattr::Directory))
        return Raise(ctx, Err::InstallDirectory);
    const std::string target_dir = WithoutClosingSeparator(full_dir);

    const std::int32_t flags = args[5].i;
    const bool shared = (flags & kInstallShared) != 0;
    const bool force = (flags & kInstallForce) != 0;
    char windows_dir[kPathSize];
    if (!plat::windows_directory(windows_dir, sizeof windows_dir)) *windows_dir = 0;
    char current[kPathSize] = {}, suggested[kPathSize] = {};
    std::size_t current_size = sizeof current, suggested_size = sizeof suggested;
    const std::uint32_t found = plat::find_install_file(
        shared ? plat::vff::IsSharedFile : 0, target_name.c_str(), windows_dir, target_dir.c_str(),
        current, &current_size, suggested, &suggested_size);
    if (found & plat::vff::BuffTooSmall) return Raise(ctx, Err::InstallBuffer);
    const std::string dest_dir = !shared ? target_dir : *current ? current : suggested;

    // A source without version information is compared by its time, which
    // the installer does not look at.
    if (!force && *current) {
        std::vector<unsigned char> resource;
        if (VersionOf(source, &resource) == VersionResource::Missing &&
            ExistingIsNewer(Joined(current, target_name.c_str()), source))
            return ResultCopy(ctx, result, "4|");
    }

    std::uint32_t options = 0;
    if (force) options |= plat::viff::ForceInstall;
    if (args[4].i == 0) options |= plat::viff::DontDeleteOld;
    char temporary[kPathSize] = {};
    std::size_t temporary_size = sizeof temporary;
    const std::uint32_t code =
        plat::install_file(options, source_name.c_str(), target_name.c_str(), source_dir.c_str(),
                           dest_dir.c_str(), current, temporary, &temporary_size, ReadFixedVersion);
    char text[kPathSize + 16];
    std::snprintf(text, sizeof text, "%lu|%s", static_cast<unsigned long>(code),
                  (code & plat::vif::TempFile) ? temporary : "");
    return ResultCopy(ctx, result, text);
}

constexpr ModuleFunction kFunctions[] = {
    {"exetypeinfo", FnExeTypeInfo, 0},
    {"fileverinfo", FnFileVerInfo, 0},
    {"installfile", FnInstallFile, 0},
};

} // namespace

const Module kExeInfoModule = MakeModule("program file information", kFunctions);

} // namespace jol
