#pragma once

#include "page/SeenList.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

// A crawl's work queue: taken from the head, links added at the tail.
using TUrlQueue = std::deque<std::string>;

// The settings link following reads, copied from the program's settings record
// when a run starts. Extension entries are upper-case, as the settings file
// holds them.
struct TLinkSettings
{
    std::vector<std::string> webExts; // a link path must end with one (or with '/')
    std::vector<std::string> domainExts; // a link host must end with one
    std::vector<std::string> filterDomains; // a page whose site root holds one is not accepted
    // https:// links are followed too, and a site's secure and plain URLs are
    // one site for "Internal Only" and the site-exclusion test; off, values
    // holding "https://" are skipped.
    bool followHttps = false;
};

// The part of a crawl run's shared state that link following reads and
// changes. The run owns one and hands it to GrabLinks for every page; tests
// build one the same way.
struct TLinkState
{
    TLinkSettings settings;
    std::string currentUrl; // the page being indexed
    std::string pageSource; // its text: its lines, each followed by CR LF (PageTextOf)
    TUrlQueue urlList; // the work queue; new links go to its end
    TSeenList seenList; // every link ever queued, mirrored in the track file
    bool pageAccepted = true; // cleared by the site-exclusion test
    // The entry of filterDomains that cleared pageAccepted, when it was set before.
    std::string excludedBy;
    // The site root of the first link dropped only because no domain
    // extension matched it; the owner clears it when it wants to know afresh.
    std::string unmatchedRoot;
    // The links queued since the owner last wrote them to the track file, in
    // queueing order. The owner decides when they reach the file, so that a
    // crash can never leave a link in the track file but not in the queue.
    std::vector<std::string> newLinks;

    // Reads the "Internal Only" check box at the moment of the test; unassigned = off.
    std::function<bool()> InternalOnly;
    // Shows the new count of urlList after each queued link; raised only when assigned.
    std::function<void()> ShowLeft;
};
