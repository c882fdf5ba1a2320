// The operating system's error codes, as get_last_error (platform/system.h)
// reports them and the registry functions return them: the Win32 numbers
// on every backend.
#pragma once

#include <cstdint>

namespace plat::err {

constexpr std::uint32_t Success = 0;
constexpr std::uint32_t FileNotFound = 2;
constexpr std::uint32_t PathNotFound = 3;
constexpr std::uint32_t AccessDenied = 5;
constexpr std::uint32_t InvalidHandle = 6;
constexpr std::uint32_t InvalidData = 13;
constexpr std::uint32_t NotSameDevice = 17;
constexpr std::uint32_t NoMoreFiles = 18;
constexpr std::uint32_t NotReady = 21;
constexpr std::uint32_t GenFailure = 31;
constexpr std::uint32_t SharingViolation = 32;
constexpr std::uint32_t BadNetPath = 53;
constexpr std::uint32_t FileExists = 80;
constexpr std::uint32_t InvalidParameter = 87;
constexpr std::uint32_t DiskFull = 112;
constexpr std::uint32_t CallNotImplemented = 120;
constexpr std::uint32_t InvalidName = 123;
constexpr std::uint32_t ProcNotFound = 127;
constexpr std::uint32_t DirNotEmpty = 145;
constexpr std::uint32_t BadPathName = 161;
constexpr std::uint32_t AlreadyExists = 183;
constexpr std::uint32_t BadExeFormat = 193;
constexpr std::uint32_t FilenameTooLong = 206;
constexpr std::uint32_t MoreData = 234;
constexpr std::uint32_t NoMoreItems = 259;
constexpr std::uint32_t BadDb = 1009;
constexpr std::uint32_t BadKey = 1010;
constexpr std::uint32_t RegistryCorrupt = 1015;
constexpr std::uint32_t RegistryIoFailed = 1016;
constexpr std::uint32_t NotRegistryFile = 1017;
constexpr std::uint32_t DllInitFailed = 1114;
constexpr std::uint32_t PrivilegeNotHeld = 1314;
constexpr std::uint32_t ClassAlreadyExists = 1410;

} // namespace plat::err
