// Modules (libraries) of the process: loading, entry points, names.
#pragma once

#include <cstddef>

#include "platform/handles.h"

namespace plat {

Module load_library(const char* path);
void* get_proc_address(Module m, const char* name);
// The entry of a module by its ordinal number; where modules have no
// ordinals (ELF), by the name the module exports in its place.
void* get_proc_ordinal(Module m, int ordinal, const char* name);
bool free_library(Module m);
// The instance of the module that contains the given code address.
Module module_of_address(const void* address);
// The full file name of the running program; 0 when unknown.
std::size_t executable_path(char* out, std::size_t out_size);
// The instance of a module already loaded in the process, without a new
// load reference; 0 when no module of that name is loaded.
Module module_handle(const char* name);
// The full file name of a module (0: the running program), as load_library,
// module_handle or module_of_address gave it, always terminated; 0 when
// unknown or when it does not fit. (The native backend's names are POSIX
// names.)
std::size_t module_file_name(Module m, char* out, std::size_t out_size);
// Looks for a file along the system's search path; copies its full name
// into out (when out is not null) and returns true when it exists.
bool search_path(const char* file, char* out, std::size_t out_size);
// True when the system's automation object libraries (OLE) are present.
// Linux has none.
bool automation_libraries_present();

} // namespace plat
