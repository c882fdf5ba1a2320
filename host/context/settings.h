// The library's settings store: string values in the registry under
// HKEY_LOCAL_MACHINE\Software\Corvane\Settings\<INI name up to its first
// ".">\<section>, one value per key name.
#pragma once

#include <cstddef>

namespace jol {

constexpr char kLibraryIni[] = "CRVBATCH.INI";

// Copies the default into out, then the stored value when there is one.
// Returns 1 when the value was found, else 0. out is always terminated.
int ReadSetting(const char* section, const char* key, const char* default_text, char* out,
                std::size_t out_size, const char* ini_name);
// The stored value read as an integer, or the default.
int ReadSettingInt(const char* section, const char* key, int default_value, const char* ini_name);
// Stores value as a string value; a null value deletes it. Returns 1 on
// success, else 0.
int WriteSetting(const char* section, const char* key, const char* value, const char* ini_name);

} // namespace jol
