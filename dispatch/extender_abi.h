// The binary contract between the library and the modules that add
// functions to it: extender modules (loaded by AddExtender) and the host's
// callback. This header stands alone (it needs only the keyword row layout)
// so that an extender can be written against it without the library's
// other headers.
//
// The entry point. Every extender exports one function with twelve
// arguments of the machine's word size and a 32-bit signed result. In the
// 32-bit Windows library the arguments are 32-bit, the convention is
// stdcall (the callee removes them) and the export is named
// "_JOLExtender@48"; wider builds (64-bit Windows, the native build) use
// pointer-width arguments, the platform's plain convention, and look the
// export up as "JOLExtender" when the decorated name is absent.
//
// Arguments: 1 the host window's parent, 2 the library's module instance,
// 3 the interface version (kExtenderInterfaceVersion), 4 the request, 5 the
// answer callback (function calls only, else 0), 6 the answer record to
// hand back to it (function calls only, else 0), 7 the address of the
// extender's own 32-bit data word (0 when the host callback is called),
// 8 to 12 request-specific:
//   - request 98, enumerate: 8 the keyword row to fill (KeywordEntry;
//     its name preset to "Cheese"), 9 the 0-based keyword index, 10 the
//     ScriptContext handle, 11 the address of the service entry, 12 an
//     empty text. Result 1 when a row was delivered, -1 when the extender
//     refuses to load, anything else ends the list.
//   - request 99, release: 8 to 12 empty texts; the result is ignored.
//   - requests 0 to 97, the extender's functions: 8 to 12 the texts of
//     the call's arguments 1 to 5 (an argument without a text, or one not
//     given, is an empty text). The function delivers its value through the
//     answer callback before it returns; a result of 0 or more is success,
//     -1 a minor, -2 a moderate, -3 a severe error, -4 "out of memory to
//     save the result", -5 the user cancelled, -6 the script ends quietly.
//
// Keyword rows delivered by an extender: id is the function number (0 to
// 97; rows numbered 98 and above are not taken), kind kKeywordFunction,
// value[0] the argument count (0 to 5), value[2] the bit set of arguments
// the library converts to text before the call (bit 0 = first argument;
// only texts reach an extender, so an extender sets the bit of every
// argument), value[3] 0; length and name the name in lower case, at most 13
// characters (longer names are cut).
#pragma once

#include <cstdint>

#include "lang/keyword_entry.h"
#include "platform/abi.h"

namespace jol {

using ExtArg = std::intptr_t;
using ExtenderEntry = std::int32_t(JOL_STDCALL*)(ExtArg parent, ExtArg instance, ExtArg version,
                                                 ExtArg request, ExtArg answer_fn,
                                                 ExtArg answer_record, ExtArg data_word, ExtArg a8,
                                                 ExtArg a9, ExtArg a10, ExtArg a11, ExtArg a12);

constexpr ExtArg kExtenderInterfaceVersion = 0x30030105;

// Requests of the extender entry besides the function numbers.
constexpr ExtArg kExtenderEnumerate = 98;
constexpr ExtArg kExtenderRelease = 99;

// The kind of a function row.
constexpr std::uint16_t kKeywordFunction = 2;

// The answer callback (ZezuzAnswer) through which an extender or host
// function delivers its value: six arguments of the word size, stdcall in
// the 32-bit library. status >= 0 delivers a value: is_text 0 the integer
// number, else a copy of the zero-terminated text. status < 0 records the
// error text shown when the call fails: is_text 0 a standard text, else
// text. The callback returns status, or -4 when the text cannot be stored.
// record is the answer record the function received (argument 6).
using AnswerEntry = std::int32_t(JOL_STDCALL*)(ExtArg status, ExtArg ignored, ExtArg record,
                                               ExtArg is_text, ExtArg number, ExtArg text);

// The service entry (DLLServices) offered to extenders and hosts: cdecl.
// context is the ScriptContext handle (enumeration argument 10).
using ServicesEntry = std::int32_t (*)(std::uintptr_t context, std::int32_t request, char* text1,
                                       char* text2, std::intptr_t number, std::intptr_t number2);

// Requests of the service entry.
namespace service {
constexpr std::int32_t SetNames = 0;            // text1 script name, text2 host name
constexpr std::int32_t SetVariableOrBuffer = 1; // text1 name, text2 data, number2 length
constexpr std::int32_t GetVariable = 2;         // text1 name, text2 buffer, number size
constexpr std::int32_t HookFlags = 3;           // number: the new flags; the old ones
constexpr std::int32_t LastError = 4;
constexpr std::int32_t LastResult = 5;
constexpr std::int32_t LastLine = 6;
constexpr std::int32_t Stop = 7; // number: report the stop with the cancel box
constexpr std::int32_t HostDialog = 8;
constexpr std::int32_t Parameters = 11; // text1: a parameter line for Param0, Param1, ...
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

// Host hook flags (service request 3): which notifications the host
// callback receives.
namespace hook {
constexpr std::uint32_t Poll = 1;  // each pass of the message pump
constexpr std::uint32_t Lines = 2; // each line before it runs
constexpr std::uint32_t Calls = 4; // start and end of a Call
} // namespace hook

// Notification requests sent to the host callback (argument 7 is 0).
//   Poll: argument 8 the text "1" for a pump pass; the text "2" for a line,
//     then 9 the script block handle, 10 the line's offset in the block,
//     11 the index of the variable last assigned (0xFFFF for none).
//   ContextRelease: the context ends; arguments 8 to 12 empty texts.
//   CallStartEnd: argument 8 the number 1 when a Call starts; when it ends
//     0, or -1 when the called script stopped on an error.
namespace notify {
constexpr ExtArg Poll = -1; // also line notifications, told apart by their text
constexpr ExtArg ContextRelease = -3;
constexpr ExtArg CallStartEnd = -4;
} // namespace notify

} // namespace jol
