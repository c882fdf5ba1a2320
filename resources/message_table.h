// The library's message table: every text the library shows, by id. An
// error code is the id of its text. Ids below 100 are internal (99 is the
// library's version text); 100 to 999 are run-level messages, captions and
// trace words; 1000 to 2000 minor errors, 2001 to 3000 moderate errors,
// 3001 to 8999 fatal errors; 9000 and up are stop codes that are never
// shown.
//
// In the texts "~" stands for a line feed and "|" for a tab; LoadMessage
// turns them into those characters. The text of any id from 100 up can be
// replaced by a translation file: an INI-format file CRVDLANG.<language>
// whose section MAIN holds keys "X" followed by the decimal id.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jol {

struct ScriptContext;

// Message ids that code loads as texts of its own boxes (error codes are
// named in resources/error_codes.h).
namespace msg {
constexpr int Version = 99;                // the library's version text
constexpr int InternalError = 837;         // "Internal Error"
constexpr int VersionLabel = 849;          // "JOL Version:"
constexpr int ExtenderLoadCaption = 850;   // "JOL Extender load error"
constexpr int ExtenderModuleMissing = 851; // a module the extender needs is missing
constexpr int ExtenderWrongFormat = 852;   // not a valid module for this system
constexpr int ExtenderWrongSystem = 853;   // built for another system
constexpr int ExtenderSixteenBit = 854;    // a 16-bit module
constexpr int ExtenderInitFailed = 855;    // the module's start-up failed
constexpr int ErrorCodeLabel = 862;        // "Error code"
constexpr int ExtenderEntryLost2 = 863;    // "Could not access Extender Entry 0x02"
constexpr int ExtenderEntryLost3 = 864;    // "Could not access Extender Entry 0x03"
constexpr int ExtenderErrorCaption = 865;  // "JOL Extender Error:"
constexpr int ExtenderErrorUnnamed = 866;  // an extender failure without a text
} // namespace msg

struct MessageRow {
    std::uint16_t id;
    const char* text;
};

// The built-in table, sorted by id; count receives the number of rows.
const MessageRow* MessageRows(std::size_t* count);

// The built-in text of a message as stored ("~" and "|" unconverted), or
// null when the table has no such id.
const char* MessageText(int id);

// The text of a message into out (at most out_size - 1 bytes, always
// terminated, a double-byte character never split): the translation when
// the translation file has one, else the built-in text, with "~" and "|"
// converted. Returns the length, 0 (out empty) when there is no text. id 0
// determines the language state again. With a context, its message key
// buffer holds the key looked up.
std::size_t LoadMessage(ScriptContext* ctx, int id, char* out, std::size_t out_size);
std::size_t LoadMessage(int id, char* out, std::size_t out_size);

// Replaces every "~" by a line feed and every "|" by a tab, stepping over
// double-byte characters whole.
void ConvertMessageMarks(char* text);

// The process-wide message language.
constexpr int kLanguageUnknown = 0;            // not yet determined
constexpr int kLanguageBuiltIn = 1;            // no translation file
constexpr int kLanguageFile = 2;               // a translation file was found
constexpr std::size_t kLanguageFileSize = 260; // 259 characters and a terminator

int MessageLanguageState();
// The translation file in use; empty unless the state is kLanguageFile.
const char* MessageLanguageFile();
// Determines the language state again (as LoadMessage with id 0 does).
void RereadMessageLanguage();

} // namespace jol
