#include "page/RobotsTxt.h"

#include "platform/TextSearch.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr std::string_view Blanks = " \t";
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view RobotsPath = "/robots.txt";

bool isTokenChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '-';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool isUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
        || c == '.' || c == '_' || c == '~';
}

void appendEscape(std::string& out, unsigned char c)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    out += '%';
    out += Hex[c >> 4];
    out += Hex[c & 0x0F];
}

// "*" alone (or followed by blanks and more words) names every crawler.
bool namesEveryone(std::string_view value)
{
    return !value.empty() && value[0] == '*'
        && (value.size() == 1 || Blanks.find(value[1]) != std::string_view::npos);
}

// Seconds as digits with an optional decimal part; anything else is no delay.
std::optional<double> parseDelay(std::string_view value)
{
    const auto digitsAt = [&](std::size_t from) {
        std::size_t end = from;
        while (end < value.size() && value[end] >= '0' && value[end] <= '9')
            ++end;
        return end;
    };
    const std::size_t whole = digitsAt(0);
    std::size_t end = whole;
    if (end < value.size() && value[end] == '.')
        end = digitsAt(end + 1);
    if (end != value.size() || end == 0 || (whole == 0 && end == 1))
        return std::nullopt;
    double seconds = 0;
    const auto result = std::from_chars(
        value.data(), value.data() + value.size(), seconds, std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != value.data() + value.size())
        return std::nullopt;
    return seconds;
}

// The longest proper border of each prefix of `needle`: where a linear search
// resumes after a mismatch instead of going back in the text.
std::vector<std::size_t> failureTable(const std::string& needle)
{
    std::vector<std::size_t> table(needle.size(), 0);
    std::size_t k = 0;
    for (std::size_t i = 1; i < needle.size(); ++i) {
        while (k > 0 && needle[i] != needle[k])
            k = table[k - 1];
        if (needle[i] == needle[k])
            ++k;
        table[i] = k;
    }
    return table;
}

// The first `needle` in `text` at or after `from`, reading each byte of the
// text once; npos when there is none.
std::size_t findLinear(std::string_view text, std::size_t from, const std::string& needle,
    const std::vector<std::size_t>& table)
{
    if (needle.empty())
        return from;
    std::size_t k = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        while (k > 0 && text[i] != needle[k])
            k = table[k - 1];
        if (text[i] == needle[k])
            ++k;
        if (k == needle.size())
            return i + 1 - k;
    }
    return std::string_view::npos;
}

// Calls `onLine` with each line of `body`, without its end (CR, LF or CR LF).
// When `cut` says the body went on past its end, a last line without its end
// is left out: it may be a rule cut short.
template <typename F> void forEachLine(std::string_view body, bool cut, F&& onLine)
{
    std::size_t start = 0;
    while (start < body.size()) {
        const std::size_t end = body.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            if (!cut)
                onLine(body.substr(start));
            return;
        }
        onLine(body.substr(start, end - start));
        start = end + 1;
        if (body[end] == '\r' && start < body.size() && body[start] == '\n')
            ++start;
    }
}

// What one pass over the lines collects for one crawler.
struct TCollected
{
    std::vector<TRobotsTxt::TRule> Rules;
    std::optional<double> Delay;

    void addDelay(double seconds)
    {
        if (!Delay || seconds > *Delay)
            Delay = seconds;
    }
};

} // namespace

std::string_view ProductToken(std::string_view userAgent)
{
    std::size_t end = 0;
    while (end < userAgent.size() && isTokenChar(userAgent[end]))
        ++end;
    return userAgent.substr(0, end);
}

std::string NormalisePercentEncoding(std::string_view path)
{
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c == '%' && i + 2 < path.size() && hexValue(path[i + 1]) >= 0
            && hexValue(path[i + 2]) >= 0) {
            const auto value
                = static_cast<unsigned char>(hexValue(path[i + 1]) * 16 + hexValue(path[i + 2]));
            if (isUnreserved(value))
                out += static_cast<char>(value);
            else
                appendEscape(out, value);
            i += 2;
        } else if (c >= 0x80) {
            appendEscape(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

TRobotsTxt TRobotsTxt::AllowAll()
{
    return TRobotsTxt();
}

TRobotsTxt TRobotsTxt::DisallowAll()
{
    TRobotsTxt robots;
    robots.m_disallowAll = true;
    return robots;
}

TRobotsTxt TRobotsTxt::FromStatus(int statusCode, std::string_view body, std::string_view token)
{
    if (statusCode >= 200 && statusCode <= 299)
        return Parse(body, token);
    if (statusCode >= 300 && statusCode <= 499)
        return AllowAll();
    return DisallowAll();
}

TRobotsTxt TRobotsTxt::Parse(std::string_view body, std::string_view token)
{
    const bool cut = body.size() > MaxBytes;
    body = body.substr(0, MaxBytes);
    if (body.starts_with(ByteOrderMark))
        body.remove_prefix(ByteOrderMark.size());

    TCollected named;
    TCollected everyone;
    bool namedFound = false;
    bool inGroup = false; // a user-agent line has been seen
    bool groupHasRules = false; // the next user-agent line starts a new group
    bool forUs = false;
    bool forEveryone = false;

    forEachLine(body, cut, [&](std::string_view line) {
        line = line.substr(0, line.find('#'));
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            return;
        const std::string_view name = Trim(line.substr(0, colon), Blanks);
        const std::string_view value = Trim(line.substr(colon + 1), Blanks);

        if (EqualNoCase(name, "user-agent")) {
            if (groupHasRules)
                forUs = forEveryone = groupHasRules = false;
            inGroup = true;
            const std::string_view valueToken = ProductToken(value);
            if (!valueToken.empty() && EqualNoCase(valueToken, token)) {
                forUs = true;
                namedFound = true;
            }
            if (namesEveryone(value))
                forEveryone = true;
        } else if (EqualNoCase(name, "allow") || EqualNoCase(name, "disallow")) {
            if (!inGroup)
                return;
            groupHasRules = true;
            // An empty path forbids nothing and allows what is allowed anyway.
            if (value.empty())
                return;
            TRule rule { EqualNoCase(name, "allow"), NormalisePercentEncoding(value) };
            if (rule.Pattern[0] != '/' && rule.Pattern[0] != '*')
                rule.Pattern.insert(0, 1, '/');
            if (forUs)
                named.Rules.push_back(rule);
            if (forEveryone)
                everyone.Rules.push_back(std::move(rule));
        } else if (EqualNoCase(name, "crawl-delay") && inGroup) {
            if (const auto seconds = parseDelay(value)) {
                if (forUs)
                    named.addDelay(*seconds);
                if (forEveryone)
                    everyone.addDelay(*seconds);
            }
        }
    });

    TCollected& chosen = namedFound ? named : everyone;
    TRobotsTxt robots;
    robots.m_crawlDelay = chosen.Delay;
    robots.m_rules = std::move(chosen.Rules);
    std::stable_sort(
        robots.m_rules.begin(), robots.m_rules.end(), [](const TRule& a, const TRule& b) {
            if (a.Pattern.size() != b.Pattern.size())
                return a.Pattern.size() > b.Pattern.size();
            return a.Allow && !b.Allow;
        });
    robots.m_patterns.reserve(robots.m_rules.size());
    for (const TRule& rule : robots.m_rules)
        robots.m_patterns.push_back(compile(rule.Pattern));
    return robots;
}

TRobotsTxt::TPattern TRobotsTxt::compile(const std::string& pattern)
{
    TPattern compiled;
    std::string_view rest = pattern;
    // Only a final '$' anchors; elsewhere it is an ordinary byte.
    if (rest.ends_with('$')) {
        compiled.AnchoredAtEnd = true;
        rest.remove_suffix(1);
    }
    for (;;) {
        const std::size_t star = rest.find('*');
        compiled.Segments.emplace_back(rest.substr(0, star));
        compiled.Tables.push_back(compiled.Segments.size() == 1
                ? std::vector<std::size_t>()
                : failureTable(compiled.Segments.back()));
        if (star == std::string_view::npos)
            break;
        rest.remove_prefix(star + 1);
    }
    return compiled;
}

// Each segment is placed at its first occurrence after the one before: the
// leftmost place leaves the most room for the rest, so no other placement
// needs trying. Only an anchored last segment is pinned to the end instead.
bool TRobotsTxt::matches(const TPattern& pattern, std::string_view path)
{
    const std::string& head = pattern.Segments.front();
    if (!path.starts_with(head))
        return false;
    std::size_t at = head.size();
    const std::size_t last = pattern.Segments.size() - 1;
    if (last == 0)
        return !pattern.AnchoredAtEnd || at == path.size();
    for (std::size_t i = 1; i < last; ++i) {
        const std::size_t found = findLinear(path, at, pattern.Segments[i], pattern.Tables[i]);
        if (found == std::string_view::npos)
            return false;
        at = found + pattern.Segments[i].size();
    }
    const std::string& tail = pattern.Segments[last];
    if (pattern.AnchoredAtEnd)
        return path.size() - at >= tail.size() && path.ends_with(tail);
    return findLinear(path, at, tail, pattern.Tables[last]) != std::string_view::npos;
}

bool TRobotsTxt::IsAllowed(std::string_view pathAndQuery) const
{
    const std::string path = NormalisePercentEncoding(pathAndQuery.empty() ? "/" : pathAndQuery);
    if (path == RobotsPath)
        return true;
    if (m_disallowAll)
        return false;
    for (std::size_t i = 0; i < m_rules.size(); ++i) {
        if (matches(m_patterns[i], path))
            return m_rules[i].Allow;
    }
    return true;
}
