// Windows command lines: how a started program's C runtime splits its
// command line into arguments, and how an argument list is written back
// into one. The native backend starts programs with an argument vector, so
// it splits the command line exactly as the program would on Windows; no
// shell ever sees it, and ";", "$(...)" or a backquote stay plain text.
#pragma once

#include <string>
#include <vector>

namespace plat {

// Splits a command line by the rules of the Windows C runtime:
//  - the program name (the first argument) ends at the first blank or tab,
//    or, when it begins with a double quote, at the next double quote; a
//    backslash there is a plain character;
//  - the other arguments are separated by runs of blanks and tabs; a double
//    quote begins or ends a quoted run (blanks inside it are kept), and ""
//    inside a quoted run is one literal double quote;
//  - 2n backslashes before a double quote give n backslashes and the quote
//    acts as above; 2n+1 give n backslashes and a literal double quote;
//    backslashes before any other character are kept as they are.
std::vector<std::string> split_command_line(const char* line);

// The program part of a command line as split_command_line reads it, and
// the rest of the line after the blanks that follow it (null line: both
// empty).
void split_program(const char* line, std::string* program, std::string* rest);

// One argument quoted so that split_command_line gives it back unchanged
// (a text with no blank, tab or double quote is written as it is).
std::string quote_argument(const std::string& arg);

} // namespace plat
