#pragma once

#include "crawl/CrawlFrontEnd.h"

#include <functional>
#include <string>
#include <vector>

// A front end for tests: records what the run shows, answers the check boxes
// from plain fields, and lets a test act at a chosen moment through OnStatus
// and OnPage (a click on "Stop" during a fetch, a check box changed between
// pages).
class TCrawlRecorder : public TCrawlFrontEnd
{
public:
    void ShowStatus(const std::string& text) override;
    void ShowSite(const std::string& title) override { sites.push_back(title); }
    void ShowLeft(int count) override { left = count; }
    void ShowDone(int count) override;
    void ShowProgress(int percent) override { progress.push_back(percent); }
    void SetRunning(bool isRunning) override;
    void DisableStop() override { stopEnabled = false; }
    bool ObeyNoIndex() override { return obeyNoIndex; }
    bool FollowLinks() override { return followLinks; }
    bool InternalOnly() override { return internalOnly; }
    void AppendLog(const std::string& line) override { log.push_back(line); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void Pump() override;
    void PageFinished(const TPageReport& report) override;

    // The statuses shown, without the byte counts of "Receiving...".
    std::vector<std::string> Steps() const;
    // The URLs of the finished pages, in order.
    std::vector<std::string> PageUrls() const;

    bool obeyNoIndex = false;
    bool followLinks = false;
    bool internalOnly = false;

    std::vector<std::string> statuses;
    std::vector<std::string> sites;
    std::vector<std::string> log;
    std::vector<std::string> messages;
    std::vector<int> progress;
    std::vector<TPageReport> pages;
    std::vector<bool> runningStates; // every SetRunning, in order
    bool running = false;
    bool stopEnabled = false;
    int left = -1;
    int done = -1;

    std::function<void(const std::string& status)> OnStatus;
    std::function<void(const TPageReport& report)> OnPage;
    // Called when a page is counted, after its record and before the input file loses it.
    std::function<void()> OnDone;
};
