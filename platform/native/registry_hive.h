// Hive files of the system's registry format, mounted into the native
// registry (platform/native/registry.cpp) through libhivex.
//
// A mounted hive is a key of the store's name space, "hkey_users\name" or
// "hkey_local_machine\name"; the keys below it are read and written in the
// hive, held in memory, and written back to the file (a temporary file in
// the same folder renamed over it) when the hive is unmounted. Paths given
// here are lower-case full paths as the store keeps them; names keep their
// case. String values (types 1, 2 and 7) are UTF-16 in the file and ANSI
// here, as the system converts them for its ANSI calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace plat::hive {

// True when the lower-case path is a mounted hive or lies below one.
bool covers(const std::string& path);
// The display names of the hives mounted directly below the path.
std::vector<std::string> mounted_below(const std::string& path);

std::uint32_t mount(const std::string& path, const std::string& display, const char* file);
std::uint32_t unmount(const std::string& path);

// The key operations on paths that covers() accepted.
std::uint32_t exists(const std::string& path);
// Creates the keys of display (the full path with its letter case) below
// the hive's root that are missing.
std::uint32_t create(const std::string& display);
std::uint32_t query_value(const std::string& path, const char* name, std::uint32_t* type,
                          std::string* data);
std::uint32_t set_value(const std::string& path, const char* name, std::uint32_t type,
                        const void* data, std::uint32_t size);
std::uint32_t delete_value(const std::string& path, const char* name);
std::uint32_t delete_key(const std::string& path);
// Subkey or value names in case-insensitive order.
std::uint32_t list(const std::string& path, bool values, std::vector<std::string>* names);

} // namespace plat::hive
