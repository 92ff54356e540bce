#include "crawl/PageFetch.h"

#include "crawl/ClientSetup.h"
#include "crawl/CrawlFrontEnd.h"
#include "crawl/CrawlLog.h"
#include "crawl/CrawlState.h"
#include "crawl/HeaderValues.h"
#include "net/socket/EventRaiser.h"
#include "page/PageText.h"
#include "platform/Pump.h"
#include "platform/TextFile.h"
#include "platform/Version.h"
#include "settings/Settings.h"

#include <charconv>

namespace {

constexpr const char* TempFile = "temp.txt";
constexpr const char* Unknown = "Unknown";

} // namespace

TPageFetch::TPageFetch(TCrawlFrontEnd& frontEnd, TCrawlState& state,
    std::function<void(const std::string&)> showStatus)
    : m_frontEnd(frontEnd)
    , m_state(state)
    , m_showStatus(std::move(showStatus))
{
    m_http.Agent = Agent();
    m_http.SetMultiThreaded(true);
    m_http.OnHeaderEnd = [this](THttpCli*) { HttpCli1HeaderEnd(); };
    m_http.OnDocData = [this](THttpCli*, const char*, int) { HttpCli1DocData(); };
    // The fetch's lines for the front end: the first command of a request
    // header is its request line, the first header line of a response (the
    // last received, RcvdHeader keeps those of earlier responses) its status line.
    m_http.OnRequestHeaderBegin = [this](THttpCli*) { m_requestLineDue = true; };
    m_http.OnCommand = [this](THttpCli*, const std::string& line) {
        if (m_requestLineDue) {
            m_requestLineDue = false;
            Line(flRequest, line);
        }
    };
    m_http.OnHeaderBegin = [this](THttpCli*) { m_statusLineDue = true; };
    m_http.OnHeaderData = [this](THttpCli* http) {
        if (m_statusLineDue) {
            m_statusLineDue = false;
            m_answer.StatusLine(*http);
            Line(flStatus, http->RcvdHeader().back());
        }
    };
    m_http.OnDocBegin = [this](THttpCli* http) { m_answer.BodyBegins(*http); };
    m_http.OnLocationChange = [this](THttpCli* http) {
        m_answer.Relocated();
        Line(flRelocation, http->Location());
    };
}

void TPageFetch::Fetch(const TSettings& settings, const TTlsContext* tls)
{
    m_live = true;
    BeginRequest(m_state.currentUrl, settings, tls);
    Finish();
}

void TPageFetch::Start(const std::string& url, const TSettings& settings, const TTlsContext* tls)
{
    m_live = false;
    BeginRequest(url, settings, tls);
}

void TPageFetch::BeginRequest(
    const std::string& url, const TSettings& settings, const TTlsContext* tls)
{
    m_abandoned = false;
    m_http.URL = url;
    ApplyConnectionSettings(m_http, settings, tls);
    // The pages of a site follow one another on one connection where the
    // server allows it; robots.txt, one file a site, has a client of its own.
    m_http.KeepAlive = settings.keepAlive == 1;
    m_answer.Start();
    m_capped = false;
    m_headerEnded = false;
    m_heldLines.clear();
    m_http.RcvdStream = &m_body;
    try {
        m_http.DoRequestAsync(httpGet);
    } catch (...) {
        m_http.RcvdStream = nullptr;
        throw;
    }
}

void TPageFetch::Finish()
{
    if (!m_live) {
        m_live = true;
        for (const auto& [kind, text] : m_heldLines)
            m_frontEnd.FetchLine(kind, text);
        m_heldLines.clear();
    }
    // The receive stream is the client's only during the request, and its
    // bytes are let go with the fetch, however it ends: a capped page's
    // 32 MiB are not kept until the next page.
    const TScopeExit release([this] {
        m_http.RcvdStream = nullptr;
        m_body.Release();
    });
    m_http.WaitForRequest();
    if (m_abandoned)
        return;
    // The latest header's values stand; a request that got none leaves
    // those of the page before.
    if (m_headerEnded) {
        m_state.contentLength = m_contentLength;
        m_state.lastModified = m_lastModified;
    }
    qCDebug(crawlLog, "fetched %s: %d %s, %lld bytes", m_http.URL.c_str(), m_http.StatusCode(),
        m_http.ReasonPhrase().c_str(), static_cast<long long>(m_http.RcvdCount()));

    m_showStatus("Received: " + std::to_string(m_http.RcvdCount()) + " bytes");
    m_frontEnd.Pump();
    if (m_abandoned)
        return;
    // A page asked for securely that did not come whole is a failed fetch:
    // nothing of what arrived is kept.
    if (m_http.HttpsOutcome() != httpsNone)
        m_body.Release();
    WriteWholeFile(TempFile, m_body.Bytes(), &pumpMessages);
    // The body's buffer becomes the page text, or is let go once the text is
    // made: a page is never held three times.
    m_state.pageSource = PageTextOf(m_body.Take());
    m_frontEnd.Pump();
}

std::string TPageFetch::Agent()
{
    return std::string("Skelvo/") + SkelvoVersion;
}

void TPageFetch::DropConnection()
{
    m_http.DropConnection();
}

void TPageFetch::Abandon()
{
    m_abandoned = true;
    m_http.Abort();
}

void TPageFetch::Line(TFetchLine kind, const std::string& text)
{
    if (m_live)
        m_frontEnd.FetchLine(kind, text);
    else
        m_heldLines.emplace_back(kind, text);
}

void TPageFetch::HttpCli1DocData()
{
    const std::size_t size = m_body.Bytes().size();
    if (m_live)
        m_showStatus("Receiving..." + std::to_string(size) + " bytes");
    // The chunk that reaches the cap was kept up to it (the stream drops the
    // rest); the first chunk past it ends the request.
    if (size >= MaxBodyBytes) {
        m_capped = true;
        m_http.Abort();
    }
}

void TPageFetch::HttpCli1HeaderEnd()
{
    if (m_live)
        m_frontEnd.Pump();
    const std::string header = JoinLines(m_http.RcvdHeader());
    // Every header end sets both values afresh; a response without the field
    // gives "Unknown". The first content length counts, the last date stands.
    m_headerEnded = true;
    const auto lengths = HeaderValues(header, "CONTENT-LENGTH");
    m_contentLength = lengths.empty() ? std::string() : lengths.front();
    if (m_contentLength.empty())
        m_contentLength = Unknown;
    // A body of a stated length gets its room at once, instead of being
    // copied at every doubling while it arrives.
    const std::string& stated = m_contentLength;
    std::size_t length = 0;
    const auto [end, error] = std::from_chars(stated.data(), stated.data() + stated.size(), length);
    if (error == std::errc() && end == stated.data() + stated.size())
        m_body.Reserve(length);
    m_lastModified.clear();
    for (const auto& date : HeaderValues(header, "LAST-MODIFIED")) {
        m_lastModified = date;
        if (m_live)
            m_frontEnd.Pump();
    }
    if (m_lastModified.empty())
        m_lastModified = Unknown;
}
