// The input and track files as the run keeps them: a read is skipped only
// while the file is the version the list mirrors; whatever else happened to
// the file, the list ends up holding the file's lines.
#include "crawl/TrackFile.h"
#include "crawl/UrlListFile.h"
#include "page/SeenList.h"
#include "platform/TextFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

using Lines = std::vector<std::string>;

struct Meddling
{
    const char* what;
    // Done to the file between the run's append and its next read.
    std::function<void(const std::string& path)> act;
    Lines expected;
};

TEST(TrackFile, TheNextReadGivesTheFileWhateverHappenedToIt)
{
    const Meddling rows[] = {
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
        // A same-size rewrite in the clock tick of the append cannot be told
        // apart; one in a later tick must be.
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

TEST(UrlListFile, ReadBackGivesTheFile)
{
    TempFolder dir("input");
    const std::string path = dir.file("in.txt");
    TUrlListFile input;
    // An entry holding a line break comes back as two.
    Lines urls = { "c\rd", "e" };
    input.Write(path, urls);
    input.ReadBack(path, urls);
    EXPECT_EQ(urls, (Lines { "c", "d", "e" }));

    // Another program's rewrite in between is what the list gets.
    input.Write(path, urls);
    WriteFileAtomic(path, "x\r\n");
    input.ReadBack(path, urls);
    EXPECT_EQ(urls, (Lines { "x" }));
}

} // namespace
