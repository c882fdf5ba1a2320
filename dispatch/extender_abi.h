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

// The answer callback (ZezuzAnswer) through which an extender or host
// function delivers its value: six arguments of the word size, stdcall in
// the 32-bit library.
using AnswerEntry = std::int32_t(JOL_STDCALL*)(ExtArg status, ExtArg ignored, ExtArg record,
                                               ExtArg is_text, ExtArg number, ExtArg text);

// The service entry (DLLServices) offered to extenders and hosts: cdecl.
using ServicesEntry = std::int32_t (*)(std::uintptr_t context, std::int32_t request, char* text1,
                                       char* text2, std::intptr_t number, std::intptr_t number2);

// Notification requests sent to the host callback.
namespace notify {
constexpr ExtArg Poll = -1; // also line notifications, told apart by their text
constexpr ExtArg ContextRelease = -3;
constexpr ExtArg CallStartEnd = -4;
} // namespace notify

} // namespace jol
