// The INI file format of the native backend, shared by the profile reader
// and writer so that both see a file the same way, the way the system's
// profile functions do:
// - a line ends at a line feed, a carriage return or both;
// - a line whose first character after blanks is "[" and that holds a "]"
//   opens a section, named by the text up to the last "]" of the line,
//   without blanks at its ends; text after the "]" is ignored;
// - any other line that is not blank is an entry of the current section
//   (lines before the first section belong to a section without a name):
//   its name is the text before the first "=" without blanks at its ends,
//   its value the text after it likewise; a line without "=" is an entry
//   without a value, which reads as missing;
// - entries whose names begin with ";" are comments: readable by name, as
//   the system allows, but never listed;
// - a value wholly enclosed in a pair of matching quotes (" or ') loses
//   them when it is read;
// - names compare without regard to the case of ASCII letters, and the
//   first section and the first entry of a name are the ones that count;
//   names asked for are taken without blanks at their ends.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/native/paths.h"

namespace plat::profile {

// The backend's Windows directory: the JOL_HOME folder (default ~/.jol).
inline std::string WindowsDirectory() {
    if (const char* h = std::getenv("JOL_HOME"); h && *h) return h;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.jol";
}

// The file of a profile name: a name without a directory lives in the
// Windows directory; a name with a directory is a Windows name (or a
// POSIX path), mapped as every file name of the backend is. A null name is
// the user's profile, win.ini.
inline std::string ResolveProfile(const char* file) {
    if (!file) return WindowsDirectory() + "/win.ini";
    std::string name = file;
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) {
        std::string posix;
        std::uint32_t error = 0;
        if (detail::map_path(file, &posix, &error)) return posix;
        for (char& c : name)
            if (c == '\\') c = '/';
        return name;
    }
    return WindowsDirectory() + "/" + name;
}

enum class LineKind { Blank, Section, Entry };

struct Line {
    LineKind kind = LineKind::Blank;
    std::string text;  // the line as written, without its line end
    std::string name;  // section or entry name
    std::string value; // entry value (without blanks at its ends)
    bool has_value = false;
};

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

inline std::string Trim(const char* b, const char* e) {
    while (b < e && IsBlank(*b))
        ++b;
    while (e > b && IsBlank(e[-1]))
        --e;
    return std::string(b, e);
}

inline std::string TrimText(const std::string& s) {
    return Trim(s.data(), s.data() + s.size());
}

inline bool SameName(const std::string& a, const char* b) {
    std::size_t n = 0;
    for (; b[n]; ++n) {
        if (n >= a.size()) return false;
        char x = a[n], y = b[n];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return n == a.size();
}

inline Line ParseLine(const char* b, const char* e) {
    Line line;
    line.text.assign(b, e);
    const char* p = b;
    while (p < e && IsBlank(*p))
        ++p;
    if (p == e) return line;
    if (*p == '[') {
        const char* close = nullptr;
        for (const char* q = e; q > p + 1;) {
            --q;
            if (*q == ']') {
                close = q;
                break;
            }
        }
        if (close) {
            line.kind = LineKind::Section;
            line.name = Trim(p + 1, close);
            return line;
        }
    }
    line.kind = LineKind::Entry;
    const char* eq = p;
    while (eq < e && *eq != '=')
        ++eq;
    line.name = Trim(p, eq);
    if (eq < e) {
        line.has_value = true;
        line.value = Trim(eq + 1, e);
    }
    return line;
}

inline std::vector<Line> Parse(const std::string& text) {
    std::vector<Line> lines;
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* e = p;
        while (e < end && *e != '\n' && *e != '\r')
            ++e;
        lines.push_back(ParseLine(p, e));
        if (e < end && *e == '\r' && e + 1 < end && e[1] == '\n')
            p = e + 2;
        else
            p = e + 1;
    }
    return lines;
}

// A section or key name asked for, without blanks at its ends.
inline std::string QueryName(const char* name) {
    const char* e = name;
    while (*e)
        ++e;
    return Trim(name, e);
}

// The extent [*begin, *end) of the first section of the name: *begin is
// its header (or 0 for the nameless section before the first header),
// *end the next header or the end. False when there is no such section.
inline bool FindSection(const std::vector<Line>& lines, const char* section_name,
                        std::size_t* begin, std::size_t* end) {
    const std::string wanted = QueryName(section_name);
    const char* section = wanted.c_str();
    std::size_t i = 0;
    bool found = false;
    if (!*section) {
        // The nameless section: the entries before the first header.
        while (i < lines.size() && lines[i].kind != LineKind::Section) {
            if (lines[i].kind == LineKind::Entry) found = true;
            ++i;
        }
        if (found) {
            *begin = 0;
            *end = i;
            return true;
        }
    }
    for (; i < lines.size(); ++i) {
        if (lines[i].kind == LineKind::Section && SameName(lines[i].name, section)) {
            *begin = i;
            std::size_t j = i + 1;
            while (j < lines.size() && lines[j].kind != LineKind::Section)
                ++j;
            *end = j;
            return true;
        }
    }
    return false;
}

// The line of the first entry of the name within [begin, end), or end.
inline std::size_t FindEntry(const std::vector<Line>& lines, std::size_t begin, std::size_t end,
                             const char* key_name) {
    const std::string wanted = QueryName(key_name);
    const char* key = wanted.c_str();
    for (std::size_t i = begin; i < end; ++i)
        if (lines[i].kind == LineKind::Entry && SameName(lines[i].name, key)) return i;
    return end;
}

// An entry's value as read: without a pair of enclosing quotes.
inline std::string ReadValue(const Line& line) {
    const std::string& v = line.value;
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
        return v.substr(1, v.size() - 2);
    return v;
}

// Entries that are listed among a section's keys.
inline bool IsListed(const Line& line) {
    return line.kind == LineKind::Entry && line.has_value &&
           !(line.name.size() && line.name[0] == ';');
}

// The default text of a read: blanks at its end are dropped.
inline std::string DefaultText(const char* text) {
    if (!text) return std::string();
    const char* e = text;
    while (*e)
        ++e;
    while (e > text && IsBlank(e[-1]))
        --e;
    return std::string(text, e);
}

} // namespace plat::profile
