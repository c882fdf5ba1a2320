// Facts and settings of the system as a whole: the last error code of the
// thread, the version facts, the double-byte flag and the critical-error
// mode.
#pragma once

#include <cstdint>

namespace plat {

// The error code of the last failed call of this thread (the codes are in
// platform/system_errors.h).
std::uint32_t get_last_error();
void set_last_error(std::uint32_t code);

// ------------------------------------------------------- version facts
struct VersionInfo {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;
    unsigned platform_id = 0; // 1 = Windows 95 family, 2 = Windows NT family
};
VersionInfo get_version();
bool dbcs_enabled();

// ------------------------------------------------------------ error mode
// The process's critical-error mode in the system's bits; returns the
// previous mode. The native backend keeps the value (bit 1 also holds
// back its notes about libraries that fail to load).
namespace errmode {
constexpr std::uint32_t FailCriticalErrors = 0x0001;
constexpr std::uint32_t NoOpenFileErrorBox = 0x8000;
} // namespace errmode
std::uint32_t set_error_mode(std::uint32_t mode);
// Suppresses (true) or restores the system's critical-error boxes; returns
// the previous setting.
bool suppress_error_boxes(bool suppress);

} // namespace plat
