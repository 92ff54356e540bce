#pragma once

#include "crawl/BodyStream.h"
#include "crawl/CrawlFrontEnd.h"
#include "crawl/FetchAnswer.h"
#include "net/http/HttpProt.h"

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class TTlsContext;
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

    // A fetch reporting to `frontEnd`, its status texts through `showStatus`,
    // and filling `state` (pageSource, lastModified, contentLength); both
    // must outlive it.
    TPageFetch(TCrawlFrontEnd& frontEnd, TCrawlState& state,
        std::function<void(const std::string&)> showStatus);

    // Fetches state.currentUrl, directly or through the HTTP proxy, the SOCKS
    // proxy or both of `settings` (over the connection the last fetch left
    // open, with their KEEPALIVE key), an https:// URL over TLS with `tls` (null:
    // HTTPS is off, and such a URL is not fetched), and returns when the
    // request has ended, whatever its outcome: "temp.txt" in the current
    // directory then holds the body and pageSource its page text (PageTextOf);
    // both are empty when the page's secure side ended the request (the
    // client's HttpsOutcome). Raises what the client's Get raises (steps
    // after the request are then left out) and EInOutError for "temp.txt".
    void Fetch(const TSettings& settings, const TTlsContext* tls);

    // Starts the fetch of `url` as Fetch does and returns at once: a page
    // fetched ahead of its turn. Until Finish nothing of it reaches the front
    // end or the state; its lines wait for then. Raises what the client's
    // request start raises.
    void Start(const std::string& url, const TSettings& settings, const TTlsContext* tls);
    // Ends the fetch Start began as Fetch ends its own, once its page is the
    // one in progress: its held lines are shown, then it is waited for.
    void Finish();
    // The URL of the latest fetch.
    const std::string& Url() const { return m_http.URL; }

    // Ends the fetch in progress at once: the request is aborted and Fetch
    // returns without touching "temp.txt" or pageSource.
    void Abandon();

    // Closes the connection kept open after the last fetch (KEEPALIVE), if any.
    void DropConnection();

    // How the last fetch ended: whether a server answered at all, and
    // whether it ended without a standing answer (a page cut at the size
    // cap did not fail). The client holds its status, reason phrase and
    // received header lines.
    bool Answered() const { return m_answer.Any(); }
    bool Failed() const { return !m_capped && m_answer.Failed(m_http); }
    const THttpCli& Client() const { return m_http; }

    // The client's user agent text: "Skelvo/" and the version.
    static std::string Agent();

private:
    void BeginRequest(const std::string& url, const TSettings& settings, const TTlsContext* tls);
    void HttpCli1HeaderEnd();
    void HttpCli1DocData();
    // Shows a line of the fetch now, or holds it until Finish.
    void Line(TFetchLine kind, const std::string& text);

    TCrawlFrontEnd& m_frontEnd;
    TCrawlState& m_state;
    std::function<void(const std::string&)> m_showStatus;
    // Declared before the client, which may write to them until it is gone.
    TFetchAnswer m_answer;
    TBodyStream m_body { MaxBodyBytes };
    THttpCli m_http;
    // The fetch is the page in progress's: it shows its lines and status and
    // pumps from its handlers. A fetch ahead holds its lines and its header
    // values (m_headerEnded once a header has ended) until Finish.
    bool m_live = true;
    std::vector<std::pair<TFetchLine, std::string>> m_heldLines;
    bool m_headerEnded = false;
    std::string m_contentLength;
    std::string m_lastModified;
    bool m_abandoned = false;
    bool m_capped = false; // the fetch ended itself at the size cap
    bool m_requestLineDue = false;
    bool m_statusLineDue = false;
};
