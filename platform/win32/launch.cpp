// Starting programs through the system: CreateProcess, the shell's verbs
// and the session's end.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "platform/launch.h"
#include "platform/system_errors.h"

namespace plat {
namespace {

WORD ShowCommand(int show) {
    switch (show) {
    case kShowHidden:
        return SW_HIDE;
    case kShowMinimized:
        return SW_MINIMIZE;
    case kShowMaximized:
        return SW_SHOWMAXIMIZED;
    default:
        return SW_SHOWNORMAL;
    }
}

HANDLE AsHandle(ProcessHandle p) {
    return reinterpret_cast<HANDLE>(p);
}

bool SameName(const char* entry, const char* name) {
    for (; *name; ++entry, ++name)
        if ((*entry | 0x20) != (*name | 0x20)) return false;
    return *entry == '=';
}

// The environment block of a child: the process's own, with PATH
// replaced by the prefix, ";" and the process's PATH.
std::vector<char> ChildEnvironment(const char* prefix) {
    std::vector<char> block;
    char* own = GetEnvironmentStringsA();
    std::string old_path;
    bool placed = false;
    std::string path;
    if (own) {
        for (const char* e = own; *e; e += std::strlen(e) + 1)
            if (SameName(e, "path")) old_path = e + 5;
    }
    path = "PATH=";
    path += prefix;
    if (path.back() != ';') path += ';';
    path += old_path;
    if (own) {
        for (const char* e = own; *e; e += std::strlen(e) + 1) {
            const char* text = e;
            if (SameName(e, "path")) {
                if (placed) continue;
                text = path.c_str();
                placed = true;
            }
            block.insert(block.end(), text, text + std::strlen(text) + 1);
        }
        FreeEnvironmentStringsA(own);
    }
    if (!placed) block.insert(block.end(), path.c_str(), path.c_str() + path.size() + 1);
    block.push_back(0);
    return block;
}

} // namespace

std::uint32_t start_process(const StartRequest& request, ProcessHandle* out) {
    *out = 0;
    std::vector<char> line(request.command_line,
                           request.command_line + std::strlen(request.command_line) + 1);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK;
    si.wShowWindow = ShowCommand(request.show);
    PROCESS_INFORMATION pi{};
    std::vector<char> env;
    char application[MAX_PATH] = {};
    const char* app = nullptr;
    if (request.path_prefix && *request.path_prefix) {
        env = ChildEnvironment(request.path_prefix);
        // The system looks for the program along the library's PATH: a bare
        // name found in the extra folders is named outright.
        std::string program, rest;
        split_program(request.command_line, &program, &rest);
        if (program.find_first_of("\\/:") == std::string::npos &&
            SearchPathA(request.path_prefix, program.c_str(), ".exe", MAX_PATH, application,
                        nullptr) > 0)
            app = application;
    }
    const DWORD flags = request.creation_flags & create::Allowed;
    const char* dir = request.directory && *request.directory ? request.directory : nullptr;
    if (!CreateProcessA(app, line.data(), nullptr, nullptr, FALSE, flags,
                        env.empty() ? nullptr : env.data(), dir, &si, &pi))
        return GetLastError();
    CloseHandle(pi.hThread);
    *out = reinterpret_cast<ProcessHandle>(pi.hProcess);
    return 0;
}

int wait_process_ready(ProcessHandle p, std::uint32_t ms) {
    const DWORD r = WaitForInputIdle(AsHandle(p), ms);
    if (r == 0) return 1;
    if (r == WAIT_TIMEOUT) return 0;
    return -1;
}

bool ready_wait_needed(int) {
    return true;
}

bool apply_show(ProcessHandle, int) {
    return true;
}

bool process_ended(ProcessHandle p, std::uint32_t* exit_code) {
    if (WaitForSingleObject(AsHandle(p), 0) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeProcess(AsHandle(p), &code);
    if (exit_code) *exit_code = code;
    return true;
}

std::uint32_t process_id(ProcessHandle p) {
    return GetProcessId(AsHandle(p));
}

void close_process(ProcessHandle p) {
    if (p) CloseHandle(AsHandle(p));
}

void reap_released_processes() {}

int shell_execute(Hwnd owner, const char* verb, const char* file, const char* parameters,
                  const char* directory, int show) {
    int sw = SW_SHOWNORMAL;
    switch (show) {
    case kShowHidden:
        sw = SW_HIDE;
        break;
    case kShowMinimized:
        sw = SW_MINIMIZE;
        break;
    case kShowNormal:
        sw = SW_SHOW;
        break;
    case kShowMaximized:
        sw = SW_SHOWMAXIMIZED;
        break;
    default:
        break;
    }
    const auto r = reinterpret_cast<INT_PTR>(
        ShellExecuteA(reinterpret_cast<HWND>(owner), verb && *verb ? verb : nullptr, file,
                      parameters && *parameters ? parameters : nullptr,
                      directory && *directory ? directory : nullptr, sw));
    return r > 32 ? 33 : static_cast<int>(r);
}

bool find_executable(const char* file, const char* directory, char* out, std::size_t out_size) {
    char found[MAX_PATH] = {};
    const auto r = reinterpret_cast<INT_PTR>(
        FindExecutableA(file, directory && *directory ? directory : nullptr, found));
    if (r <= 32 || !found[0]) return false;
    const std::size_t n = std::strlen(found);
    if (n + 1 > out_size) return false;
    std::memcpy(out, found, n + 1);
    return true;
}

std::uint32_t end_session_request(SessionEnd what, bool force) {
    if (what != SessionEnd::LogOff) {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
            return err::PrivilegeNotHeld;
        TOKEN_PRIVILEGES tp{};
        tp.PrivilegeCount = 1;
        tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        const bool ok =
            LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &tp.Privileges[0].Luid) &&
            AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr) &&
            GetLastError() != ERROR_NOT_ALL_ASSIGNED;
        CloseHandle(token);
        if (!ok) return err::PrivilegeNotHeld;
    }
    const char* names[] = {"logoff", "restart", "shutdown"};
    const UINT codes[] = {EWX_LOGOFF, EWX_REBOOT, EWX_SHUTDOWN};
    const int index = static_cast<int>(what);
    char log[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("JOL_SESSION_REQUESTS", log, sizeof log);
    if (n > 0 && n < sizeof log) {
        FILE* f = std::fopen(log, "ab");
        if (!f) return err::AccessDenied;
        std::fprintf(f, "%s%s\n", names[index], force ? " force" : "");
        return std::fclose(f) == 0 ? 0 : err::AccessDenied;
    }
    if (ExitWindowsEx(codes[index] | (force ? EWX_FORCE : 0), 0)) return 0;
    return GetLastError() ? GetLastError() : err::AccessDenied;
}

} // namespace plat
