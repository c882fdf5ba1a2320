// DLLServices, the service entry that extenders and the host call to read
// and set variables, fill binary buffers, query the outcome of the last
// run and change a few settings of a context.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace jol {

// Requests of DLLServices.
namespace service {
constexpr std::int32_t SetNames = 0;
constexpr std::int32_t SetVariableOrBuffer = 1;
constexpr std::int32_t GetVariable = 2;
constexpr std::int32_t HookFlags = 3;
constexpr std::int32_t LastError = 4;
constexpr std::int32_t LastResult = 5;
constexpr std::int32_t LastLine = 6;
constexpr std::int32_t Stop = 7;
constexpr std::int32_t HostDialog = 8;
constexpr std::int32_t Parameters = 11;
constexpr std::int32_t SetErrorCode = 13;
constexpr std::int32_t TerminationFlags = 14;
constexpr std::int32_t SendMenu = 15;
constexpr std::int32_t RunByExtension = 16;
constexpr std::int32_t SaveWindowPosition = 17;
constexpr std::int32_t PlaceWindow = 18;
constexpr std::int32_t ActivateWindow = 19;
constexpr std::int32_t HostFlagA = 20;
constexpr std::int32_t ListDelimiter = 22;
constexpr std::int32_t QuietMode = 23;
constexpr std::int32_t DisableKeywords = 24;
constexpr std::int32_t LastLoggedBox = 25;
constexpr std::int32_t FillBuffer = 28;
constexpr std::int32_t VariableCount = 29;
} // namespace service

// Binary buffer handles as scripts see them: this number plus the slot.
constexpr std::int32_t kBufferHandleBase = 987659;

} // namespace jol

// Runs one service request on the context (its variable table and string
// heap are locked for the call; the call nests inside a run). A request
// that is not offered, a context or block that cannot be locked, or a
// request that fails with an error gives 0; the context's ErrorCode is as
// before the call (request 13 sets it).
JOL_EXPORT std::int32_t DLLServices(plat::MemHandle context, std::int32_t request, char* text1,
                                    char* text2, std::intptr_t number, std::intptr_t number2);
