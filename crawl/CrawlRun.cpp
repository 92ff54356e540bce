#include "crawl/CrawlRun.h"

#include "crawl/CrawlFrontEnd.h"
#include "crawl/CrawlLog.h"
#include "crawl/InputLock.h"
#include "crawl/PageFetch.h"
#include "crawl/PageRecord.h"
#include "crawl/UrlListFile.h"
#include "page/GrabLinks.h"
#include "page/MetaTags.h"
#include "page/StripHtml.h"
#include "page/Title.h"
#include "platform/LocalClock.h"
#include "platform/Pump.h"
#include "platform/TextFile.h"
#include "platform/TextSearch.h"
#include "settings/Settings.h"

#include <optional>

// Unwinds a run that Abandon has ended; never leaves the run.
class TCrawlRun::TAbandoned
{ };

TCrawlRun::TCrawlRun(TCrawlFrontEnd& frontEnd, const TSettings& settings)
    : Clock(localTimeOfDay)
    , m_frontEnd(frontEnd)
    , m_settings(settings)
    , m_fetch(std::make_unique<TPageFetch>(frontEnd, m_state))
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
    m_state.settings = { m_settings.webExts, m_settings.domainExts, m_settings.filterDomains };
    try {
        try {
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
}

void TCrawlRun::Abandon()
{
    if (!m_running || m_abandoned)
        return;
    m_abandoned = true;
    PutPageBack();
    m_fetch->Abandon();
}

void TCrawlRun::ShowLeft()
{
    m_frontEnd.ShowLeft(static_cast<int>(m_state.urlList.size()));
    m_frontEnd.Pump();
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
    m_frontEnd.ShowStatus("Connecting...");
    s.currentUrl = s.urlList.front();
    qCDebug(crawlLog, "page %d: fetching %s", s.pagesDone + 1, s.currentUrl.c_str());
    Pump();
    try {
        m_fetch->Fetch(m_settings);
    } catch (...) {
        CheckAbandoned();
        qCDebug(crawlLog, "the fetch of %s raised: it leaves the queue, and the run ends",
            s.currentUrl.c_str());
        // The failing URL leaves the queue, in its files too, before the
        // error ends the run; otherwise every later run would stop at it again.
        s.urlList.pop_front();
        m_inputFile.PageDone(m_settings.inputFile, s.currentUrl, {});
        throw;
    }
    CheckAbandoned();
    // The page leaves the queue in memory now; its files keep it at the head
    // until the page's cycle has ended, so that a crash before then fetches
    // it again instead of losing it or its record.
    s.urlList.pop_front();
    m_queueAfterHead = s.urlList.size();
    m_pageTaken = true;
    s.newLinks.clear();
    Pump();

    m_trackFile.Read(m_settings.trackFile, s.seenList);
    Pump();

    const std::string text = JoinLines(s.pageSource, &pumpTick);
    TPageReport report;
    report.url = s.currentUrl;
    if (m_frontEnd.ObeyNoIndex() && IsNoIndex(text)) {
        m_frontEnd.ShowStatus("Idle");
        m_frontEnd.ShowSite("None");
        report.outcome = pgNoIndex;
    } else {
        TRecordFields fields;
        const auto refused = AnalysePage(text, report.title, fields);
        report.outcome = refused.value_or(pgWritten);
        if (!refused) {
            CheckAbandoned();
            WritePage(fields);
        }
    }

    ++s.pagesDone;
    m_frontEnd.ShowDone(s.pagesDone);
    ShowLeft();
    const auto total = static_cast<long long>(s.urlList.size()) + s.pagesDone;
    m_frontEnd.ShowProgress(static_cast<int>(s.pagesDone * 100LL / total));

    CheckAbandoned();
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
    qCDebug(crawlLog, "page %d: %s, %zu links queued, %d URLs left", s.pagesDone,
        PageOutcomeText(report.outcome), queued, report.left);
    m_frontEnd.PageFinished(report);
    CheckAbandoned();
}

std::optional<TPageOutcome> TCrawlRun::AnalysePage(
    const std::string& text, std::string& title, TRecordFields& fields)
{
    TCrawlState& s = m_state;
    const TSettings& settings = m_settings;
    const std::string& separator = settings.separator;
    std::optional<TPageOutcome> refused;
    const auto refuse = [&](TPageOutcome why) {
        s.pageAccepted = false;
        if (!refused)
            refused = why;
    };

    s.pageAccepted = true;
    m_frontEnd.ShowStatus("Getting Title...");
    title = StripHtml(GetTitle(text), separator);
    m_frontEnd.ShowSite(title);
    Pump();

    const std::string head = LeftPart(text, AnalysedLength);
    const bool metaFirst = settings.metaFirst == 1;
    std::string description;
    if (metaFirst) {
        m_frontEnd.ShowStatus("Checking For Meta Description...");
        description = StripHtml(GetMetaDescription(head), separator);
        Pump();
    }
    m_frontEnd.ShowStatus("Checking For Meta Keywords...");
    const std::string keywords = StripHtml(GetMetaKeywords(head), separator);
    Pump();
    std::string bodyText;
    if (NeedsBodyText(description, metaFirst)) {
        m_frontEnd.ShowStatus("Removing HTML Code...");
        bodyText = StripHtml(head, separator);
        Pump();
    }

    // The upper-cased copy of the page is made only when a list needs it.
    if (!settings.filterKeywords.empty() || !settings.targetKeywords.empty()) {
        const std::string upperText = UpperCase(text);
        if (HoldsAnyEntry(upperText, settings.filterKeywords))
            refuse(pgKeywordFilter);
        if (!settings.targetKeywords.empty() && s.pageAccepted
            && !HoldsAnyEntry(upperText, settings.targetKeywords))
            refuse(pgNotTargeted);
    }
    Pump();

    if (m_frontEnd.FollowLinks()) {
        m_frontEnd.ShowStatus("Grabbing URLs...");
        const bool accepted = s.pageAccepted;
        GrabLinks(s, text);
        if (accepted && !s.pageAccepted)
            refuse(pgDomainFilter);
        Pump();
    }
    m_frontEnd.ShowStatus("Idle");
    m_frontEnd.ShowSite("None");

    if (s.pageAccepted && IsErrorPageTitle(title))
        refuse(pgErrorPage);
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
    m_frontEnd.ShowStatus("Writing Track File...");
    m_frontEnd.ShowStatus("Idle");
    m_runLog.EndRun(Clock());
    m_frontEnd.ShowProgress(0);
    m_frontEnd.SetRunning(false);
    m_running = false;
    m_pageTaken = false;
    m_pageBack = false;
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
