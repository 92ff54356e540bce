// The run skips reading a list file that is still as it last read or wrote
// it. Every way the file can change under it must make it read again, and an
// abandoned page, whose links reached seenList but not the track file, must
// not keep them from the next run.
#include "crawl/KnownListFile.h"
#include "CrawlFixture.h"
#include "platform/TextFile.h"

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

using Urls = std::vector<std::string>;

struct KnownCase
{
    const char* name;
    // What happens to the file after it holds "a" and "b" on two lines.
    std::function<void(TKnownListFile& known, const std::string& path)> act;
    bool unchanged; // what Unchanged then answers
    Urls lines; // what the file then holds
};

const std::vector<KnownCase> KnownCases = {
    { "read and left alone", [](auto& known, auto& path) { known.Read(path); }, true,
        { "a", "b" } },
    { "appended to through it",
        [](auto& known, auto& path) {
            known.Read(path);
            known.Append(path, { "c", "d" });
        },
        true, { "a", "b", "c", "d" } },
    { "rewritten through it", [](auto& known, auto& path) { known.Rewrite(path, { "z" }); }, true,
        { "z" } },
    { "appended to by another program",
        [](auto& known, auto& path) {
            known.Read(path);
            AppendLine(path, "x");
        },
        false, { "a", "b", "x" } },
    { "appended to by another program, then through it",
        [](auto& known, auto& path) {
            known.Read(path);
            AppendLine(path, "x");
            known.Append(path, { "c" });
        },
        false, { "a", "b", "x", "c" } },
    { "replaced by another program with a file of the same size",
        [](auto& known, auto& path) {
            known.Read(path);
            WriteFileAtomic(path, "b\r\na\r\n");
        },
        false, { "b", "a" } },
    { "read with a last line that has no break",
        [](auto& known, auto& path) {
            WriteFileAtomic(path, "a\r\nb");
            known.Read(path);
        },
        false, { "a", "b" } },
    { "appended to after a last line without a break",
        [](auto& known, auto& path) {
            WriteFileAtomic(path, "a\r\nb");
            known.Read(path);
            known.Append(path, { "c" });
        },
        false, { "a", "bc" } },
    { "rewritten with an entry holding a line break",
        [](auto& known, auto& path) { known.Rewrite(path, { "a\rb" }); }, false, { "a", "b" } },
    { "appended to without being read",
        [](auto& known, auto& path) { known.Append(path, { "c" }); }, false, { "a", "b", "c" } },
    { "forgotten",
        [](auto& known, auto& path) {
            known.Read(path);
            known.Forget();
        },
        false, { "a", "b" } },
};

TEST(KnownListFile, OnlyAFileAsTheRunLeftItCountsAsUnchanged)
{
    TempFolder dir("known");
    const std::string path = dir.file("track.txt");
    for (const auto& row : KnownCases) {
        SCOPED_TRACE(row.name);
        WriteFileAtomic(path, "a\r\nb\r\n");
        TKnownListFile known;
        row.act(known, path);
        EXPECT_EQ(known.Unchanged(path), row.unchanged);
        EXPECT_FALSE(known.Unchanged(dir.file("other.txt")));
        EXPECT_EQ(known.Read(path), row.lines);
    }
}

TEST_F(CrawlTest, LinksOfAnAbandonedPageAreQueuedByTheNextRun)
{
    frontEnd.followLinks = true;
    WriteInput({ SiteUrl("/index.html") });
    // Abandoned once the page's links are in seenList, before they reach the track file.
    frontEnd.OnStatus = [this](const std::string& status) {
        if (status == "Idle" && Run().Running() && Run().State().pagesDone == 0)
            Run().Abandon();
    };
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(Text("track.txt"), "");
    frontEnd.OnStatus = nullptr;
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(frontEnd.PageUrls(),
        Urls({ SiteUrl("/index.html"), SiteUrl("/a.html"), SiteUrl("/b.html"), SiteUrl("/c.html"),
            SiteUrl("/a1.html"), SiteUrl("/index.html"), SiteUrl("/b1.html"),
            SiteUrl("/hidden.html") }));
}

} // namespace
