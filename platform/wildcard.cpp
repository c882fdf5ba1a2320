// Windows wildcard matching of a name component, shared by the backends:
// the native file search uses it, and the Win32 backend's system search
// follows the same rules.
#include "platform/file_system.h"

namespace plat {
namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Matches pattern against name; "*" takes any run (backtracking to the
// last star only, which suffices for patterns of "*", "?" and literals).
bool Match(const char* p, const char* n) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*n) {
        if (*p == '*') {
            star = ++p;
            resume = n;
        } else if (*p == '?' || (*p && Lower(*p) == Lower(*n))) {
            ++p;
            ++n;
        } else if (star) {
            p = star;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*p == '*')
        ++p;
    return *p == 0;
}

} // namespace

bool wildcard_match(const char* pattern, const char* name) {
    if (!pattern || !name) return false;
    if (pattern[0] == '*' && pattern[1] == '.' && pattern[2] == '*' && pattern[3] == 0) return true;
    return Match(pattern, name);
}

} // namespace plat
