#include "CrawlRecorder.h"

#include <QCoreApplication>

void TCrawlRecorder::ShowStatus(const std::string& text)
{
    statuses.push_back(text);
    if (OnStatus)
        OnStatus(text);
}

void TCrawlRecorder::ShowDone(int count)
{
    done = count;
    if (OnDone)
        OnDone();
}

void TCrawlRecorder::SetRunning(bool isRunning)
{
    running = isRunning;
    stopEnabled = isRunning;
    runningStates.push_back(isRunning);
}

void TCrawlRecorder::Pump()
{
    QCoreApplication::processEvents();
}

void TCrawlRecorder::PageFinished(const TPageReport& report)
{
    pages.push_back(report);
    if (OnPage)
        OnPage(report);
}

std::vector<std::string> TCrawlRecorder::Steps() const
{
    std::vector<std::string> steps;
    for (const auto& status : statuses) {
        const std::string step = status.starts_with("Receiving...") ? "Receiving..."
            : status.starts_with("Received: ")                      ? "Received: "
                                                                    : status;
        if (steps.empty() || steps.back() != step || step != "Receiving...")
            steps.push_back(step);
    }
    return steps;
}

std::vector<std::string> TCrawlRecorder::PageUrls() const
{
    std::vector<std::string> urls;
    for (const auto& page : pages)
        urls.push_back(page.url);
    return urls;
}
