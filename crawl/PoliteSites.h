#pragma once

#include "page/RobotsTxt.h"

#include <chrono>
#include <map>
#include <optional>
#include <string>

// What a run knows of each site (scheme, host and port) it sends requests
// to: the site's robots.txt rules once fetched, the least time between two
// requests to it, and when the last one started. Forgotten at every run's start.
class TPoliteSites
{
public:
    using TClock = std::chrono::steady_clock;

    struct TSite
    {
        std::optional<TRobotsTxt> robots; // none until fetched in this run
        std::chrono::milliseconds delay {}; // between the starts of two requests
        std::optional<TClock::time_point> lastStart;

        // When the next request may start: now when none has been made.
        TClock::time_point NextStart() const
        {
            return lastStart ? *lastStart + delay : TClock::time_point::min();
        }
    };

    // The site of `url`, made with `delay` at its first use.
    TSite& Site(const std::string& url, std::chrono::milliseconds delay);
    // The site of `url` if a request of this run has made it; null otherwise.
    const TSite* Find(const std::string& url) const;
    void Clear() { m_sites.clear(); }

private:
    std::map<std::string, TSite> m_sites;
};

// The site a URL belongs to: "scheme://host:port", scheme and host in lower
// case, the scheme's own port written out ("http://example.org:80").
std::string SiteKey(const std::string& url);

// The URL's path with its query, as robots.txt rules are matched against:
// "/" when it has none.
std::string RobotsPath(const std::string& url);

// The address of the robots.txt of the URL's site, its port as the URL writes it.
std::string RobotsUrl(const std::string& url);
