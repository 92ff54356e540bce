#pragma once

#include <string>

// What became of one page: written to the output, or the first reason it was not.
enum TPageOutcome {
    pgWritten, // accepted: log line, run-log count, output record and saved URL written
    pgFetchFailed, // no usable answer: the server unreached or silent, or an error status
    pgRobots, // the site's robots.txt forbids the page: it was not fetched
    pgHttpsOff, // an https:// page while HTTPS is off: it was not fetched
    pgNoIndex, // "Obey NOINDEX" checked and the page forbids indexing
    pgKeywordFilter, // the page holds an entry of the keyword filter
    pgNotTargeted, // the page holds no entry of the targeted list
    pgDomainFilter, // the page's site is on the domain filter list
    pgErrorPage, // the title holds an error-page word
    pgNoKeywords, // "Keywords Required" on and the page has no usable keywords tag
    pgBlankTitle // the title field is blank
};

// The number of outcomes, for tables indexed by them.
inline constexpr int PageOutcomeCount = pgBlankTitle + 1;

// Short English text for an outcome ("written", "blank title", ...).
const char* PageOutcomeText(TPageOutcome outcome);

// One finished page, as reported to the front end.
struct TPageReport
{
    int done = 0; // pages done since the program started, this one included
    int left = 0; // URLs left in the work queue
    std::string url; // the URL as it stood in the queue
    std::string title; // the stripped title; empty for a page that was not analysed
    TPageOutcome outcome = pgWritten;
    // What the outcome is about: the status and reason phrase of a failed
    // fetch, the list entry or error-page word that refused the page.
    std::string detail;

    // The outcome's text followed by ": " and the detail when there is one
    // ("fetch failed: 404 Timed out", "keyword filter: CASINO").
    std::string Reason() const;
};
