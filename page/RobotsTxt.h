#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A site's robots.txt as it applies to one crawler: the rules of the groups
// that name its product token (or of the "*" groups when none does), matched
// against request paths. Parsing and matching are pure and cost time linear
// in the input: wildcards are matched greedily, one segment at a time, with a
// search that never re-reads the path.
class TRobotsTxt
{
public:
    // Only this much of a body is read; a line cut by the limit is dropped.
    static constexpr std::size_t MaxBytes = 500 * 1024;

    // One allow or disallow line, its path pattern in the compared form.
    struct TRule
    {
        bool Allow = false;
        std::string Pattern;
    };

    // Everything allowed: the site has no robots.txt (a 4xx answer).
    static TRobotsTxt AllowAll();

    // Everything but "/robots.txt" forbidden: the site could not be asked
    // (a 5xx answer, no connection, a timeout).
    static TRobotsTxt DisallowAll();

    // The rules of `body` for the crawler whose product token is `token`.
    static TRobotsTxt Parse(std::string_view body, std::string_view token);

    // The rules for a site that answered with `statusCode`: 2xx parses `body`,
    // 3xx (relocations not followed to the end) and 4xx allow everything,
    // anything else forbids everything. A fetch that got no answer at all
    // should use DisallowAll.
    static TRobotsTxt FromStatus(int statusCode, std::string_view body, std::string_view token);

    // True when `pathAndQuery` (the request path with its query; empty means
    // "/") may be fetched.
    bool IsAllowed(std::string_view pathAndQuery) const;

    // The Crawl-delay of the chosen groups in seconds (the largest when merged
    // groups give several); none when not given or not a number.
    std::optional<double> CrawlDelay() const { return m_crawlDelay; }

    // The chosen rules, longest pattern first, an allow before a disallow of
    // the same length: the order in which they decide.
    const std::vector<TRule>& Rules() const { return m_rules; }

private:
    struct TPattern
    {
        // The pattern split at its '*' wildcards; the first segment is a prefix.
        std::vector<std::string> Segments;
        // A failure table for each segment after the first.
        std::vector<std::vector<std::size_t>> Tables;
        bool AnchoredAtEnd = false;
    };

    static TPattern compile(const std::string& pattern);
    static bool matches(const TPattern& pattern, std::string_view path);

    bool m_disallowAll = false;
    std::vector<TRule> m_rules;
    std::vector<TPattern> m_patterns;
    std::optional<double> m_crawlDelay;
};

// The product token at the start of a user agent or a user-agent value: its
// leading letters, '_' and '-' ("Skelvo" for "Skelvo/1.5").
std::string_view ProductToken(std::string_view userAgent);

// `path` in the one form robots.txt paths are compared in: %XX of unreserved
// characters decoded, the hex digits of other escapes upper-cased, octets
// outside ASCII escaped.
std::string NormalisePercentEncoding(std::string_view path);
