#pragma once

#include "crawl/PageReport.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

// What one crawl run did, for the summary shown at its end.
struct TRunSummary
{
    int pages = 0; // pages done by this run
    std::array<int, PageOutcomeCount> outcomes {}; // pages by outcome
    int requests = 0; // requests made, robots.txt and retries included
    int unanswered = 0; // requests that got no HTTP answer (no connection, no name, no time)
    std::size_t linksQueued = 0;
    std::chrono::milliseconds time {};
    // Set when "Follow Links" queued nothing although links were found whose
    // site no domain extension matched: the first such site ("host:port").
    std::string unmatchedSite;

    // Adds a finished page.
    void Count(const TPageReport& report);
    int Written() const { return outcomes[pgWritten]; }
    // True when requests were made and not one got an answer: the server or
    // the network is down.
    bool NoAnswer() const { return requests > 0 && unanswered == requests; }
};

// The summary as lines of text: the counts, the pages left out by reason,
// and the hint on the domain extensions when `unmatchedSite` is set.
std::vector<std::string> SummaryLines(const TRunSummary& summary);
