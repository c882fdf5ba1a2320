// The registry functions: keys opened, created, closed and deleted by
// script, values of the string, expandable string, binary, 32-bit number
// and multi-string types read and written in their text forms, lists of
// subkeys and value names, remote registries, hives and program paths.
//
// A key is a script integer: one of the predefined roots (@REGCLASSES,
// @REGCURRENT, @REGMACHINE, @REGUSERS, and hex 80000005 for the current
// configuration) or a handle that RegOpenKey, RegCreateKey or RegConnect
// gave this context. Any other number is refused with the function's own
// error, so a script cannot reach the host's other handles. The handles
// still open are closed when the context is released.
//
// Values are named "subkey[value]": "" is the key's default value, text
// without "[" the default value of that subkey, "[name]" a value of the
// key itself; the subkey may be at most 256 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "dispatch/handler.h"
#include "resources/error_codes.h"

namespace jol {

struct ScriptContext;

constexpr std::size_t kRegSubkeyMax = 256;

// Splits "subkey[value]"; Err::None, RegBadItem without the closing "]",
// RegSubkeyTooLong for a subkey over kRegSubkeyMax bytes. One trailing
// backslash of the subkey is dropped.
Err ParseRegValueName(const char* text, std::string* subkey, std::string* value);

// The text forms of value data, each bounded by the data's size (data
// need not be terminated).
// String types: the text up to the first zero or the end of the data.
std::string RegTextOf(const char* data, std::size_t size);
// Binary: each byte as two upper-case hex digits, single blanks between.
std::string RegBinaryText(const unsigned char* data, std::size_t size);
// A 32-bit number as signed decimal; big_endian reverses the bytes.
// False unless size is 4.
bool RegNumberText(const unsigned char* data, std::size_t size, bool big_endian, std::string* text);
// A multi-string: its strings joined by delimiter, up to the first empty
// string or the end of the data.
std::string RegMultiText(const char* data, std::size_t size, char delimiter);

// The data the set functions write; false when the text is not valid.
// Binary: hex pairs separated by blanks or tabs (blanks at both ends
// allowed); "" is no bytes.
bool RegParseBinary(const char* text, std::string* bytes);
// A 32-bit number: blanks, optional sign, decimal digits, blanks, in
// -2147483648 ... 4294967295; "" (or blanks) is 0.
bool RegParseNumber(const char* text, std::uint32_t* value);
// A multi-string from text with delimiter: each item and its zero, then
// the final zero. Empty items are dropped (a multi-string cannot hold an
// empty string: readers stop at it). Double-byte characters are copied
// whole.
std::string RegMultiData(const char* text, char delimiter);

// The module record of the 25 registry functions, with the release step
// that closes the keys a context left open.
extern const Module kRegistryModule;

} // namespace jol
