// The file-name toolkit shared by the functions that handle files and
// directories: the split name, the full-name expansion and the walk over a
// file list (names separated by the list delimiter, tab or "|", with
// wildcard patterns expanded by the system's file search).
#pragma once

#include <cstddef>

namespace jol {

struct ScriptContext;

constexpr std::size_t kFullNameSize = 280; // a full name: 279 bytes and a terminator
constexpr std::size_t kNamePartSize = 256; // one part of a split name

bool IsPathSeparator(char c);
bool HasWildcard(const char* name);
// True when the name begins with a letter and a colon.
bool HasDrive(const char* name);
// Where the last component of a name begins (after its last "\\", "/" or
// ":"), stepping over double-byte characters, whose second byte may be a
// backslash.
const char* LastComponent(const char* name);

struct SplitName {
    char drive[3];
    char directory[kNamePartSize];
    char root[kNamePartSize];
    char extension[kNamePartSize];
};
// Splits a name into drive ("X:" or empty), directory (up to and with the
// last separator), root (up to the last dot after the directory) and
// extension (after that dot); each part is cut to 255 bytes.
void SplitFileName(const char* name, SplitName* out);

// Expands a name to a full path (backslashes, "." and ".." resolved). An
// empty name gives ""; a UNC name, a name on a drive that is not in use and
// a name whose ".." climbs above its root come back as given. The current
// drive's directory is the process's current directory; another drive's
// is the variable "=X:" (else its root). False when the result does not
// fit in out_size bytes (out is then empty).
bool FullFileName(const char* name, char* out, std::size_t out_size);

// The current directory as a Windows name; false (out empty) when unknown.
bool CurrentDirectoryName(char* out, std::size_t out_size);

// The target mask of copying, moving, appending and renaming. Preparing
// appends "*.*" to a target without wildcards that ends with a colon or a
// separator, and "\*.*" to one that names an existing directory. Mapping
// builds the name a source takes: the mask's drive (else the current one),
// the mask's directory (else that drive's current directory; a UNC
// directory as it is), then the root and the extension, each mapped from
// the source's by the mask's ("*" takes the rest of the source part, "?"
// one source character, anything else itself). Both answer false, with out
// empty, when the result would not fit in out_size bytes: a name is never
// cut short.
bool PrepareTargetMask(const char* target, char* out, std::size_t out_size);
bool MapTargetName(const char* source, const char* mask, char* out, std::size_t out_size);

// Called for each name of a file list with its full name; returns false to
// stop the walk (the callee has set the error code).
using FileVisit = bool (*)(ScriptContext* ctx, const char* full_name, void* data);
enum class Wildcards { Expand, Refuse };
// Walks a file list: entries of 280 bytes or more stop it with
// Err::Unrecognizable; an entry with "*" or "?" is refused with
// Err::NoWildcards (Refuse) or searched (Expand):
// each file found (directories are skipped) is visited as the pattern's
// drive and directory followed by the found name; a pattern that finds
// nothing stops with Err::FileListNoMatch. True when every entry was visited.
bool WalkFileList(ScriptContext* ctx, const char* list, Wildcards wildcards, FileVisit visit,
                  void* data);

} // namespace jol
