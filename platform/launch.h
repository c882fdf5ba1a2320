// Starting programs, opening documents through the desktop's shell, and
// asking the system to end the session.
//
// Programs are started from a Windows command line. The Win32 backend
// hands it to the system. The native backend splits it by the Windows
// rules (platform/command_line.h) and starts the program with posix_spawn:
// never through a shell. A program name with a directory is a Windows name
// (platform/file_system.h); a bare one is looked for along the child's PATH.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/handles.h"

namespace plat {

// The display modes of a start.
constexpr int kShowHidden = -1;
constexpr int kShowMinimized = 1;
constexpr int kShowNormal = 2;
constexpr int kShowMaximized = 3;

// The creation flags of the system that a start passes on: the priority
// classes and the console and process-group bits. Natively the priority
// classes become the started program's nice value (idle 19, below normal
// 10; the classes above normal need privileges and stay at 0).
namespace create {
constexpr std::uint32_t DetachedProcess = 0x8;
constexpr std::uint32_t NewConsole = 0x10;
constexpr std::uint32_t NormalPriority = 0x20;
constexpr std::uint32_t IdlePriority = 0x40;
constexpr std::uint32_t HighPriority = 0x80;
constexpr std::uint32_t RealtimePriority = 0x100;
constexpr std::uint32_t NewProcessGroup = 0x200;
constexpr std::uint32_t BelowNormalPriority = 0x4000;
constexpr std::uint32_t AboveNormalPriority = 0x8000;
constexpr std::uint32_t DefaultErrorMode = 0x04000000;
constexpr std::uint32_t Allowed = DetachedProcess | NewConsole | NormalPriority | IdlePriority |
                                  HighPriority | RealtimePriority | NewProcessGroup |
                                  BelowNormalPriority | AboveNormalPriority | DefaultErrorMode;
} // namespace create

// A started process, 0 = none.
using ProcessHandle = std::uintptr_t;

struct StartRequest {
    const char* command_line = "";
    const char* directory = nullptr; // null or empty: the current directory
    int show = kShowNormal;
    std::uint32_t creation_flags = create::NormalPriority; // bits outside Allowed are dropped
    // When not empty, the started program's PATH is this list followed by
    // the library's own PATH; the library's environment stays as it is.
    const char* path_prefix = nullptr;
};

// Starts a program. 0 with the process in *out, else the system's error:
// err::FileNotFound or err::PathNotFound when there is no such program,
// err::BadExeFormat when the file is no program (a document).
std::uint32_t start_process(const StartRequest& request, ProcessHandle* out);

// Waits at most ms for a started program to be ready for input: 1 ready,
// 0 not yet, -1 when it cannot be told (a console program, one that has
// ended). Natively "ready" means that the program has mapped a top-level
// window (_NET_WM_PID) on the X display; without a display it is -1.
int wait_process_ready(ProcessHandle p, std::uint32_t ms);
// Whether a start in this display mode waits for the program to be ready:
// always on Win32; natively only when a mode is to be applied to its
// windows (a console program would keep a normal start waiting for a
// window it never maps).
bool ready_wait_needed(int show);

// Applies a display mode that the start itself could not to the program's
// top-level windows. Win32 starts programs in their mode: true. Natively
// the windows of the process on the X display are minimized, maximized or
// withdrawn; false when it has none (or there is no display).
bool apply_show(ProcessHandle p, int show);

// True when the process has ended, with its exit code in *exit_code.
bool process_ended(ProcessHandle p, std::uint32_t* exit_code);
std::uint32_t process_id(ProcessHandle p);
// Releases the handle; the process runs on. (Natively a child that is
// still running is reaped once it ends, at a later start or process test.)
void close_process(ProcessHandle p);
// Reaps the ended children that were released running (natively; nothing
// on Win32), so that they no longer count as running processes.
void reap_released_processes();

// Asks the desktop's shell to perform a verb on a file (an empty verb: the
// default one). Returns the shell's answer: above 32 for success, else the
// error number 0 to 32 the shell gave. Natively: a program file is started
// with the parameters; "open" or the default verb on any other file runs
// xdg-open; another verb runs the command the registry's classes keep for
// the file's extension (class\shell\VERB\command, %1 the file), else 31
// (no association).
int shell_execute(Hwnd owner, const char* verb, const char* file, const char* parameters,
                  const char* directory, int show);

// The program that opens a document, as the shell knows it (natively: the
// desktop's default application of its file type, read with xdg-mime, and
// the program of that application's desktop entry). False when none.
bool find_executable(const char* file, const char* directory, char* out, std::size_t out_size);

// Ending the session: log off, restart, shut down, forced or not.
enum class SessionEnd { LogOff, Restart, ShutDown };
// 0 when the system accepted the request; err::PrivilegeNotHeld when the
// privilege to restart or shut down could not be had; another error when
// the system refused. Win32 enables SeShutdownPrivilege for a restart or
// shut-down; natively the login manager (logind, asked through busctl)
// must allow the user the action.
//
// When the environment variable JOL_SESSION_REQUESTS names a file, the
// request is checked as above but, instead of being sent, appended to that
// file as one line ("logoff", "restart" or "shutdown", then " force" when
// forced); a file that cannot be written counts as a refusal. Tests use it.
std::uint32_t end_session_request(SessionEnd what, bool force);

} // namespace plat
