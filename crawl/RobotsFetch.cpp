#include "crawl/RobotsFetch.h"

#include "crawl/ClientSetup.h"
#include "crawl/CrawlLog.h"
#include "crawl/PageFetch.h"
#include "net/socket/EventRaiser.h"

TRobotsFetch::TRobotsFetch()
{
    m_http.Agent = TPageFetch::Agent();
    m_http.SetMultiThreaded(true);
    m_http.MaxRelocations = MaxRelocations;
    m_http.OnHeaderBegin = [this](THttpCli*) { m_statusLineDue = true; };
    m_http.OnHeaderData = [this](THttpCli* http) {
        if (m_statusLineDue) {
            m_statusLineDue = false;
            m_answer.StatusLine(*http);
        }
    };
    m_http.OnDocBegin = [this](THttpCli* http) { m_answer.BodyBegins(*http); };
    m_http.OnLocationChange = [this](THttpCli*) { m_answer.Relocated(); };
    // Only the first bytes are parsed: past them the rest is not waited for.
    m_http.OnDocData = [this](THttpCli* http, const char*, int) {
        if (m_body.Bytes().size() > TRobotsTxt::MaxBytes) {
            m_capped = true;
            http->Abort();
        }
    };
}

TRobotsFetch::TResult TRobotsFetch::Fetch(
    const std::string& url, const TSettings& settings, const TTlsContext* tls)
{
    m_http.URL = url;
    ApplyConnectionSettings(m_http, settings, tls);
    m_answer.Start();
    m_capped = false;
    m_http.RcvdStream = &m_body;
    const TScopeExit release([this] {
        m_http.RcvdStream = nullptr;
        m_body.Release();
    });
    m_http.Get();

    const std::string token(ProductToken(m_http.Agent));
    TResult result;
    result.answered = m_answer.Any();
    const int status = m_answer.Status();
    const std::string said = std::to_string(m_http.StatusCode()) + " " + m_http.ReasonPhrase();
    if (!m_capped && m_answer.Failed(m_http)) {
        // Relocations without end: the file is missing. Anything else that
        // ended the request early leaves the site unasked.
        if (m_answer.Any() && status / 100 == 3) {
            result.rules = TRobotsTxt::AllowAll();
        } else {
            result.rules = TRobotsTxt::DisallowAll();
            result.unreachable = said;
        }
    } else {
        result.rules = TRobotsTxt::FromStatus(status, m_body.Bytes(), token);
        if (status / 100 != 2 && status / 100 != 3 && status / 100 != 4)
            result.unreachable = said;
    }
    qCDebug(crawlLog, "robots.txt %s: %s, %zu rules", url.c_str(), said.c_str(),
        result.rules.Rules().size());
    return result;
}
