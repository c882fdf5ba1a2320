#include "platform/command_line.h"

namespace plat {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads the program name from p; returns where the reading stopped.
const char* ReadProgram(const char* p, std::string* out) {
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            out->push_back(*p++);
        if (*p == '"') ++p;
        return p;
    }
    while (*p && !IsBlank(*p))
        out->push_back(*p++);
    return p;
}

} // namespace

void split_program(const char* line, std::string* program, std::string* rest) {
    program->clear();
    rest->clear();
    if (!line) return;
    const char* p = ReadProgram(line, program);
    while (IsBlank(*p))
        ++p;
    rest->assign(p);
}

std::vector<std::string> split_command_line(const char* line) {
    std::vector<std::string> args;
    if (!line) return args;
    std::string program;
    const char* p = ReadProgram(line, &program);
    args.push_back(program);
    for (;;) {
        while (IsBlank(*p))
            ++p;
        if (!*p) break;
        std::string arg;
        bool quoted = false;
        while (*p && (quoted || !IsBlank(*p))) {
            if (*p == '\\') {
                std::size_t n = 0;
                while (*p == '\\') {
                    ++n;
                    ++p;
                }
                if (*p == '"') {
                    arg.append(n / 2, '\\');
                    if (n % 2) {
                        arg.push_back('"');
                        ++p;
                    }
                } else {
                    arg.append(n, '\\');
                }
                continue;
            }
            if (*p == '"') {
                if (quoted && p[1] == '"') {
                    arg.push_back('"');
                    p += 2;
                    continue;
                }
                quoted = !quoted;
                ++p;
                continue;
            }
            arg.push_back(*p++);
        }
        args.push_back(arg);
    }
    return args;
}

std::string quote_argument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
            out.push_back('"');
        } else {
            out.append(backslashes, '\\');
            out.push_back(c);
        }
        backslashes = 0;
    }
    out.append(backslashes * 2, '\\');
    out.push_back('"');
    return out;
}

} // namespace plat
