// skelvo-batch crawls a site served by nginx and is killed with SIGKILL at
// random moments, again and again, restarted each time from its files alone.
// After every kill the input and track files must be whole lines and hold the
// queue from before or after some page, and every page that left the queue
// must have its record. Let finish, the crawl must hold every record of a
// crawl without kills (repeats allowed).
#include "platform/TextSearch.h"
#include "tests/batch/BatchProcess.h"
#include "tests/support/RealServers.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <thread>
#include <unordered_set>

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

constexpr int Pages = 30; // in each of the two folders
constexpr int MinKills = 50;
constexpr int KillsBeforeFinish = 70; // a margin over MinKills
constexpr int MaxRuns = 600;

// Home links every guide page; each guide and notes page links its successor,
// two pages of the other folder (sometimes twice) and home again. Plain
// root-relative links only, so each page's links are known without the link rules.
struct TSite
{
    std::map<std::string, Lines> links; // path -> links, in page order

    TSite()
    {
        std::mt19937 rng(7);
        const auto name = [](const char* folder, int i) {
            return std::string(folder) + "page-" + (i < 10 ? "0" : "") + std::to_string(i)
                + ".html";
        };
        for (int i = 1; i <= Pages; ++i)
            links["/index.html"].push_back(name("/guide/", i));
        for (const auto& [own, other] :
            { std::pair { "/guide/", "/notes/" }, std::pair { "/notes/", "/guide/" } })
            for (int i = 1; i <= Pages; ++i) {
                Lines& out = links[name(own, i)];
                if (i < Pages)
                    out.push_back(name(own, i + 1));
                const std::string first = name(other, std::uniform_int_distribution(1, Pages)(rng));
                out.push_back(first);
                out.push_back(name(other, std::uniform_int_distribution(1, Pages)(rng)));
                if (i % 3 == 0)
                    out.push_back(first);
                out.push_back("/index.html");
            }
    }

    void Write(const std::string& root) const
    {
        for (const auto& [path, targets] : links) {
            std::filesystem::create_directories(std::filesystem::path(root + path).parent_path());
            std::string html = "<html><head><title>Page " + path
                + "</title>\n<meta name=\"description\" "
                  "content=\"About "
                + path + "\">\n</head><body>\n";
            for (int i = 0; i < 24; ++i)
                html += "<p>Ordinary words that make the fetch take a moment.</p>\n";
            for (const auto& target : targets)
                html += "<a href=\"" + target + "\">" + target + "</a>\n";
            std::ofstream(root + path, std::ios::binary) << html << "</body></html>\n";
        }
    }
};

// The lines of a file that must be whole lines, each non-empty and ended by
// CR LF; a missing file has none.
::testing::AssertionResult ReadWholeLines(const std::string& path, Lines& lines)
{
    lines.clear();
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    const std::string all = text.str();
    for (size_t from = 0; from < all.size();) {
        const size_t end = all.find("\r\n", from);
        const std::string line = all.substr(from, end - from);
        if (end == std::string::npos || line.empty()
            || line.find_first_of("\r\n") != std::string::npos)
            return ::testing::AssertionFailure()
                << path << " holds a torn or broken line: " << line;
        lines.push_back(line);
        from = end + 2;
    }
    return ::testing::AssertionSuccess();
}

// How often each line of a whole-line file occurs; by its last field (a
// record's URL) when `byUrl`.
std::map<std::string, int> Counted(const std::string& path, bool byUrl = false)
{
    Lines lines;
    EXPECT_TRUE(ReadWholeLines(path, lines));
    std::map<std::string, int> counts;
    for (const auto& line : lines)
        ++counts[byUrl ? line.substr(line.rfind('|') + 1) : line];
    return counts;
}

struct TQueueFiles
{
    Lines queue; // the input file
    Lines track;
};

// The pages a crawl without kills completes from `before` until the files
// hold `now` (the track file may still lack the last page's links, which
// reach it after the queue is rewritten); nothing when no page count leads there.
std::optional<Lines> CompletedPages(
    const TSite& site, const std::string& origin, TQueueFiles files, const TQueueFiles& now)
{
    std::unordered_set<std::string> seen;
    for (const auto& url : files.track)
        seen.insert(LowerCase(url));
    size_t trackBefore = files.track.size();
    Lines completed;
    while (!(now.queue == files.queue && now.track.size() >= trackBefore
        && now.track.size() <= files.track.size()
        && std::equal(now.track.begin(), now.track.end(), files.track.begin()))) {
        if (files.queue.empty())
            return std::nullopt;
        const std::string url = files.queue.front();
        files.queue.erase(files.queue.begin());
        trackBefore = files.track.size();
        const auto page = site.links.find(url.substr(origin.size()));
        for (const auto& link : page == site.links.end() ? Lines() : page->second)
            if (seen.insert(LowerCase(origin + link)).second) {
                files.queue.push_back(origin + link);
                files.track.push_back(origin + link);
            }
        completed.push_back(url);
    }
    return completed;
}

class TCrawlFolder
{
public:
    TCrawlFolder(const std::string& name, int port, const std::string& startUrl)
        : m_folder(name)
    {
        std::ofstream(File("skelvo.ini"), std::ios::binary)
            << "[PATHS]\r\nOUTPUT=" << File("output.txt") << "\r\nINPUT=" << File("input.txt")
            << "\r\nSAVED=" << File("saved.txt") << "\r\nTRACK=" << File("track.txt")
            << "\r\n[OUTPUT]\r\nSEPERATOR=|\r\nCUTOFF=70\r\nDESC=255\r\nB1=0\r\nB3=0\r\nB4=0\r\n"
               "[PROXY]\r\nADDRESS=\r\nNAME=\r\nPASSWORD=\r\nPORT=80\r\nENABLED=0\r\n"
               "[FOLLOWING]\r\nEXT1=127.0.0.1:"
            << port
            << "\r\nEXT2=.HTML\r\n[FILTER1]\r\nKEYWORDS1=\r\n[FILTER2]\r\nDOMAINS1=\r\n"
               "[TARGETED]\r\nKEYWORDS2=\r\n[OPTIONS]\r\nFOLLOW=1\r\nNOINDEX=0\r\nINTERNAL=0\r\n";
        std::ofstream(File("input.txt"), std::ios::binary) << startUrl << "\r\n";
    }

    std::string File(const std::string& name) const { return m_folder.file(name); }
    std::string Output() const { return TBatchProcess::Output(m_folder.path().string()); }
    TBatchProcess Start() const
    {
        return TBatchProcess(
            SKELVO_BATCH_PATH, m_folder.path().string(), { "--settings", File("skelvo.ini") });
    }

    ::testing::AssertionResult RunToEnd() const
    {
        TBatchProcess batch = Start();
        if (batch.WaitExit(60s) != 0)
            return ::testing::AssertionFailure() << "skelvo-batch failed:\n" << Output();
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult ReadQueueFiles(TQueueFiles& files) const
    {
        if (!std::filesystem::exists(File("input.txt")))
            return ::testing::AssertionFailure() << "the input file is gone";
        auto whole = ReadWholeLines(File("input.txt"), files.queue);
        return whole ? ReadWholeLines(File("track.txt"), files.track) : whole;
    }

private:
    TempFolder m_folder;
};

TEST(CrashSafety, KilledAtRandomMomentsTheCrawlLosesNoQueuedUrlAndNoRecord)
{
    const auto server = TRealServer::StartNginx("");
    const TSite site;
    site.Write(server->Dir() + "/www");
    const std::string origin = "http://127.0.0.1:" + std::to_string(server->Port());
    const std::string start = origin + "/index.html";
    // SKELVO_CRASH_SEED replays or varies the kill moments.
    const char* seedText = std::getenv("SKELVO_CRASH_SEED");
    const auto seed
        = static_cast<unsigned>(seedText ? std::strtoul(seedText, nullptr, 10) : 20261208);
    SCOPED_TRACE("kill seed " + std::to_string(seed));

    // A crawl without kills; the model must predict it page by page.
    const TCrawlFolder reference("crash-reference", server->Port(), start);
    const auto referenceStart = std::chrono::steady_clock::now();
    ASSERT_TRUE(reference.RunToEnd());
    const auto longest = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - referenceStart);
    TQueueFiles referenceEnd;
    Lines referenceSaved;
    ASSERT_TRUE(reference.ReadQueueFiles(referenceEnd));
    ASSERT_TRUE(ReadWholeLines(reference.File("saved.txt"), referenceSaved));
    const auto allPages = CompletedPages(site, origin, { { start }, {} }, referenceEnd);
    ASSERT_TRUE(allPages && referenceEnd.queue.empty());
    ASSERT_EQ(referenceSaved, *allPages);
    const auto referenceRecords = Counted(reference.File("output.txt"));

    // Kills fall at a uniform moment in a window that widens while kills find
    // no page completed and narrows while several complete between kills, so
    // that the crawl lasts for many kills, start-up included.
    const TCrawlFolder crawl("crash-killed", server->Port(), start);
    std::mt19937 rng(seed);
    auto window = longest / 10;
    auto shortestWithProgress = longest;
    TQueueFiles last { { start }, {} };
    std::map<std::string, int> dequeued;
    size_t completedCount = 0;
    int kills = 0;
    bool finished = false;
    for (int run = 0; kills < KillsBeforeFinish && !finished; ++run) {
        ASSERT_LT(run, MaxRuns);
        // With fewer pages left than kills wanted, stay below the shortest
        // delay that let a page complete.
        if (allPages->size() - completedCount <= size_t(KillsBeforeFinish - kills))
            window = std::max(200us, std::min(window, shortestWithProgress / 2));
        const auto delay
            = std::uniform_int_distribution<std::int64_t>(0, window.count())(rng) * 1us;
        TBatchProcess batch = crawl.Start();
        std::this_thread::sleep_for(delay);
        if (batch.Kill())
            ++kills;
        else {
            ASSERT_EQ(batch.ExitStatus(), 0) << crawl.Output();
            finished = true;
        }
        SCOPED_TRACE("run " + std::to_string(run));

        TQueueFiles now;
        ASSERT_TRUE(crawl.ReadQueueFiles(now));
        const auto completed = CompletedPages(site, origin, last, now);
        ASSERT_TRUE(completed) << "the files hold no state the crawl passes through";
        for (const auto& url : *completed)
            ++dequeued[url];
        completedCount += completed->size();
        auto saved = Counted(crawl.File("saved.txt"));
        auto records = Counted(crawl.File("output.txt"), true);
        for (const auto& [url, count] : dequeued) {
            ASSERT_GE(std::min(saved[url], records[url]), count)
                << url << " left the queue without its record";
        }
        last = now;
        if (completed->empty())
            window = std::min(longest, window * 6 / 5);
        else {
            shortestWithProgress = std::min(shortestWithProgress, delay);
            if (completed->size() > 1)
                window = std::max(200us, window * 7 / 10);
        }
    }
    ASSERT_GE(kills, MinKills) << "the crawl ended before enough kills";

    if (!finished) {
        ASSERT_TRUE(crawl.RunToEnd());
    }
    TQueueFiles end;
    ASSERT_TRUE(crawl.ReadQueueFiles(end));
    ASSERT_TRUE(CompletedPages(site, origin, last, end));
    EXPECT_TRUE(end.queue.empty());
    auto written = Counted(crawl.File("output.txt"));
    for (const auto& [record, count] : referenceRecords)
        EXPECT_GE(written[record], count) << "missing record: " << record;
    for (const auto& [record, count] : written)
        EXPECT_TRUE(referenceRecords.count(record)) << "record no crawl writes: " << record;
}

} // namespace
