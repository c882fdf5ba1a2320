// The parts of the standard dialogs that do not depend on the system: the
// entries of a list dialog from an item list or a file, their sorting, the
// result of a selection, the filter and folder of the file-name box and
// the time of the timed box.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace jol {

// The longest entry of a list dialog, in bytes.
constexpr std::size_t kListEntryMax = 254;
// The most entries a multiple selection may return (a list dialog's or a
// Dialog's item box).
constexpr std::size_t kMostSelected = 101;

// The delimiter of an item list: the first character of the argument (two
// bytes when it is a double-byte character), a tab when it is empty. A
// lead byte without a trail byte is a delimiter of one byte.
std::string ListDelimiter(const char* arg);

// The entries of an item list: an entry at each delimiter (empty entries
// too) and the last one when it is not empty. An entry longer than 254
// bytes is cut to 254 and ends the list.
std::vector<std::string> ListEntries(const char* list, const std::string& delimiter);

// The entries of a text file's content: a line at each carriage return
// (empty lines too), line feeds ignored, characters after the 254th of a
// line dropped, and the last line when it is not empty.
std::vector<std::string> FileEntries(const std::string& content);

// The order of a sorted list dialog: by text, without regard to the case
// of letters; entries that compare equal keep their order.
void SortEntries(std::vector<std::string>& entries);

// The result of a multiple selection: each entry followed by the
// delimiter.
std::string JoinSelection(const std::vector<std::string>& selected, const std::string& delimiter);

// The filter of the file-name box: the file types (cut to 256 bytes
// without splitting a character), every "|" that is a character of its own
// made a zero, the whole ended by two zeros.
std::string FileFilter(const char* types);

// The starting folder of the file-name box: a folder longer than three
// characters loses a trailing backslash or slash (a character of its own,
// not the trail byte of a double-byte character).
std::string StartFolder(const char* folder);

// The time a Display box stays, in milliseconds: below 1 second it is 2
// seconds, above an hour it is an hour.
unsigned DisplayMilliseconds(int seconds);

} // namespace jol
