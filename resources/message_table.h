// The library's message table: every text the library shows, by id.
#pragma once

#include <cstddef>

namespace jol {

// The text of a message, or null when the table has no such id.
const char* MessageText(int id);
// Copies the text of a message into out (at most out_size - 1 bytes,
// always terminated); returns false and leaves out empty for an unknown id.
bool LoadMessage(int id, char* out, std::size_t out_size);

} // namespace jol
