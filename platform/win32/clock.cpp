// The clock and file times: the system's own.
#include <windows.h>
#if defined(__i386__) || defined(__x86_64__)
#include <x86intrin.h>
#endif

#include "platform/clock.h"

namespace plat {

LocalTime local_time() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.millisecond = st.wMilliseconds;
    t.weekday = st.wDayOfWeek;
    return t;
}

std::uint32_t tick_count() {
    return GetTickCount();
}

std::uint64_t monotonic_us() {
    // The counter's frequency is fixed at boot.
    static const std::uint64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<std::uint64_t>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const auto count = static_cast<std::uint64_t>(now.QuadPart);
    return count / frequency * 1000000u + count % frequency * 1000000u / frequency;
}

std::uint64_t fast_ticks() {
#if defined(__i386__) || defined(__x86_64__)
    // An instruction, where the performance counter may be a system call
    // (it is one under Wine).
    return __rdtsc();
#else
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<std::uint64_t>(now.QuadPart);
#endif
}

bool file_write_time_packed(const char* path, std::uint16_t* date, std::uint16_t* time) {
    if (!path || !*path) return false;
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    FILETIME written, local;
    WORD d = 0, t = 0;
    bool ok = GetFileTime(f, nullptr, nullptr, &written) &&
              FileTimeToLocalFileTime(&written, &local) && FileTimeToDosDateTime(&local, &d, &t);
    CloseHandle(f);
    if (!ok) return false;
    if (date) *date = d;
    if (time) *time = t;
    return true;
}

FileTimeResult set_file_write_time(const char* path, const LocalTime& local,
                                   std::uint32_t* system_error) {
    if (system_error) *system_error = 0;
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(local.year);
    st.wMonth = static_cast<WORD>(local.month);
    st.wDay = static_cast<WORD>(local.day);
    st.wHour = static_cast<WORD>(local.hour);
    st.wMinute = static_cast<WORD>(local.minute);
    st.wSecond = static_cast<WORD>(local.second);
    st.wMilliseconds = static_cast<WORD>(local.millisecond);
    FILETIME as_local, universal;
    if (local.year < 0 || local.year > 0xFFFF || !SystemTimeToFileTime(&st, &as_local)) {
        if (system_error) *system_error = GetLastError();
        return FileTimeResult::SystemTimeFailed;
    }
    if (!LocalFileTimeToFileTime(&as_local, &universal)) {
        if (system_error) *system_error = GetLastError();
        return FileTimeResult::LocalTimeFailed;
    }
    if (!path || !*path) return FileTimeResult::NoFile;
    HANDLE f = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return FileTimeResult::NoFile;
    bool ok = SetFileTime(f, nullptr, nullptr, &universal) != 0;
    CloseHandle(f);
    return ok ? FileTimeResult::Done : FileTimeResult::NoFile;
}

} // namespace plat
