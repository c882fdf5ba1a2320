#include "ui/dialog_lists.h"

#include <algorithm>
#include <cstring>

#include "host/context/bounded_text.h"

namespace jol {
namespace {

// Appends the character at p to out when the whole of it fits in max
// bytes; returns false when it does not.
bool AppendChar(std::string& out, const char* p, int bytes, std::size_t max) {
    if (out.size() + static_cast<std::size_t>(bytes) > max) return false;
    out.append(p, static_cast<std::size_t>(bytes));
    return true;
}

} // namespace

std::string ListDelimiter(const char* arg) {
    if (!arg || !*arg) return "\t";
    return std::string(arg, static_cast<std::size_t>(CharBytes(arg)));
}

std::vector<std::string> ListEntries(const char* list, const std::string& delimiter) {
    std::vector<std::string> entries;
    if (!list) return entries;
    const std::string delim = delimiter.empty() ? std::string("\t") : delimiter;
    std::string entry;
    bool too_long = false;
    for (const char* p = list; *p;) {
        const int n = CharBytes(p);
        if (static_cast<std::size_t>(n) == delim.size() &&
            std::memcmp(p, delim.data(), delim.size()) == 0) {
            entries.push_back(entry);
            entry.clear();
            p += n;
            continue;
        }
        if (!AppendChar(entry, p, n, kListEntryMax)) {
            too_long = true;
            break;
        }
        p += n;
    }
    if (too_long || !entry.empty()) entries.push_back(entry);
    return entries;
}

std::vector<std::string> FileEntries(const std::string& content) {
    std::vector<std::string> entries;
    std::string line;
    const char* p = content.c_str();
    const char* end = p + content.size();
    while (p < end) {
        if (*p == '\n') {
            ++p;
            continue;
        }
        if (*p == '\r') {
            entries.push_back(line);
            line.clear();
            ++p;
            continue;
        }
        // A zero byte in the file is a character like any other here.
        const int n = *p ? CharBytes(p) : 1;
        if (line.size() + static_cast<std::size_t>(n) <= kListEntryMax)
            line.append(p, static_cast<std::size_t>(n));
        p += n;
    }
    if (!line.empty()) entries.push_back(line);
    return entries;
}

void SortEntries(std::vector<std::string>& entries) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const std::string& a, const std::string& b) {
                         const std::size_t n = std::min(a.size(), b.size());
                         for (std::size_t i = 0; i < n; ++i) {
                             const unsigned char x = static_cast<unsigned char>(LowerChar(a[i]));
                             const unsigned char y = static_cast<unsigned char>(LowerChar(b[i]));
                             if (x != y) return x < y;
                         }
                         return a.size() < b.size();
                     });
}

std::string JoinSelection(const std::vector<std::string>& selected, const std::string& delimiter) {
    std::size_t size = 0;
    for (const std::string& s : selected)
        size += s.size() + delimiter.size();
    std::string out;
    out.reserve(size);
    for (const std::string& s : selected) {
        out += s;
        out += delimiter;
    }
    return out;
}

std::string FileFilter(const char* types) {
    std::string out;
    for (const char* p = types ? types : ""; *p;) {
        const int n = CharBytes(p);
        if (!AppendChar(out, p, n, 256)) break;
        if (n == 1 && *p == '|') out.back() = '\0';
        p += n;
    }
    out.push_back('\0');
    out.push_back('\0');
    return out;
}

std::string StartFolder(const char* folder) {
    std::string out = folder ? folder : "";
    if (out.size() <= 3) return out;
    const char* last = nullptr;
    for (const char* p = out.c_str(); *p; p += CharBytes(p))
        last = p;
    if (last && (*last == '\\' || *last == '/') && CharBytes(last) == 1) out.pop_back();
    return out;
}

unsigned DisplayMilliseconds(int seconds) {
    if (seconds < 1) seconds = 2;
    if (seconds > 3600) seconds = 3600;
    return static_cast<unsigned>(seconds) * 1000u;
}

} // namespace jol
