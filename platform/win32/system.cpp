// Process services: version facts, modules, the environment, the current
// directory, sleeping and the debugger output.
#include <windows.h>

#include <cstring>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/modules.h"
#include "platform/system.h"

namespace plat {

std::uint32_t get_last_error() {
    return GetLastError();
}

void set_last_error(std::uint32_t code) {
    SetLastError(code);
}

VersionInfo get_version() {
    VersionInfo v;
    DWORD raw = GetVersion();
    v.major = LOBYTE(LOWORD(raw));
    v.minor = HIBYTE(LOWORD(raw));
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (GetVersionExA(&info)) {
        v.build = info.dwBuildNumber;
        v.platform_id = info.dwPlatformId;
    }
    return v;
}

bool dbcs_enabled() {
    return GetSystemMetrics(SM_DBCSENABLED) != 0;
}

Module load_library(const char* path) {
    return reinterpret_cast<Module>(LoadLibraryA(path));
}

void* get_proc_address(Module m, const char* name) {
    if (!m || !name) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(m), name));
}

void* get_proc_ordinal(Module m, int ordinal, const char*) {
    if (!m || ordinal <= 0 || ordinal > 0xFFFF) return nullptr;
    return reinterpret_cast<void*>(
        GetProcAddress(reinterpret_cast<HMODULE>(m), MAKEINTRESOURCEA(ordinal)));
}

bool automation_libraries_present() {
    // The 32-bit OLE libraries (every Windows since NT 3.5 and Wine).
    return search_path("OLE32.DLL", nullptr, 0) && search_path("OLEAUT32.DLL", nullptr, 0);
}

bool free_library(Module m) {
    return m && FreeLibrary(reinterpret_cast<HMODULE>(m));
}

Module module_of_address(const void* address) {
    HMODULE m = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &m))
        return 0;
    return reinterpret_cast<Module>(m);
}

std::size_t executable_path(char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    DWORD n = GetModuleFileNameA(nullptr, out, static_cast<DWORD>(out_size));
    if (n == 0 || n >= out_size) {
        *out = 0;
        return 0;
    }
    return n;
}

Module module_handle(const char* name) {
    if (!name || !*name) return 0;
    return reinterpret_cast<Module>(GetModuleHandleA(name));
}

bool suppress_error_boxes(bool suppress) {
    UINT quiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
    UINT old = SetErrorMode(suppress ? quiet : 0);
    if (!suppress) SetErrorMode(old & ~quiet);
    return (old & quiet) != 0;
}

bool search_path(const char* file, char* out, std::size_t out_size) {
    char buf[MAX_PATH + 1];
    char* part = nullptr;
    DWORD n = SearchPathA(nullptr, file, nullptr, sizeof buf, buf, &part);
    if (n == 0 || n >= sizeof buf) return false;
    if (out && out_size) {
        std::size_t m = n < out_size - 1 ? n : out_size - 1;
        std::memcpy(out, buf, m);
        out[m] = 0;
    }
    return true;
}

void sleep_ms(unsigned ms) {
    Sleep(ms);
}

std::size_t get_current_directory(char* out, std::size_t out_size) {
    char buf[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    if (n == 0 || n >= sizeof buf) {
        if (out && out_size) *out = 0;
        return 0;
    }
    if (out && out_size) {
        std::size_t m = n < out_size - 1 ? n : out_size - 1;
        std::memcpy(out, buf, m);
        out[m] = 0;
    }
    return n;
}

bool set_current_directory(const char* path) {
    return path && SetCurrentDirectoryA(path);
}

std::size_t get_env(const char* name, char* out, std::size_t out_size) {
    char small[2];
    DWORD need = GetEnvironmentVariableA(name, small, 0);
    if (need == 0) {
        if (out && out_size) *out = 0;
        return 0;
    }
    if (!out || out_size == 0) return need - 1;
    if (need <= out_size) return GetEnvironmentVariableA(name, out, static_cast<DWORD>(out_size));
    // Too long for the buffer: copy what fits, terminated.
    HANDLE heap = GetProcessHeap();
    char* full = static_cast<char*>(HeapAlloc(heap, 0, need));
    if (!full) {
        *out = 0;
        return 0;
    }
    DWORD n = GetEnvironmentVariableA(name, full, need);
    std::memcpy(out, full, out_size - 1);
    out[out_size - 1] = 0;
    HeapFree(heap, 0, full);
    return n;
}

bool set_env(const char* name, const char* value) {
    return name && SetEnvironmentVariableA(name, value);
}

void debug_output(const char* text) {
    if (text) OutputDebugStringA(text);
}

bool end_session() {
    return ExitWindowsEx(EWX_LOGOFF, 0) != 0;
}

} // namespace plat

namespace plat {

bool close_file(FileHandle f) {
    if (f == 0) return false;
    return CloseHandle(reinterpret_cast<HANDLE>(f)) != 0;
}

} // namespace plat
