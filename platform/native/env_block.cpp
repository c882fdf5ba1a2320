// The process environment as a block of entries, for listing it.
#include <unistd.h>

#include <cstring>

#include "platform/environment.h"

extern char** environ;

namespace plat {

void for_each_env(bool (*visit)(const char* entry, void* data), void* data) {
    if (!visit) return;
    // The per-drive current directories ("=C:" and the like) are kept beside
    // the POSIX environment; as in the system's block they come first.
    char name[4] = "=A:";
    char entry[4096 + 4];
    for (char drive = 'A'; drive <= 'Z'; ++drive) {
        name[1] = drive;
        char value[4096];
        std::size_t n = get_env(name, value, sizeof value);
        if (n == 0) continue;
        std::memcpy(entry, name, 3);
        entry[3] = '=';
        std::strcpy(entry + 4, value);
        if (!visit(entry, data)) return;
    }
    for (char** e = environ; e && *e; ++e)
        if (!visit(*e, data)) return;
}

} // namespace plat
