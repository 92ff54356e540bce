// The input and track files as the run keeps them: a read of the track file
// is skipped only while the file is the version the list mirrors; the queue
// is the input file with its progress file applied, whatever a killed writer
// left of that file, and folding it leaves the input file alone holding it.
#include "crawl/QueueProgress.h"
#include "crawl/TrackFile.h"
#include "crawl/UrlListFile.h"
#include "page/SeenList.h"
#include "platform/TextFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

namespace {

using Lines = std::vector<std::string>;

TEST(TrackFile, TheNextReadGivesTheFileWhateverHappenedToIt)
{
    struct Row
    {
        const char* what;
        std::function<void(const std::string& path)> act; // between append and read
        Lines expected;
    };
    const Row rows[] = {
        { "nothing", [](const std::string&) {}, { "a", "b", "c" } },
        { "another program appends", [](const std::string& p) { AppendLine(p, "x"); },
            { "a", "b", "c", "x" } },
        { "another program replaces it",
            [](const std::string& p) { WriteFileAtomic(p, "y\r\nz\r\n"); }, { "y", "z" } },
        { "another program rewrites it in place, same size",
            [](const std::string& p) { WriteWholeFile(p, "A\r\nB\r\nC\r\n"); }, { "A", "B", "C" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder dir("track");
        const std::string path = dir.file("track.txt");
        WriteWholeFile(path, "a\r\n");
        TTrackFile track;
        TSeenList seen;
        track.Read(path, seen);
        seen.Add("b");
        seen.Add("c");
        track.Append(path, { "b", "c" }, seen);
        const auto appended = std::filesystem::last_write_time(path);
        row.act(path);
        // A same-size rewrite is told apart only in a later clock tick.
        if (std::filesystem::last_write_time(path) == appended && row.expected[0] != "a")
            std::filesystem::last_write_time(path, appended + std::chrono::seconds(1));
        track.Read(path, seen);
        EXPECT_EQ(seen.Items(), row.expected);
    }
}

TEST(TrackFile, TheFirstAppendedLinkJoinsAnUnendedLastLine)
{
    TempFolder dir("track");
    const std::string path = dir.file("track.txt");
    TTrackFile track;
    TSeenList seen;
    WriteWholeFile(path, "a");
    track.Read(path, seen);
    seen.Add("b");
    track.Append(path, { "b" }, seen);
    track.Read(path, seen);
    EXPECT_EQ(seen.Items(), (Lines { "ab" }));
}

TEST(QueueProgress, PagesAreAppliedAsTheLinesThatMakeThemCount)
{
    struct Row
    {
        const char* what;
        std::string progress;
        TUrlQueue expected; // from the queue a, b
    };
    const std::string input = "a\r\nb\r\n";
    const Row rows[] = {
        { "pages with their links, in order", "+c\r\n+d\r\n-a\r\n+e\r\n-b\r\n", { "c", "d", "e" } },
        { "a page without links", "-a\r\n", { "b" } },
        { "a torn page line counts for nothing", "+c\r\n-a\r\n+d\r\n-b", { "b", "c" } },
        { "links whose page line never came", "-a\r\n+c\r\n+d\r\n", { "b" } },
        { "a torn link line", "-a\r\n+htt", { "b" } },
        { "a page that is not at the head leaves nothing", "+c\r\n-b\r\n", { "a", "b", "c" } },
        { "a fold mark of other contents: that fold never happened",
            "+c\r\n-a\r\n" + FoldMark("b\r\nc\r\n"), { "b", "c" } },
        { "the last mark announces the input file: folded already",
            "+c\r\n-a\r\n" + FoldMark(input), { "a", "b" } },
        { "a torn mark", "+c\r\n-a\r\n" + FoldMark(input).substr(0, 5), { "b", "c" } },
        { "empty", "", { "a", "b" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TUrlQueue queue { "a", "b" };
        ApplyProgress(row.progress, input, queue);
        EXPECT_EQ(queue, row.expected);
    }
    // Written entries read back the same.
    TUrlQueue queue { "x", "x" };
    ApplyProgress(ProgressEntry("x", { "y", "" }) + ProgressEntry("x", {}), "", queue);
    EXPECT_EQ(queue, (TUrlQueue { "y", "" }));
}

class QueueFileTest : public ::testing::Test
{
protected:
    std::string Text(const std::string& path) const
    {
        return std::filesystem::exists(path) ? ReadWholeFile(path) : "<none>";
    }
    TempFolder m_dir { "queue" };
    const std::string m_input = m_dir.file("in.txt");
    const std::string m_progress = ProgressFileOf(m_input);
};

// A killed run's progress file is folded by the next read that may write; a
// fold killed after its rewrite is found folded already. A read that may not
// write changes nothing.
TEST_F(QueueFileTest, AReadFoldsTheProgressALeftoverFileHolds)
{
    struct Row
    {
        const char* what;
        std::string input;
        std::string progress;
        TUrlQueue queue;
    };
    const Row rows[] = {
        { "a page done", "a\r\nb\r\n", "+c\r\n-a\r\n+d\r\n", { "b", "c" } },
        { "killed after the rewrite", "b\r\nc\r\n", "+c\r\n-b\r\n" + FoldMark("b\r\nc\r\n"),
            { "b", "c" } },
    };
    for (const auto& row : rows)
        for (const bool fold : { false, true }) {
            SCOPED_TRACE(std::string(row.what) + (fold ? ", folding" : ", only reading"));
            WriteFileAtomic(m_input, row.input);
            WriteFileAtomic(m_progress, row.progress);
            TUrlListFile file;
            TUrlQueue queue;
            file.Read(m_input, queue, fold);
            EXPECT_EQ(queue, row.queue);
            EXPECT_EQ(Text(m_input), fold ? JoinLines(row.queue) : row.input);
            EXPECT_EQ(Text(m_progress), fold ? "<none>" : row.progress);
        }
}

// Pages cost an append each; the queue is folded once the progress outgrows it.
TEST_F(QueueFileTest, PagesAppendUntilTheProgressOutgrowsTheInputFile)
{
    const std::string start = "http://a.test/\r\nhttp://b.test/\r\nhttp://d.test/\r\n";
    WriteFileAtomic(m_input, start);
    TUrlListFile file;
    TUrlQueue queue;
    file.Read(m_input, queue);
    file.Fold(m_input, queue);
    EXPECT_EQ(Text(m_progress), "<none>");

    queue.pop_front();
    queue.push_back("http://c.test/");
    file.PageDone(m_input, "http://a.test/", { "http://c.test/" });
    EXPECT_FALSE(file.Outgrown());
    EXPECT_EQ(Text(m_input), start);
    EXPECT_EQ(Text(m_progress), "+http://c.test/\r\n-http://a.test/\r\n");

    queue.pop_front();
    file.PageDone(m_input, "http://b.test/", {});
    EXPECT_TRUE(file.Outgrown());
    file.Fold(m_input, queue);
    EXPECT_EQ(Text(m_input), "http://d.test/\r\nhttp://c.test/\r\n");
    EXPECT_EQ(Text(m_progress), "<none>");
    EXPECT_FALSE(file.Outgrown());
}

} // namespace
