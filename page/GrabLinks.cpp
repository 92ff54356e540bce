#include "page/GrabLinks.h"

#include "platform/Pump.h"
#include "platform/TextSearch.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr auto NotFound = std::string::npos;

int countSlashes(const std::string& s)
{
    return static_cast<int>(std::count(s.begin(), s.end(), '/'));
}

// `s` up to and including its third slash: the site root of an http URL. A
// text with fewer slashes has no root to cut, so it stands for its own root.
std::string siteRootOf(const std::string& s)
{
    size_t end = 0;
    for (int slash = 0; slash < 3; ++slash) {
        const size_t pos = s.find('/', end);
        if (pos == NotFound)
            return s;
        end = pos + 1;
    }
    return s.substr(0, end);
}

bool startsWithHttp(std::string_view s)
{
    return s.size() >= 7 && EqualNoCase(s.substr(0, 7), "http://");
}

bool startsWithHttps(std::string_view s)
{
    return s.size() >= 8 && EqualNoCase(s.substr(0, 8), "https://");
}

// True when `text` ends with `suffix` once its letters are upper-cased; an
// empty suffix ends every text.
bool endsWithUpper(std::string_view text, std::string_view suffix)
{
    if (suffix.size() > text.size())
        return false;
    const std::string_view end = text.substr(text.size() - suffix.size());
    for (size_t i = 0; i < end.size(); ++i) {
        const char c = end[i];
        if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != suffix[i])
            return false;
    }
    return true;
}

// The position of the last `lowerMarker` in `text` in any letter case, or NotFound.
size_t findLastNoCase(const std::string& text, std::string_view lowerMarker)
{
    size_t last = NotFound;
    for (int at = FindFromNoCase(text, lowerMarker, 1); at != 0;
         at = FindFromNoCase(text, lowerMarker, at + 1))
        last = static_cast<size_t>(at - 1);
    return last;
}

// The text of a URL after its scheme, from "://" on, for a URL of either
// scheme: the part both forms of one site share. Any other text as it is.
std::string withoutScheme(const std::string& url)
{
    if (startsWithHttp(url))
        return url.substr(4);
    if (startsWithHttps(url))
        return url.substr(5);
    return url;
}

// What the page's own URL gives link following: the directory relative links
// are resolved against, and the site root the site-exclusion test searches.
// Both depend on that URL alone, so they are worked out once per call. A URL
// that names no host (fewer than two slashes, or none past "http://") has an
// empty root.
struct PageBase
{
    std::string dir;
    std::string root;
};

PageBase pageBaseOf(const std::string& url, bool secureToo)
{
    PageBase base;
    const int slashes = countSlashes(url);
    if (slashes == 2) {
        base.root = url;
        base.dir = !url.empty() && url.back() == '/' ? url : url + '/';
    } else if (slashes >= 3) {
        // The search starts at 0-based offset 7, the first byte past "http://"
        // (8 past "https://" when secure pages are followed), so the slash it
        // finds ends the host.
        const size_t hostStart = secureToo && startsWithHttps(url) ? 8 : 7;
        const size_t afterHost = url.find('/', hostStart);
        if (afterHost == NotFound) {
            base.dir = LeftPart(url, static_cast<int>(hostStart));
        } else {
            base.root = url.substr(0, afterHost + 1);
            base.dir = url.substr(0, url.rfind('/') + 1);
        }
    } else {
        base.dir = url;
    }
    return base;
}

// Handles the link values of one call in page order. Holds what lasts from one
// value to the next within the call: the site root of the last absolute link
// (a relative link keeps the one before it) and whether the site-exclusion
// test has been made.
class LinkHandler
{
public:
    explicit LinkHandler(TLinkState& state)
        : m_state(state)
        , m_secureToo(state.settings.followHttps)
        , m_base(pageBaseOf(state.currentUrl, m_secureToo))
        , m_dirRoot(siteRootOf(m_base.dir))
        , m_insideDir(insideForm(m_base.dir))
        , m_insideDirRoot(insideForm(m_dirRoot))
    { }

    void Handle(std::string value)
    {
        // Line breaks and tabs never reach a URL: the queue and track files
        // keep one URL per line.
        std::erase_if(value, [](char c) { return c == '\r' || c == '\n' || c == '\t'; });
        if (value.compare(0, 2, "./") == 0)
            value.erase(0, 2);
        pumpTick();
        if (value.compare(0, 3, "../") == 0
            || (!m_secureToo && FindFromNoCase(value, "https://", 1) != 0))
            return;
        pumpTick();

        std::string url;
        // The base as the Internal Only test looks for it.
        const std::string* inside = &m_insideDir;
        if (isAbsolute(value)) {
            url = value;
        } else if (!value.empty() && value.front() == '/') {
            inside = &m_insideDirRoot;
            url = m_dirRoot;
            url.append(value, 1);
        } else {
            // A last segment without a full stop names a directory.
            const size_t lastSlash = value.rfind('/');
            const size_t segment = lastSlash == NotFound ? 0 : lastSlash + 1;
            const bool endsWithSlash = !value.empty() && value.back() == '/';
            url = m_base.dir + value;
            if (!endsWithSlash && value.find('.', segment) == NotFound)
                url += '/';
        }
        pumpTick();

        // A URL carried inside another one (a redirect's query) replaces it:
        // repeating the cut from each later "http://" (or "https://") ends at
        // the last one.
        const size_t inner = innerUrlStart(url);
        if (inner != NotFound && inner >= 6)
            url.erase(0, inner);
        pumpTick();

        if (isAbsolute(url)) {
            if (countSlashes(url) == 2)
                url += '/';
            m_linkRoot = siteRootOf(url);
        }
        pumpTick();

        if (!m_exclusionTested) {
            m_exclusionTested = true;
            TestSiteExclusion();
            pumpTick();
        }
        if (value.empty())
            return;

        if (!PassesWebExtension(url))
            return;
        if (!PassesDomainExtension()) {
            if (m_state.unmatchedRoot.empty())
                m_state.unmatchedRoot = m_linkRoot;
            return;
        }
        pumpTick();
        // A loop, not find_first_of, which calls memchr for every byte.
        if (std::any_of(
                url.begin(), url.end(), [](char c) { return c == '?' || c == '"' || c == '#'; })
            || FindFromNoCase(url, "mailto", 1) != 0)
            return;
        pumpTick();
        if (m_state.InternalOnly && m_state.InternalOnly() && FindFromNoCase(url, *inside, 1) == 0)
            return;
        pumpTick();
        if (url.size() > MaxLinkLength)
            return;
        Queue(url);
    }

private:
    // The page is kept out of the output when its site root holds an entry;
    // when secure pages are followed, also when the root under the other
    // scheme does, as both are one site.
    void TestSiteExclusion()
    {
        std::vector<std::string> roots { m_base.root };
        if (m_secureToo && startsWithHttp(m_base.root))
            roots.push_back("https" + m_base.root.substr(4));
        else if (m_secureToo && startsWithHttps(m_base.root))
            roots.push_back("http" + m_base.root.substr(5));
        for (const auto& entry : m_state.settings.filterDomains) {
            for (const auto& root : roots) {
                if (FindFrom(root, LowerCase(entry), 1) != 0) {
                    if (m_state.pageAccepted)
                        m_state.excludedBy = entry;
                    m_state.pageAccepted = false;
                }
            }
        }
    }

    // A base as the Internal Only test looks for it in a link, in lower case:
    // the secure and the plain form of a site are one site.
    std::string insideForm(const std::string& base) const
    {
        return LowerCase(m_secureToo ? withoutScheme(base) : base);
    }

    // A value or URL that names its site itself: "http://", and "https://"
    // when secure pages are followed.
    bool isAbsolute(const std::string& url) const
    {
        return startsWithHttp(url) || (m_secureToo && startsWithHttps(url));
    }

    // Where the last URL carried in `url` begins, or NotFound.
    size_t innerUrlStart(const std::string& url) const
    {
        const size_t plain = findLastNoCase(url, "http://");
        if (!m_secureToo)
            return plain;
        const size_t secure = findLastNoCase(url, "https://");
        if (plain == NotFound)
            return secure;
        return secure == NotFound ? plain : std::max(plain, secure);
    }

    bool PassesWebExtension(const std::string& url) const
    {
        const int slashes = countSlashes(url);
        if (slashes < 2)
            return false;
        if (slashes == 2)
            return true;
        for (const auto& ext : m_state.settings.webExts) {
            if (endsWithUpper(url, ext))
                return true;
        }
        return url.back() == '/';
    }

    // The host must end with a listed extension: entry + "/" ends the link's site root.
    bool PassesDomainExtension() const
    {
        if (m_linkRoot.empty() || m_linkRoot.back() != '/')
            return false;
        const std::string_view host(m_linkRoot.data(), m_linkRoot.size() - 1);
        for (const auto& ext : m_state.settings.domainExts) {
            if (endsWithUpper(host, ext))
                return true;
        }
        return false;
    }

    void Queue(const std::string& url)
    {
        if (m_state.seenList.Contains(url))
            return;
        m_state.urlList.push_back(url);
        m_state.seenList.Add(url);
        m_state.newLinks.push_back(url);
        if (m_state.ShowLeft)
            m_state.ShowLeft();
    }

    TLinkState& m_state;
    const bool m_secureToo; // https:// links are followed
    const PageBase m_base;
    // The page's directory up to its site root, for links that start with
    // '/', and both bases as the Internal Only test looks for them.
    const std::string m_dirRoot;
    const std::string m_insideDir;
    const std::string m_insideDirRoot;
    std::string m_linkRoot; // site root of the last absolute link
    bool m_exclusionTested = false;
};

// Calls `handle` with every value of `marker` (lower case) in page order; the
// marker matches in any letter case.
template <typename Handle>
bool scanValues(const std::string& page, std::string_view marker, Handle handle)
{
    bool any = false;
    size_t quote = 0;
    bool quoteSearched = false;
    for (int from = 1;;) {
        const int position = FindFromNoCase(page, marker, from);
        pumpTick();
        if (position == 0)
            return any;
        any = true;
        const size_t start = static_cast<size_t>(position - 1) + marker.size();
        // Value starts only move right: the last closing quote found serves
        // until a start passes it, and a missing one stays missing.
        if (!quoteSearched || (quote != NotFound && quote < start)) {
            quote = page.find('"', start);
            quoteSearched = true;
        }
        handle(quote == NotFound ? std::string() : page.substr(start, quote - start));
        from = position + 1;
    }
}

} // namespace

void GrabLinks(TLinkState& state)
{
    // The page text is searched in place, in any letter case: a folded copy
    // would double a large page's memory.
    const std::string& page = state.pageSource;
    LinkHandler handler(state);
    const auto handle = [&handler](std::string value) { handler.Handle(std::move(value)); };
    const bool anyHref = scanValues(page, "href=\"", handle);
    const bool anySrc = scanValues(page, "src=\"", handle);
    // A page without values still gets the site-exclusion test.
    if (!anyHref && !anySrc)
        handler.Handle(std::string());
}
