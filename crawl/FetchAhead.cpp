#include "crawl/FetchAhead.h"

#include "crawl/CrawlLog.h"
#include "crawl/PageFetch.h"
#include "crawl/PoliteSites.h"

#include <algorithm>

TFetchAhead::TFetchAhead(TCrawlFrontEnd& frontEnd, TCrawlState& state,
    std::function<void(const std::string&)> showStatus)
    : m_frontEnd(frontEnd)
    , m_state(state)
    , m_showStatus(std::move(showStatus))
{ }

TFetchAhead::~TFetchAhead() = default;

void TFetchAhead::Fill(const TUrlQueue& queue, int connections,
    const std::function<bool(const std::string&)>& mayFetch, const TSettings& settings,
    const TTlsContext* tls)
{
    const std::size_t wanted = std::min(queue.size(), static_cast<std::size_t>(connections));
    if (m_window.size() < wanted)
        m_window.resize(wanted);
    for (std::size_t i = 1; i < wanted; ++i) {
        if (m_window[i] || !mayFetch(queue[i]))
            continue;
        auto fetch = IdleFetch(queue[i]);
        try {
            fetch->Start(queue[i], settings, tls);
        } catch (const std::exception&) {
            // Its turn raises the same error, in its place in the run.
            m_idle.push_back(std::move(fetch));
            continue;
        }
        qCDebug(crawlLog, "fetching ahead: %s", queue[i].c_str());
        m_window[i] = std::move(fetch);
    }
}

std::unique_ptr<TPageFetch> TFetchAhead::TakeHead(const std::string& url)
{
    if (m_window.empty() || !m_window.front() || m_window.front()->Url() != url)
        return nullptr;
    return std::move(m_window.front());
}

void TFetchAhead::HeadLeft()
{
    if (!m_window.empty())
        m_window.pop_front();
}

void TFetchAhead::GiveBack(std::unique_ptr<TPageFetch> fetch)
{
    m_idle.push_back(std::move(fetch));
}

void TFetchAhead::Drop()
{
    // A client ended by its destruction aborts its request and lets no
    // event of it run; its page stays in the queue for a later run.
    m_window.clear();
}

void TFetchAhead::DropSite(const std::string& site)
{
    for (auto& fetch : m_window) {
        if (fetch && SiteKey(fetch->Url()) == site)
            fetch.reset();
    }
}

void TFetchAhead::DropConnections()
{
    for (const auto& fetch : m_idle)
        fetch->DropConnection();
}

std::unique_ptr<TPageFetch> TFetchAhead::IdleFetch(const std::string& url)
{
    if (m_idle.empty())
        return std::make_unique<TPageFetch>(m_frontEnd, m_state, m_showStatus);
    const std::string site = SiteKey(url);
    auto at = std::find_if(m_idle.begin(), m_idle.end(),
        [&](const auto& fetch) { return SiteKey(fetch->Url()) == site; });
    if (at == m_idle.end())
        at = m_idle.end() - 1;
    auto fetch = std::move(*at);
    m_idle.erase(at);
    return fetch;
}
