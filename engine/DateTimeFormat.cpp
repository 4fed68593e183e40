// The date and time formatter of the date fields. Scanned token by token:
// a run of one letter is one token (at most as long as the longest form of
// that letter; the rest of a longer run starts the next token).

#include "engine/DateTimeFormat.h"

#include "platform/Win1252.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace quillet {

namespace {

LocalDateTime (*gSource)() = nullptr;

uint8_t lower(char c) { return asciiLower(uint8_t(c)); }

std::string number(int32_t v, int32_t width)
{
    std::string s = std::to_string(v);
    if (int32_t(s.size()) < width) s.insert(0, size_t(width - int32_t(s.size())), '0');
    return s;
}

// "am/pm" at `i`, in either case.
bool ampmAt(std::string_view f, size_t i)
{
    if (f.size() - i < 5) return false;
    return lower(f[i]) == 'a' && lower(f[i + 1]) == 'm' && f[i + 2] == '/' && lower(f[i + 3]) == 'p' &&
           lower(f[i + 4]) == 'm';
}

// Whether the format holds an "am/pm" outside quotes: then hours count 1..12.
bool usesTwelveHours(std::string_view f)
{
    char quote = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        if (quote) {
            if (f[i] == quote) quote = 0;
        } else if (f[i] == '"' || f[i] == '\'') {
            quote = f[i];
        } else if (ampmAt(f, i)) {
            return true;
        }
    }
    return false;
}

char withCaseOf(char written, char letter)
{
    return written >= 'A' && written <= 'Z' ? char(asciiUpper(uint8_t(letter))) : letter;
}

LocalDateTime clamped(LocalDateTime t)
{
    t.Year = std::clamp(t.Year, 0, 9999);
    t.Month = std::clamp(t.Month, 1, 12);
    t.Day = std::clamp(t.Day, 1, 31);
    t.DayOfWeek = std::clamp(t.DayOfWeek, 0, 6);
    t.Hour = std::clamp(t.Hour, 0, 23);
    t.Minute = std::clamp(t.Minute, 0, 59);
    t.Second = std::clamp(t.Second, 0, 60);
    t.Millisecond = std::clamp(t.Millisecond, 0, 999);
    return t;
}

DateTimeNames englishNames()
{
    DateTimeNames n;
    n.LongDays = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    n.LongMonths = {"January", "February", "March",     "April",   "May",      "June",
                    "July",    "August",   "September", "October", "November", "December"};
    for (size_t i = 0; i < 7; ++i) n.ShortDays[i] = n.LongDays[i].substr(0, 3);
    for (size_t i = 0; i < 12; ++i) n.ShortMonths[i] = n.LongMonths[i].substr(0, 3);
    return n;
}

std::string localeName(const char* pattern, const std::tm& tm, const std::string& fallback)
{
    char buf[128];
    const size_t n = std::strftime(buf, sizeof buf, pattern, &tm);
    if (n == 0) return fallback;
    // The locale gives its names in UTF-8 (ASCII reads the same); letters
    // the code page lacks are dropped.
    std::string ansi = utf8ToAnsi(std::string_view(buf, n));
    return ansi.empty() ? fallback : ansi;
}

DateTimeNames systemNames()
{
    const DateTimeNames& en = EnglishDateTimeNames();
    DateTimeNames n;
    std::tm tm{};
    tm.tm_year = 100;
    tm.tm_mday = 1;
    for (int i = 0; i < 7; ++i) {
        tm.tm_wday = i;
        n.ShortDays[size_t(i)] = localeName("%a", tm, en.ShortDays[size_t(i)]);
        n.LongDays[size_t(i)] = localeName("%A", tm, en.LongDays[size_t(i)]);
    }
    for (int i = 0; i < 12; ++i) {
        tm.tm_mon = i;
        n.ShortMonths[size_t(i)] = localeName("%b", tm, en.ShortMonths[size_t(i)]);
        n.LongMonths[size_t(i)] = localeName("%B", tm, en.LongMonths[size_t(i)]);
    }
    return n;
}

LocalDateTime systemNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&secs, &tm);
    LocalDateTime t;
    t.Year = tm.tm_year + 1900;
    t.Month = tm.tm_mon + 1;
    t.Day = tm.tm_mday;
    t.DayOfWeek = tm.tm_wday;
    t.Hour = tm.tm_hour;
    t.Minute = tm.tm_min;
    t.Second = tm.tm_sec;
    t.Millisecond = int32_t(ms < 0 ? ms + 1000 : ms);
    return t;
}

} // namespace

const DateTimeNames& EnglishDateTimeNames()
{
    static const DateTimeNames names = englishNames();
    return names;
}

const DateTimeNames& SystemDateTimeNames()
{
    static const DateTimeNames names = systemNames();
    return names;
}

LocalDateTime LocalNow() { return gSource ? gSource() : systemNow(); }
void SetDateTimeSource(LocalDateTime (*source)()) { gSource = source; }

std::string FormatDateTime(std::string_view f, const LocalDateTime& when, const DateTimeNames& names)
{
    const LocalDateTime t = clamped(when);
    const bool twelve = usesTwelveHours(f);
    std::string out;
    // The letter of the last token, for the minute rule of "m".
    uint8_t lastLetter = 0;
    size_t i = 0;
    while (i < f.size()) {
        const char c = f[i];
        if (c == '"' || c == '\'') {
            const size_t close = f.find(c, i + 1);
            const size_t end = close == std::string_view::npos ? f.size() : close;
            out.append(f.substr(i + 1, end - i - 1));
            i = end == f.size() ? end : end + 1;
            continue;
        }
        if (ampmAt(f, i)) {
            const bool pm = t.Hour >= 12;
            out += withCaseOf(f[i + (pm ? 3 : 0)], pm ? 'p' : 'a');
            out += withCaseOf(f[i + (pm ? 4 : 1)], 'm');
            lastLetter = 'a';
            i += 5;
            continue;
        }
        const uint8_t l = lower(c);
        size_t longest = 0;
        switch (l) {
        case 'd': case 'm': case 'y': longest = 4; break;
        case 'h': case 'n': case 's': longest = 2; break;
        case 'z': longest = 3; break;
        default: break;
        }
        if (longest == 0) {
            out += c;
            ++i;
            continue;
        }
        size_t run = 1;
        while (run < longest && i + run < f.size() && lower(f[i + run]) == l) ++run;
        if (l == 'z' && run == 2) run = 1;  // "z" or "zzz"
        if (l == 'y' && run == 3) run = 4;
        switch (l) {
        case 'd':
            if (run <= 2) out += number(t.Day, int32_t(run));
            else if (run == 3) out += names.ShortDays[size_t(t.DayOfWeek)];
            else out += names.LongDays[size_t(t.DayOfWeek)];
            break;
        case 'm':
            if (run <= 2 && lastLetter == 'h') out += number(t.Minute, int32_t(run));
            else if (run <= 2) out += number(t.Month, int32_t(run));
            else if (run == 3) out += names.ShortMonths[size_t(t.Month - 1)];
            else out += names.LongMonths[size_t(t.Month - 1)];
            break;
        case 'y':
            out += run <= 2 ? number(t.Year % 100, 2) : number(t.Year, 4);
            break;
        case 'h': {
            int32_t h = t.Hour;
            if (twelve) h = h % 12 == 0 ? 12 : h % 12;
            out += number(h, int32_t(run));
            break;
        }
        case 'n': out += number(t.Minute, int32_t(run)); break;
        case 's': out += number(t.Second, int32_t(run)); break;
        case 'z': out += number(t.Millisecond, run == 3 ? 3 : 1); break;
        default: break;
        }
        lastLetter = l;
        i += run;
    }
    return out;
}

} // namespace quillet
