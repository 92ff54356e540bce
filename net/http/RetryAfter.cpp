#include "net/http/RetryAfter.h"

#include "platform/TextSearch.h"

#include <array>
#include <limits>

namespace {

constexpr std::array<std::string_view, 7> DayNames
    = { "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun" };
constexpr std::array<std::string_view, 7> LongDayNames
    = { "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday" };
constexpr std::array<std::string_view, 12> MonthNames
    = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };

constexpr std::int64_t SecondsPerDay = 86400;

// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t year, int month, int day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const int shiftedMonth = month > 2 ? month - 3 : month + 9;
    const std::int64_t dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The calendar year `seconds` since 1970 fall in.
std::int64_t yearOf(std::int64_t seconds)
{
    const std::int64_t days
        = (seconds >= 0 ? seconds : seconds - SecondsPerDay + 1) / SecondsPerDay + 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra
        = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    // The year counted here starts in March.
    const bool janOrFeb = (5 * dayOfYear + 2) / 153 >= 10;
    return yearOfEra + era * 400 + janOrFeb;
}

int daysInMonth(std::int64_t year, int month)
{
    static constexpr int Days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : Days[month - 1];
}

// A date's fields as read; the year may still lack its century.
struct TDate
{
    std::int64_t Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

// Reads one of the fixed date layouts left to right; any byte out of place
// fails the whole reading.
class TDateReader
{
public:
    explicit TDateReader(std::string_view text)
        : m_text(text)
    { }

    bool Literal(std::string_view piece)
    {
        if (!m_text.substr(m_at).starts_with(piece))
            return false;
        m_at += piece.size();
        return true;
    }

    // Exactly `count` decimal digits.
    bool Digits(int count, int& value)
    {
        value = 0;
        for (int i = 0; i < count; ++i, ++m_at) {
            if (m_at >= m_text.size() || m_text[m_at] < '0' || m_text[m_at] > '9')
                return false;
            value = value * 10 + (m_text[m_at] - '0');
        }
        return true;
    }

    // One of `names`, its position in `index`.
    template <std::size_t N> bool Name(const std::array<std::string_view, N>& names, int& index)
    {
        for (std::size_t i = 0; i < N; ++i) {
            if (Literal(names[i])) {
                index = static_cast<int>(i);
                return true;
            }
        }
        return false;
    }

    bool Time(TDate& date)
    {
        return Digits(2, date.Hour) && Literal(":") && Digits(2, date.Minute) && Literal(":")
            && Digits(2, date.Second);
    }

    bool AtEnd() const { return m_at == m_text.size(); }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

// "Sun, 06 Nov 1994 08:49:37 GMT"
std::optional<TDate> readImfFixdate(std::string_view text)
{
    TDateReader in(text);
    TDate date;
    int ignored = 0;
    int year = 0;
    const bool read = in.Name(DayNames, ignored) && in.Literal(", ") && in.Digits(2, date.Day)
        && in.Literal(" ") && in.Name(MonthNames, date.Month) && in.Literal(" ")
        && in.Digits(4, year) && in.Literal(" ") && in.Time(date) && in.Literal(" GMT")
        && in.AtEnd();
    date.Year = year;
    return read ? std::optional<TDate>(date) : std::nullopt;
}

// "Sunday, 06-Nov-94 08:49:37 GMT": the year without its century.
std::optional<TDate> readRfc850(std::string_view text)
{
    TDateReader in(text);
    TDate date;
    int ignored = 0;
    int year = 0;
    const bool read = in.Name(LongDayNames, ignored) && in.Literal(", ") && in.Digits(2, date.Day)
        && in.Literal("-") && in.Name(MonthNames, date.Month) && in.Literal("-")
        && in.Digits(2, year) && in.Literal(" ") && in.Time(date) && in.Literal(" GMT")
        && in.AtEnd();
    date.Year = year;
    return read ? std::optional<TDate>(date) : std::nullopt;
}

// "Sun Nov  6 08:49:37 1994": a day below 10 is padded with a space.
std::optional<TDate> readAsctime(std::string_view text)
{
    TDateReader in(text);
    TDate date;
    int ignored = 0;
    int year = 0;
    const bool read = in.Name(DayNames, ignored) && in.Literal(" ")
        && in.Name(MonthNames, date.Month) && in.Literal(" ")
        && (in.Literal(" ") ? in.Digits(1, date.Day) : in.Digits(2, date.Day)) && in.Literal(" ")
        && in.Time(date) && in.Literal(" ") && in.Digits(4, year) && in.AtEnd();
    date.Year = year;
    return read ? std::optional<TDate>(date) : std::nullopt;
}

std::optional<std::int64_t> secondsOf(TDate date)
{
    ++date.Month; // read as an index
    if (date.Day < 1 || date.Day > daysInMonth(date.Year, date.Month) || date.Hour > 23
        || date.Minute > 59 || date.Second > 60)
        return std::nullopt;
    return daysFromCivil(date.Year, date.Month, date.Day) * SecondsPerDay + date.Hour * 3600
        + date.Minute * 60 + date.Second;
}

std::optional<std::int64_t> parseHttpDate(std::string_view text, std::int64_t now)
{
    if (const auto date = readImfFixdate(text))
        return secondsOf(*date);
    if (const auto date = readAsctime(text))
        return secondsOf(*date);
    auto date = readRfc850(text);
    if (!date)
        return std::nullopt;
    // A two-digit year is the one with those digits from 49 years back to 50
    // ahead: a date more than 50 years ahead is taken as the past one.
    const std::int64_t thisYear = yearOf(now);
    date->Year += thisYear - thisYear % 100;
    if (date->Year > thisYear + 50)
        date->Year -= 100;
    else if (date->Year < thisYear - 49)
        date->Year += 100;
    return secondsOf(*date);
}

std::optional<std::int64_t> parseDeltaSeconds(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    constexpr std::int64_t Largest = std::numeric_limits<std::int64_t>::max();
    std::int64_t seconds = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const int digit = c - '0';
        seconds = seconds > (Largest - digit) / 10 ? Largest : seconds * 10 + digit;
    }
    return seconds;
}

} // namespace

std::optional<std::int64_t> ParseRetryAfter(std::string_view value, std::int64_t now)
{
    value = Trim(value, " \t");
    if (const auto delta = parseDeltaSeconds(value))
        return delta;
    const auto date = parseHttpDate(value, now);
    if (!date)
        return std::nullopt;
    return *date > now ? *date - now : 0;
}
