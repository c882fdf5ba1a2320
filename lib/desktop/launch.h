// Starting programs and opening documents: the Run family (Run, RunHide,
// RunIcon, RunZoom, their Wait forms, RunWait), RunShell, RunEnviron and
// Print through one launcher; ShellExecute, RunExit, AppExist and
// AppWaitClose; and the older launcher that follows the EXTENSIONS section
// of the user's profile, offered to extenders through DLLServices.
//
// The launcher tries, in order: the program registered under App Paths for
// a bare name, the program itself, the document's registered open command
// (or the program the shell names for it), and a shortcut of that name.
// Only the priority and console bits of the creation flags (IntControl 51)
// reach the system. The App Paths folder list is given to the started
// program's own environment; the library's PATH never changes. Every wait
// for a started program runs the message pump and ends when the script is
// cancelled (the program runs on).
#pragma once

#include <cstddef>
#include <string>

#include "dispatch/handler.h"

namespace jol {

struct ScriptContext;

// The longest command line a start builds (the work buffer): a longer one
// is refused, never cut.
constexpr std::size_t kCommandLineMax = 1280;
// The longest expanded argument of a registered open command.
constexpr std::size_t kOpenArgumentMax = 500;

// Expands the argument template of a registered open command for document
// doc and the caller's parameters: %1 and %L become doc, %2 to %9 the
// first to eighth word of parameters (a double-quoted run is one word, its
// quotes kept), %* all of parameters; any other "%" sequence is copied.
// *had_document tells whether %1 or %L was met. False when the result
// would be longer than max.
bool ExpandOpenTemplate(const char* templ, const char* doc, const char* parameters, std::size_t max,
                        std::string* out, bool* had_document);

// Splits a registered command into its program (a quoted program keeps
// its quotes' contents, blanks included) and the rest after the blanks.
void SplitRegisteredCommand(const char* command, std::string* program, std::string* rest);

// The extensions launcher: starts a command line by its file's extension
// (DLLServices request 16). show is a system show command (0 hide, 2 or 6
// minimized, 3 maximized, anything else normal). 1 on success, 0 with
// error 1932 or 1933.
int RunByExtension(ScriptContext* ctx, const char* command_line, long long show, bool wait);

// The module record of the launching functions.
extern const Module kLaunchModule;

} // namespace jol
