#include "net/http/UrlRoutines.h"

#include "platform/TextSearch.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

// Fills host, port and credentials from the authority (the text before the path).
void splitAuthority(const std::string& authority, TUrlParts& parts)
{
    const auto colon = authority.rfind(':');
    const auto at = authority.rfind('@');
    std::string userPart;
    bool hasUserPart = false;
    if (colon == std::string::npos && at == std::string::npos) {
        parts.Host = authority;
        return;
    }
    if (colon != std::string::npos && (at == std::string::npos || colon > at)) {
        parts.Port = authority.substr(colon + 1);
        const std::size_t hostStart = at == std::string::npos ? 0 : at + 1;
        parts.Host = authority.substr(hostStart, colon - hostStart);
        if (at != std::string::npos) {
            userPart = authority.substr(0, at);
            hasUserPart = true;
        }
    } else {
        parts.Host = authority.substr(at + 1);
        userPart = authority.substr(0, at);
        hasUserPart = true;
    }
    if (!hasUserPart)
        return;
    const auto sep = userPart.find(':');
    if (sep == std::string::npos) {
        parts.User = userPart;
    } else {
        parts.User = userPart.substr(0, sep);
        parts.Password = userPart.substr(sep + 1);
    }
}

} // namespace

TUrlParts SplitUrl(const std::string& url)
{
    TUrlParts parts;
    if (url.empty())
        return parts;

    std::string rest;
    const auto sep = url.find("://");
    if (sep != std::string::npos) {
        parts.Scheme = url.substr(0, sep);
        rest = url.substr(sep + 3);
    } else if (url[0] == '/') {
        parts.Scheme = "http";
        // A single leading slash is a path on the current server; "//" starts
        // an authority-less remainder that is split like the rest.
        if (url.size() > 1 && url[1] != '/') {
            parts.Path = url;
            return parts;
        }
        rest = url.substr(1);
    } else if (LowerCase(url.substr(0, 5)) == "http:") {
        parts.Scheme = "http";
        if (url.size() > 6 && url[6] != '/') {
            parts.Path = url.substr(5);
            return parts;
        }
        rest = url.size() > 6 ? url.substr(6) : std::string();
    } else if (LowerCase(url.substr(0, 7)) == "mailto:") {
        parts.Scheme = "mailto";
        rest = url.substr(url.find(':') + 1);
    } else {
        rest = url;
    }

    const auto slash = rest.find('/');
    std::string authority = rest;
    if (slash != std::string::npos) {
        parts.Path = rest.substr(slash);
        authority = rest.substr(0, slash);
    }
    splitAuthority(authority, parts);
    return parts;
}

bool IsSecureScheme(const std::string& scheme)
{
    return EqualNoCase(scheme, "https");
}

std::string DefaultPort(bool secure)
{
    return secure ? "443" : "80";
}

std::string EncodeBase64(const std::string& bytes)
{
    static constexpr char Alphabet[]
        = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16
            | static_cast<unsigned char>(bytes[i + 1]) << 8
            | static_cast<unsigned char>(bytes[i + 2]);
        out += Alphabet[(v >> 18) & 63];
        out += Alphabet[(v >> 12) & 63];
        out += Alphabet[(v >> 6) & 63];
        out += Alphabet[v & 63];
    }
    const std::size_t left = bytes.size() - i;
    if (left > 0) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (left == 2)
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += Alphabet[(v >> 18) & 63];
        out += Alphabet[(v >> 12) & 63];
        out += left == 2 ? Alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

namespace {

constexpr std::chrono::sys_days Epoch
    = std::chrono::sys_days(std::chrono::year(1899) / std::chrono::December / 30);

} // namespace

std::string HttpDateText(TDateTime d)
{
    using namespace std::chrono;
    // The whole part counts days from the epoch (towards zero, so a date before
    // it keeps its day), the fraction's magnitude is the time of day.
    // Outside the years 1 to 9999 the calendar has no meaning here: clamp.
    if (!std::isfinite(d))
        d = 0;
    d = std::clamp(d, -693593.0, 2958465.99999);
    const double whole = std::trunc(d);
    const sys_days day = Epoch + days(static_cast<long>(whole));
    long long ms = std::llround(std::fabs(d - whole) * 86400000.0);
    if (ms >= 86400000)
        ms = 86399999;
    const long long secs = ms / 1000;
    const year_month_day ymd(day);
    const unsigned weekday = std::chrono::weekday(day).iso_encoding(); // Monday is 1

    static constexpr char DayNames[] = "MonTueWedThuFriSatSun";
    static constexpr char MonthNames[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    char text[64];
    std::snprintf(text, sizeof text, "%.3s, %2.2u %.3s %4.4d %2.2lld:%2.2lld:%2.2lld",
        DayNames + (weekday - 1) * 3, static_cast<unsigned>(ymd.day()),
        MonthNames + (static_cast<unsigned>(ymd.month()) - 1) * 3, static_cast<int>(ymd.year()),
        secs / 3600, secs / 60 % 60, secs % 60);
    return text;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second)
{
    using namespace std::chrono;
    const sys_days date = sys_days(std::chrono::year(year) / month / day);
    const double daysSince = static_cast<double>((date - Epoch).count());
    return daysSince + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

std::string ReplaceExt(const std::string& name, const std::string& ext)
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos)
        return name + "." + ext;
    return name.substr(0, dot + 1) + ext;
}
