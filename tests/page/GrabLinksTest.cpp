#include "page/GrabLinks.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

using Urls = TUrlQueue;

namespace {

class GrabLinksTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings.webExts = { ".HTM", ".HTML" };
        settings.domainExts = { ".TEST" };
        state.currentUrl = "http://site.test/dir/index.html";
        state.ShowLeft = [this] {
            ++showLeftCalls;
            acceptedAtShowLeft.push_back(state.pageAccepted);
        };
    }

    // One anchor per value, each on its own line.
    Urls Grab(const Urls& values)
    {
        for (const auto& v : values)
            state.pageSource += "<a href=\"" + v + "\">link</a>\r\n";
        GrabLinks(state);
        return state.urlList;
    }

    // What the owner will append to the track file: the new links as CR LF lines.
    std::string Track() const
    {
        std::string lines;
        for (const auto& url : state.newLinks)
            lines += url + "\r\n";
        return lines;
    }

    TLinkState state;
    TLinkSettings& settings = state.settings;
    int showLeftCalls = 0;
    std::vector<bool> acceptedAtShowLeft;
};

struct LinkCase
{
    std::string value;
    Urls expected;
};

TEST_F(GrabLinksTest, ExamplesForAPageInADirectory)
{
    const LinkCase cases[] = {
        { "about", { "http://site.test/dir/about/" } },
        { "./page.htm", { "http://site.test/dir/page.htm" } },
        { "/top.html", { "http://site.test/top.html" } },
        { "sub/", { "http://site.test/dir/sub/" } },
        { "a.b/c", { "http://site.test/dir/a.b/c/" } }, // only the last segment counts
        { "../up.html", {} }, { "https://site.test/a.html", {} }, { "x?go=HTTPS://site.test/", {} },
        { "HTTP://Other.TEST/Page.HTML", { "HTTP://Other.TEST/Page.HTML" } },
        { "http://other.test", { "http://other.test/" } }, // a slash after the host
        { "http://other.invalid/a.html", {} },
        { "http://site.test/go?u=http://other.test/b.htm", { "http://other.test/b.htm" } },
        { "http://a.test/r?http://b.test/s?u=http://c.test/d.htm", { "http://c.test/d.htm" } },
        { "page.html#top", {} }, { "list.htm?page=2", {} }, { "mailto:me@site.test", {} },
        { "MailTo:me@site.test/", {} }, { "picture.gif", {} }, { "", {} },
        { ".//x.htm", { "http://site.test/x.htm" } }, // "./" goes once, then site-relative
    };
    for (const auto& c : cases) {
        state.urlList.clear();
        state.pageSource.clear();
        state.seenList.Clear();
        EXPECT_EQ(Grab({ c.value }), c.expected) << c.value;
    }
}

TEST_F(GrabLinksTest, OnlyDoubleQuotedAttributesWithoutBlanksAreLinks)
{
    state.pageSource
        = JoinLines({ "<a HREF=\"one.htm\"> <a href='two.htm'> <a href = \"three.htm\">",
            "<a href=four.htm> <IMG Src=\"five.htm\"> <a href=\"unterminated.htm" });
    GrabLinks(state);
    EXPECT_EQ(
        state.urlList, (Urls { "http://site.test/dir/one.htm", "http://site.test/dir/five.htm" }));
}

TEST_F(GrabLinksTest, HrefValuesFirstThenSrcValuesInPageOrder)
{
    state.pageSource = JoinLines(
        { "<img src=\"s1.htm\"><a href=\"h1.htm\">", "<img src=\"s2.htm\"><a href=\"h2.htm\">" });
    GrabLinks(state);
    const Urls expected = { "http://site.test/dir/h1.htm", "http://site.test/dir/h2.htm",
        "http://site.test/dir/s1.htm", "http://site.test/dir/s2.htm" };
    EXPECT_EQ(state.urlList, expected);
    EXPECT_EQ(Urls(state.seenList.Items().begin(), state.seenList.Items().end()), expected);
    EXPECT_EQ(showLeftCalls, 4);
}

TEST_F(GrabLinksTest, ImageSourcesNeedTheirExtension)
{
    state.pageSource = JoinLines({ "<img src=\"/img/logo.gif\">" });
    GrabLinks(state);
    EXPECT_TRUE(state.urlList.empty());
    settings.webExts.push_back(".GIF");
    GrabLinks(state);
    EXPECT_EQ(state.urlList, (Urls { "http://site.test/img/logo.gif" }));
}

TEST_F(GrabLinksTest, DuplicatesAreQueuedOnceWhateverTheirCase)
{
    state.seenList.Assign({ "http://SITE.test/dir/old.htm" }); // from the track file
    Grab({ "a.htm", "A.HTM", "./a.htm", "old.htm", "http://site.test/dir/a.htm" });
    EXPECT_EQ(state.urlList, (Urls { "http://site.test/dir/a.htm" }));
    EXPECT_EQ(state.seenList.Count(), 2);
    EXPECT_EQ(Track(), "http://site.test/dir/a.htm\r\n");
}

TEST_F(GrabLinksTest, EmptyExtensionLists)
{
    settings.domainExts.clear();
    EXPECT_TRUE(Grab({ "a.htm", "dir/", "http://site.test/" }).empty());
    settings.domainExts = { ".TEST" };
    settings.webExts.clear();
    state.pageSource.clear();
    EXPECT_EQ(Grab({ "a.htm", "sub/", "http://other.test" }),
        (Urls { "http://site.test/dir/sub/", "http://other.test/" }));
}

TEST_F(GrabLinksTest, InternalOnlyIsReadLiveForEachValueReachingItsTest)
{
    int reads = 0;
    state.InternalOnly = [&reads] { return ++reads != 3; }; // unticked for the third read
    Grab({ "/other.html", // on: under the site root, added
        "http://site.test/other2.html", // on: not under the page directory
        "bad.gif", // fails before the test: no read
        "http://site.test/third.htm", // off: added
        "http://elsewhere.test/dir/x.htm", // on: elsewhere
        "http://site.test/dir/in.htm" }); // on: under the page directory
    EXPECT_EQ(reads, 5);
    EXPECT_EQ(state.urlList,
        (Urls { "http://site.test/other.html", "http://site.test/third.htm",
            "http://site.test/dir/in.htm" }));
}

TEST_F(GrabLinksTest, InternalOnlyComparesWithoutCase)
{
    state.InternalOnly = [] { return true; };
    state.currentUrl = "http://Site.Test/Dir/";
    Grab({ "HTTP://SITE.TEST/DIR/page.htm" });
    EXPECT_EQ(state.urlList, (Urls { "HTTP://SITE.TEST/DIR/page.htm" }));
}

struct BaseCase
{
    std::string currentUrl, value, expected;
};

TEST_F(GrabLinksTest, PageDirectoryFromTheCurrentUrl)
{
    const BaseCase cases[] = {
        { "http://site.test", "a.htm", "http://site.test/a.htm" },
        { "http://site.test/", "a.htm", "http://site.test/a.htm" },
        { "http://site.test/dir/", "/b.htm", "http://site.test/b.htm" },
        { "http://site.test/a/b/c.html", "d.htm", "http://site.test/a/b/d.htm" },
        { "http://site.test/a/b/c.html", "/d.htm", "http://site.test/d.htm" },
        // The directory keeps the '?', so the link is dropped.
        { "http://site.test/page.htm?x=/y/z", "d.htm", "" },
        { "http://site.test/a.htm", "http://x.test/", "http://x.test/" },
    };
    for (const auto& c : cases) {
        state.urlList.clear();
        state.pageSource.clear();
        state.seenList.Clear();
        state.currentUrl = c.currentUrl;
        const Urls expected = c.expected.empty() ? Urls {} : Urls { c.expected };
        EXPECT_EQ(Grab({ c.value }), expected) << c.currentUrl << " + " << c.value;
    }
}

TEST_F(GrabLinksTest, LinkSiteRootKeepsThePreviousValueForNonHttpUrls)
{
    // The page is not an http URL, so relative links do not begin with http://
    // and are tested against the link site root of the value before them.
    state.currentUrl = "ftp://files.invalid/dir/index.html";
    Grab({ "first.html", "http://a.test/x.html", "second.html" });
    EXPECT_EQ(
        state.urlList, (Urls { "http://a.test/x.html", "ftp://files.invalid/dir/second.html" }));
}

struct ExclusionCase
{
    std::string currentUrl;
    std::vector<std::string> page;
    bool accepted;
};

TEST_F(GrabLinksTest, SiteExclusion)
{
    settings.filterDomains = { "SITE.TEST" };
    const ExclusionCase cases[] = {
        { "http://site.test/dir/index.html", { "<a href=\"x.gif\">" }, false },
        { "http://www.SITE.TEST/", { "<a href=\"a.htm\">" }, true }, // the site root keeps its case
        { "http://site.test/dir/index.html", { "no links at all" }, false },
        { "http://site.test/dir/index.html", { "<a href=\"../a.htm\"><a href=\"https://b\">" },
            true }, // every value skipped: no test
        { "http://site.test/dir/index.html", { "<a href=\"../a.htm\"><a href=\"b.htm\">" }, false },
        { "http://other.test/site.test/", { "<a href=\"a.htm\">" }, true }, // the root only
        { "http://site.test", { "<a href=\"a.htm\">" },
            false }, // two slashes: the URL is its own root
        { "site.test", { "<a href=\"a.htm\">" }, true }, // no slashes: no site root
        { "a/b/c/site.test", { "<a href=\"a.htm\">" }, true }, // no slash past the first 7 bytes
    };
    for (const auto& c : cases) {
        state.pageAccepted = true;
        state.currentUrl = c.currentUrl;
        state.pageSource = JoinLines(c.page);
        GrabLinks(state);
        EXPECT_EQ(state.pageAccepted, c.accepted) << c.currentUrl << " " << c.page[0];
    }
}

TEST_F(GrabLinksTest, SiteExclusionRunsWhileTheFirstUnskippedValueIsHandled)
{
    settings.filterDomains = { "NOMATCH", "SITE.TEST" };
    Grab({ "../skipped.htm", "a.htm", "b.htm" });
    ASSERT_EQ(acceptedAtShowLeft.size(), 2u);
    EXPECT_FALSE(acceptedAtShowLeft[0]); // cleared before the first link was queued
    EXPECT_EQ(state.urlList.size(), 2u); // and links are followed all the same
}

TEST_F(GrabLinksTest, NewLinksListEveryQueuedUrlOnceAfterEarlierOnes)
{
    state.newLinks = { "http://earlier.test/" }; // not yet written by the owner
    Grab({ "a.htm", "b.htm", "a.htm", "c.gif" });
    EXPECT_EQ(Track(),
        "http://earlier.test/\r\nhttp://site.test/dir/a.htm\r\n"
        "http://site.test/dir/b.htm\r\n");
}

TEST_F(GrabLinksTest, OverlongUrlsAreNotQueued)
{
    // Without a bound a page under a long URL turns every short relative link
    // into a copy of that URL: a small page would queue megabytes.
    const std::string dir = "http://site.test/dir/";
    const auto filler = [&dir](size_t urlLength) {
        return std::string(urlLength - dir.size() - 4, 'a') + ".htm";
    };
    const LinkCase cases[] = {
        { filler(MaxLinkLength), { dir + filler(MaxLinkLength) } },
        { filler(MaxLinkLength + 1), {} },
        { "http://site.test/" + std::string(MaxLinkLength, 'b') + "/", {} },
    };
    for (const auto& c : cases) {
        state.urlList.clear();
        state.pageSource.clear();
        EXPECT_EQ(Grab({ c.value }), c.expected) << c.value.size();
    }

    state.urlList.clear();
    state.pageSource.clear();
    state.currentUrl = "http://site.test/" + std::string(MaxLinkLength, 'c') + "/index.html";
    EXPECT_EQ(Grab({ "a.htm", "b.htm", "http://other.test/short.htm" }),
        (Urls { "http://other.test/short.htm" }));
    EXPECT_EQ(Track(), dir + filler(MaxLinkLength) + "\r\nhttp://other.test/short.htm\r\n");
}

TEST_F(GrabLinksTest, LineBreaksAndTabsLeaveValuesFirst)
{
    state.pageSource = JoinLines({ "<a href=\"pa", "ge.htm\">", "<a href=\"\t/top.html\">",
        "<a href=\"\r\n\">", "<a href=\".\t/x.htm\">" });
    GrabLinks(state);
    EXPECT_EQ(state.urlList,
        (Urls { "http://site.test/dir/page.htm", "http://site.test/top.html",
            "http://site.test/dir/x.htm" }));
    EXPECT_EQ(Track().find('\t'), std::string::npos);
}

TEST_F(GrabLinksTest, SecureLinksAreFollowedWhenSecurePagesAre)
{
    settings.followHttps = true;
    struct Row
    {
        const char* page;
        std::string value;
        Urls expected;
    };
    const Row rows[] = {
        { "http://site.test/dir/index.html", "https://site.test/a.html",
            { "https://site.test/a.html" } },
        { "http://site.test/dir/index.html", "HTTPS://Other.TEST", { "HTTPS://Other.TEST/" } },
        { "http://site.test/dir/index.html", "x?go=HTTPS://other.test/b.htm",
            { "HTTPS://other.test/b.htm" } },
        { "https://site.test/dir/index.html", "x.htm?u=http://other.test/c.htm",
            { "http://other.test/c.htm" } },
        { "https://site.test/dir/index.html", "about", { "https://site.test/dir/about/" } },
        { "https://site.test/dir/index.html", "/top.html", { "https://site.test/top.html" } },
        { "https://site.test", "a.htm", { "https://site.test/a.htm" } },
        { "https://site.test/dir/index.html", "https://other.invalid/a.html", {} },
        { "https://site.test/dir/index.html", "../up.html", {} },
        // The scheme stays part of the URL: the plain form seen already does
        // not keep the secure one out.
        { "https://site.test/dir/index.html", "http://site.test/seen.html", {} },
        { "https://site.test/dir/index.html", "https://site.test/seen.html",
            { "https://site.test/seen.html" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.page) + " " + row.value);
        state.urlList.clear();
        state.pageSource.clear();
        state.seenList.Assign({ "http://site.test/seen.html" });
        state.currentUrl = row.page;
        EXPECT_EQ(Grab({ row.value }), row.expected);
    }
}

TEST_F(GrabLinksTest, TheSecureAndThePlainFormOfASiteAreOneSite)
{
    state.InternalOnly = [] { return true; };
    settings.filterDomains = { "HTTP://SITE.TEST" };
    // Under Internal Only, a link must lie under the page's directory, in
    // either form; the domain filter keeps the page out in either form.
    struct Row
    {
        const char* page;
        bool followHttps;
        Urls expected;
        bool accepted;
    };
    const Urls values = { "https://site.test/dir/a.html", "http://site.test/dir/b.html",
        "https://site.test/c.html", "/d.html" };
    const Row rows[] = {
        { "http://site.test/dir/index.html", true,
            { "https://site.test/dir/a.html", "http://site.test/dir/b.html",
                "http://site.test/d.html" },
            false },
        { "https://site.test/dir/index.html", true,
            { "https://site.test/dir/a.html", "http://site.test/dir/b.html",
                "https://site.test/d.html" },
            false },
        // Off, as before: secure values are skipped, the plain ones judged alone.
        { "http://site.test/dir/index.html", false,
            { "http://site.test/dir/b.html", "http://site.test/d.html" }, false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.page) + (row.followHttps ? " following https" : ""));
        settings.followHttps = row.followHttps;
        state.urlList.clear();
        state.pageSource.clear();
        state.seenList.Clear();
        state.pageAccepted = true;
        state.currentUrl = row.page;
        EXPECT_EQ(Grab(values), row.expected);
        EXPECT_EQ(state.pageAccepted, row.accepted);
    }
}

TEST_F(GrabLinksTest, APageWithoutLinksChangesNothing)
{
    state.pageSource = JoinLines({ "<p>plain text</p>", "<a href=\"never closed" });
    GrabLinks(state);
    EXPECT_TRUE(state.urlList.empty());
    EXPECT_EQ(showLeftCalls, 0);
    EXPECT_TRUE(state.newLinks.empty());
    EXPECT_TRUE(state.pageAccepted);
}

} // namespace
