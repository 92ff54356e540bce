#include "crawl/PageReport.h"

const char* PageOutcomeText(TPageOutcome outcome)
{
    switch (outcome) {
    case pgWritten:
        return "written";
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
    case pgHttpsOff:
        return "https is off";
    case pgSecureFailed:
        return "secure connection failed";
    }
    return "unknown";
}

std::string PageOutcomeText(const TPageReport& report)
{
    return report.reason.empty() ? PageOutcomeText(report.outcome) : report.reason;
}
