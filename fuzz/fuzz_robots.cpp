// A robots.txt and a request path: the first input line is the path, the rest
// the file. The decision equals that of a plain reference matcher (every
// placement of the wildcards tried) applied to the rules in the order they
// are kept; that order is longest first, an allow before a disallow of the
// same length; every pattern starts with '/' or '*'; robots.txt itself is
// always allowed; a Crawl-delay is a finite number of seconds, not negative.
#include "fuzz/FuzzCheck.h"
#include "page/RobotsTxt.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Reference matcher cost bound, in pattern bytes times path bytes.
constexpr std::size_t MaxReferenceWork = std::size_t(1) << 22;

// The set of path positions each pattern prefix can end at, widened at every
// '*': quadratic, and obviously right.
bool referenceMatches(std::string pattern, const std::string& path)
{
    const bool anchored = !pattern.empty() && pattern.back() == '$';
    if (anchored)
        pattern.pop_back();
    std::vector<char> reach(path.size() + 1, 0);
    reach[0] = 1;
    for (const char c : pattern) {
        std::vector<char> next(path.size() + 1, 0);
        bool seen = false;
        for (std::size_t i = 0; i <= path.size(); ++i) {
            seen = seen || reach[i];
            if (c == '*')
                next[i] = seen;
            else if (reach[i] && i < path.size() && path[i] == c)
                next[i + 1] = 1;
        }
        reach.swap(next);
    }
    if (anchored)
        return reach[path.size()] != 0;
    for (const char r : reach) {
        if (r)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string path = input.substr(0, newline);
    const std::string body = newline == std::string::npos ? "" : input.substr(newline + 1);

    const TRobotsTxt robots = TRobotsTxt::Parse(body, "Skelvo");
    const bool allowed = robots.IsAllowed(path);
    FUZZ_CHECK(robots.IsAllowed("/robots.txt"));
    if (const auto delay = robots.CrawlDelay())
        FUZZ_CHECK(std::isfinite(*delay) && *delay >= 0);

    const auto& rules = robots.Rules();
    std::size_t work = 0;
    for (std::size_t i = 0; i < rules.size(); ++i) {
        FUZZ_CHECK(!rules[i].Pattern.empty());
        FUZZ_CHECK(rules[i].Pattern[0] == '/' || rules[i].Pattern[0] == '*');
        if (i > 0) {
            const auto& before = rules[i - 1];
            FUZZ_CHECK(before.Pattern.size() > rules[i].Pattern.size()
                || (before.Pattern.size() == rules[i].Pattern.size()
                    && (before.Allow || !rules[i].Allow)));
        }
        work += (rules[i].Pattern.size() + 1) * (path.size() + 2);
    }
    if (work > MaxReferenceWork)
        return 0;

    const std::string compared = NormalisePercentEncoding(path.empty() ? "/" : path);
    bool want = true;
    if (compared != "/robots.txt") {
        for (const auto& rule : rules) {
            if (referenceMatches(rule.Pattern, compared)) {
                want = rule.Allow;
                break;
            }
        }
    }
    FUZZ_CHECK(allowed == want);
    return 0;
}
