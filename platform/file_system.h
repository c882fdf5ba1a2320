// The file system: names, attributes, the file search, folders, disks
// and volumes.
//
// Names are Windows names on every backend: a backslash or a slash
// separates components, a letter and a colon in front name a drive, and a
// name beginning with two separators is a network (UNC) name. The Win32
// backend hands names to the system as they are. The native backend maps
// them onto the POSIX file system in one place, platform/native/paths.cpp:
//  - a drive letter names a root folder: C: is "/" unless the environment
//    variable JOL_DRIVES says otherwise (e.g. "C=/,D=/mnt/d"; a list that
//    does not name C leaves C: as "/"); other letters are not in use;
//  - the current directory is the process's POSIX current directory; its
//    drive is the one whose root is the longest leading part of it;
//  - a name without a drive lies on the current drive; a relative name
//    ("x\y" or "D:x") starts at the current directory of its drive (for
//    another drive, the variable "=D:" or else its root);
//  - UNC names reach no server and fail as a bad network path;
//  - wildcards follow wildcard_match below, never shell globbing;
//  - attributes: read-only is "no write permission at all" (and a file
//    without write permission is read-only also for a privileged user);
//    hidden is a name beginning with a dot; hidden, system and archive are
//    also kept in the extended attribute "user.DOSATTRIB" where the file
//    system has extended attributes, in the form other Windows layers on
//    POSIX use ("0x" and hexadecimal digits); an entry without that
//    attribute shows archive when it is a plain file and not when it is a
//    folder (the Win32 backend under Wine shows archive on every plain file
//    and on no folder, whatever was set);
//  - drive types: a mapped drive is fixed (3), any other letter has no root
//    directory (1); disk and volume figures come from statvfs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

namespace fattr {
constexpr std::uint32_t ReadOnly = 0x01;
constexpr std::uint32_t Hidden = 0x02;
constexpr std::uint32_t System = 0x04;
constexpr std::uint32_t Directory = 0x10;
constexpr std::uint32_t Archive = 0x20;
constexpr std::uint32_t Normal = 0x80;
constexpr std::uint32_t Invalid = 0xFFFFFFFFu;
} // namespace fattr

// Windows wildcard matching of one name component, without regard to
// (ASCII) case: "*" matches any run of characters, "?" exactly one, and the
// whole pattern "*.*" matches every name, also one without a dot.
bool wildcard_match(const char* pattern, const char* name);

// The name the system uses for a Windows name: the native backend's POSIX
// path (relative names stay relative), the name itself on Win32. False
// when the drive is not in use, the name is a UNC name the backend cannot
// reach, or the result does not fit (the last error says which).
bool system_path(const char* name, char* out, std::size_t out_size);

// The current directory as a Windows name ("C:\work"; a root keeps its
// backslash, "C:\"), always terminated; its length, 0 on failure or when it
// does not fit.
std::size_t current_directory_name(char* out, std::size_t out_size);

// The folder of the running program as a Windows name, ending with a
// separator; 0 when unknown or when it does not fit.
std::size_t program_folder_name(char* out, std::size_t out_size);

// One entry found by the file search.
struct FindData {
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    std::uint64_t write_time = 0; // 100 ns units since 1601, universal time
    char name[260] = {};
};
using FindHandle = std::uintptr_t;
// Starts a search for the entries of a folder that match the last
// component of the pattern (wildcard_match; "." and ".." are entries like
// any other where the system lists them). 0 when nothing matches or the
// folder cannot be read, with the last error set (err::FileNotFound when
// nothing matches); otherwise out holds the first entry.
FindHandle find_first(const char* pattern, FindData* out);
// The next entry; false at the end, with the last error err::NoMoreFiles.
bool find_next(FindHandle h, FindData* out);
void find_close(FindHandle h);

// The library's file search: a name with a drive or directory part (a
// Windows name, as every name here) must exist as given; a bare name is
// looked for in the current directory and then in each directory of the
// PATH environment variable. On success the full name is copied into out
// (always terminated) and true returned; a full name that does not fit
// counts as not found.
bool find_file(const char* name, char* out, std::size_t out_size);
// True when the path names an existing file that is not a directory.
bool file_exists(const char* path);

// The attributes of a file or directory (fattr bits), fattr::Invalid with
// the last error set when it does not exist.
std::uint32_t get_file_attributes(const char* path);
// Writes read-only, hidden, system and archive (other bits are ignored).
// False with the last error set when the entry is missing or the change is
// refused.
bool set_file_attributes(const char* path, std::uint32_t attributes);
bool create_directory(const char* path);
bool remove_directory(const char* path); // only an empty directory
// Moves or renames a file or directory; the target must not exist.
bool move_file(const char* from, const char* to);

// The type of the drive whose root is given ("C:\"): 0 unknown, 1 no root
// directory, 2 removable, 3 fixed, 4 remote, 5 CD-ROM, 6 RAM disk.
unsigned drive_type(const char* root);
struct DiskSpace {
    std::uint32_t sectors_per_cluster = 0;
    std::uint32_t bytes_per_sector = 0;
    std::uint32_t free_clusters = 0;
    std::uint32_t total_clusters = 0;
};
// The cluster figures of the volume of a root.
bool disk_space(const char* root, DiskSpace* out);
// The 64-bit figures of the volume of a root (the Win32 backend looks the
// query up at run time, as systems before it lack it).
bool disk_space_bytes(const char* root, std::uint64_t* free_to_caller, std::uint64_t* total,
                      std::uint64_t* total_free);
namespace fsflag {
constexpr std::uint32_t CaseSensitive = 0x1;
constexpr std::uint32_t CasePreserved = 0x2;
constexpr std::uint32_t Unicode = 0x4;
constexpr std::uint32_t Acls = 0x8;
constexpr std::uint32_t Compression = 0x10;
constexpr std::uint32_t VolumeCompressed = 0x8000;
} // namespace fsflag
struct VolumeInfo {
    char label[261] = {};
    char file_system[261] = {};
    std::uint32_t serial = 0;
    std::uint32_t max_component = 0;
    std::uint32_t flags = 0; // fsflag bits
};
// The volume facts of a root ("C:\"); false with the last error set.
bool volume_information(const char* root, VolumeInfo* out);
// The Windows directory and the system directory (native backend: the
// JOL_HOME folder and its "system" folder, as Windows names), always
// terminated; the length, 0 on failure.
std::size_t windows_directory(char* out, std::size_t out_size);
std::size_t system_directory(char* out, std::size_t out_size);

// The short (8.3) form of an existing file's name; 0 when the system gives
// none (the native backend has no short names) or it does not fit.
std::size_t short_path_name(const char* path, char* out, std::size_t out_size);
// Directory number index (from 0) of the PATH environment variable as a
// Windows name, empty entries left out; false past the last one.
bool path_directory(std::size_t index, char* out, std::size_t out_size);

} // namespace plat
