// The calling convention shared by extender entry points and the host
// callback: twelve arguments of the machine's word size (32-bit stdcall in
// the shipped 32-bit library), a 32-bit signed result.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace jol {

using ExtArg = std::intptr_t;
using ExtenderEntry = std::int32_t(JOL_STDCALL*)(ExtArg parent, ExtArg instance, ExtArg version,
                                                 ExtArg request, ExtArg answer_fn,
                                                 ExtArg answer_record, ExtArg data_word, ExtArg a8,
                                                 ExtArg a9, ExtArg a10, ExtArg a11, ExtArg a12);

constexpr ExtArg kExtenderInterfaceVersion = 0x30030105;

// Notification requests sent to the host callback.
namespace notify {
constexpr ExtArg Poll = -1; // also line notifications, told apart by their text
constexpr ExtArg ContextRelease = -3;
constexpr ExtArg CallStartEnd = -4;
} // namespace notify

} // namespace jol
