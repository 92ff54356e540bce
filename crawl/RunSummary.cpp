#include "crawl/RunSummary.h"

#include <cstdio>

namespace {

std::string plural(long long count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string duration(std::chrono::milliseconds time)
{
    const long long ms = time.count();
    char text[32];
    if (ms < 60000)
        std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000);
    else
        std::snprintf(text, sizeof text, "%lld min %lld s", ms / 60000, ms % 60000 / 1000);
    return text;
}

// The entry of the domain extensions that admits `site`: its port for a
// site on a port of its own, else its host.
std::string admittingEntry(const std::string& site)
{
    const std::size_t colon = site.rfind(':');
    return colon == std::string::npos ? site : site.substr(colon);
}

} // namespace

void TRunSummary::Count(const TPageReport& report)
{
    ++pages;
    ++outcomes[report.outcome];
}

std::vector<std::string> SummaryLines(const TRunSummary& s)
{
    const int leftOut = s.pages - s.Written();
    std::string counts = "Run ended: " + plural(s.pages, "page", "pages") + " done in "
        + duration(s.time) + "; " + std::to_string(s.Written()) + " written, "
        + std::to_string(leftOut) + " left out; "
        + plural(static_cast<long long>(s.linksQueued), "link", "links") + " queued; "
        + plural(s.unanswered, "request", "requests") + " without an answer.";
    std::vector<std::string> lines { counts };
    if (leftOut > 0) {
        std::string reasons = "Left out:";
        const char* comma = " ";
        for (int outcome = pgWritten + 1; outcome < PageOutcomeCount; ++outcome) {
            if (s.outcomes[outcome] == 0)
                continue;
            reasons += comma + std::to_string(s.outcomes[outcome]) + " "
                + PageOutcomeText(static_cast<TPageOutcome>(outcome));
            comma = ", ";
        }
        lines.push_back(reasons + ".");
    }
    if (!s.unmatchedSite.empty())
        lines.push_back("No link was queued: no domain extension on the Following page of the "
                        "options matches "
            + s.unmatchedSite + " (add \"" + admittingEntry(s.unmatchedSite) + "\").");
    return lines;
}
