// Which paths a site's robots.txt lets Skelvo fetch: groups, rule choice,
// wildcards, percent-encoding and the shapes real files come in.
#include "page/RobotsTxt.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Row
{
    std::string body;
    const char* path;
    bool allowed;
};

void expectRows(const std::vector<Row>& rows)
{
    for (const auto& row : rows) {
        SCOPED_TRACE("path " + std::string(row.path) + " in:\n" + row.body);
        EXPECT_EQ(TRobotsTxt::Parse(row.body, "Skelvo").IsAllowed(row.path), row.allowed);
    }
}

TEST(RobotsTxt, ChoosesTheGroupsNamingSkelvoElseStar)
{
    const std::string ours = "User-agent: Skelvo\nDisallow: /a\n\nUser-agent: *\nDisallow: /b\n";
    const std::string others = "User-agent: other\nDisallow: /a\nUser-agent: *\nDisallow: /b\n";
    const std::string merged
        = "User-agent: skelvo\nDisallow: /a\nUser-agent: other\nDisallow: /c\n"
          "User-agent: SKELVO/2.0\nDisallow: /b\nUser-agent: *\nDisallow: /d\n";
    expectRows({
        { ours, "/a", false },
        { ours, "/b", true },
        { others, "/a", true },
        { others, "/b", false },
        { merged, "/a", false },
        { merged, "/b", false },
        { merged, "/c", true },
        { merged, "/d", true }, // "*" never joins a named group
        // Several user-agent lines share the rules that follow them.
        { "User-agent: x\nUser-agent: Skelvo\nDisallow: /a\n", "/a", false },
        // A user-agent line after a rule starts a new group; blank lines do not.
        { "User-agent: Skelvo\nDisallow: /a\nUser-agent: x\nDisallow: /b\n", "/b", true },
        { "User-agent: Skelvo\n\nDisallow: /a\n", "/a", false },
        // A Crawl-delay is no rule: the user-agent line after it joins the group.
        { "User-agent: x\nCrawl-delay: 1\nUser-agent: Skelvo\nDisallow: /a\n", "/a", false },
        // Our group, though it forbids nothing, hides the "*" group.
        { "User-agent: Skelvo\nDisallow:\n\nUser-agent: *\nDisallow: /\n", "/x", true },
        // The value's own product token must be ours, whole.
        { "User-agent: SkelvoBot\nDisallow: /a\nUser-agent: *\nDisallow: /b\n", "/a", true },
        { "User-agent: Skelvo-news\nDisallow: /a\n", "/a", true },
        { "User-agent: *bot\nDisallow: /a\n", "/a", true },
        // Rules before any user-agent line, and a file of no group, allow everything.
        { "Disallow: /a\nUser-agent: *\nDisallow: /b\n", "/a", true },
        { "Disallow: /\n", "/a", true },
        { "", "/a", true },
        { "User-agent: *\n", "/a", true },
    });
}

TEST(RobotsTxt, LongestMatchingRuleWinsAndAllowWinsATie)
{
    expectRows({
        { "User-agent: *\nAllow: /a/b\nDisallow: /a\n", "/a/b/c", true },
        { "User-agent: *\nAllow: /a/b\nDisallow: /a\n", "/a/c", false },
        { "User-agent: *\nDisallow: /a/b\nAllow: /a\n", "/a/b", false },
        { "User-agent: *\nDisallow: /a/b\nAllow: /a\n", "/a/x", true },
        { "User-agent: *\nDisallow: /a\nAllow: /a\n", "/a", true },
        { "User-agent: *\nAllow: /a\nDisallow: /a\n", "/a", true },
        // Lengths count the wildcards too.
        { "User-agent: *\nAllow: /a*\nDisallow: /ab\n", "/abc", true },
        { "User-agent: *\nAllow: /$\nDisallow: /\n", "/", true },
        { "User-agent: *\nAllow: /$\nDisallow: /\n", "/x", false },
        // Paths compare case-sensitively; the query is part of the path.
        { "User-agent: *\nDisallow: /Private\n", "/private", true },
        { "User-agent: *\nDisallow: /Private\n", "/Private/x", false },
        { "User-agent: *\nDisallow: /*?\n", "/a?b=1", false },
        { "User-agent: *\nDisallow: /*?\n", "/a", true },
        // An empty path means "/"; a pattern missing its '/' gets one.
        { "User-agent: *\nDisallow: /$\n", "", false },
        { "User-agent: *\nDisallow: private\n", "/private/x", false },
        // robots.txt itself stays allowed.
        { "User-agent: *\nDisallow: /\n", "/robots.txt", true },
        { "User-agent: *\nDisallow: /\n", "/robots.txt?x", false },
    });
}

TEST(RobotsTxt, WildcardsAndEndAnchor)
{
    const std::string manyStars = "/" + [] {
        std::string s;
        for (int i = 0; i < 200; ++i)
            s += "*a";
        return s;
    }() + "*b";
    const std::string aaa = "/" + std::string(5000, 'a');
    expectRows({
        { "User-agent: *\nDisallow: /*.pdf$\n", "/a/b.pdf", false },
        { "User-agent: *\nDisallow: /*.pdf$\n", "/a/b.pdf?x", true },
        { "User-agent: *\nDisallow: /*.pdf$\n", "/pdf", true },
        { "User-agent: *\nDisallow: /*.pdf\n", "/a.pdf?x", false },
        { "User-agent: *\nDisallow: /a*b*c\n", "/aXbYc", false },
        { "User-agent: *\nDisallow: /a*b*c\n", "/aXcYb", true },
        { "User-agent: *\nDisallow: /a*b*c\n", "/abc", false },
        { "User-agent: *\nDisallow: /a**b\n", "/ab", false },
        { "User-agent: *\nDisallow: *\n", "/x", false },
        { "User-agent: *\nDisallow: /a$\n", "/a", false },
        { "User-agent: *\nDisallow: /a$\n", "/ab", true },
        { "User-agent: *\nDisallow: /a$b\n", "/a$b", false }, // '$' inside is a byte
        { "User-agent: *\nDisallow: /a$b\n", "/a", true },
        { "User-agent: *\nDisallow: /*a$\n", "/ba", false },
        { "User-agent: *\nDisallow: /*a$\n", "/bab", true },
        { "User-agent: *\nDisallow: /a*ab$\n", "/ab", true }, // segments may not overlap
        { "User-agent: *\nDisallow: /a*ab$\n", "/aab", false },
        // Partial matches that a search must not skip past.
        { "User-agent: *\nDisallow: /*aab\n", "/aaab", false },
        { "User-agent: *\nDisallow: /*abac\n", "/ababac", false },
        { "User-agent: *\nDisallow: /*abac\n", "/ababab", true },
        // A hostile pattern: decided without trying every placement.
        { "User-agent: *\nDisallow: " + manyStars + "\n", aaa.c_str(), true },
        { "User-agent: *\nDisallow: " + manyStars + "\n", (aaa + "b").c_str(), false },
    });
}

TEST(RobotsTxt, PercentEncodingIsComparedInOneForm)
{
    expectRows({
        { "User-agent: *\nDisallow: /%7Ejoe\n", "/~joe", false },
        { "User-agent: *\nDisallow: /~joe\n", "/%7ejoe", false },
        { "User-agent: *\nDisallow: /%41\n", "/A", false },
        { "User-agent: *\nDisallow: /a%2fb\n", "/a%2Fb", false },
        { "User-agent: *\nDisallow: /a%2fb\n", "/a/b", true }, // a '/' escaped is not a '/'
        { "User-agent: *\nDisallow: /caf\xC3\xA9\n", "/caf%C3%A9", false },
        { "User-agent: *\nDisallow: /caf%c3%a9\n", "/caf\xC3\xA9", false },
        { "User-agent: *\nDisallow: /100%\n", "/100%", false }, // a lone '%' stays
        { "User-agent: *\nDisallow: /%zz\n", "/%ZZ", true },
    });
    EXPECT_EQ(NormalisePercentEncoding("/%7e%2f%C3%a9\xFF%"), "/~%2F%C3%A9%FF%");
}

TEST(RobotsTxt, LinesCommentsAndByteOrderMark)
{
    expectRows({
        { "User-agent: * # all\nDisallow: /a # private\n# Disallow: /b\n", "/a", false },
        { "User-agent: * # all\nDisallow: /a # private\n# Disallow: /b\n", "/b", true },
        { "User-agent: *\nDisallow: /a#b\n", "/a", false },
        { "USER-AGENT :  skelvo \n  disallow\t:\t/a  \n", "/a", false },
        { "User-agent: *\nNoindex: /a\nfoo bar\nDisallow: /b\n", "/a", true },
        { "User-agent: *\nNoindex: /a\nfoo bar\nDisallow: /b\n", "/b", false },
        { "Sitemap: http://x/s.xml\nUser-agent: *\nDisallow: /b\n", "/b", false },
        { "User-agent: *\rDisallow: /a\r\nDisallow: /b\nDisallow: /c", "/a", false },
        { "User-agent: *\rDisallow: /a\r\nDisallow: /b\nDisallow: /c", "/b", false },
        { "User-agent: *\rDisallow: /a\r\nDisallow: /b\nDisallow: /c", "/c", false },
        { "User-agent: Skelvo\r\r\n\n\rDisallow: /a\r", "/a", false },
        { "\xEF\xBB\xBFUser-agent: *\nDisallow: /a\n", "/a", false },
        { "\xEF\xBB\xBF", "/a", true },
    });
}

TEST(RobotsTxt, ReadsOnlyTheFirst500KiB)
{
    const std::string head = "User-agent: *\nDisallow: /early\n";
    std::string body = head;
    while (body.size() < TRobotsTxt::MaxBytes - 20)
        body += "# filler filler filler filler filler filler\n";
    // The limit falls after "Disallow: /c".
    body.resize(TRobotsTxt::MaxBytes - 13, '#');
    body += "\nDisallow: /cut\nDisallow: /late\n";
    ASSERT_GT(body.size(), TRobotsTxt::MaxBytes);
    const TRobotsTxt robots = TRobotsTxt::Parse(body, "Skelvo");
    EXPECT_FALSE(robots.IsAllowed("/early"));
    EXPECT_TRUE(robots.IsAllowed("/cut"));
    EXPECT_TRUE(robots.IsAllowed("/c"));
    EXPECT_TRUE(robots.IsAllowed("/late"));

    // A line whose CR is the last byte read counts.
    std::string exact = head;
    exact.resize(TRobotsTxt::MaxBytes - 13, '\n');
    exact += "Disallow: /x\r\nDisallow: /late\n";
    EXPECT_FALSE(TRobotsTxt::Parse(exact, "Skelvo").IsAllowed("/x"));
    EXPECT_TRUE(TRobotsTxt::Parse(exact, "Skelvo").IsAllowed("/late"));
}

TEST(RobotsTxt, CrawlDelayOfTheChosenGroup)
{
    const std::pair<std::string, std::optional<double>> rows[] = {
        { "User-agent: *\nCrawl-delay: 2.5\n", 2.5 },
        { "User-agent: *\ncrawl-delay : .5\n", 0.5 },
        { "User-agent: *\nCrawl-delay: 5.\n", 5.0 },
        { "User-agent: Skelvo\nCrawl-delay: 1\nDisallow:\nUser-agent: *\nCrawl-delay: 9\n", 1.0 },
        { "User-agent: x\nCrawl-delay: 1\nDisallow:\nUser-agent: *\nCrawl-delay: 9\n", 9.0 },
        { "User-agent: Skelvo\nCrawl-delay: 1\nDisallow:\nUser-agent: Skelvo\nCrawl-delay: 3\n",
            3.0 },
        { "User-agent: x\nCrawl-delay: 4\n", std::nullopt },
        { "Crawl-delay: 4\nUser-agent: *\n", std::nullopt },
        { "User-agent: *\nCrawl-delay: soon\n", std::nullopt },
        { "User-agent: *\nCrawl-delay: -1\n", std::nullopt },
        { "User-agent: *\nCrawl-delay: .\n", std::nullopt },
        { "User-agent: *\nCrawl-delay: 1e3\n", std::nullopt },
        { "", std::nullopt },
    };
    for (const auto& [body, want] : rows)
        EXPECT_EQ(TRobotsTxt::Parse(body, "Skelvo").CrawlDelay(), want) << body;
}

TEST(RobotsTxt, SiteAnswersDecideBeforeAnyRule)
{
    const std::string forbidA = "User-agent: *\nDisallow: /a\n";
    const struct
    {
        int status;
        bool aAllowed;
        bool bAllowed;
    } rows[] = {
        { 200, false, true },
        { 204, false, true },
        { 301, true, true },
        { 404, true, true },
        { 429, true, true },
        { 500, false, false },
        { 0, false, false },
    };
    for (const auto& row : rows) {
        const TRobotsTxt robots = TRobotsTxt::FromStatus(row.status, forbidA, "Skelvo");
        EXPECT_EQ(robots.IsAllowed("/a"), row.aAllowed) << row.status;
        EXPECT_EQ(robots.IsAllowed("/b"), row.bAllowed) << row.status;
        EXPECT_TRUE(robots.IsAllowed("/robots.txt")) << row.status;
    }
    EXPECT_TRUE(TRobotsTxt::AllowAll().IsAllowed("/anything"));
    EXPECT_FALSE(TRobotsTxt::DisallowAll().IsAllowed("/"));
}

TEST(RobotsTxt, ProductTokenIsTheLeadingWord)
{
    const std::pair<const char*, const char*> rows[] = {
        { "Skelvo/1.5", "Skelvo" },
        { "my_bot-2 (x)", "my_bot-" },
        { "/1.0", "" },
        { "", "" },
    };
    for (const auto& [agent, token] : rows)
        EXPECT_EQ(ProductToken(agent), token) << agent;
}

} // namespace
