// skelvo-batch crawls a site served by nginx and is killed with SIGKILL at
// random moments, again and again, restarted each time from its files alone.
// After every kill the input and track files must be whole lines, the queue
// (the input file with its progress file applied) and the track file must be
// those from before or after some page, and every page that left the queue
// must have its record. Let finish, the crawl must hold every record of a
// crawl without kills (repeats allowed). A second case kills it while it
// writes a large queue into the input file.
#include "crawl/UrlListFile.h"
#include "platform/FileStamp.h"
#include "platform/TextSearch.h"
#include "tests/batch/BatchProcess.h"
#include "tests/support/RealServers.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <thread>
#include <unordered_set>
#include <utility>

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

constexpr int Pages = 30; // in each of the two folders
constexpr int MinKills = 50;
constexpr int KillsBeforeFinish = 70; // a margin over MinKills
constexpr int MaxRuns = 600; // in one crawl
constexpr int MaxRounds = 4; // crawls, each in a fresh folder

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

// FNV-1a, 64 bits, as the progress file's fold marks carry it.
std::uint64_t fnv1a(const std::string& bytes)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

// The queue the input file (`input`, its lines `queue`) and its progress file
// hold, read after the file format: CR LF lines; "+url" a link queued by the
// page whose "-url" line follows; that line makes the page count, and the
// page leaves the head of the queue when it stands there; "=size hash" the
// input file's contents announced just before a fold, which has taken place
// when the input file now is what the last mark announced. A last line
// without its CR LF counts for nothing.
Lines applyProgress(Lines queue, const std::string& input, const std::string& progress)
{
    char mark[64];
    std::snprintf(mark, sizeof mark, "=%zu %016llx", input.size(),
        static_cast<unsigned long long>(fnv1a(input)));
    std::vector<std::pair<std::string, Lines>> pages;
    Lines links;
    std::string lastMark;
    for (size_t from = 0, end; (end = progress.find("\r\n", from)) != std::string::npos;
         from = end + 2) {
        const std::string line = progress.substr(from, end - from);
        if (line.starts_with("+"))
            links.push_back(line.substr(1));
        else if (line.starts_with("-"))
            pages.emplace_back(line.substr(1), std::exchange(links, {}));
        else if (line.starts_with("="))
            lastMark = line;
    }
    if (lastMark == mark)
        return queue;
    for (const auto& [url, queued] : pages) {
        if (!queue.empty() && queue.front() == url)
            queue.erase(queue.begin());
        queue.insert(queue.end(), queued.begin(), queued.end());
    }
    return queue;
}

std::string textOf(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// True when the progress file's last line is a fold mark or the input file's
// temporary file is there: a kill fell inside a fold.
bool killedInFold(const std::string& input)
{
    std::string progress = textOf(ProgressFileOf(input));
    if (progress.ends_with("\r\n"))
        progress.resize(progress.size() - 2);
    const size_t lastBreak = progress.rfind("\r\n");
    const size_t lastLine = lastBreak == std::string::npos ? 0 : lastBreak + 2;
    return std::filesystem::exists(TemporaryFileOf(input))
        || (lastLine < progress.size() && progress[lastLine] == '=');
}

// Names in `folder` that only a write in progress has: temporary, progress and lock files.
Lines leftovers(const std::filesystem::path& folder)
{
    Lines names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().find(".skelvo-") != std::string::npos)
            names.push_back(entry.path().filename().string());
    return names;
}

struct TQueueFiles
{
    Lines queue; // the input file with its progress file applied
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
    // `web`: the settings' WEB section, if any.
    TCrawlFolder(
        const std::string& name, int port, const std::string& startUrl, const std::string& web = "")
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
               "[TARGETED]\r\nKEYWORDS2=\r\n[OPTIONS]\r\nFOLLOW=1\r\nNOINDEX=0\r\nINTERNAL=0\r\n"
            << web;
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
        if (!whole)
            return whole;
        files.queue = applyProgress(
            files.queue, textOf(File("input.txt")), textOf(ProgressFileOf(File("input.txt"))));
        return ReadWholeLines(File("track.txt"), files.track);
    }

    const std::filesystem::path& Folder() const { return m_folder.path(); }

private:
    TempFolder m_folder;
};

// The crawl of `site` killed again and again, its settings' WEB section `web`.
void KillAtRandomMoments(const std::string& web)
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
    const TCrawlFolder reference("crash-reference", server->Port(), start, web);
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
    // that the crawl lasts for many kills, start-up included. On a loaded
    // machine pages may still outrun the kills: a crawl that ends before
    // enough kills is checked and followed by another in a fresh folder.
    std::mt19937 rng(seed);
    auto window = longest / 10;
    auto shortestWithProgress = longest;
    int kills = 0;
    int killsInFold = 0;
    for (int round = 0; kills < MinKills; ++round) {
        ASSERT_LT(round, MaxRounds) << "the crawls ended before enough kills";
        SCOPED_TRACE("round " + std::to_string(round));
        const TCrawlFolder crawl(
            "crash-killed-" + std::to_string(round), server->Port(), start, web);
        TQueueFiles last { { start }, {} };
        std::map<std::string, int> dequeued;
        size_t completedCount = 0;
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
            if (batch.Kill()) {
                ++kills;
                killsInFold += killedInFold(crawl.File("input.txt"));
            } else {
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
        if (!finished) {
            ASSERT_TRUE(crawl.RunToEnd());
        }
        TQueueFiles end;
        ASSERT_TRUE(crawl.ReadQueueFiles(end));
        ASSERT_TRUE(CompletedPages(site, origin, last, end));
        EXPECT_TRUE(end.queue.empty());
        // Ended, the run left the queue in the input file alone.
        EXPECT_EQ(textOf(crawl.File("input.txt")), "");
        EXPECT_EQ(leftovers(crawl.Folder()), Lines {});
        auto written = Counted(crawl.File("output.txt"));
        for (const auto& [record, count] : referenceRecords)
            EXPECT_GE(written[record], count) << "missing record: " << record;
        for (const auto& [record, count] : written)
            EXPECT_TRUE(referenceRecords.count(record)) << "record no crawl writes: " << record;
    }
    ::testing::Test::RecordProperty("kills_in_a_fold", killsInFold);
}

TEST(CrashSafety, KilledAtRandomMomentsTheCrawlLosesNoQueuedUrlAndNoRecord)
{
    KillAtRandomMoments("");
}

// Pages fetched ahead over kept connections are never written out of turn.
TEST(CrashSafety, KilledAtRandomMomentsWithFourKeptConnectionsTheCrawlLosesNothing)
{
    KillAtRandomMoments("[WEB]\r\nKEEPALIVE=1\r\nCONNECTIONS=4\r\n");
}

TEST(CrashSafety, KilledWhileALargeQueueIsFoldedTheQueueStaysWholeAndNothingIsLeftOver)
{
    // Each run takes one URL that cannot be fetched off the head of a queue
    // of some MiB and ends with that error, folding the queue into the input
    // file; a progress file a killed run left is folded at the start.
    constexpr int Kills = 16;
    Lines queue;
    for (int i = 0; i < Kills + 1; ++i)
        queue.push_back("http:///no-host-" + std::to_string(i) + ".html");
    for (int i = 0; i < 100000; ++i)
        queue.push_back("http://127.0.0.1:9/waiting/page-" + std::to_string(i) + ".html");
    const TCrawlFolder crawl("crash-fold", 9, queue.front());
    std::string text;
    for (const auto& url : queue)
        text += url + "\r\n";
    std::ofstream(crawl.File("input.txt"), std::ios::binary) << text;
    const char* seedText = std::getenv("SKELVO_CRASH_SEED");
    std::mt19937 rng(seedText ? std::strtoul(seedText, nullptr, 10) : 20261208);

    size_t taken = 0;
    int foldKills = 0;
    for (int run = 0; run < Kills; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        // The kill falls a random moment after a rewrite of the input file
        // has begun: its temporary file is there, and not one a killed run left.
        const std::string temporary = TemporaryFileOf(crawl.File("input.txt"));
        const auto leftover = FileStampOf(temporary);
        TBatchProcess batch = crawl.Start();
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        for (auto now = leftover; (!now || now == leftover) && !batch.WaitExit(0ms)
             && std::chrono::steady_clock::now() < deadline;
             now = FileStampOf(temporary))
            std::this_thread::sleep_for(100us);
        std::this_thread::sleep_for(std::uniform_int_distribution(0, 4000)(rng) * 1us);
        if (batch.Kill()) {
            foldKills += killedInFold(crawl.File("input.txt"));
        } else {
            ASSERT_EQ(batch.ExitStatus(), 1) << crawl.Output();
            // Refused for a lock a killed run left would be no progress at all.
            ASSERT_EQ(TBatchProcess::Errors(crawl.Folder().string()).find("being crawled"),
                std::string::npos);
        }
        TQueueFiles now;
        ASSERT_TRUE(crawl.ReadQueueFiles(now));
        // The queue lost the URLs the runs took off its head, one a run at most.
        const auto from = queue.begin() + static_cast<std::ptrdiff_t>(taken);
        if (!std::equal(now.queue.begin(), now.queue.end(), from, queue.end())) {
            ASSERT_TRUE(std::equal(now.queue.begin(), now.queue.end(), from + 1, queue.end()))
                << "the queue holds " << now.queue.size() << " URLs, " << queue.size() - taken
                << " expected";
            ++taken;
        }
    }
    EXPECT_GT(foldKills, 0) << "no kill fell inside a fold";
    RecordProperty("kills_in_a_fold", foldKills);

    // The next run removes what the killed ones left, and ends with the queue
    // in the input file alone.
    TBatchProcess batch = crawl.Start();
    ASSERT_EQ(batch.WaitExit(60s), 1) << crawl.Output();
    EXPECT_EQ(leftovers(crawl.Folder()), Lines {});
    Lines left;
    ASSERT_TRUE(ReadWholeLines(crawl.File("input.txt"), left));
    EXPECT_TRUE(std::equal(left.begin(), left.end(),
        queue.begin() + static_cast<std::ptrdiff_t>(taken) + 1, queue.end()));
}

} // namespace
