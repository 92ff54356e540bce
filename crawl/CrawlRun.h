#pragma once

#include "crawl/CrawlState.h"
#include "crawl/PageRecord.h"
#include "crawl/PageReport.h"
#include "crawl/PoliteSites.h"
#include "crawl/RunLog.h"
#include "crawl/RunSummary.h"
#include "crawl/TrackFile.h"
#include "crawl/UrlListFile.h"
#include "page/KeywordMatcher.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

class TCrawlFrontEnd;
class TFetchAhead;
class THttpCli;
class TPageFetch;
class TRobotsFetch;
class TTlsContext;
struct TSettings;

// The crawl run behind "Index-It!": takes the URLs of the input file one at a
// time from its head, fetches and analyses each page, writes the records of
// the accepted ones, queues their links when "Follow Links" is checked, and
// keeps the front end's captions, counters and progress up to date. With the
// settings' ROBOTS key it obeys each site's robots.txt and answers that ask to
// come back later; with DELAY it leaves time between two requests to a site.
// With CONNECTIONS the pages behind the head are fetched ahead while each page
// is still processed and written alone and in the queue's order, so the files
// go through the states of a crawl of one page at a time.
// Every page gets an outcome with its reason, and every run a summary. One object
// lives as long as the program: its counters and run log carry over from one
// run to the next.
class TCrawlRun
{
public:
    // A crawl over `settings` (read at the points of use; constant during a
    // run) reporting to `frontEnd`. Both must outlive the object.
    TCrawlRun(TCrawlFrontEnd& frontEnd, const TSettings& settings);
    ~TCrawlRun();
    TCrawlRun(const TCrawlRun&) = delete;
    TCrawlRun& operator=(const TCrawlRun&) = delete;

    // "Index-It!": performs a whole run and returns when it has ended (queue
    // empty, "Stop" honoured, or abandoned). An error that ends the run (a
    // fetch that raises, a file that cannot be read or written, with HTTPS on
    // a CA file that cannot be read) leaves this call only after the front
    // end is idle again and the stop time is set. While another process
    // crawls the input file, raises EInputBusy and starts nothing.
    void cmdIndexClick();
    // "Stop": the run ends after the page in progress ("Stopping after this
    // page..." shows until then); "Stop" is disabled. A wait between two
    // requests ends at once, the page it waited for staying in the queue.
    void cmdStopClick();
    // Ends the run in progress at once, from a handler run while it pumps: the
    // request in progress is aborted and nothing more is written. The page in
    // progress stays at the head of the input file and is put back at the head
    // of urlList, so the next run fetches it again. Nothing when idle.
    void Abandon();
    // Shows the number of entries of urlList in "Left:" and pumps.
    void ShowLeft();
    // Empties the track file (and seenList), so that the links found from now
    // on are queued again, also those queued before. Nothing during a run;
    // raises EInputBusy while another process crawls the input file.
    void ForgetVisitedLinks();

    // True from the start of a run to its end.
    bool Running() const { return m_running; }

    // The run's state; the window loads, edits and saves urlList while idle.
    TCrawlState& State() { return m_state; }
    const TCrawlState& State() const { return m_state; }
    // The input file as the run keeps it; the window reads and writes it
    // through this object while idle.
    TUrlListFile& InputFile() { return m_inputFile; }
    // The runs since the program started, for the report.
    const TRunLog& RunLog() const { return m_runLog; }
    // What the latest run did (the one in progress so far).
    const TRunSummary& Summary() const { return m_summary; }

    // The client that fetches robots.txt files, for tests that shorten its bounds.
    THttpCli& RobotsClient();

    // The local time of day for the run log; tests set a fixed one.
    std::function<TTimeOfDay()> Clock;
    // The longest wait for a server that asked to be asked again later
    // (Retry-After), and the longest Crawl-delay obeyed; tests shorten them.
    std::chrono::milliseconds MaxRetryWait { 60000 };
    std::chrono::milliseconds MaxCrawlDelay { 30000 };

private:
    class TAbandoned;
    // How the fetch step of a cycle ended.
    enum TFetchStep { fsFetched, fsForbidden, fsStopped, fsHttpsOff };
    void RunCycles();
    void Cycle();
    TFetchStep FetchStep();
    void FetchRobots(TPoliteSites::TSite& site);
    void FetchPage(TPoliteSites::TSite& site);
    // Whether a page may be fetched before its turn: its site's robots.txt
    // is known and allows it, and no delay holds the site to one request at
    // a time.
    bool MayFetchAhead(const std::string& url) const;
    // Waits, handling events, until the site may get its next request; false
    // when "Stop" ended the wait first.
    bool WaitForTurn(const TPoliteSites::TSite& site);
    bool WaitUntil(std::chrono::steady_clock::time_point deadline);
    // The outcome of a fetched page: analysed, or refused for its status.
    void JudgePage(const std::string& text, TPageReport& report);
    void RecordRejected(const TPageReport& report);
    // Shows a step's status text, unless "Stop" has replaced it by its own.
    void Status(const std::string& text);
    // Analyses the page and forms its record's fields; returns the first
    // reason it gets no record, none for an accepted page.
    std::optional<TPageOutcome> AnalysePage(
        const std::string& text, std::string& title, std::string& detail, TRecordFields& fields);
    // Writes an accepted page: log line, run-log count, output record, saved URL.
    void WritePage(const TRecordFields& fields);
    void EndRun();
    void Pump();
    void CheckAbandoned() const;
    void PutPageBack();

    TCrawlFrontEnd& m_frontEnd;
    const TSettings& m_settings;
    TCrawlState m_state;
    TRunLog m_runLog;
    // The fetch of the page in progress, and those of the pages behind it
    // with CONNECTIONS.
    std::unique_ptr<TPageFetch> m_fetch;
    std::unique_ptr<TFetchAhead> m_ahead;
    std::unique_ptr<TRobotsFetch> m_robots;
    // The TLS settings of the run in progress; none while HTTPS is off.
    std::unique_ptr<TTlsContext> m_tls;
    TPoliteSites m_sites;
    TRunSummary m_summary;
    std::chrono::steady_clock::time_point m_runStart;
    // The keyword filter's and the targeted list's entries, made into their
    // matchers once a run, as the settings stay the same for a run.
    TKeywordMatcher m_filterMatcher;
    TKeywordMatcher m_targetMatcher;
    TUrlListFile m_inputFile;
    TTrackFile m_trackFile;
    bool m_running = false;
    bool m_abandoned = false;
    // The page in progress has left urlList but not yet its files;
    // m_queueAfterHead is the queue's length right after it left. After an
    // abandon the page is back at the head (m_pageBack) until the run ends.
    bool m_pageTaken = false;
    bool m_pageBack = false;
    std::size_t m_queueAfterHead = 0;
};
