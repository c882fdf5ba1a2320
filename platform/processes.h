// The running processes of the system: their ids and program files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

struct ProcessEntry {
    std::uint32_t pid = 0;
    // The program file: the full path where the system tells it, else the
    // file name alone.
    std::string program;
};
// A snapshot of the running processes (empty when it cannot be taken).
std::vector<ProcessEntry> list_processes();
// The program file of one process; false when it is gone or unreadable.
bool process_program(std::uint32_t pid, std::string* out);
// The id of this process.
std::uint32_t current_process_id();

} // namespace plat
