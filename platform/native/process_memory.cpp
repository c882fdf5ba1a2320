// Reading memory of the own process at an address a script names: the
// address range is checked against the process's memory map first, so an
// address that is not mapped, or mapped without read access, is refused
// instead of faulting.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/memory.h"

namespace plat {
namespace {

// The text of the memory map, read in one pass; empty when it cannot be
// read.
std::string read_memory_map() {
    std::string text;
    const int fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

struct Mapping {
    std::uintptr_t low = 0;
    std::uintptr_t high = 0; // one past the last byte
    bool readable = false;
};

// Parses one line "low-high perms offset dev inode [path]". Kernel pages
// that back the clock (named "[vvar...]") can fault on a plain read and
// count as unreadable.
bool parse_mapping(const char* line, Mapping* m) {
    char* end = nullptr;
    const unsigned long long low = std::strtoull(line, &end, 16);
    if (end == line || *end != '-') return false;
    const char* p = end + 1;
    const unsigned long long high = std::strtoull(p, &end, 16);
    if (end == p || *end != ' ') return false;
    m->low = static_cast<std::uintptr_t>(low);
    m->high = static_cast<std::uintptr_t>(high);
    m->readable = end[1] == 'r';
    if (m->readable && std::strstr(end, "[vvar") != nullptr) m->readable = false;
    return true;
}

} // namespace

bool read_process_memory(std::uintptr_t address, void* out, std::size_t bytes) {
    if (!out || bytes == 0 || address == 0) return false;
    const std::uintptr_t end = address + bytes;
    if (end < address) return false; // the range wraps around
    const std::string map = read_memory_map();
    std::uintptr_t covered = address; // the first byte not yet found readable
    std::size_t at = 0;
    while (at < map.size() && covered < end) {
        std::size_t next = map.find('\n', at);
        if (next == std::string::npos) next = map.size();
        const std::string line = map.substr(at, next - at);
        at = next + 1;
        Mapping m;
        if (!parse_mapping(line.c_str(), &m) || m.high <= covered) continue;
        // The lines ascend; a mapping that starts above the byte sought
        // leaves a hole.
        if (m.low > covered || !m.readable) return false;
        covered = m.high;
    }
    if (covered < end) return false;
    std::memcpy(out, reinterpret_cast<const void*>(address), bytes);
    return true;
}

} // namespace plat
