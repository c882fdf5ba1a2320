// Error reporting: the error box (or, in quiet mode, the error log entry)
// that a failed statement raises, the error modes that decide whether the
// script goes on, and the script functions ErrorMode and LastError.
#pragma once

#include <cstdint>

#include "host/context/script_context.h"
#include "platform/handles.h"
#include "resources/error_codes.h"

namespace jol {

// Error modes.
constexpr std::int32_t kErrorModeOff = 0;    // @off: minor errors are ignored
constexpr std::int32_t kErrorModeCancel = 1; // @cancel: every error stops the script
constexpr std::int32_t kErrorModeNotify = 2; // @notify: the user chooses

// Severities of a reported error.
constexpr int kSeverityModerate = 0;
constexpr int kSeverityMinor = 1;
constexpr int kSeverityFatal = 13;

// The severity of an error code raised by a statement, by its range (see
// resources/error_codes.h): minor, moderate, else fatal.
int ErrorSeverity(int code);

// True for the codes that stand for an extender or secondary failure,
// whose explanation is the extended error number: ExtenderMinor,
// ExtenderModerate, ExtenderSevere and StopReported.
bool IsExtendedErrorCode(int code);

// Writes the title of an error box: the code in decimal, ":  " and the
// code's message text, at most 256 characters in all.
void FormatErrorTitle(ScriptContext* ctx, int code, char* out, std::size_t out_size);

// Shows or logs one error. body_id 100 or more loads that message as the
// box text; a smaller body_id means the caller has put the text in the
// context's error body already. Returns 1 to go on (the ErrorCode has been
// cleared) or 0 to stop (the ErrorCode stays).
int ReportError(ScriptContext* ctx, plat::Hwnd owner, int body_id, int code, int severity);
inline int ReportError(ScriptContext* ctx, plat::Hwnd owner, int body_id, Err code, int severity) {
    return ReportError(ctx, owner, body_id, ErrNumber(code), severity);
}

// Keeps, for the host, where the error that stops the run was reported:
// the code, its message text (and detail in parentheses, when given), the
// name of the innermost script running and the number and text of its line
// being run. Called wherever an error is shown and the run stops.
void RecordStop(ScriptContext* ctx, int code, const char* detail);
// Forgets the stop report: a cancel is no error, nor a failure the script
// goes on past.
void ForgetStop(ScriptContext* ctx);

// A message box; in quiet mode a log entry instead, answered with Cancel.
// Returns the button chosen.
int ShowMessageBox(ScriptContext* ctx, plat::Hwnd owner, const char* text, const char* title,
                   unsigned style);

// Switches quiet mode on (non-zero on) or off; switching it on also
// switches the sounds off. A non-empty log_file becomes the log file name
// (at most 259 characters are kept). Returns the previous quiet mode.
std::int32_t SetQuietMode(ScriptContext* ctx, std::int32_t on, const char* log_file);

// The script function ErrorMode: sets the error mode (0 @off, 1 @cancel,
// any other value @notify) and returns the previous one.
std::int32_t SwapErrorMode(ScriptContext* ctx, std::int32_t mode);

// The script function LastError: the last error, or the extended error
// number when the last error is an extended-error code; then clears both.
std::int32_t TakeLastError(ScriptContext* ctx);

} // namespace jol
