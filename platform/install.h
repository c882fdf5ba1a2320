// The version-aware installer of program files.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

// The system's installer of program files, in two steps with the
// contract, flags and result bits of the Win32 version library: the
// Win32 backend calls it; the native backend has its own with the same
// contract. Directories and names are Windows names.
namespace vff {
constexpr std::uint32_t IsSharedFile = 0x1; // flag of find_install_file
constexpr std::uint32_t CurNeDest = 0x1;    // results
constexpr std::uint32_t FileInUse = 0x2;
constexpr std::uint32_t BuffTooSmall = 0x4;
} // namespace vff
namespace viff {
constexpr std::uint32_t ForceInstall = 0x1;
constexpr std::uint32_t DontDeleteOld = 0x2;
} // namespace viff
namespace vif {
constexpr std::uint32_t TempFile = 0x1;
constexpr std::uint32_t Mismatch = 0x2;
constexpr std::uint32_t SrcOld = 0x4;
constexpr std::uint32_t DiffLang = 0x8;
constexpr std::uint32_t DiffCodePage = 0x10;
constexpr std::uint32_t DiffType = 0x20;
constexpr std::uint32_t WriteProtected = 0x40;
constexpr std::uint32_t FileInUse = 0x80;
constexpr std::uint32_t OutOfSpace = 0x100;
constexpr std::uint32_t AccessViolation = 0x200;
constexpr std::uint32_t SharingViolation = 0x400;
constexpr std::uint32_t CannotCreate = 0x800;
constexpr std::uint32_t CannotDelete = 0x1000;
constexpr std::uint32_t CannotRename = 0x2000;
constexpr std::uint32_t CannotDeleteCur = 0x4000;
constexpr std::uint32_t OutOfMemory = 0x8000;
constexpr std::uint32_t CannotReadSrc = 0x10000;
constexpr std::uint32_t CannotReadDst = 0x20000;
constexpr std::uint32_t BuffTooSmall = 0x40000;
} // namespace vif
// Where a file of that name should be installed and where a copy of it
// already is. dest_dir receives the suggestion: the system directory for
// a shared file (vff::IsSharedFile), else app_dir. cur_dir receives the
// directory of an existing copy, empty when there is none: for a shared
// file the system directory or else app_dir, for another file app_dir,
// else windows_dir, else the system directory (vff::CurNeDest when that
// is not the suggestion). The sizes give the buffers' bytes and receive
// the bytes needed with the terminator; a buffer too small gets as much
// as fits and vff::BuffTooSmall is set. vff::FileInUse: the copy is held
// open.
std::uint32_t find_install_file(std::uint32_t flags, const char* file_name, const char* windows_dir,
                                const char* app_dir, char* cur_dir, std::size_t* cur_size,
                                char* dest_dir, std::size_t* dest_size);
// The fixed part of a file's version resource that installing compares.
struct FixedFileVersion {
    std::uint32_t version_ms = 0, version_ls = 0;
    std::uint32_t file_type = 0, file_subtype = 0;
};
// Reads that part from a file (a Windows name); false when the file has
// none.
using FixedVersionReader = bool (*)(const char* path, FixedFileVersion* out);
// Installs src_dir\src_name as dest_dir\dest_name (an empty dest_dir: the
// source's directory). The source is copied (a compressed SZDD source is
// expanded) into a temporary file in the destination directory. Unless
// viff::ForceInstall is given, a destination that has a version is kept
// when the copy has a lower file version or none (vif::Mismatch |
// vif::SrcOld) or another file type (vif::Mismatch | vif::DiffType); the
// temporary file then stays, its name (without directory) is written to
// temp_name and vif::TempFile set (vif::BuffTooSmall, and the file
// removed, when *temp_size bytes cannot hold it). Otherwise the copy takes
// the destination's name, and the copy in cur_dir, when that is another
// directory, is deleted unless viff::DontDeleteOld is given. With
// viff::ForceInstall, a temp_name that names a file in the destination
// directory (from an earlier call) is installed instead of a new copy.
// Returns 0 or the vif bits. The copy keeps the source's last-write time.
// The Win32 backend has the system read the versions (Wine reports the
// temporary name with a backslash in front). The native backend reads
// them with read_version (null: files have no version), refuses a
// compressed source that is cut short or of an unknown method
// (vif::CannotReadSrc), renames the complete copy onto the destination,
// and deletes the old copy only once the new one is in place.
std::uint32_t install_file(std::uint32_t flags, const char* src_name, const char* dest_name,
                           const char* src_dir, const char* dest_dir, const char* cur_dir,
                           char* temp_name, std::size_t* temp_size,
                           FixedVersionReader read_version);

} // namespace plat
