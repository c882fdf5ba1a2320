#include "lib/data/file_functions.h"

#include <cstring>
#include <string>
#include <vector>

#include "dispatch/int_control.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/keyword_table.h"
#include "lib/data/file_names.h"
#include "lib/data/replace_confirmation.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/system_errors.h"
#include "platform/text.h"

namespace jol {
namespace {

constexpr std::size_t kTransferSize = 28672; // appending and sending to a port
constexpr std::size_t kCompareBlock = 1024;

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

int Integer(Value& result, std::int32_t n) {
    result.i = n;
    return 1;
}

bool IsPlainFile(const char* name) {
    const std::uint32_t a = plat::get_file_attributes(name);
    return a != plat::fattr::Invalid && !(a & plat::fattr::Directory);
}

// The name as the system's own calls take it (a POSIX path on the native
// backend).
std::string SystemName(const char* name) {
    char out[kPathSize];
    if (!plat::system_path(name, out, sizeof out)) return std::string();
    return out;
}

// A target name whose last component is COM1..COM9 or LPT1..LPT9.
bool IsPortName(const char* target, char* port) {
    const char* last = target;
    for (const char* p = target; *p; ++p)
        if (IsPathSeparator(*p) || *p == ':') last = p + 1;
    if (std::strlen(last) != 4 || last[3] < '1' || last[3] > '9') return false;
    const char a = Upper(last[0]), b = Upper(last[1]), c = Upper(last[2]);
    if (!((a == 'C' && b == 'O' && c == 'M') || (a == 'L' && b == 'P' && c == 'T'))) return false;
    std::memcpy(port, last, 5);
    return true;
}

// ------------------------------------------------ copying and moving

struct CopyJob {
    bool move = false;
    char mask[kFullNameSize] = {};
    ReplaceChoice choice;
};

// The full name a source takes under the job's mask.
bool TargetOf(const char* source, const char* mask, char* out) {
    char mapped[kFullNameSize];
    return MapTargetName(source, mask, mapped, sizeof mapped) &&
           FullFileName(mapped, out, kFullNameSize) && *out;
}

bool SendToPort(ScriptContext* ctx, const char* source, const char* port) {
    if (!*source) return Raise(ctx, Err::PortFile);
    const plat::FileHandle in =
        plat::open_text_file(source, plat::TextOpen::Read, ctx->options.read_share_mode);
    if (!in) return Raise(ctx, Err::PortFile);
    std::uint64_t size = 0;
    plat::file_size(in, &size);
    const plat::FileHandle out =
        plat::open_text_file(port, plat::TextOpen::Write, ctx->options.write_share_mode);
    if (!out) {
        plat::close_file(in);
        return Raise(ctx, Err::PortOpen);
    }
    bool ok = size > 0 || Raise(ctx, Err::FileCopyFailed);
    std::vector<char> buffer(kTransferSize);
    while (ok && size > 0) {
        const std::size_t want =
            size < kTransferSize ? static_cast<std::size_t>(size) : kTransferSize;
        std::size_t got = 0, put = 0;
        if (!plat::read_file(in, buffer.data(), want, &got) || got == 0) {
            ok = Raise(ctx, Err::PortRead);
        } else if (!plat::write_data_file(out, buffer.data(), got, &put)) {
            ok = Raise(ctx, Err::PortWrite);
        } else {
            size -= got;
        }
    }
    plat::close_file(out);
    plat::close_file(in);
    return ok;
}

bool CopyOne(ScriptContext* ctx, const char* source, void* data) {
    CopyJob& job = *static_cast<CopyJob*>(data);
    const Err failed = job.move ? Err::FileMoveFailed : Err::FileCopyFailed;
    const Err missing = job.move ? Err::FileMoveFrom : Err::FileCopyFrom;
    char target[kFullNameSize];
    if (!TargetOf(source, job.mask, target)) return Raise(ctx, failed);
    if (!IsPlainFile(source)) return Raise(ctx, missing);
    // A file copied or moved onto itself is already where it should be.
    if (plat::same_text_ignoring_case(source, target) || plat::same_file(source, target))
        return true;
    switch (ConfirmReplace(ctx, &job.choice, source, target)) {
    case ReplaceAnswer::Cancelled:
        return Raise(ctx, Err::StopCancel);
    case ReplaceAnswer::SourceMissing:
        return Raise(ctx, missing);
    case ReplaceAnswer::Leave:
        return true;
    case ReplaceAnswer::Copy:
        break;
    }
    std::uint64_t needed = 0, existing = 0;
    FileSizeOf(source, &needed);
    if (FileSizeOf(target, &existing)) needed = needed > existing ? needed - existing : 0;
    if (!TargetHasRoom(target, needed))
        return Raise(ctx, job.move ? Err::FileMoveRoom : Err::FileCopyRoom);
    char port[5];
    if (!job.move && IsPortName(target, port)) return SendToPort(ctx, source, port);
    const bool done =
        job.move ? plat::move_file_replace(source, target) : plat::copy_file(source, target);
    return done || Raise(ctx, failed);
}

int CopyOrMove(ScriptContext* ctx, bool move, Value& result, Value* args) {
    const bool warn = args[3].i != 0;
    if (warn && ctx->options.quiet) return Raise(ctx, Err::WarnInQuiet);
    CopyJob job;
    job.move = move;
    if (!PrepareTargetMask(ArgText(ctx, args[2]), job.mask, sizeof job.mask))
        return Raise(ctx, move ? Err::FileMoveFailed : Err::FileCopyFailed);
    job.choice.remembered = warn ? 0 : kReplaceAll;
    if (!WalkFileList(ctx, ArgText(ctx, args[1]), Wildcards::Expand, CopyOne, &job)) return 0;
    return Integer(result, 1);
}

int FnFileCopy(ScriptContext* ctx, int, Value& result, Value* args) {
    return CopyOrMove(ctx, false, result, args);
}

int FnFileMove(ScriptContext* ctx, int, Value& result, Value* args) {
    return CopyOrMove(ctx, true, result, args);
}

// ------------------------------------------------------------ appending

// Copies the source's bytes to the end of the target; on any failure the
// target is cut back to its old length (and a target the append created
// is removed), so no partial tail is left.
bool AppendOne(ScriptContext* ctx, const char* source, void* data) {
    const char* mask = static_cast<const char*>(data);
    char target[kFullNameSize];
    if (!TargetOf(source, mask, target)) return Raise(ctx, Err::FileAppendTo);
    std::uint64_t size = 0;
    if (!IsPlainFile(source) || !FileSizeOf(source, &size)) return Raise(ctx, Err::FileAppendFrom);
    if (!TargetHasRoom(target, size)) return Raise(ctx, Err::FileAppendRoom);
    // The target is opened without sharing: while the source is open for
    // reading, the same file cannot be the target.
    if (plat::same_text_ignoring_case(source, target) || plat::same_file(source, target))
        return Raise(ctx, Err::FileAppendTo);
    const plat::FileHandle in = plat::open_text_file(source, plat::TextOpen::Read, 1);
    if (!in) return Raise(ctx, Err::FileAppendFrom);
    const std::uint32_t attributes = plat::get_file_attributes(target);
    const bool existed = attributes != plat::fattr::Invalid;
    // A read-only target is refused before it is opened, also where the
    // system would let a privileged user write it.
    if (existed && (attributes & plat::fattr::ReadOnly)) {
        plat::close_file(in);
        return Raise(ctx, Err::FileAppendTo);
    }
    const plat::FileHandle out = plat::open_text_file(target, plat::TextOpen::Append, 0);
    if (!out) {
        plat::close_file(in);
        return Raise(ctx, Err::FileAppendTo);
    }
    std::uint64_t old_length = 0;
    plat::file_size(out, &old_length);
    plat::file_size(in, &size);
    std::vector<char> buffer(kTransferSize);
    bool ok = true;
    while (ok && size > 0) {
        const std::size_t want =
            size < kTransferSize ? static_cast<std::size_t>(size) : kTransferSize;
        std::size_t got = 0, put = 0;
        if (!plat::read_file(in, buffer.data(), want, &got) || got == 0 ||
            !plat::write_data_file(out, buffer.data(), got, &put))
            ok = false;
        else
            size -= got;
    }
    plat::close_file(in);
    if (!ok) {
        plat::seek_file(out, old_length);
        plat::truncate_data_file(out);
    }
    if (!plat::close_file(out)) ok = false;
    if (!ok) {
        if (!existed) plat::delete_file(target);
        return Raise(ctx, Err::FileAppendIo);
    }
    return true;
}

int FnFileAppend(ScriptContext* ctx, int, Value& result, Value* args) {
    char mask[kFullNameSize];
    if (!PrepareTargetMask(ArgText(ctx, args[2]), mask, sizeof mask))
        return Raise(ctx, Err::FileAppendTo);
    if (!WalkFileList(ctx, ArgText(ctx, args[1]), Wildcards::Expand, AppendOne, mask)) return 0;
    return Integer(result, 1);
}

// -------------------------------------------------- renaming, deleting

bool RenameOne(ScriptContext* ctx, const char* source, void* data) {
    char target[kFullNameSize];
    if (!TargetOf(source, static_cast<const char*>(data), target))
        return Raise(ctx, Err::FileRenameFailed);
    if (std::strcmp(source, target) == 0) return true;
    return plat::move_file(source, target) || Raise(ctx, Err::FileRenameFailed);
}

int FnFileRename(ScriptContext* ctx, int, Value& result, Value* args) {
    char mask[kFullNameSize];
    if (!PrepareTargetMask(ArgText(ctx, args[2]), mask, sizeof mask))
        return Raise(ctx, Err::FileRenameFailed);
    if (!WalkFileList(ctx, ArgText(ctx, args[1]), Wildcards::Expand, RenameOne, mask)) return 0;
    return Integer(result, 1);
}

bool DeleteOne(ScriptContext* ctx, const char* name, void*) {
    return plat::delete_file(name) || Raise(ctx, Err::FileDeleteNotFound);
}

int FnFileDelete(ScriptContext* ctx, int, Value& result, Value* args) {
    if (!WalkFileList(ctx, ArgText(ctx, args[1]), Wildcards::Expand, DeleteOne, nullptr)) return 0;
    return Integer(result, 1);
}

// -------------------------------------------------------------- queries

int FnFileExist(ScriptContext* ctx, int, Value& result, Value* args) {
    char full[kFullNameSize];
    if (!LocateFile(ArgText(ctx, args[1]), full, sizeof full)) return Integer(result, 0);
    const std::uint32_t error = plat::probe_file_open(full);
    return Integer(result, error == 0 ? 1 : error == plat::err::SharingViolation ? 2 : 0);
}

int FnFileLocate(ScriptContext* ctx, int, Value& result, Value* args) {
    char full[kFullNameSize];
    if (!LocateFile(ArgText(ctx, args[1]), full, sizeof full)) *full = 0;
    return ResultCopy(ctx, result, full);
}

bool AddSize(ScriptContext*, const char* name, void* data) {
    std::uint64_t size = 0;
    if (FileSizeOf(name, &size)) *static_cast<double*>(data) += static_cast<double>(size);
    return true;
}

int FnFileSize(ScriptContext* ctx, int, Value& result, Value* args) {
    double total = 0;
    if (!WalkFileList(ctx, ArgText(ctx, args[1]), Wildcards::Expand, AddSize, &total)) {
        // A pattern that matches nothing adds nothing.
        if (!ErrorIs(ctx, Err::FileListNoMatch)) return 0;
        ClearSpeculativeError(ctx);
    }
    if (total >= -2147483645.0 && total <= 2147483644.0)
        return Integer(result, static_cast<std::int32_t>(total));
    result.f = total;
    result.flags = vf::Float;
    return 1;
}

// True when both open files hold the same bytes.
bool SameContents(plat::FileHandle a, plat::FileHandle b) {
    char x[kCompareBlock], y[kCompareBlock];
    for (;;) {
        std::size_t got_a = 0, got_b = 0;
        if (!plat::read_file(a, x, sizeof x, &got_a) || !plat::read_file(b, y, sizeof y, &got_b))
            return false;
        if (got_a != got_b || std::memcmp(x, y, got_a) != 0) return false;
        if (got_a == 0) return true;
    }
}

int FnFileCompare(ScriptContext* ctx, int, Value& result, Value* args) {
    char first[kFullNameSize], second[kFullNameSize];
    const bool have_first = LocateFile(ArgText(ctx, args[1]), first, sizeof first);
    const bool have_second = LocateFile(ArgText(ctx, args[2]), second, sizeof second);
    if (!have_first && !have_second) return Integer(result, 4);
    if (!have_first) return Integer(result, -3);
    if (!have_second) return Integer(result, 3);
    std::uint32_t t1 = 0, t2 = 0;
    FileWriteStamp(first, &t1);
    FileWriteStamp(second, &t2);
    const int n = t1 >= t2 ? 1 : -1;
    std::uint64_t s1 = 0, s2 = 0;
    FileSizeOf(first, &s1);
    FileSizeOf(second, &s2);
    if (s1 != s2) return Integer(result, 2 * n);
    const plat::FileHandle a =
        plat::open_text_file(first, plat::TextOpen::Read, ctx->options.read_share_mode);
    if (!a) return Raise(ctx, Err::FileCompareFirst);
    const plat::FileHandle b =
        plat::open_text_file(second, plat::TextOpen::Read, ctx->options.read_share_mode);
    if (!b) {
        plat::close_file(a);
        return Raise(ctx, Err::FileCompareSecond);
    }
    const bool same = SameContents(a, b);
    plat::close_file(a);
    plat::close_file(b);
    return Integer(result, same ? 0 : n);
}

// ---------------------------------------------------------------- names

int FnFileFullName(ScriptContext* ctx, int, Value& result, Value* args) {
    char full[kFullNameSize];
    if (!FullFileName(ArgText(ctx, args[1]), full, sizeof full))
        return Raise(ctx, Err::Unrecognizable);
    return ResultCopy(ctx, result, full);
}

int FnFileMapName(ScriptContext* ctx, int, Value& result, Value* args) {
    char mask[kFullNameSize], mapped[kFullNameSize];
    if (!PrepareTargetMask(ArgText(ctx, args[2]), mask, sizeof mask) ||
        !MapTargetName(ArgText(ctx, args[1]), mask, mapped, sizeof mapped))
        return Raise(ctx, Err::Unrecognizable);
    return ResultCopy(ctx, result, mapped);
}

int FnFileNamePart(ScriptContext* ctx, int id, Value& result, Value* args) {
    static const int extension = FindBuiltinKeyword("fileextension")->id;
    static const int path = FindBuiltinKeyword("filepath")->id;
    SplitName split;
    SplitFileName(ArgText(ctx, args[1]), &split);
    if (id == extension) return ResultCopy(ctx, result, split.extension);
    if (id == path)
        return ResultCopy(ctx, result, (std::string(split.drive) + split.directory).c_str());
    return ResultCopy(ctx, result, split.root);
}

// The located file's name rebuilt from its root, each component in the
// form the file search reports it.
int FnFileNameLong(ScriptContext* ctx, int, Value& result, Value* args) {
    char full[kFullNameSize];
    if (!LocateFile(ArgText(ctx, args[1]), full, sizeof full))
        return Raise(ctx, Err::FileNameLongMissing);
    std::string name = full;
    std::size_t start;
    if (IsPathSeparator(name[0]) && IsPathSeparator(name[1])) {
        std::size_t server = name.find_first_of("\\/", 2);
        std::size_t share =
            server == std::string::npos ? server : name.find_first_of("\\/", server + 1);
        if (share == std::string::npos) return ResultCopy(ctx, result, full);
        start = share + 1;
    } else {
        start = (name.size() > 2 && IsPathSeparator(name[2])) ? 3 : 2;
    }
    std::string built = name.substr(0, start);
    while (start < name.size()) {
        std::size_t end = name.find_first_of("\\/", start);
        if (end == std::string::npos) end = name.size();
        const std::string prefix = built + name.substr(start, end - start);
        plat::FindData found;
        plat::FindHandle h = plat::find_first(prefix.c_str(), &found);
        if (!h) return Raise(ctx, Err::FileNameLongMissing);
        plat::find_close(h);
        built += found.name;
        if (end < name.size()) built += '\\';
        start = end + 1;
    }
    if (built.size() >= kFullNameSize) return Raise(ctx, Err::Unrecognizable);
    return ResultCopy(ctx, result, built.empty() ? full : built.c_str());
}

int FnFileNameShort(ScriptContext* ctx, int, Value& result, Value* args) {
    char full[kFullNameSize], brief[kFullNameSize];
    if (!LocateFile(ArgText(ctx, args[1]), full, sizeof full))
        return Raise(ctx, Err::FileNameShortMissing);
    if (!plat::short_path_name(full, brief, sizeof brief)) return ResultCopy(ctx, result, full);
    return ResultCopy(ctx, result, brief);
}

constexpr ModuleFunction kFunctions[] = {
    {"filecopy", FnFileCopy, 0},         {"filemove", FnFileMove, 0},
    {"fileappend", FnFileAppend, 0},     {"filerename", FnFileRename, 0},
    {"filedelete", FnFileDelete, 0},     {"fileexist", FnFileExist, 0},
    {"filelocate", FnFileLocate, 0},     {"filesize", FnFileSize, 0},
    {"filecompare", FnFileCompare, 0},   {"filefullname", FnFileFullName, 0},
    {"filemapname", FnFileMapName, 0},   {"fileextension", FnFileNamePart, 0},
    {"filepath", FnFileNamePart, 0},     {"fileroot", FnFileNamePart, 0},
    {"filenamelong", FnFileNameLong, 0}, {"filenameshort", FnFileNameShort, 0},
};

} // namespace

bool LocateFile(const char* name, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return false;
    *out = 0;
    if (!name) return false;
    while (*name == ' ')
        ++name;
    if (!*name) return false;
    char full[kFullNameSize];
    const bool placed = HasDrive(name) || std::strpbrk(name, "\\/") != nullptr;
    if (FullFileName(name, full, sizeof full) && *full && IsPlainFile(full)) {
        if (std::strlen(full) + 1 > out_size) return false;
        std::memcpy(out, full, std::strlen(full) + 1);
        return true;
    }
    if (placed) return false;
    char dir[kPathSize];
    for (std::size_t i = 0; plat::path_directory(i, dir, sizeof dir); ++i) {
        std::string candidate = dir;
        if (!candidate.empty() && !IsPathSeparator(candidate.back())) candidate += '\\';
        candidate += name;
        if (candidate.size() >= kFullNameSize) continue;
        if (FullFileName(candidate.c_str(), full, sizeof full) && *full && IsPlainFile(full)) {
            if (std::strlen(full) + 1 > out_size) return false;
            std::memcpy(out, full, std::strlen(full) + 1);
            return true;
        }
    }
    return false;
}

bool FileWriteStamp(const char* name, std::uint32_t* stamp) {
    const std::string sys = SystemName(name);
    std::uint16_t date = 0, time = 0;
    if (sys.empty() || !plat::file_write_time_packed(sys.c_str(), &date, &time)) return false;
    *stamp = (static_cast<std::uint32_t>(date) << 16) | time;
    return true;
}

bool TargetHasRoom(const char* target, std::uint64_t needed) {
    if (needed == 0) return true;
    std::string root;
    if (IsPathSeparator(target[0]) && IsPathSeparator(target[1])) {
        root = target;
        const std::size_t at = root.find_last_of("\\/");
        root = root.substr(0, at + 1);
    } else if (HasDrive(target)) {
        root = std::string(1, Upper(target[0])) + ":\\";
    } else {
        return true;
    }
    std::uint64_t free_bytes = 0;
    if (plat::disk_space_bytes(root.c_str(), &free_bytes, nullptr, nullptr))
        return free_bytes >= needed;
    plat::DiskSpace space;
    if (!plat::disk_space(root.c_str(), &space)) return true;
    const std::uint64_t cluster =
        static_cast<std::uint64_t>(space.sectors_per_cluster) * space.bytes_per_sector;
    if (cluster == 0) return true;
    return (needed + cluster - 1) / cluster <= space.free_clusters;
}

bool FileSizeOf(const char* name, std::uint64_t* size) {
    if (!name || !*name || HasWildcard(name)) return false;
    plat::FindData found;
    plat::FindHandle h = plat::find_first(name, &found);
    if (!h) return false;
    plat::find_close(h);
    if (found.attributes & plat::fattr::Directory) return false;
    *size = found.size;
    return true;
}

bool RecordDelayedMove(const char* source, const char* target) {
    char dir[kPathSize];
    if (!source || !*source || !plat::windows_directory(dir, sizeof dir)) return false;
    std::string file = dir;
    if (!file.empty() && !IsPathSeparator(file.back())) file += '\\';
    const std::string temporary = file + "WININIT.$$$";
    file += "WININIT.INI";
    std::string text;
    if (plat::get_file_attributes(file.c_str()) != plat::fattr::Invalid) {
        const plat::FileHandle in = plat::open_text_file(file.c_str(), plat::TextOpen::Read, 1);
        if (!in) return false;
        char block[4096];
        std::size_t got = 0;
        bool ok;
        while ((ok = plat::read_file(in, block, sizeof block, &got)) && got > 0)
            text.append(block, got);
        plat::close_file(in);
        if (!ok) return false;
    }
    const std::string line =
        std::string(target && *target ? target : "NUL") + "=" + source + "\r\n";
    // At the end of the [rename] section when there is one (the system
    // carries the lines out in order), else in a new section.
    std::size_t at = std::string::npos;
    bool inside = false;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string head = text.substr(start, end - start);
        while (!head.empty() && (head.back() == '\r' || head.back() == ' '))
            head.pop_back();
        if (inside && !head.empty() && head[0] == '[') break;
        if (inside || plat::same_text_ignoring_case(head.c_str(), "[rename]")) {
            inside = true;
            at = end < text.size() ? end + 1 : end;
        }
        start = end + 1;
    }
    if (at == std::string::npos) {
        if (!text.empty() && text.back() != '\n') text += "\r\n";
        text += "[rename]\r\n" + line;
    } else {
        if (at == text.size() && (text.empty() || text.back() != '\n')) text += "\r\n", at += 2;
        text.insert(at, line);
    }
    const plat::FileHandle out = plat::open_text_file(temporary.c_str(), plat::TextOpen::Write, 0);
    if (!out) return false;
    std::size_t put = 0;
    const bool written = plat::write_data_file(out, text.data(), text.size(), &put);
    const bool closed = plat::close_file(out);
    if (!written || !closed || !plat::move_file_replace(temporary.c_str(), file.c_str())) {
        plat::delete_file(temporary.c_str());
        return false;
    }
    return true;
}

const char* MoveAtNextStart(ScriptContext* ctx, const char* source, const char* target) {
    char from[kTextSize];
    if (!LocateFile(source, from, sizeof from)) return Raise(ctx, Err::RenameSourceMissing), "0";
    char to[kFullNameSize] = {};
    if (target && *target) {
        char mask[kFullNameSize];
        if (!PrepareTargetMask(target, mask, sizeof mask) || !TargetOf(from, mask, to))
            return Raise(ctx, Err::RenameBadTarget), "0";
        if (Upper(to[0]) != Upper(from[0])) return Raise(ctx, Err::RenameOtherDrive), "0";
        std::uint64_t size = 0;
        FileSizeOf(from, &size);
        if (!TargetHasRoom(to, size)) return Raise(ctx, Err::FileMoveRoom), "0";
    }
    const char* target_name = *to ? to : nullptr;
    if (plat::move_file_at_restart(from, target_name)) return "1";
    if (plat::get_last_error() == plat::err::CallNotImplemented &&
        RecordDelayedMove(from, target_name))
        return "2";
    return "0";
}

const Module kFileModule = MakeModule("file management", kFunctions);

} // namespace jol
