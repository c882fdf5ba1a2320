// The native backend's record of the files its own handles hold open, so
// that copying, moving and deleting respect an open file as the system's
// share modes do. Only the native backend's sources include this header.
#pragma once

#include <string>

namespace plat::detail {

// Records a descriptor just opened: whether it reads and writes, and the
// sharing it grants others (bit 1 reading, bit 2 writing).
void note_open(int fd, bool reads, bool writes, int share);
// Forgets a descriptor that is being closed.
void note_close(int fd);
// True when a recorded handle holds the file at the POSIX path in a way
// that refuses an open for the given access and sharing. A delete, move or
// replacement (removes) is refused by any handle, as none grants that.
bool open_conflict(const std::string& posix, bool reads, bool writes, int share, bool removes);

} // namespace plat::detail
