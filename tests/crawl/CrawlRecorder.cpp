#include "CrawlRecorder.h"

#include <QCoreApplication>

void TCrawlRecorder::ShowStatus(const std::string& text)
{
    statuses.push_back(text);
    if (OnStatus)
        OnStatus(text);
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

std::vector<std::string> TCrawlRecorder::PageUrls() const
{
    std::vector<std::string> urls;
    for (const auto& page : pages)
        urls.push_back(page.url);
    return urls;
}
