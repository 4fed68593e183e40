#pragma once
// The date and time format language of the date fields and the date and
// time dialogs: "d", "dd", "ddd", "dddd", "m".."mmmm", "yy", "yyyy", "h",
// "hh", "n", "nn", "s", "ss", "z", "zzz", "am/pm", quoted text, and every
// other character for itself. Letters are matched in either case; an "m"
// or "mm" right after an hour token (quoted text and other characters in
// between do not count) is the minute. Our own scanner, on purpose: the
// toolkit's formatter reads "m" as the minute and knows other tokens.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

struct LocalDateTime {
    int32_t Year = 2000;
    int32_t Month = 1;       // 1..12
    int32_t Day = 1;         // 1..31
    int32_t DayOfWeek = 6;   // 0 Sunday .. 6 Saturday
    int32_t Hour = 0;        // 0..23
    int32_t Minute = 0;
    int32_t Second = 0;
    int32_t Millisecond = 0;
};

// Day and month names in Windows-1252, Sunday first and January first.
struct DateTimeNames {
    std::array<std::string, 7> ShortDays;
    std::array<std::string, 7> LongDays;
    std::array<std::string, 12> ShortMonths;
    std::array<std::string, 12> LongMonths;
};

// English names, for tests and as the fallback of a locale without names.
const DateTimeNames& EnglishDateTimeNames();
// The system locale's names (read once), converted to Windows-1252.
const DateTimeNames& SystemDateTimeNames();

// `format` (Windows-1252) applied to `t`. Out-of-range values of `t` are
// pulled into their ranges first.
std::string FormatDateTime(std::string_view format, const LocalDateTime& t, const DateTimeNames& names);

// The local time now, to the millisecond. Tests put a fixed clock in place
// (null restores the system clock).
LocalDateTime LocalNow();
void SetDateTimeSource(LocalDateTime (*source)());

// The fixed formats of the date and time lists, in list order.
inline constexpr std::array<const char*, 8> kDateFormats = {
    "d.mmmm.yyyy", "d.mmmm.yy", "d.m.yy", "dd.mm.yyyy", "mmm.yy", "mmmm.yy", "yyyy-mm-dd", "yy-mm-dd"};
inline constexpr std::array<const char*, 4> kTimeFormats = {"HH:MM", "H:MM", "H \"Uhr\" M", "h:MM am/pm"};

} // namespace quillet
