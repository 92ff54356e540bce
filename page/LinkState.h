#pragma once

#include "page/SeenList.h"
#include "settings/Settings.h"

#include <functional>
#include <string>
#include <vector>

// The part of a crawl run's shared state that link following reads and
// changes. The run owns one and hands it to GrabLinks for every page; tests
// build one the same way. The settings are only read (webExts, domainExts,
// filterDomains, trackFile).
struct TLinkState
{
    explicit TLinkState(const TSettings& runSettings)
        : settings(runSettings)
    { }

    const TSettings& settings;
    std::string currentUrl; // the page being indexed
    std::vector<std::string> pageSource; // its lines, without line ends
    std::vector<std::string> urlList; // the work queue; new links go to its end
    TSeenList seenList; // every link ever queued, mirrored in the track file
    bool pageAccepted = true; // cleared by the site-exclusion test

    // Reads the "Internal Only" check box at the moment of the test; unassigned = off.
    std::function<bool()> InternalOnly;
    // Shows the new count of urlList after each queued link; raised only when assigned.
    std::function<void()> ShowLeft;
};
