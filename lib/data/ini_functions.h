// The INI functions: reading, writing, deleting and listing the entries of
// the user's profile (win.ini) and of private INI files, through the
// system's profile functions.
//
// In private files the entry Device of the section 386Enh (names compared
// without regard to case or surrounding blanks) may be neither read nor
// written: that section holds many entries of that name. Lists are item
// lists delimited by tabs, without a trailing tab.
#pragma once

#include <cstddef>

#include "dispatch/handler.h"

namespace jol {

struct ScriptContext;

constexpr int kMsgIniFileNotFound = 839;     // "(File not found)"
constexpr std::size_t kIniListSize = 32000;  // the list buffer of IniItemize and IniItemizePvt
constexpr std::size_t kSectionNameMax = 253; // section names are cut to this many bytes

// The key that stands for the whole section in IniDelete (@WHOLESECTION).
constexpr char kWholeSectionKey[] = "692837";

// True for the guarded entry [386Enh] Device.
bool IsGuardedIniEntry(const char* section, const char* key);

// Lists the section names of an INI file's text, read in pieces: feed each
// piece to Add, then take the list. A name is appended only when it is
// complete (closed by "]" on its line) and only while the list has room;
// a name that does not fit ends the listing with full() true.
class SectionLister {
public:
    SectionLister(char* list, std::size_t list_size);
    void Add(const char* data, std::size_t bytes);
    std::size_t length() const { return length_; }
    bool full() const { return full_; }

private:
    void Append();
    enum class State { LineStart, Name, SkipLine };
    char* list_;
    std::size_t size_;
    std::size_t length_ = 0;
    std::size_t count_ = 0;
    bool full_ = false;
    State state_ = State::LineStart;
    char name_[kSectionNameMax + 1] = {};
    std::size_t name_length_ = 0;
    bool trail_next_ = false; // the next byte ends a double-byte character
    bool cut_ = false;        // the name reached its greatest length
};

// The module record of IniRead, IniReadPvt, IniWrite, IniWritePvt,
// IniDelete, IniDeletePvt, IniItemize and IniItemizePvt.
extern const Module kIniModule;

} // namespace jol
