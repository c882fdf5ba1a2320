// The process environment as a block of entries, for listing it.
#include <windows.h>

#include <cstring>

#include "platform/environment.h"

namespace plat {

void for_each_env(bool (*visit)(const char* entry, void* data), void* data) {
    if (!visit) return;
    char* block = GetEnvironmentStringsA();
    if (!block) return;
    for (const char* p = block; *p; p += std::strlen(p) + 1)
        if (!visit(p, data)) break;
    FreeEnvironmentStringsA(block);
}

} // namespace plat
