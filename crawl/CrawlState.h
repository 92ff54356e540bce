#pragma once

#include "page/LinkState.h"

#include <string>

// The state a crawl run keeps from step to step and from page to page. The
// work queue (urlList), the links already queued (seenList), the page's lines
// (pageSource), currentUrl and pageAccepted are the part link following reads
// and changes, so the state is a TLinkState handed to it whole.
struct TCrawlState : TLinkState
{
    bool stopRequested = false; // "Stop" pressed; the run ends after the page in progress
    int pagesDone = 0; // pages processed since the program started, over all runs
    // Header values of the latest response, for the records; "Unknown" when absent.
    std::string lastModified;
    std::string contentLength;
};
