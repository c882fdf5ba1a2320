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

// True when the name is an existing directory (DirExist's rules).
bool DirectoryExists(const char* name);

// Makes the drive of a name's first letter current, as LogDisk does;
// false with Err::BadDrive (no letter) or Err::DriveOffline.
bool SwitchDrive(ScriptContext* ctx, char letter);

extern const Module kDirectoryModule;

} // namespace jol
