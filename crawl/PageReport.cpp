#include "crawl/PageReport.h"

const char* PageOutcomeText(TPageOutcome outcome)
{
    switch (outcome) {
    case pgWritten:
        return "written";
    case pgFetchFailed:
        return "fetch failed";
    case pgRobots:
        return "robots.txt";
    case pgHttpsOff:
        return "https is off";
    case pgNoIndex:
        return "noindex";
    case pgKeywordFilter:
        return "keyword filter";
    case pgNotTargeted:
        return "not targeted";
    case pgDomainFilter:
        return "domain filter";
    case pgErrorPage:
        return "error page";
    case pgNoKeywords:
        return "no keywords";
    case pgBlankTitle:
        return "blank title";
    }
    return "unknown";
}

std::string TPageReport::Reason() const
{
    std::string text = PageOutcomeText(outcome);
    if (!detail.empty())
        text += ": " + detail;
    return text;
}
