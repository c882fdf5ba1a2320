// The file functions: copying, moving, appending, renaming and deleting
// groups of files (FileCopy, FileMove, FileAppend, FileRename,
// FileDelete), the queries (FileExist, FileLocate, FileSize, FileCompare)
// and the name toolkit (FileFullName, FileMapName, FileExtension,
// FilePath, FileRoot, FileNameLong, FileNameShort).
#pragma once

#include <cstddef>
#include <cstdint>

#include "dispatch/handler.h"

namespace jol {

struct ScriptContext;

// The library's file search: a name with a drive or a directory must exist
// as its full name; a bare name is looked for in the current directory and
// then in each directory of PATH. Leading blanks are skipped. True, with
// the full name in out, when a file (not a directory) was found.
bool LocateFile(const char* name, char* out, std::size_t out_size);

// The last-write time of a file as one comparable number: local time in
// the 2-second steps of a file-system date-time (date in the high 16
// bits). False when the file cannot be opened or its time has no such
// form.
bool FileWriteStamp(const char* name, std::uint32_t* stamp);

// Whether the drive of a target has room for needed bytes: the 64-bit
// free-space figure, else whole free clusters; a drive whose free space
// cannot be read passes.
bool TargetHasRoom(const char* target, std::uint64_t needed);

// The size of an existing file; false when it cannot be found.
bool FileSizeOf(const char* name, std::uint64_t* size);

// The fallback for moving (or, with an empty target, deleting) a file at
// the next system start where the system has no such service: the line
// "target=source" ("NUL=source" to delete) is added to the [rename]
// section of WININIT.INI in the Windows directory, which is rewritten
// under a temporary name and then moved into place. True when recorded.
bool RecordDelayedMove(const char* source, const char* target);

extern const Module kFileModule;

} // namespace jol
