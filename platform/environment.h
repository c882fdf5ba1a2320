// The process's environment: environment variables, the current
// directory, sleeping, the debugger output and the user's session.
#pragma once

#include <cstddef>

namespace plat {

void sleep_ms(unsigned ms);
// Copies the current directory into out (always terminated); returns its
// length, 0 on failure.
std::size_t get_current_directory(char* out, std::size_t out_size);
bool set_current_directory(const char* path);
// Copies the variable's value into out (always terminated); returns its
// full length, 0 when it is not set.
std::size_t get_env(const char* name, char* out, std::size_t out_size);
bool set_env(const char* name, const char* value); // null value removes it
void debug_output(const char* text);
// Asks the system to log the user off; true when it accepted. The native
// backend has no user session to end and always answers false.
bool end_session();
// Calls visit with each "NAME=value" entry of the process environment, in
// the order of the system's environment block, until visit returns false.
void for_each_env(bool (*visit)(const char* entry, void* data), void* data);

} // namespace plat
