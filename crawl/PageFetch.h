#pragma once

#include "crawl/BodyStream.h"
#include "net/http/HttpProt.h"

#include <cstddef>
#include <string>

class TCrawlFrontEnd;
struct TCrawlState;
struct TSettings;

// The fetch of one page: the run's HTTP client, its two event handlers and
// the body's way into "temp.txt" and the page's lines.
class TPageFetch
{
public:
    // The most of one page's body that is kept; at this size the request is
    // ended and what arrived is analysed.
    static constexpr std::size_t MaxBodyBytes = std::size_t { 32 } << 20;

    // A fetch reporting to `frontEnd` and filling `state` (pageSource,
    // lastModified, contentLength); both must outlive it.
    TPageFetch(TCrawlFrontEnd& frontEnd, TCrawlState& state);

    // Fetches state.currentUrl, directly or through the HTTP proxy, the SOCKS
    // proxy or both of `settings`, and returns when the request has ended,
    // whatever its outcome: "temp.txt" in the current directory then holds
    // the body and pageSource its page text (PageTextOf). Raises
    // what the client's Get raises (steps after the request are then left
    // out) and EInOutError for "temp.txt".
    void Fetch(const TSettings& settings);

    // Ends the fetch in progress at once: the request is aborted and Fetch
    // returns without touching "temp.txt" or pageSource.
    void Abandon();

    // The client's user agent text: "Skelvo/" and the version.
    static std::string Agent();

private:
    void HttpCli1HeaderEnd();
    void HttpCli1DocData();

    TCrawlFrontEnd& m_frontEnd;
    TCrawlState& m_state;
    THttpCli m_http;
    TBodyStream m_body { MaxBodyBytes };
    bool m_abandoned = false;
    bool m_requestLineDue = false;
    bool m_statusLineDue = false;
};
