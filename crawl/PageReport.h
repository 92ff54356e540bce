#pragma once

#include <string>

// What became of one page: written to the output, or the first reason it was not.
enum TPageOutcome {
    pgWritten, // accepted: log line, run-log count, output record and saved URL written
    pgNoIndex, // "Obey NOINDEX" checked and the page forbids indexing
    pgKeywordFilter, // the page holds an entry of the keyword filter
    pgNotTargeted, // the page holds no entry of the targeted list
    pgDomainFilter, // the page's site is on the domain filter list
    pgErrorPage, // the title holds an error-page word
    pgNoKeywords, // "Keywords Required" on and the page has no usable keywords tag
    pgBlankTitle, // the title field is blank
    pgHttpsOff, // an https:// page, or one relocating to https://, while HTTPS is off: not fetched
    pgSecureFailed // its secure connection failed or its body was cut short: nothing is kept
};

// Short English text for an outcome ("written", "blank title", "https is off", ...).
const char* PageOutcomeText(TPageOutcome outcome);

// One finished page, as reported to the front end.
struct TPageReport
{
    int done = 0; // pages done since the program started, this one included
    int left = 0; // URLs left in the work queue
    std::string url; // the URL as it stood in the queue
    std::string title; // the stripped title; empty for a page skipped for NOINDEX
    TPageOutcome outcome = pgWritten;
    // Why a secure page failed ("TLS: certificate verify failed: ...",
    // "proxy: HTTP/1.0 407 ..."); empty for every other outcome.
    std::string reason;
};

// What became of the page, for people: the outcome's text, or the reason a
// secure page failed.
std::string PageOutcomeText(const TPageReport& report);
