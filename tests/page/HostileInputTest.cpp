// Large hostile pages: every routine must finish in time proportional to the
// input (ctest's timeout stands guard) and give the defined result.
#include "page/GrabLinks.h"
#include "page/MetaTags.h"
#include "page/StripHtml.h"
#include "page/Title.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr size_t MiB = 1 << 20;

std::string repeat(const std::string& piece, size_t bytes)
{
    std::string s;
    s.reserve(bytes + piece.size());
    while (s.size() < bytes)
        s += piece;
    return s;
}

std::string allBytes(size_t bytes)
{
    std::string s(bytes, '\0');
    for (size_t i = 0; i < bytes; ++i)
        s[i] = static_cast<char>(i & 0xFF);
    return s;
}

TEST(HostileInput, StripHtml)
{
    EXPECT_EQ(StripHtml(std::string(MiB, '<'), ""), " ");
    EXPECT_EQ(StripHtml(std::string(MiB, ' '), "  "), " ");
    EXPECT_EQ(StripHtml(repeat("| ", MiB), " |"), " | "); // fillers complete separators

    const std::string scripts = repeat("<script", MiB);
    const std::string words = repeat(" script", scripts.size()).substr(1);
    EXPECT_EQ(StripHtml(scripts, ""), words); // unclosed: each loses only its '<'

    for (const char* unclosed : { "<title>", "<!", "<style" }) {
        const std::string out = StripHtml(repeat(unclosed, MiB), "");
        EXPECT_EQ(out.find('<'), std::string::npos) << unclosed;
    }

    const std::string out = StripHtml(allBytes(MiB), "\xff");
    for (const char gone : { '<', '\r', '\n', '\t', '\xff' })
        EXPECT_EQ(out.find(gone), std::string::npos) << static_cast<int>(gone);
    EXPECT_EQ(out.find("  "), std::string::npos);
}

TEST(HostileInput, TitleAndMetaTags)
{
    EXPECT_EQ(GetTitle(std::string(MiB, 'x') + "<title>"), "");
    EXPECT_EQ(GetTitle("<title>" + std::string(MiB, 'x')), "");
    EXPECT_EQ(GetTitle(repeat("<title>", MiB)), "");
    const std::string noQuote = "<meta name=\"keywords\" content=\"" + std::string(MiB, 'k');
    EXPECT_EQ(GetMetaKeywords(noQuote), "");
    EXPECT_FALSE(IsNoIndex(repeat("meta name=\"robots\" ", MiB)));
    EXPECT_EQ(GetMetaDescription(allBytes(MiB)).size(), MiB);
}

class HostileLinks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings.webExts = { ".HTM" };
        settings.domainExts = { ".TEST" };
        state.currentUrl = "http://site.test/dir/index.html";
    }
    TLinkState state;
    TLinkSettings& settings = state.settings;
};

TEST_F(HostileLinks, UnterminatedAndDenseValues)
{
    state.pageSource = JoinLines({ "<a href=\"" + std::string(MiB, 'a') });
    GrabLinks(state);
    EXPECT_TRUE(state.urlList.empty());

    state.pageSource = JoinLines({ repeat("href=\"x", MiB), repeat("src=\"", MiB) });
    GrabLinks(state);
    // Each marker's own quote ends the value before it; the last href value
    // runs over the line break into the src line.
    EXPECT_EQ(state.urlList,
        (TUrlQueue { "http://site.test/dir/xhref=/", "http://site.test/dir/xsrc=/",
            "http://site.test/dir/src=/" }));

    state.pageSource = JoinLines({ "<a href=\"" + repeat("http://a.test/", MiB) + "z.htm\">" });
    GrabLinks(state);
    EXPECT_EQ(state.urlList.back(), "http://a.test/z.htm");
}

TEST_F(HostileLinks, EveryByteEverywhere)
{
    std::string page = allBytes(MiB);
    for (size_t i = 0; i + 6 < page.size(); i += 4096)
        page.replace(i, 6, "href=\"");
    state.pageSource = JoinLines({ page });
    GrabLinks(state);
    for (const auto& url : state.urlList)
        EXPECT_EQ(url.find_first_of("\r\n"), std::string::npos);
}

} // namespace
