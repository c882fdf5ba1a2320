// The time functions: the date-time string "YYYY:MM:DD:HH:MM:SS" (also the
// short form "YYYY:MM:DD"), its reading and checks, the serial day numbers
// behind differences and conversions, adding and subtracting date-times,
// waiting until a time, the display forms of the present time (by the
// user's international settings), the file times and Random.
//
// Reading a date-time string:
// - two colons in a row, any character other than a digit or a colon, or a
//   colon count other than 2 or 5 make it malformed; missing time fields of
//   the short form are 0; each field is a decimal number (one that does not
//   fit in 31 bits makes the string malformed);
// - the full check: an hour of 24 is 00 of the same day, else hours up to
//   23, minutes and seconds below 60; a day of at least 1 that exists in
//   its month; months 1 to 12; years of at most 4 digits, where a year
//   written with 1 or 2 digits below 50 is 20yy, else 19yy.
// Results are written "%02d" per field, with the year as four digits when
// four-digit years are on (IntControl 41), else as its last two digits.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dispatch/handler.h"
#include "platform/clock.h"

namespace jol {

// The keyword ids of the time functions.
namespace time_id {
constexpr int DateTime = 168;
constexpr int Delay = 178;
constexpr int FileTimeCode = 248;
constexpr int FileTimeGet = 249;
constexpr int FileTimeSet = 250;
constexpr int FileTimeTouch = 251;
constexpr int FileYmdHms = 254;
constexpr int GetExactTime = 258;
constexpr int GetTickCount = 259;
constexpr int Random = 317;
constexpr int TimeAdd = 396;
constexpr int TimeDate = 397;
constexpr int TimeDelay = 398;
constexpr int TimeDiffDays = 399;
constexpr int TimeDiffSecs = 400;
constexpr int TimeJulianDay = 401;
constexpr int TimeJulToYmd = 402;
constexpr int TimeSubtract = 403;
constexpr int TimeWait = 404;
constexpr int TimeYmdHms = 405;
} // namespace time_id

struct ScriptContext;

constexpr int kMsgDayNames = 207;            // "SunMonTueWedThuFriSat"
constexpr std::int32_t kMaxDiffDays = 22000; // TimeDiffSecs range

struct DateTime {
    std::int32_t year = 0, month = 0, day = 0;
    std::int32_t hour = 0, minute = 0, second = 0;
    int year_digits = 0; // digits the year was written with
};

// Buffer size for a date-time in the output form (with room for years of
// any 32-bit size).
constexpr std::size_t kDateTimeTextSize = 40;

// Reads the fields of a date-time string without checking their values;
// colons receives the colon count. False when it is malformed.
bool ParseDateTime(const char* text, DateTime* out, int* colons);
// The value checks: hour 24 as 0 and the time check (when check_time),
// then the date check with the two-digit-year expansion. False when a value
// is out of range.
bool CheckDateTime(DateTime* dt, bool check_time);
// ParseDateTime and the full check.
bool ReadDateTime(const char* text, DateTime* out);

bool IsLeapYear(std::int64_t year);
// Days of the month (1 to 12) in the year.
int MonthLength(std::int64_t year, int month);
// The serial day number of a date (0000-01-01 is day 1, 1970-01-01 day
// 719529, consecutive dates consecutive numbers).
std::int64_t DayNumber(std::int64_t year, std::int64_t month, std::int64_t day);
// The date of a day number n >= 1 (the year taken modulo 10000).
void DayNumberToDate(std::int64_t n, std::int32_t* year, std::int32_t* month, std::int32_t* day);

// a + span, fields added pairwise with carries. False when the result has
// no four-digit year.
bool AddDateTime(const DateTime& a, const DateTime& span, DateTime* out);
// a - span with borrows. False for a negative year.
bool SubtractDateTime(const DateTime& a, const DateTime& span, DateTime* out);

// The output form of dt; returns out.
char* FormatDateTime(const DateTime& dt, bool four_digit_years, char* out);

// The present local time as a date-time.
DateTime DateTimeOf(const plat::LocalTime& t);

// The date-time the wait of TimeWait ends at, from its text and the
// present time; false when the text is not a proper wait time. With year,
// month and day all 0 the time is of today, or of tomorrow when it is
// already past.
bool WaitTarget(const char* text, const plat::LocalTime& now, DateTime* target);
// True when a is earlier than b, comparing the fields from the year down.
bool IsEarlier(const DateTime& a, const DateTime& b);
// Waits until the local time reaches target, running the message pump
// every 100 ms; ends early when the script is cancelled.
void WaitUntil(ScriptContext* ctx, const DateTime& target);

// The international settings of the display forms (section INTL of the
// user's profile).
struct IntlSettings {
    int idate = 0; // 0 month-day-year, 1 day-month-year, 2 year-month-day
    int itime = 0; // 0 12-hour clock, 1 24-hour clock
    char sdate = '/';
    char stime = ':';
    char s1159[5] = "AM";
    char s2359[5] = "PM";
};
// Reads the settings now, each with its default when it is not set.
IntlSettings ReadIntlSettings();
// "Fri 12/05/97  9:07:03 AM": day name, date in the iDate order, time.
// day_names holds three letters per day from Sunday. out holds at least
// 40 bytes.
void FormatDisplayTime(const IntlSettings& intl, const plat::LocalTime& t, const char* day_names,
                       char* out, std::size_t out_size);
// "HH:MM:SS:hh" with hundredths, separated by the time separator.
void FormatExactTime(char stime, const plat::LocalTime& t, char* out, std::size_t out_size);

// File times, in the packed form of the file system.
DateTime PackedToDateTime(std::uint16_t date, std::uint16_t time);
// "12/05/97   9:07AM": the FileTimeGet form of a packed time.
void FormatFileTime(const IntlSettings& intl, std::uint16_t date, std::uint16_t time, char* out,
                    std::size_t out_size);
// The FileTimeGet text of a file, read with the present settings; false
// when the file cannot be opened.
bool FileTimeText(const char* path, char* out, std::size_t out_size);
// Sets the last-write time of one file to a checked date-time; 1 when it
// was set. Otherwise the file keeps its time and the result is 0: a file
// that cannot be opened for writing, or whose time the system does not
// set, raises FileTimeTouchMissing; a date the system cannot convert shows a box with the
// system's error code (raising no error).
int SetFileWriteTime(ScriptContext* ctx, const char* path, const DateTime& dt);
// SetFileWriteTime from a date-time text (its full check failing raises TimeDiffBad).
int SetFileWriteTimeText(ScriptContext* ctx, const char* path, const char* text);
// SetFileWriteTime with the present local time.
int TouchFileTime(ScriptContext* ctx, const char* path);

// The next number of Random for the maximum, from the state, the tick
// count and the seconds since midnight; advances the state.
std::int32_t NextRandom(std::uint32_t* state, std::int32_t maximum, std::uint32_t ticks,
                        std::int32_t seconds_today);

// The module record of TimeAdd, TimeSubtract, TimeDiffDays, TimeDiffSecs,
// TimeJulianDay, TimeJulToYmd, TimeYmdHms, TimeDate, DateTime, TimeWait,
// TimeDelay, Delay, GetTickCount, GetExactTime, Random, FileTimeGet,
// FileYmdHms and FileTimeCode.
extern const Module kTimeModule;

} // namespace jol
