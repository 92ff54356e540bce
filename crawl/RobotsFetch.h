#pragma once

#include "crawl/BodyStream.h"
#include "crawl/FetchAnswer.h"
#include "net/http/HttpProt.h"
#include "page/RobotsTxt.h"

#include <string>

class TTlsContext;
struct TSettings;

// The fetch of a site's robots.txt, on a client of its own so that the
// page's client keeps the header values of the page. What the answer means
// for the site: 2xx its rules, 4xx (also no end to the relocations) no rules,
// 5xx, no connection, no name or no time a site that may not be crawled.
class TRobotsFetch
{
public:
    // Relocations followed before the file is taken as missing.
    static constexpr int MaxRelocations = 5;

    // What became of one fetch.
    struct TResult
    {
        TRobotsTxt rules;
        bool answered = false; // some server answered
        // Why the whole site is forbidden ("503 Service Unavailable",
        // "404 Connection refused (Error #10061)"); empty when it is not.
        std::string unreachable;
    };

    TRobotsFetch();

    // Fetches `url` (a site's "/robots.txt") with the connection settings,
    // TLS settings and user agent of the pages, and returns its rules for the
    // product token of that agent. Raises what the client's Get raises.
    TResult Fetch(const std::string& url, const TSettings& settings, const TTlsContext* tls);

    // Ends the fetch in progress at once; Fetch returns, its result of no use.
    void Abandon() { m_http.Abort(); }

    // The client, for tests that shorten its time bounds.
    THttpCli& Client() { return m_http; }

private:
    THttpCli m_http;
    // One byte past the parsed part tells the parser its last line was cut.
    TBodyStream m_body { TRobotsTxt::MaxBytes + 1 };
    TFetchAnswer m_answer;
    bool m_statusLineDue = false;
    bool m_capped = false;
};
