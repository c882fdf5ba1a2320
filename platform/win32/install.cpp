// The version-aware installer through the system's version library
// (VerFindFileA and VerInstallFileA of version.dll). The system reads the
// versions and expands compressed sources itself.
#include <windows.h>

#include <winver.h>

#include <limits>

#include "platform/install.h"

namespace plat {

static_assert(vff::IsSharedFile == VFFF_ISSHAREDFILE);
static_assert(vff::CurNeDest == VFF_CURNEDEST && vff::FileInUse == VFF_FILEINUSE &&
              vff::BuffTooSmall == VFF_BUFFTOOSMALL);
static_assert(viff::ForceInstall == VIFF_FORCEINSTALL && viff::DontDeleteOld == VIFF_DONTDELETEOLD);
static_assert(vif::TempFile == VIF_TEMPFILE && vif::Mismatch == VIF_MISMATCH &&
              vif::SrcOld == VIF_SRCOLD && vif::DiffLang == VIF_DIFFLANG &&
              vif::DiffCodePage == VIF_DIFFCODEPG && vif::DiffType == VIF_DIFFTYPE);
static_assert(vif::WriteProtected == VIF_WRITEPROT && vif::FileInUse == VIF_FILEINUSE &&
              vif::OutOfSpace == VIF_OUTOFSPACE && vif::AccessViolation == VIF_ACCESSVIOLATION &&
              vif::SharingViolation == VIF_SHARINGVIOLATION);
static_assert(vif::CannotCreate == VIF_CANNOTCREATE && vif::CannotDelete == VIF_CANNOTDELETE &&
              vif::CannotRename == VIF_CANNOTRENAME && vif::CannotDeleteCur == VIF_CANNOTDELETECUR);
static_assert(vif::OutOfMemory == VIF_OUTOFMEMORY && vif::CannotReadSrc == VIF_CANNOTREADSRC &&
              vif::CannotReadDst == VIF_CANNOTREADDST && vif::BuffTooSmall == VIF_BUFFTOOSMALL);

namespace {

// A buffer size as the system's unsigned count (larger buffers are only
// announced as large as the count allows).
UINT Count(const std::size_t* size) {
    if (!size) return 0;
    return *size > std::numeric_limits<UINT>::max() ? std::numeric_limits<UINT>::max()
                                                    : static_cast<UINT>(*size);
}

// The system's declarations take writable strings for names it only reads.
LPSTR In(const char* text) {
    return const_cast<LPSTR>(text);
}

} // namespace

std::uint32_t find_install_file(std::uint32_t flags, const char* file_name, const char* windows_dir,
                                const char* app_dir, char* cur_dir, std::size_t* cur_size,
                                char* dest_dir, std::size_t* dest_size) {
    UINT cur = Count(cur_size), dest = Count(dest_size);
    const DWORD result =
        VerFindFileA(flags, In(file_name), In(windows_dir), In(app_dir), cur_dir,
                     cur_size ? &cur : nullptr, dest_dir, dest_size ? &dest : nullptr);
    if (cur_size) *cur_size = cur;
    if (dest_size) *dest_size = dest;
    return result;
}

std::uint32_t install_file(std::uint32_t flags, const char* src_name, const char* dest_name,
                           const char* src_dir, const char* dest_dir, const char* cur_dir,
                           char* temp_name, std::size_t* temp_size, FixedVersionReader) {
    UINT temp = Count(temp_size);
    const DWORD result = VerInstallFileA(flags, In(src_name), In(dest_name), In(src_dir),
                                         In(dest_dir), In(cur_dir), temp_name, &temp);
    if (temp_size) *temp_size = temp;
    return result;
}

} // namespace plat
