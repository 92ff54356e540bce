#pragma once

#include "crawl/CrawlFrontEnd.h"

#include <functional>
#include <string>
#include <vector>

// A front end for tests: records what the run shows, answers the check boxes
// from plain fields, and lets a test act at a chosen moment (a click on "Stop"
// during a fetch, a check box changed between pages).
class TCrawlRecorder : public TCrawlFrontEnd
{
public:
    void ShowStatus(const std::string& text) override;
    void ShowSite(const std::string&) override { }
    void ShowLeft(int) override { }
    void ShowDone(int count) override { done = count; }
    void ShowProgress(int percent) override { progress.push_back(percent); }
    void SetRunning(bool isRunning) override { running = stopEnabled = isRunning; }
    void DisableStop() override { stopEnabled = false; }
    bool ObeyNoIndex() override { return obeyNoIndex; }
    bool FollowLinks() override { return followLinks; }
    bool InternalOnly() override { return false; }
    void AppendLog(const std::string& line) override { log.push_back(line); }
    void ShowMessage(const std::string&) override { }
    void Pump() override;
    void PageFinished(const TPageReport& report) override;
    void RunFinished(const TRunSummary& summary) override { summaries.push_back(summary); }
    void Notice(const std::string& text) override { notices.push_back(text); }
    void FetchLine(TFetchLine, const std::string& text) override { fetchLines.push_back(text); }

    // The URLs of the finished pages, in order.
    std::vector<std::string> PageUrls() const;

    bool obeyNoIndex = false;
    bool followLinks = false;
    std::vector<std::string> statuses;
    std::vector<std::string> log;
    std::vector<int> progress;
    std::vector<TPageReport> pages;
    std::vector<TRunSummary> summaries;
    std::vector<std::string> notices;
    std::vector<std::string> fetchLines;
    bool running = false;
    bool stopEnabled = false;
    int done = -1;

    std::function<void(const std::string& status)> OnStatus;
    std::function<void(const TPageReport& report)> OnPage;
};
