#include "crawl/PoliteSites.h"

#include "net/http/UrlRoutines.h"
#include "platform/TextSearch.h"

TPoliteSites::TSite& TPoliteSites::Site(const std::string& url, std::chrono::milliseconds delay)
{
    const auto [at, added] = m_sites.try_emplace(SiteKey(url));
    if (added)
        at->second.delay = delay;
    return at->second;
}

const TPoliteSites::TSite* TPoliteSites::Find(const std::string& url) const
{
    const auto at = m_sites.find(SiteKey(url));
    return at == m_sites.end() ? nullptr : &at->second;
}

std::string SiteKey(const std::string& url)
{
    const TUrlParts parts = SplitUrl(url);
    const std::string scheme = parts.Scheme.empty() ? "http" : LowerCase(parts.Scheme);
    const std::string port = !parts.Port.empty() ? parts.Port : scheme == "https" ? "443" : "80";
    return scheme + "://" + LowerCase(parts.Host) + ":" + port;
}

std::string RobotsPath(const std::string& url)
{
    const std::string path = SplitUrl(url).Path;
    return path.empty() ? "/" : path;
}

std::string RobotsUrl(const std::string& url)
{
    const TUrlParts parts = SplitUrl(url);
    const std::string scheme = parts.Scheme.empty() ? "http" : LowerCase(parts.Scheme);
    return scheme + "://" + parts.Host + (parts.Port.empty() ? "" : ":" + parts.Port)
        + "/robots.txt";
}
