#include "lib/data/ini_functions.h"

#include <cstring>

#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/string_heap.h"
#include "lib/data/file_functions.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/profiles.h"
#include "platform/text.h"
#include "resources/message_table.h"

namespace jol {
namespace {

constexpr std::size_t kFileNameSize = 280; // 279 characters and a terminator
constexpr std::size_t kReadChunk = 1024;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Compares text, without blanks at its ends, with a lower-case ASCII name.
bool SameTrimmed(const char* text, const char* lower) {
    while (IsBlank(*text))
        ++text;
    std::size_t n = std::strlen(text);
    while (n > 0 && IsBlank(text[n - 1]))
        --n;
    if (n != std::strlen(lower)) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

bool HasLineEnd(const char* text) {
    return std::strpbrk(text, "\r\n") != nullptr;
}

// Texts that would write more than the one entry asked for: a line end in
// any of them starts new lines (new sections and entries, the guarded one
// among them); an "=" in the key moves the entry's name; a key beginning
// with "[" writes a section header.
bool WouldChangeStructure(const char* section, const char* key, const char* value) {
    if (HasLineEnd(section) || HasLineEnd(key) || HasLineEnd(value)) return true;
    if (std::strchr(key, '=')) return true;
    const char* k = key;
    while (IsBlank(*k))
        ++k;
    return *k == '[';
}

bool AllEmpty(const char* a, const char* b, const char* c) {
    return !*a && !*b && !*c;
}

// The key names of a section as a tab-delimited list (file null: the
// user's profile).
int ItemizeKeys(ScriptContext* ctx, Value& result, const char* file, const char* section) {
    plat::MemHandle block = plat::mem_alloc(kIniListSize);
    char* list = block ? static_cast<char*>(plat::mem_lock(block)) : nullptr;
    if (!list) {
        if (block) plat::mem_free(block);
        return Raise(ctx, Err::StringMemory);
    }
    std::size_t length = 0;
    const bool complete =
        plat::read_profile_keys(file, section, "(NONE)", list, kIniListSize, &length);
    for (std::size_t i = 0; i < length; ++i)
        if (list[i] == 0) list[i] = '\t';
    if (length > 0) list[length - 1] = 0; // no tab after the last name
    list[length] = 0;
    int ok = ResultCopy(ctx, result, list);
    plat::mem_unlock(block);
    plat::mem_free(block);
    if (ok && !complete) Raise(ctx, Err::ListTooLong);
    return ok;
}

// The section names of a private file, read by the library itself; the
// file is located as FileLocate locates it.
int ItemizeSections(ScriptContext* ctx, Value& result, const char* file) {
    char full[kFileNameSize];
    if (!LocateFile(file, full, sizeof full)) return Raise(ctx, Err::IniNullSection);
    plat::FileHandle f = plat::open_file_read(full);
    if (!f) {
        char text[kTextSize + kFileNameSize + 1];
        LoadMessage(ctx, kMsgIniFileNotFound, text, kTextSize);
        AppendBounded(nullptr, text, "\t", sizeof text);
        AppendBounded(nullptr, text, full, sizeof text);
        return ResultCopy(ctx, result, text);
    }
    plat::MemHandle block = plat::mem_alloc(kIniListSize);
    char* list = block ? static_cast<char*>(plat::mem_lock(block)) : nullptr;
    if (!list) {
        if (block) plat::mem_free(block);
        plat::close_file(f);
        return Raise(ctx, Err::StringMemory);
    }
    SectionLister lister(list, kIniListSize);
    char chunk[kReadChunk];
    std::size_t got = 0;
    while (!lister.full() && plat::read_file(f, chunk, sizeof chunk, &got) && got > 0)
        lister.Add(chunk, got);
    plat::close_file(f);
    int ok = ResultCopy(ctx, result, list);
    plat::mem_unlock(block);
    plat::mem_free(block);
    if (ok && lister.full()) Raise(ctx, Err::ListTooLong);
    return ok;
}

// ------------------------------------------------------------- handlers

namespace id {
constexpr int IniDeletePvt = 267;
constexpr int IniItemize = 268;
constexpr int IniReadPvt = 271;
constexpr int IniWritePvt = 273;
} // namespace id

int FnIniRead(ScriptContext* ctx, int id, Value& result, Value* args) {
    const char* section = ArgText(ctx, args[1]);
    const char* key = ArgText(ctx, args[2]);
    const char* def = ArgText(ctx, args[3]);
    char value[kTextSize];
    if (id == id::IniReadPvt) {
        if (IsGuardedIniEntry(section, key)) return Raise(ctx, Err::IniGuarded);
        plat::read_profile_string(ArgText(ctx, args[4]), section, key, def, value, sizeof value);
    } else {
        plat::read_win_profile_string(section, key, def, value, sizeof value);
    }
    return ResultCopy(ctx, result, value);
}

int FnIniWrite(ScriptContext* ctx, int id, Value& result, Value* args) {
    const char* section = ArgText(ctx, args[1]);
    const char* key = ArgText(ctx, args[2]);
    const char* value = ArgText(ctx, args[3]);
    const char* file = id == id::IniWritePvt ? ArgText(ctx, args[4]) : nullptr;
    if (AllEmpty(section, key, value)) {
        plat::write_profile_string(file, nullptr, nullptr, nullptr);
        result.i = 1;
        return 1;
    }
    if (file && IsGuardedIniEntry(section, key)) return Raise(ctx, Err::IniGuarded);
    // A write the system cannot make, or one that would write more than
    // its entry, gives 0 (the system's profile errors raise no error).
    if (WouldChangeStructure(section, key, value) ||
        !plat::write_profile_string(file, section, key, value)) {
        result.i = 0;
        return 1;
    }
    if (!file) {
        ctx->ini_change_sending = 1;
        plat::notify_profile_change(section);
        ctx->ini_change_sending = 0;
    }
    result.i = 1;
    return 1;
}

int FnIniDelete(ScriptContext* ctx, int id, Value&, Value* args) {
    const char* section = ArgText(ctx, args[1]);
    const char* key = ArgText(ctx, args[2]);
    const char* file = id == id::IniDeletePvt ? ArgText(ctx, args[3]) : nullptr;
    plat::write_profile_string(file, section, std::strcmp(key, kWholeSectionKey) ? key : nullptr,
                               nullptr);
    return 1;
}

int FnIniItemize(ScriptContext* ctx, int id, Value& result, Value* args) {
    const char* section = ArgText(ctx, args[1]);
    if (id == id::IniItemize) {
        if (!*section) return Raise(ctx, Err::IniNullSection);
        return ItemizeKeys(ctx, result, nullptr, section);
    }
    const char* file = ArgText(ctx, args[2]);
    if (!*section) return ItemizeSections(ctx, result, file);
    return ItemizeKeys(ctx, result, file, section);
}

constexpr ModuleFunction kFunctions[] = {
    {"inidelete", FnIniDelete, 0},   {"inideletepvt", FnIniDelete, 0},
    {"iniitemize", FnIniItemize, 0}, {"iniitemizepvt", FnIniItemize, 0},
    {"iniread", FnIniRead, 0},       {"inireadpvt", FnIniRead, 0},
    {"iniwrite", FnIniWrite, 0},     {"iniwritepvt", FnIniWrite, 0},
};

} // namespace

bool IsGuardedIniEntry(const char* section, const char* key) {
    return SameTrimmed(section, "386enh") && SameTrimmed(key, "device");
}

// ------------------------------------------------------- SectionLister

SectionLister::SectionLister(char* list, std::size_t list_size) : list_(list), size_(list_size) {
    if (list_ && size_) list_[0] = 0;
    if (!list_ || size_ == 0) full_ = true;
}

void SectionLister::Append() {
    const std::size_t need = name_length_ + (count_ ? 1 : 0);
    if (length_ + need + 1 > size_) {
        full_ = true;
        return;
    }
    if (count_) list_[length_++] = '\t';
    std::memcpy(list_ + length_, name_, name_length_);
    length_ += name_length_;
    list_[length_] = 0;
    ++count_;
}

void SectionLister::Add(const char* data, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes && !full_; ++i) {
        const char c = data[i];
        const bool line_end = c == '\n' || c == '\r';
        switch (state_) {
        case State::LineStart:
            if (c == '[') {
                state_ = State::Name;
                name_length_ = 0;
                trail_next_ = false;
                cut_ = false;
            } else if (!line_end && !IsBlank(c)) {
                state_ = State::SkipLine;
            }
            break;
        case State::Name:
            if (line_end) {
                state_ = State::LineStart; // no "]" on the line: no name
            } else if (trail_next_) {
                // The second byte of a double-byte character is never "]".
                trail_next_ = false;
                if (!cut_) name_[name_length_++] = c;
            } else if (c == ']') {
                Append();
                state_ = State::SkipLine;
            } else {
                const bool lead = plat::is_lead_byte(static_cast<unsigned char>(c));
                const std::size_t bytes_needed = lead ? 2 : 1;
                if (name_length_ + bytes_needed > kSectionNameMax) cut_ = true;
                if (!cut_) name_[name_length_++] = c;
                trail_next_ = lead;
            }
            break;
        case State::SkipLine:
            if (line_end) state_ = State::LineStart;
            break;
        }
    }
}

const Module kIniModule = MakeModule("ini files", kFunctions);

} // namespace jol
