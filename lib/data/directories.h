// The directory and disk functions (DirMake, DirRemove, DirChange,
// DirRename, DirExist, DirGet, DirHome, DirWindows, DiskExist, DiskFree,
// DiskSize, DiskInfo, DiskVolInfo, DiskScan, LogDisk) and the attribute and
// itemizing functions that directories share with files (DirAttrGet,
// DirAttrSet, DirItemize; their handlers also serve FileAttrGet,
// FileAttrSet and FileItemize by keyword id).
#pragma once

#include <cstddef>

#include "dispatch/handler.h"

namespace jol {

struct ScriptContext;

namespace dirherr {
constexpr int RenameFailed = 1025;
constexpr int DriveOffline = 1028;
constexpr int NotCreated = 1029;
constexpr int NotRemoved = 1030;
constexpr int NotChanged = 1031;
constexpr int FileAttrGetMissing = 1083;
constexpr int FileAttrSetFailed = 1086;
constexpr int ListTooLong = 1398;
constexpr int AttrGetMissing = 1421;
constexpr int AttrSetFailed = 1422;
constexpr int InfoBadDrive = 1468;
constexpr int InfoBadRequest = 1469;
constexpr int InfoFailed = 1470;
constexpr int VolBadRoot = 1519;
constexpr int VolBadRequest = 1520;
constexpr int VolFailed = 1522;
constexpr int RenameBadFrom = 2203;
constexpr int RenameBadTo = 2204;
constexpr int BadDrive = 3026;
constexpr int NoMemory = 3096;
constexpr int BadDiskArgument = 3385;
} // namespace dirherr

// True when the name is an existing directory (DirExist's rules).
bool DirectoryExists(const char* name);

// Makes the drive of a name's first letter current, as LogDisk does;
// false with 3026 (no letter) or 1028 (the drive is not online).
bool SwitchDrive(ScriptContext* ctx, char letter);

const HandlerRow* DirectoryHandlers(std::size_t* count);

} // namespace jol
