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
    }
    return "unknown";
}
