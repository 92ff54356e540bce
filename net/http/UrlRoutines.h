#pragma once

#include <string>

// The HTTP client's own small routines: splitting a URL, a proxy text or a
// relocation target; Basic-credential Base64; the If-Modified-Since date text;
// changing a file name's extension. All are pure functions of their arguments.

// A point in time as days since 1899-12-30 00:00, the fraction being the time
// of day. 0 stands for "no date" wherever a date is optional.
using TDateTime = double;

// The six parts SplitUrl gives; each is empty unless the URL sets it.
struct TUrlParts
{
    std::string Scheme;
    std::string User;
    std::string Password;
    std::string Host;
    std::string Port;
    std::string Path;

    bool operator==(const TUrlParts&) const = default;
};

// Splits `url` by the client's rules (not a general URL grammar): the scheme,
// the credentials and port of the authority, and the path with any query.
TUrlParts SplitUrl(const std::string& url);

// True when `scheme` (as SplitUrl gives it) is "https" in any letter case: such
// a URL is fetched over TLS, and never as plain HTTP.
bool IsSecureScheme(const std::string& scheme);

// The port a URL names when it names none: "443" for a secure one, else "80".
std::string DefaultPort(bool secure);

// Standard padded Base64 (RFC 4648 alphabet) of `bytes`, without line breaks.
std::string EncodeBase64(const std::string& bytes);

// The date text of `d` as "Mon, 07 Dec 2026 04:05:06": no time-zone conversion,
// fractions of a second dropped.
std::string HttpDateText(TDateTime d);

// The TDateTime of a calendar date and time of day (no range checks beyond the calendar's).
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second);

// `name` with the text after its last "." replaced by `ext`; "." + `ext` appended
// when it has none.
std::string ReplaceExt(const std::string& name, const std::string& ext);
