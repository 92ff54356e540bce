#include "crawl/CrawlRun.h"

#include "crawl/CrawlFrontEnd.h"
#include "crawl/CrawlLog.h"
#include "crawl/FetchAhead.h"
#include "crawl/InputLock.h"
#include "crawl/PageFetch.h"
#include "crawl/PageRecord.h"
#include "crawl/RobotsFetch.h"
#include "crawl/UrlListFile.h"
#include "net/http/HttpHeaderLine.h"
#include "net/http/RetryAfter.h"
#include "net/http/UrlRoutines.h"
#include "net/socket/CustomWSocket.h"
#include "net/tls/TlsContext.h"
#include "page/GrabLinks.h"
#include "page/MetaTags.h"
#include "page/StripHtml.h"
#include "page/Title.h"
#include "platform/LocalClock.h"
#include "platform/Pump.h"
#include "platform/TextFile.h"
#include "platform/TextSearch.h"
#include "settings/Settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>

namespace {

using TClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr const char* Stopping = "Stopping after this page...";

// The Retry-After value of the last response among `lines` (the header lines
// of every response of a request, relocations included); none when absent.
std::optional<std::string> retryAfterValue(const std::vector<std::string>& lines)
{
    auto line = lines.end();
    while (line != lines.begin() && !(line - 1)->starts_with("HTTP/"))
        --line;
    for (; line != lines.end(); ++line) {
        const auto field = SplitFieldLine(*line);
        if (field && EqualNoCase(field->Name, "retry-after"))
            return std::string(field->Value);
    }
    return std::nullopt;
}

// Seconds as a short decimal text: "30", "0.25".
std::string secondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

// "host:port" of a site root such as "http://host:port/".
std::string siteOfRoot(std::string root)
{
    if (const std::size_t scheme = root.find("://"); scheme != std::string::npos)
        root.erase(0, scheme + 3);
    while (!root.empty() && root.back() == '/')
        root.pop_back();
    return root;
}

} // namespace

// Unwinds a run that Abandon has ended; never leaves the run.
class TCrawlRun::TAbandoned
{ };

TCrawlRun::TCrawlRun(TCrawlFrontEnd& frontEnd, const TSettings& settings)
    : Clock(localTimeOfDay)
    , m_frontEnd(frontEnd)
    , m_settings(settings)
    , m_fetch(std::make_unique<TPageFetch>(
          frontEnd, m_state, [this](const std::string& text) { Status(text); }))
    , m_ahead(std::make_unique<TFetchAhead>(
          frontEnd, m_state, [this](const std::string& text) { Status(text); }))
    , m_robots(std::make_unique<TRobotsFetch>())
{
    m_state.ShowLeft = [this] { ShowLeft(); };
    m_state.InternalOnly = [this] { return m_frontEnd.InternalOnly(); };
}

TCrawlRun::~TCrawlRun() = default;

void TCrawlRun::cmdIndexClick()
{
    if (m_running)
        return;
    // One crawl at a time per input file: another process's crawl of it is
    // refused before this run starts, and holds on undisturbed.
    TInputLock lock;
    lock.Take(m_settings.inputFile);
    CreateIfMissing(m_settings.trackFile);
    m_runLog.BeginRun(Clock());
    m_running = true;
    m_abandoned = false;
    m_frontEnd.SetRunning(true);
    m_state.stopRequested = false;
    const bool https = m_settings.fetchHttps == 1;
    m_state.settings
        = { m_settings.webExts, m_settings.domainExts, m_settings.filterDomains, https };
    m_filterMatcher = TKeywordMatcher(m_settings.filterKeywords);
    m_targetMatcher = TKeywordMatcher(m_settings.targetKeywords);
    m_state.unmatchedRoot.clear();
    m_sites.Clear();
    m_summary = TRunSummary();
    m_runStart = TClock::now();
    try {
        try {
            // Made afresh for each run, so a CA file changed between runs counts;
            // one that cannot be read ends the run before any page.
            m_tls = https ? std::make_unique<TTlsContext>(m_settings.caFile) : nullptr;
            m_inputFile.Read(m_settings.inputFile, m_state.urlList);
            qCDebug(crawlLog, "run started: %zu URLs in %s", m_state.urlList.size(),
                m_settings.inputFile.c_str());
            if (m_state.urlList.empty()) {
                m_frontEnd.ShowMessage("Cannot index - no URLs in URL list.");
                m_state.stopRequested = true;
            } else {
                RunCycles();
            }
        } catch (const TAbandoned&) {
            qCDebug(crawlLog, "run abandoned: %s stays at the head of the queue",
                m_state.currentUrl.c_str());
            PutPageBack();
        }
        // The input file holds exactly the queue again.
        m_inputFile.Fold(m_settings.inputFile, m_state.urlList);
    } catch (...) {
        // The queue in memory stays what the input and progress files hold,
        // and the window is idle again before the error is shown. A fold
        // that fails here leaves the progress file to the next read.
        PutPageBack();
        try {
            m_inputFile.Fold(m_settings.inputFile, m_state.urlList);
        } catch (const std::exception&) { }
        EndRun();
        throw;
    }
    EndRun();
}

void TCrawlRun::cmdStopClick()
{
    qCDebug(crawlLog, "stop requested: the run ends after the page in progress");
    m_state.stopRequested = true;
    m_frontEnd.DisableStop();
    if (m_running)
        m_frontEnd.ShowStatus(Stopping);
}

void TCrawlRun::Abandon()
{
    if (!m_running || m_abandoned)
        return;
    m_abandoned = true;
    PutPageBack();
    m_fetch->Abandon();
    m_ahead->Drop();
    m_robots->Abandon();
}

void TCrawlRun::ShowLeft()
{
    m_frontEnd.ShowLeft(static_cast<int>(m_state.urlList.size()));
    m_frontEnd.Pump();
}

void TCrawlRun::ForgetVisitedLinks()
{
    if (m_running)
        return;
    // Not under another process's crawl of the same input file.
    TInputLock lock;
    lock.Take(m_settings.inputFile);
    WriteFileAtomic(m_settings.trackFile, "");
    m_state.seenList.Clear();
}

THttpCli& TCrawlRun::RobotsClient()
{
    return m_robots->Client();
}

void TCrawlRun::RunCycles()
{
    do {
        Cycle();
    } while (!m_state.urlList.empty() && !m_state.stopRequested);
}

void TCrawlRun::Cycle()
{
    TCrawlState& s = m_state;
    Status("Connecting...");
    s.currentUrl = s.urlList.front();
    qCDebug(crawlLog, "page %d: fetching %s", s.pagesDone + 1, s.currentUrl.c_str());
    Pump();
    // The pages behind the head are fetched while it is: the queue now is
    // the one a crawl of one page at a time would see next.
    if (m_settings.connections > 1)
        m_ahead->Fill(
            s.urlList, m_settings.connections,
            [this](const std::string& url) { return MayFetchAhead(url); }, m_settings, m_tls.get());
    TFetchStep step = fsFetched;
    try {
        step = FetchStep();
    } catch (...) {
        CheckAbandoned();
        qCDebug(crawlLog, "the fetch of %s raised: it leaves the queue, and the run ends",
            s.currentUrl.c_str());
        // The failing URL leaves the queue, in its files too, before the
        // error ends the run; otherwise every later run would stop at it again.
        s.urlList.pop_front();
        m_ahead->HeadLeft();
        m_inputFile.PageDone(m_settings.inputFile, s.currentUrl, {});
        throw;
    }
    CheckAbandoned();
    // "Stop" during a wait before the request: the page was not fetched and
    // stays at the head of the queue.
    if (step == fsStopped)
        return;
    // The page leaves the queue in memory now; its files keep it at the head
    // until the page's cycle has ended, so that a crash before then fetches
    // it again instead of losing it or its record.
    s.urlList.pop_front();
    m_ahead->HeadLeft();
    m_queueAfterHead = s.urlList.size();
    m_pageTaken = true;
    s.newLinks.clear();
    Pump();

    m_trackFile.Read(m_settings.trackFile, s.seenList);
    Pump();

    // The page text is let go with the cycle, however it ends: the next
    // page's body is not to arrive beside it.
    struct TReleaseText
    {
        std::string& text;
        ~TReleaseText() { std::string().swap(text); }
    } releaseText { s.pageSource };
    TPageReport report;
    report.url = s.currentUrl;
    if (step == fsForbidden || step == fsHttpsOff) {
        Status("Idle");
        m_frontEnd.ShowSite("None");
        report.outcome = step == fsForbidden ? pgRobots : pgHttpsOff;
    } else {
        JudgePage(s.pageSource, report);
    }

    ++s.pagesDone;
    m_frontEnd.ShowDone(s.pagesDone);
    ShowLeft();
    const auto total = static_cast<long long>(s.urlList.size()) + s.pagesDone;
    m_frontEnd.ShowProgress(static_cast<int>(s.pagesDone * 100LL / total));

    CheckAbandoned();
    // The page's line in the file of rejected pages is part of its record:
    // written before the queue loses the page.
    if (report.outcome != pgWritten)
        RecordRejected(report);
    // The queue loses the page and gains its links after the page's record,
    // in one append to the progress file; the links reach the track file
    // only after it, in one append.
    m_inputFile.PageDone(m_settings.inputFile, s.currentUrl, s.newLinks);
    m_pageTaken = false;
    m_trackFile.Append(m_settings.trackFile, s.newLinks, s.seenList);
    const std::size_t queued = s.newLinks.size();
    s.newLinks.clear();
    if (m_inputFile.Outgrown())
        m_inputFile.Fold(m_settings.inputFile, s.urlList);

    report.done = s.pagesDone;
    report.left = static_cast<int>(s.urlList.size());
    m_summary.Count(report);
    m_summary.linksQueued += queued;
    qCDebug(crawlLog, "page %d: %s, %zu links queued, %d URLs left", s.pagesDone,
        report.Reason().c_str(), queued, report.left);
    m_frontEnd.PageFinished(report);
    CheckAbandoned();
}

TCrawlRun::TFetchStep TCrawlRun::FetchStep()
{
    const std::string& url = m_state.currentUrl;
    // Asked for securely while HTTPS is off: nothing goes out for it, not
    // even the site's robots.txt.
    if (m_tls == nullptr && IsSecureScheme(SplitUrl(url).Scheme)) {
        qCDebug(crawlLog, "https is off: %s is not fetched", url.c_str());
        return fsHttpsOff;
    }
    const bool polite = m_settings.obeyRobots == 1;
    TPoliteSites::TSite& site
        = m_sites.Site(url, milliseconds(std::max(0, m_settings.requestDelay)));
    if (polite) {
        if (!site.robots)
            FetchRobots(site);
        if (!site.robots->IsAllowed(RobotsPath(url))) {
            qCDebug(crawlLog, "robots.txt forbids %s", url.c_str());
            return fsForbidden;
        }
    }
    if (!WaitForTurn(site))
        return fsStopped;
    FetchPage(site);
    if (!polite || m_fetch->Failed())
        return fsFetched;

    // A server that is busy and says when to come back gets one more
    // request then; a second such answer stands. "Stop" ends the wait, and
    // the first answer stands.
    const THttpCli& http = m_fetch->Client();
    if (http.StatusCode() != 429 && http.StatusCode() != 503)
        return fsFetched;
    const auto value = retryAfterValue(http.RcvdHeader());
    const auto seconds = value ? ParseRetryAfter(*value, std::time(nullptr)) : std::nullopt;
    if (!seconds)
        return fsFetched;
    const milliseconds asked = *seconds > MaxRetryWait.count() / 1000 + 1
        ? MaxRetryWait
        : std::min(MaxRetryWait, milliseconds(*seconds * 1000));
    qCDebug(crawlLog, "%s answered %d: asked again in %lld s", url.c_str(), http.StatusCode(),
        static_cast<long long>(asked.count() / 1000));
    // The site's pages fetched ahead were asked while it was busy: they are
    // asked again in their turn, after the wait, as one at a time would be.
    m_ahead->DropSite(SiteKey(url));
    Status("Waiting...");
    if (!WaitUntil(std::max(TClock::now() + asked, site.NextStart())))
        return fsFetched;
    Status("Connecting...");
    FetchPage(site);
    return fsFetched;
}

void TCrawlRun::FetchRobots(TPoliteSites::TSite& site)
{
    const std::string& url = m_state.currentUrl;
    Status("Reading robots.txt...");
    site.lastStart = TClock::now();
    ++m_summary.requests;
    const TRobotsFetch::TResult result = m_robots->Fetch(RobotsUrl(url), m_settings, m_tls.get());
    CheckAbandoned();
    if (!result.answered)
        ++m_summary.unanswered;
    const std::string key = SiteKey(url);
    if (!result.unreachable.empty())
        m_frontEnd.Notice("robots.txt of " + key + " could not be read (" + result.unreachable
            + "): no page of the site is fetched in this run.");
    if (const auto delay = result.rules.CrawlDelay()) {
        milliseconds asked = MaxCrawlDelay;
        if (*delay * 1000 <= static_cast<double>(MaxCrawlDelay.count())) {
            asked = milliseconds(std::lround(*delay * 1000));
        } else {
            m_frontEnd.Notice("The Crawl-delay of " + secondsText(*delay) + " s of " + key
                + " is taken as " + secondsText(static_cast<double>(MaxCrawlDelay.count()) / 1000)
                + " s.");
        }
        site.delay = std::max(site.delay, asked);
    }
    site.robots = result.rules;
}

void TCrawlRun::FetchPage(TPoliteSites::TSite& site)
{
    site.lastStart = TClock::now();
    ++m_summary.requests;
    // A page fetched ahead becomes the page in progress's fetch; the one
    // that fetched the page before waits for a later page.
    if (auto ahead = m_ahead->TakeHead(m_state.currentUrl)) {
        std::swap(m_fetch, ahead);
        m_ahead->GiveBack(std::move(ahead));
        m_fetch->Finish();
    } else {
        m_fetch->Fetch(m_settings, m_tls.get());
    }
    CheckAbandoned();
    if (!m_fetch->Answered())
        ++m_summary.unanswered;
}

bool TCrawlRun::MayFetchAhead(const std::string& url) const
{
    if (m_tls == nullptr && IsSecureScheme(SplitUrl(url).Scheme))
        return false;
    if (m_settings.obeyRobots != 1)
        return m_settings.requestDelay <= 0;
    const TPoliteSites::TSite* site = m_sites.Find(url);
    return site != nullptr && site->robots && site->delay == milliseconds::zero()
        && site->robots->IsAllowed(RobotsPath(url));
}

bool TCrawlRun::WaitForTurn(const TPoliteSites::TSite& site)
{
    const TClock::time_point next = site.NextStart();
    if (next <= TClock::now())
        return true;
    Status("Waiting...");
    const bool waited = WaitUntil(next);
    if (waited)
        Status("Connecting...");
    return waited;
}

bool TCrawlRun::WaitUntil(TClock::time_point deadline)
{
    for (;;) {
        CheckAbandoned();
        if (m_state.stopRequested)
            return false;
        const auto left = deadline - TClock::now();
        if (left <= TClock::duration::zero())
            return true;
        // Sleeps until an event comes (a click on "Stop", a signal) or the time is up.
        const auto ms = std::chrono::ceil<milliseconds>(left).count();
        TCustomWSocket::WaitForEvents(static_cast<int>(std::min<long long>(ms, 1000)));
    }
}

void TCrawlRun::JudgePage(const std::string& text, TPageReport& report)
{
    const THttpCli& http = m_fetch->Client();
    const bool failed = m_fetch->Failed();
    const int status = http.StatusCode();
    const std::string said = std::to_string(status) + " " + http.ReasonPhrase();
    // A relocation to https:// while HTTPS is off was not followed; a secure
    // page that failed, or came cut short, has nothing whole to analyse.
    if (http.HttpsOutcome() != httpsNone) {
        Status("Idle");
        m_frontEnd.ShowSite("None");
        report.outcome = http.HttpsOutcome() == httpsOff ? pgHttpsOff : pgFetchFailed;
        if (report.outcome == pgFetchFailed)
            report.detail = said;
        return;
    }
    // A failure of the client is a 404 of its own: with STATUS on it is left
    // out like an error the server answered.
    if (m_settings.skipErrorStatus == 1 && (failed || (status >= 400 && status <= 599))) {
        Status("Idle");
        m_frontEnd.ShowSite("None");
        report.outcome = pgFetchFailed;
        report.detail = said;
        return;
    }
    if (m_frontEnd.ObeyNoIndex() && IsNoIndex(text)) {
        Status("Idle");
        m_frontEnd.ShowSite("None");
        report.outcome = pgNoIndex;
    } else {
        TRecordFields fields;
        const auto refused = AnalysePage(text, report.title, report.detail, fields);
        report.outcome = refused.value_or(pgWritten);
        if (!refused) {
            CheckAbandoned();
            WritePage(fields);
        }
    }
    // A page without a record whose fetch failed is left out for that, the
    // first thing that went wrong with it.
    if (report.outcome != pgWritten && failed) {
        report.outcome = pgFetchFailed;
        report.detail = said;
    }
}

void TCrawlRun::RecordRejected(const TPageReport& report)
{
    if (!m_settings.rejectedFile.empty())
        AppendLine(m_settings.rejectedFile, report.url + m_settings.separator + report.Reason());
}

void TCrawlRun::Status(const std::string& text)
{
    if (!m_state.stopRequested)
        m_frontEnd.ShowStatus(text);
}

std::optional<TPageOutcome> TCrawlRun::AnalysePage(
    const std::string& text, std::string& title, std::string& detail, TRecordFields& fields)
{
    TCrawlState& s = m_state;
    const TSettings& settings = m_settings;
    const std::string& separator = settings.separator;
    std::optional<TPageOutcome> refused;
    const auto refuse = [&](TPageOutcome why, const std::string& what = std::string()) {
        s.pageAccepted = false;
        if (!refused) {
            refused = why;
            detail = what;
        }
    };

    s.pageAccepted = true;
    Status("Getting Title...");
    title = StripHtml(GetTitle(text), separator);
    m_frontEnd.ShowSite(title);
    Pump();

    const std::string head = AnalysedHead(text);
    // A page without a description or keywords tag gives its whole head as
    // the tag's value, which is then stripped as the body text is: the head
    // is stripped once, however many of the three need it.
    std::optional<std::string> strippedHead;
    const auto strip = [&](const std::string& value) {
        if (value != head)
            return StripHtml(value, separator);
        if (!strippedHead)
            strippedHead = StripHtml(head, separator);
        return *strippedHead;
    };
    const bool metaFirst = settings.metaFirst == 1;
    std::string description;
    if (metaFirst) {
        Status("Checking For Meta Description...");
        description = strip(GetMetaDescription(head));
        Pump();
    }
    Status("Checking For Meta Keywords...");
    const std::string keywords = strip(GetMetaKeywords(head));
    Pump();
    std::string bodyText;
    if (NeedsBodyText(description, metaFirst)) {
        Status("Removing HTML Code...");
        bodyText = strip(head);
        Pump();
    }

    if (const auto entry = m_filterMatcher.FirstFound(text))
        refuse(pgKeywordFilter, settings.filterKeywords[*entry]);
    if (!settings.targetKeywords.empty() && s.pageAccepted && !m_targetMatcher.AnyFound(text))
        refuse(pgNotTargeted);
    Pump();

    if (m_frontEnd.FollowLinks()) {
        Status("Grabbing URLs...");
        const bool accepted = s.pageAccepted;
        s.excludedBy.clear();
        GrabLinks(s);
        if (accepted && !s.pageAccepted)
            refuse(pgDomainFilter, s.excludedBy);
        Pump();
    }
    Status("Idle");
    m_frontEnd.ShowSite("None");

    if (s.pageAccepted) {
        if (const std::string_view word = ErrorPageWord(title); !word.empty())
            refuse(pgErrorPage, std::string(word));
    }
    fields = { TitleField(title, settings.titleCutoff),
        DescriptionField(description, bodyText, metaFirst, settings.descMax),
        KeywordsField(keywords), s.currentUrl };
    if (settings.keywordsRequired == 1 && s.pageAccepted && !HasUsableKeywords(head, keywords))
        refuse(pgNoKeywords);
    if (!IsTitleFieldFilled(fields.title) && !refused)
        refused = pgBlankTitle;
    return refused;
}

void TCrawlRun::WritePage(const TRecordFields& fields)
{
    const TSettings& settings = m_settings;
    m_frontEnd.AppendLog(fields.title);
    m_runLog.CountRecord();
    AppendLine(settings.outputFile,
        RecordLine(fields, settings.separator, settings.saveLastModified == 1, m_state.lastModified,
            m_state.contentLength));
    AppendLine(settings.savedFile, m_state.currentUrl);
}

void TCrawlRun::EndRun()
{
    qCDebug(crawlLog, "run ended: %d pages done since start-up, %zu URLs left", m_state.pagesDone,
        m_state.urlList.size());
    // No connection is kept open between runs: the settings may change, and
    // the server need not hold it.
    m_ahead->Drop();
    m_fetch->DropConnection();
    m_ahead->DropConnections();
    m_frontEnd.ShowStatus("Writing Track File...");
    m_frontEnd.Pump();
    m_frontEnd.ShowStatus("Idle");
    m_runLog.EndRun(Clock());
    m_frontEnd.ShowProgress(0);
    m_frontEnd.SetRunning(false);
    m_running = false;
    m_pageTaken = false;
    m_pageBack = false;
    m_summary.time = std::chrono::duration_cast<milliseconds>(TClock::now() - m_runStart);
    if (m_summary.linksQueued == 0 && !m_state.unmatchedRoot.empty())
        m_summary.unmatchedSite = siteOfRoot(m_state.unmatchedRoot);
    m_frontEnd.RunFinished(m_summary);
}

void TCrawlRun::Pump()
{
    m_frontEnd.Pump();
    CheckAbandoned();
}

void TCrawlRun::CheckAbandoned() const
{
    if (m_abandoned)
        throw TAbandoned();
}

void TCrawlRun::PutPageBack()
{
    // The queue as the input file holds it: the page at its head, without
    // the links queued from it, also those a link step still running after
    // an abandon has added since.
    TCrawlState& s = m_state;
    if (m_pageTaken) {
        s.urlList.resize(m_queueAfterHead);
        s.urlList.push_front(s.currentUrl);
        m_pageTaken = false;
        m_pageBack = true;
    } else if (m_pageBack) {
        s.urlList.resize(m_queueAfterHead + 1);
    }
    s.newLinks.clear();
}
