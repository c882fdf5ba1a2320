#include "lib/data/time_functions.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "exec/error_report.h"
#include "host/context/bounded_text.h"
#include "host/context/errors.h"
#include "host/context/message_pump.h"
#include "host/context/script_context.h"
#include "lang/conversion.h"
#include "lang/string_heap.h"
#include "lib/data/file_names.h"
#include "platform/boxes.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/profiles.h"
#include "platform/window_system.h"
#include "resources/message_table.h"

namespace jol {
namespace {

constexpr std::int64_t kDaysIn400Years = 146097;
constexpr char kDefaultDayNames[] = "SunMonTueWedThuFriSat";

// Division and remainder rounding towards minus infinity.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

bool FourDigitYears(ScriptContext* ctx) {
    return ctx->options.four_digit_years != 0;
}

// Moves a day beyond its month into the following months (and a day below
// 1 into the preceding ones), keeping month and year in step.
void NormaliseDay(std::int64_t* year, std::int64_t* month, std::int64_t* day) {
    while (*day > kDaysIn400Years) {
        *day -= kDaysIn400Years;
        *year += 400;
    }
    while (*day < -kDaysIn400Years) {
        *day += kDaysIn400Years;
        *year -= 400;
    }
    // Whole years next, keeping the month: the twelve months from the
    // first of this month hold as many days as the day numbers say.
    for (;;) {
        const std::int64_t len = DayNumber(*year + 1, *month, 1) - DayNumber(*year, *month, 1);
        if (*day <= len) break;
        *day -= len;
        ++*year;
    }
    for (;;) {
        const std::int64_t len = DayNumber(*year, *month, 1) - DayNumber(*year - 1, *month, 1);
        if (*day > -len) break;
        *day += len;
        --*year;
    }
    // Then month by month.
    while (*day < 1) {
        if (--*month < 1) {
            *month = 12;
            --*year;
        }
        *day += MonthLength(*year, static_cast<int>(*month));
    }
    for (;;) {
        int len = MonthLength(*year, static_cast<int>(*month));
        if (*day <= len) break;
        *day -= len;
        if (++*month > 12) {
            *month = 1;
            ++*year;
        }
    }
}

bool StoreDate(std::int64_t y, std::int64_t mo, std::int64_t d, std::int64_t h, std::int64_t mi,
               std::int64_t s, DateTime* out) {
    if (y < 0 || y > 9999) return false;
    out->year = static_cast<std::int32_t>(y);
    out->month = static_cast<std::int32_t>(mo);
    out->day = static_cast<std::int32_t>(d);
    out->hour = static_cast<std::int32_t>(h);
    out->minute = static_cast<std::int32_t>(mi);
    out->second = static_cast<std::int32_t>(s);
    out->year_digits = 4;
    return true;
}

std::int32_t SecondsToday(const plat::LocalTime& t) {
    return t.hour * 3600 + t.minute * 60 + t.second;
}

void ReadSetting(const char* key, const char* def, char* out, std::size_t size) {
    plat::read_win_profile_string("intl", key, def, out, size);
}

char ReadSeparator(const char* key, char def) {
    char buf[kTextSize];
    const char text[2] = {def, 0};
    ReadSetting(key, text, buf, sizeof buf);
    return buf[0] ? buf[0] : def;
}

void DayNames(ScriptContext* ctx, char* out, std::size_t size) {
    if (LoadMessage(ctx, kMsgDayNames, out, size) < 21)
        CopyBounded(nullptr, out, kDefaultDayNames, size);
}

} // namespace

// ----------------------------------------------------------- date-times

bool ParseDateTime(const char* text, DateTime* out, int* colons) {
    std::int64_t f[6] = {};
    int digits[6] = {};
    int field = 0;
    bool after_colon = false;
    if (colons) *colons = 0;
    if (!text) return false;
    for (const char* p = text; *p; ++p) {
        if (*p == ':') {
            if (after_colon || field == 5) return false;
            after_colon = true;
            ++field;
            continue;
        }
        if (*p < '0' || *p > '9') return false;
        after_colon = false;
        f[field] = f[field] * 10 + (*p - '0');
        if (f[field] > 0x7FFFFFFF) return false;
        ++digits[field];
    }
    if (field != 2 && field != 5) return false;
    if (colons) *colons = field;
    out->year = static_cast<std::int32_t>(f[0]);
    out->month = static_cast<std::int32_t>(f[1]);
    out->day = static_cast<std::int32_t>(f[2]);
    out->hour = static_cast<std::int32_t>(f[3]);
    out->minute = static_cast<std::int32_t>(f[4]);
    out->second = static_cast<std::int32_t>(f[5]);
    out->year_digits = digits[0];
    return true;
}

bool CheckDateTime(DateTime* dt, bool check_time) {
    if (check_time) {
        if (dt->hour == 24) dt->hour = 0;
        if (dt->hour > 24 || dt->minute >= 60 || dt->second >= 60) return false;
    }
    if (dt->day == 0 || dt->month < 1 || dt->month > 12 || dt->year_digits > 4) return false;
    if (dt->year_digits == 1 || dt->year_digits == 2) dt->year += dt->year < 50 ? 2000 : 1900;
    return dt->day <= MonthLength(dt->year, dt->month);
}

bool ReadDateTime(const char* text, DateTime* out) {
    int colons = 0;
    return ParseDateTime(text, out, &colons) && CheckDateTime(out, true);
}

bool IsLeapYear(std::int64_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int MonthLength(std::int64_t year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::int64_t DayNumber(std::int64_t year, std::int64_t month, std::int64_t day) {
    std::int64_t m9 = month + 9;
    std::int64_t y = year + m9 / 12 + 399; // counted from March, plus 400
    return ((m9 % 12) * 153 + 2) / 5 + day + 365 * y + y / 4 - y / 100 + y / 400 - 146037;
}

void DayNumberToDate(std::int64_t n, std::int32_t* year, std::int32_t* month, std::int32_t* day) {
    std::int64_t y = ((5 * n + 730185) * 80) / 146097;
    std::int64_t d = n + 146037 - 365 * y - y / 4 + y / 100 - y / 400;
    std::int64_t len = (y + 1) % 4 == 0 ? 366 : 365;
    std::int64_t yr = y + d / len;
    d %= len;
    if (d == 0) {
        d = yr % 4 == 0 ? 366 : 365;
        --yr;
    }
    std::int64_t e = 5 * d - 3;
    std::int64_t k = e / 153;
    *month = static_cast<std::int32_t>((k + 2) % 12 + 1);
    *day = static_cast<std::int32_t>((e % 153) / 5 + 1);
    std::int64_t full = (yr + (k + 2) / 12 - 400) % 10000;
    if (full < 0) full += 10000;
    *year = static_cast<std::int32_t>(full);
}

bool AddDateTime(const DateTime& a, const DateTime& span, DateTime* out) {
    std::int64_t s = std::int64_t{a.second} + span.second;
    std::int64_t mi = std::int64_t{a.minute} + span.minute + s / 60;
    s %= 60;
    std::int64_t h = std::int64_t{a.hour} + span.hour + mi / 60;
    mi %= 60;
    std::int64_t d = std::int64_t{a.day} + span.day + h / 24;
    h %= 24;
    std::int64_t mo = std::int64_t{a.month} + span.month;
    std::int64_t y = std::int64_t{a.year} + span.year;
    if (mo > 12) {
        y += (mo - 1) / 12;
        mo = (mo - 1) % 12 + 1;
    }
    NormaliseDay(&y, &mo, &d);
    return StoreDate(y, mo, d, h, mi, s, out);
}

bool SubtractDateTime(const DateTime& a, const DateTime& span, DateTime* out) {
    std::int64_t s = std::int64_t{a.second} - span.second;
    std::int64_t borrow = FloorDiv(s, 60);
    s -= borrow * 60;
    std::int64_t mi = std::int64_t{a.minute} - span.minute + borrow;
    borrow = FloorDiv(mi, 60);
    mi -= borrow * 60;
    std::int64_t h = std::int64_t{a.hour} - span.hour + borrow;
    borrow = FloorDiv(h, 24);
    h -= borrow * 24;
    std::int64_t d = std::int64_t{a.day} - span.day + borrow;
    std::int64_t mo = std::int64_t{a.month} - span.month;
    std::int64_t y = std::int64_t{a.year} - span.year;
    if (mo < 1) {
        borrow = FloorDiv(mo - 1, 12);
        y += borrow;
        mo -= borrow * 12;
    }
    NormaliseDay(&y, &mo, &d);
    return StoreDate(y, mo, d, h, mi, s, out);
}

char* FormatDateTime(const DateTime& dt, bool four_digit_years, char* out) {
    if (four_digit_years)
        std::snprintf(out, kDateTimeTextSize, "%04d:%02d:%02d:%02d:%02d:%02d", dt.year, dt.month,
                      dt.day, dt.hour, dt.minute, dt.second);
    else
        std::snprintf(out, kDateTimeTextSize, "%02d:%02d:%02d:%02d:%02d:%02d", dt.year % 100,
                      dt.month, dt.day, dt.hour, dt.minute, dt.second);
    return out;
}

DateTime DateTimeOf(const plat::LocalTime& t) {
    DateTime dt;
    dt.year = t.year;
    dt.month = t.month;
    dt.day = t.day;
    dt.hour = t.hour;
    dt.minute = t.minute;
    dt.second = t.second;
    dt.year_digits = 4;
    return dt;
}

// ------------------------------------------------------------- waiting

bool IsEarlier(const DateTime& a, const DateTime& b) {
    const std::int32_t x[6] = {a.year, a.month, a.day, a.hour, a.minute, a.second};
    const std::int32_t y[6] = {b.year, b.month, b.day, b.hour, b.minute, b.second};
    for (int i = 0; i < 6; ++i)
        if (x[i] != y[i]) return x[i] < y[i];
    return false;
}

bool WaitTarget(const char* text, const plat::LocalTime& now, DateTime* target) {
    DateTime dt;
    int colons = 0;
    if (!ParseDateTime(text, &dt, &colons) || colons != 5) return false;
    if (dt.year != 0 || dt.month != 0 || dt.day != 0) {
        if (!CheckDateTime(&dt, true)) return false;
        *target = dt;
        return true;
    }
    if (dt.hour == 24) dt.hour = 0;
    if (dt.hour > 24 || dt.minute >= 60 || dt.second >= 60) return false;
    DateTime today = DateTimeOf(now);
    today.hour = dt.hour;
    today.minute = dt.minute;
    today.second = dt.second;
    const std::int32_t wanted = dt.hour * 3600 + dt.minute * 60 + dt.second;
    if (wanted < SecondsToday(now)) {
        DateTime one_day;
        one_day.day = 1;
        return AddDateTime(today, one_day, target);
    }
    *target = today;
    return true;
}

void WaitUntil(ScriptContext* ctx, const DateTime& target) {
    for (;;) {
        if (ctx->exclusive)
            PumpMessagesExclusive(ctx);
        else
            PumpMessages(ctx);
        if (ctx->cancel) return;
        if (!IsEarlier(DateTimeOf(plat::local_time()), target)) return;
        plat::sleep_ms(100);
    }
}

// ------------------------------------------------------ display forms

IntlSettings ReadIntlSettings() {
    IntlSettings s;
    char buf[kTextSize];
    ReadSetting("iDate", "0", buf, sizeof buf);
    s.idate = ParseIntegerText(buf);
    ReadSetting("iTime", "0", buf, sizeof buf);
    s.itime = ParseIntegerText(buf);
    s.sdate = ReadSeparator("sDate", '/');
    s.stime = ReadSeparator("sTime", ':');
    ReadSetting("s1159", "AM", buf, sizeof buf);
    CopyBounded(nullptr, s.s1159, buf, sizeof s.s1159);
    ReadSetting("s2359", "PM", buf, sizeof buf);
    CopyBounded(nullptr, s.s2359, buf, sizeof s.s2359);
    return s;
}

namespace {

// The three date fields in the iDate order; the year as two digits.
void DateOrder(int idate, int year2, int month, int day, int f[3]) {
    if (idate == 1) {
        f[0] = day, f[1] = month, f[2] = year2;
    } else if (idate == 2) {
        f[0] = year2, f[1] = month, f[2] = day;
    } else {
        f[0] = month, f[1] = day, f[2] = year2;
    }
}

} // namespace

void FormatDisplayTime(const IntlSettings& intl, const plat::LocalTime& t, const char* day_names,
                       char* out, std::size_t out_size) {
    if (!day_names || std::strlen(day_names) < 21) day_names = kDefaultDayNames;
    const int wd = t.weekday >= 0 && t.weekday <= 6 ? t.weekday : 0;
    int f[3];
    DateOrder(intl.idate, t.year % 100, t.month, t.day, f);
    int hour = t.hour;
    if (intl.itime == 0) hour = hour % 12 == 0 ? 12 : hour % 12;
    std::snprintf(out, out_size, "%.3s %2d%c%02d%c%02d %2d%c%02d%c%02d %s", day_names + 3 * wd,
                  f[0], intl.sdate, f[1], intl.sdate, f[2], hour, intl.stime, t.minute, intl.stime,
                  t.second, t.hour < 12 ? intl.s1159 : intl.s2359);
}

void FormatExactTime(char stime, const plat::LocalTime& t, char* out, std::size_t out_size) {
    std::snprintf(out, out_size, "%02d%c%02d%c%02d%c%02d", t.hour, stime, t.minute, stime, t.second,
                  stime, t.millisecond / 10);
}

// ----------------------------------------------------------- file times

DateTime PackedToDateTime(std::uint16_t date, std::uint16_t time) {
    DateTime dt;
    dt.year = 1980 + (date >> 9);
    dt.month = (date >> 5) & 15;
    dt.day = date & 31;
    dt.hour = time >> 11;
    dt.minute = (time >> 5) & 63;
    dt.second = (time & 31) * 2;
    dt.year_digits = 4;
    return dt;
}

void FormatFileTime(const IntlSettings& intl, std::uint16_t date, std::uint16_t time, char* out,
                    std::size_t out_size) {
    const int year2 = ((date >> 9) + 80) % 100;
    int f[3];
    DateOrder(intl.idate, year2, (date >> 5) & 15, date & 31, f);
    const int h = time >> 11;
    int hour = h;
    if (intl.itime == 0) {
        if (h == 0 || h == 12 || h == 24)
            hour = 12;
        else if (h > 12)
            hour = h - 12;
    }
    std::snprintf(out, out_size, "%2d%c%02d%c%02d  %2d%c%02d%s", f[0], intl.sdate, f[1], intl.sdate,
                  f[2], hour, intl.stime, (time >> 5) & 63, h < 12 ? intl.s1159 : intl.s2359);
}

bool FileTimeText(const char* path, char* out, std::size_t out_size) {
    std::uint16_t date = 0, time = 0;
    if (!plat::file_write_time_packed(path, &date, &time)) return false;
    FormatFileTime(ReadIntlSettings(), date, time, out, out_size);
    return true;
}

int SetFileWriteTime(ScriptContext* ctx, const char* path, const DateTime& dt) {
    plat::LocalTime local;
    local.year = dt.year;
    local.month = dt.month;
    local.day = dt.day;
    local.hour = dt.hour;
    local.minute = dt.minute;
    local.second = dt.second;
    std::uint32_t code = 0;
    const plat::FileTimeResult r = plat::set_file_write_time(path, local, &code);
    if (r == plat::FileTimeResult::Done) return 1;
    if (r == plat::FileTimeResult::NoFile) return Raise(ctx, Err::FileTimeTouchMissing);
    // The conversion was refused: the box reports the system's code and
    // the file keeps its time, as there is no file time to set it to.
    char text[kIntegerTextSize];
    FormatInteger(static_cast<std::int32_t>(code), text, 10);
    ShowMessageBox(ctx, plat::get_focus(), text,
                   r == plat::FileTimeResult::LocalTimeFailed ? "LFTTFT Failed" : "STTFT Failed",
                   plat::mb::Ok);
    return 0;
}

int SetFileWriteTimeText(ScriptContext* ctx, const char* path, const char* text) {
    DateTime dt;
    if (!ReadDateTime(text, &dt)) return Raise(ctx, Err::TimeDiffBad);
    return SetFileWriteTime(ctx, path, dt);
}

int TouchFileTime(ScriptContext* ctx, const char* path) {
    return SetFileWriteTime(ctx, path, DateTimeOf(plat::local_time()));
}

// --------------------------------------------------------------- Random

std::int32_t NextRandom(std::uint32_t* state, std::int32_t maximum, std::uint32_t ticks,
                        std::int32_t seconds_today) {
    if (maximum <= 0) return 0;
    const std::uint32_t v = ticks + 13497u * *state;
    *state += v;
    const auto x = static_cast<std::int32_t>(v + static_cast<std::uint32_t>(seconds_today));
    std::int64_t r = std::int64_t{x} % (std::int64_t{maximum} + 1);
    return static_cast<std::int32_t>(r < 0 ? -r : r);
}

// ------------------------------------------------------------- handlers

namespace {

namespace id = time_id;

int FnTimeAddSubtract(ScriptContext* ctx, int id, Value& result, Value* args) {
    const Err code = id == id::TimeAdd ? Err::TimeAddFailed : Err::TimeSubtractFailed;
    DateTime a, span, r;
    int colons = 0;
    if (!ReadDateTime(ArgText(ctx, args[1]), &a) ||
        !ParseDateTime(ArgText(ctx, args[2]), &span, &colons))
        return Raise(ctx, code);
    const bool ok = id == id::TimeAdd ? AddDateTime(a, span, &r) : SubtractDateTime(a, span, &r);
    if (!ok) return Raise(ctx, code);
    char text[kDateTimeTextSize];
    return ResultCopy(ctx, result, FormatDateTime(r, FourDigitYears(ctx), text));
}

int FnTimeDiff(ScriptContext* ctx, int id, Value& result, Value* args) {
    DateTime a, b;
    if (!ReadDateTime(ArgText(ctx, args[1]), &a) || !ReadDateTime(ArgText(ctx, args[2]), &b))
        return Raise(ctx, Err::TimeDiffBad);
    const std::int64_t days = DayNumber(a.year, a.month, a.day) - DayNumber(b.year, b.month, b.day);
    if (id == id::TimeDiffDays) {
        result.i = static_cast<std::int32_t>(days);
        return 1;
    }
    if (days > kMaxDiffDays || days < -kMaxDiffDays) return Raise(ctx, Err::TimeDiffRange);
    result.i = static_cast<std::int32_t>(
        ((days * 24 + a.hour - b.hour) * 60 + a.minute - b.minute) * 60 + a.second - b.second);
    return 1;
}

int FnTimeJulianDay(ScriptContext* ctx, int, Value& result, Value* args) {
    DateTime dt;
    int colons = 0;
    if (!ParseDateTime(ArgText(ctx, args[1]), &dt, &colons) || !CheckDateTime(&dt, false))
        return Raise(ctx, Err::TimeAddBad);
    result.i = static_cast<std::int32_t>(DayNumber(dt.year, dt.month, dt.day));
    return 1;
}

int FnTimeJulToYmd(ScriptContext* ctx, int, Value& result, Value* args) {
    if (args[1].i < 1) return Raise(ctx, Err::TimeJulToYmdBad);
    DateTime dt;
    DayNumberToDate(args[1].i, &dt.year, &dt.month, &dt.day);
    char text[kDateTimeTextSize];
    return ResultCopy(ctx, result, FormatDateTime(dt, FourDigitYears(ctx), text));
}

int FnTimeYmdHms(ScriptContext* ctx, int, Value& result, Value*) {
    char text[kDateTimeTextSize];
    return ResultCopy(ctx, result,
                      FormatDateTime(DateTimeOf(plat::local_time()), FourDigitYears(ctx), text));
}

int FnTimeDate(ScriptContext* ctx, int, Value& result, Value*) {
    char names[kTextSize];
    DayNames(ctx, names, sizeof names);
    char text[kTextSize];
    FormatDisplayTime(ReadIntlSettings(), plat::local_time(), names, text, sizeof text);
    return ResultCopy(ctx, result, text);
}

int FnGetExactTime(ScriptContext* ctx, int, Value& result, Value*) {
    char text[kTextSize];
    FormatExactTime(ReadSeparator("sTime", ':'), plat::local_time(), text, sizeof text);
    return ResultCopy(ctx, result, text);
}

int FnGetTickCount(ScriptContext*, int, Value& result, Value*) {
    result.i = static_cast<std::int32_t>(plat::tick_count());
    return 1;
}

int FnTimeWait(ScriptContext* ctx, int, Value& result, Value* args) {
    DateTime target;
    if (!WaitTarget(ArgText(ctx, args[1]), plat::local_time(), &target))
        return Raise(ctx, Err::TimeWaitFormat);
    WaitUntil(ctx, target);
    result.i = 1;
    return 1;
}

int FnTimeDelay(ScriptContext* ctx, int, Value& result, Value* args) {
    const double seconds = (args[1].flags & vf::Float) ? args[1].f : args[1].i;
    // A negative, huge or undefined count has no target time.
    if (!(seconds >= 0.0) || seconds > 2147483647.0) return Raise(ctx, Err::TimeDelay);
    const double whole = std::floor(seconds);
    const int ms = static_cast<int>((seconds - whole) * 1000.0);
    DateTime span, target;
    span.second = static_cast<std::int32_t>(whole);
    if (!AddDateTime(DateTimeOf(plat::local_time()), span, &target))
        return Raise(ctx, Err::TimeDelay);
    WaitUntil(ctx, target);
    if (ms >= 100 && !ctx->cancel) plat::sleep_ms(static_cast<unsigned>(ms));
    result.i = 1;
    return 1;
}

int FnRandom(ScriptContext* ctx, int, Value& result, Value* args) {
    result.i = NextRandom(&ctx->random_state, args[1].i, plat::tick_count(),
                          SecondsToday(plat::local_time()));
    return 1;
}

int FnFileTime(ScriptContext* ctx, int id, Value& result, Value* args) {
    std::uint16_t date = 0, time = 0;
    if (!plat::file_write_time_packed(ArgText(ctx, args[1]), &date, &time))
        return Raise(ctx, Err::FileTimeGetMissing);
    if (id == id::FileTimeCode) {
        result.i = static_cast<std::int32_t>((std::uint32_t{date} << 16) | time);
        return 1;
    }
    char text[kTextSize];
    if (id == id::FileTimeGet)
        FormatFileTime(ReadIntlSettings(), date, time, text, sizeof text);
    else
        FormatDateTime(PackedToDateTime(date, time), FourDigitYears(ctx), text);
    return ResultCopy(ctx, result, text);
}

// FileTimeSet and FileTimeTouch walk a file list; each file gets the time
// (the date-time text is checked again for each one). The first file that
// fails stops the walk with its error.
struct TimeSetWalk {
    const char* text; // null: the present time, read for each file
    int result;
};

bool SetOneFileTime(ScriptContext* ctx, const char* full_name, void* data) {
    auto* w = static_cast<TimeSetWalk*>(data);
    w->result =
        w->text ? SetFileWriteTimeText(ctx, full_name, w->text) : TouchFileTime(ctx, full_name);
    return w->result == 1;
}

int FnFileTimeSet(ScriptContext* ctx, int id, Value& result, Value* args) {
    TimeSetWalk w{id == id::FileTimeSet ? ArgText(ctx, args[2]) : nullptr, 1};
    if (!WalkFileList(ctx, ArgText(ctx, args[1]), Wildcards::Expand, SetOneFileTime, &w))
        w.result = 0;
    result.i = w.result;
    return w.result;
}

constexpr ModuleFunction kFunctions[] = {
    {"datetime", FnTimeDate, 0},
    {"delay", FnTimeDelay, 0},
    {"filetimecode", FnFileTime, 0},
    {"filetimeget", FnFileTime, 0},
    {"filetimeset", FnFileTimeSet, 0},
    {"filetimetouch", FnFileTimeSet, 0},
    {"fileymdhms", FnFileTime, 0},
    {"getexacttime", FnGetExactTime, 0},
    {"gettickcount", FnGetTickCount, 0},
    {"random", FnRandom, 0},
    {"timeadd", FnTimeAddSubtract, trait::Pure},
    {"timedate", FnTimeDate, 0},
    {"timedelay", FnTimeDelay, 0},
    {"timediffdays", FnTimeDiff, trait::Pure},
    {"timediffsecs", FnTimeDiff, trait::Pure},
    {"timejulianday", FnTimeJulianDay, trait::Pure},
    {"timejultoymd", FnTimeJulToYmd, trait::Pure},
    {"timesubtract", FnTimeAddSubtract, trait::Pure},
    {"timewait", FnTimeWait, 0},
    {"timeymdhms", FnTimeYmdHms, 0},
};

} // namespace

const Module kTimeModule = MakeModule("time", kFunctions);

} // namespace jol
