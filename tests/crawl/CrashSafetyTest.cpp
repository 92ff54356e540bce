// Crash safety of the crawl's files: skelvo-batch crawls a small site served
// by a real nginx and is killed with SIGKILL at random moments, again and
// again, each time restarted from its files alone. After every kill the input
// and track files must be whole and must hold exactly what they held after
// some page of the run (the queue before or after the page in progress), and
// every page that left the queue must have its record. When the crawl is
// finally let finish, it must have written every record a crawl without kills
// writes: a record may be repeated, none may be missing.
#include "BatchProcess.h"
#include "platform/TextSearch.h"
#include "tests/support/RealServers.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

constexpr int GuidePages = 30;
constexpr int NotePages = 29;
constexpr int MinKills = 50;
// Kills made before the crawl is let finish; a few more than required, so
// that a crawl ending early still leaves the minimum met.
constexpr int KillsBeforeFinish = 70;
constexpr int MaxRuns = 600;
constexpr auto CrawlDeadline = 60s;
constexpr unsigned DefaultSeed = 20261208;

// The seed of the kill moments; SKELVO_CRASH_SEED replays or varies a run.
unsigned KillSeed()
{
    const char* text = std::getenv("SKELVO_CRASH_SEED");
    return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : DefaultSeed;
}

// The fixture site: a home page linking to every guide page and the first
// note; guide and note pages each linking to their successor, to a few pages
// of the other folder (some twice), and back home, so the start URL is found
// again as a link. Only plain relative and root-relative .html links, so the
// links of each page are known without repeating the link rules.
class TFixtureSite
{
public:
    TFixtureSite()
    {
        std::mt19937 rng(7);
        const auto pick
            = [&rng](int count) { return std::uniform_int_distribution<int>(1, count)(rng); };
        Page& home = AddPage("/index.html", "Home of the fixture site");
        for (int i = 1; i <= GuidePages; ++i)
            Link(home, "guide/" + Name(i), "/guide/" + Name(i));
        Link(home, "notes/" + Name(1), "/notes/" + Name(1));
        for (int folder = 0; folder < 2; ++folder) {
            const bool guide = folder == 0;
            const int count = guide ? GuidePages : NotePages;
            const std::string own = guide ? "/guide/" : "/notes/";
            const std::string other = guide ? "/notes/" : "/guide/";
            for (int i = 1; i <= count; ++i) {
                Page& page = AddPage(own + Name(i),
                    std::string(guide ? "Guide" : "Notes") + " page " + std::to_string(i));
                if (i < count)
                    Link(page, Name(i + 1), own + Name(i + 1));
                const std::string first = other + Name(pick(guide ? NotePages : GuidePages));
                Link(page, first, first);
                const std::string second = other + Name(pick(guide ? NotePages : GuidePages));
                Link(page, second, second);
                if (i % 3 == 0)
                    Link(page, first, first);
                Link(page, "/index.html", "/index.html");
            }
        }
    }

    // Writes every page below `root`.
    void Write(const std::string& root) const
    {
        for (const Page& page : m_pages) {
            const std::string path = root + page.path;
            std::filesystem::create_directories(std::filesystem::path(path).parent_path());
            std::ofstream(path, std::ios::binary) << Html(page);
        }
    }

    // The links of the page at `url` (below `origin`) as absolute URLs, in page order.
    Lines LinksOf(const std::string& origin, const std::string& url) const
    {
        Lines links;
        for (const Page& page : m_pages) {
            if (origin + page.path == url) {
                for (const auto& target : page.targets)
                    links.push_back(origin + target);
            }
        }
        return links;
    }

private:
    struct Page
    {
        std::string path;
        std::string title;
        Lines hrefs; // as written in the page
        Lines targets; // the same links as paths from the site root
    };

    static std::string Name(int i)
    {
        return "page-" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".html";
    }

    Page& AddPage(const std::string& path, const std::string& title)
    {
        m_pages.push_back({ path, title, {}, {} });
        return m_pages.back();
    }

    static void Link(Page& page, const std::string& href, const std::string& target)
    {
        page.hrefs.push_back(href);
        page.targets.push_back(target);
    }

    static std::string Html(const Page& page)
    {
        std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                           "<title>"
            + page.title + "</title>\n<meta name=\"description\" content=\"About " + page.title
            + ", one of the pages of the fixture site.\">\n"
              "<meta name=\"keywords\" content=\"fixture, crawl, "
            + page.title + "\">\n</head>\n<body>\n<h1>" + page.title + "</h1>\n";
        for (int i = 0; i < 24; ++i)
            html += "<p>Paragraph " + std::to_string(i)
                + " of this page holds enough ordinary words to make the fetch take a moment "
                  "and the page look like a page.</p>\n";
        html += "<ul>\n";
        for (const auto& href : page.hrefs)
            html += "<li><a href=\"" + href + "\">" + href + "</a></li>\n";
        return html + "</ul>\n</body>\n</html>\n";
    }

    std::vector<Page> m_pages;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lines of a file that must consist of whole lines, each a non-empty text
// ended by CR LF; a missing file has none. Fails on anything else: a torn last
// line, a bare CR or LF, an empty line.
::testing::AssertionResult ReadWholeLines(const std::string& path, Lines& lines)
{
    lines.clear();
    const std::string text = ReadFile(path);
    size_t from = 0;
    while (from < text.size()) {
        const size_t end = text.find("\r\n", from);
        if (end == std::string::npos)
            return ::testing::AssertionFailure()
                << path << " ends in a torn line: \"" << text.substr(from) << "\"";
        const std::string line = text.substr(from, end - from);
        if (line.empty() || line.find_first_of("\r\n") != std::string::npos)
            return ::testing::AssertionFailure()
                << path << " holds a line that is empty or broken: \"" << line << "\"";
        lines.push_back(line);
        from = end + 2;
    }
    return ::testing::AssertionSuccess();
}

// What the crawl's two queue files hold.
struct TQueueFiles
{
    Lines queue; // the input file
    Lines track; // the track file
};

// The two files as a crawl without kills changes them, page by page: each
// page leaves the head of the queue, and its links not yet in the track file
// are appended to the queue and then to the track file.
class TFileModel
{
public:
    TFileModel(const TFixtureSite& site, const std::string& origin, TQueueFiles files)
        : m_site(site)
        , m_origin(origin)
        , m_files(std::move(files))
        , m_trackBeforeLastPage(m_files.track.size())
    {
        for (const auto& url : m_files.track)
            m_seen.insert(LowerCase(url));
    }

    bool QueueEmpty() const { return m_files.queue.empty(); }

    // Completes the page at the head of the queue; returns its URL.
    std::string CompletePage()
    {
        const std::string url = m_files.queue.front();
        m_files.queue.erase(m_files.queue.begin());
        m_trackBeforeLastPage = m_files.track.size();
        for (const auto& link : m_site.LinksOf(m_origin, url)) {
            if (m_seen.insert(LowerCase(link)).second) {
                m_files.queue.push_back(link);
                m_files.track.push_back(link);
            }
        }
        return url;
    }

    // True when `files` hold what the files hold now, allowing the links of
    // the last page to be missing from the end of the track file (they reach
    // it only after the queue is rewritten).
    bool Holds(const TQueueFiles& files) const
    {
        const Lines& track = m_files.track;
        return files.queue == m_files.queue && files.track.size() <= track.size()
            && files.track.size() >= m_trackBeforeLastPage
            && std::equal(files.track.begin(), files.track.end(), track.begin());
    }

private:
    const TFixtureSite& m_site;
    const std::string m_origin;
    TQueueFiles m_files;
    size_t m_trackBeforeLastPage;
    std::unordered_set<std::string> m_seen;
};

// The pages completed from files as they stood to files as they stand now,
// in order; nothing when no number of pages leads to what the files hold.
std::optional<Lines> CompletedPages(const TFixtureSite& site, const std::string& origin,
    const TQueueFiles& before, const TQueueFiles& now)
{
    TFileModel model(site, origin, before);
    Lines completed;
    while (!model.Holds(now)) {
        if (model.QueueEmpty())
            return std::nullopt;
        completed.push_back(model.CompletePage());
    }
    return completed;
}

// How many pages a crawl without kills still completes from `files`.
int PagesLeft(const TFixtureSite& site, const std::string& origin, const TQueueFiles& files)
{
    TFileModel model(site, origin, files);
    int pages = 0;
    for (; !model.QueueEmpty(); ++pages)
        model.CompletePage();
    return pages;
}

std::string Describe(const Lines& lines)
{
    std::string text = std::to_string(lines.size()) + " lines";
    for (size_t i = 0; i < lines.size() && i < 4; ++i)
        text += (i ? ", " : ": ") + lines[i];
    return text + (lines.size() > 4 ? ", ..." : "");
}

// A crawl's folder: its settings, its four files and the program's output.
class TCrawlFolder
{
public:
    TCrawlFolder(const std::string& name, int port, const std::string& startUrl)
        : m_folder(name)
    {
        const std::string settings = "[PATHS]\r\nOUTPUT=" + File("output.txt")
            + "\r\nINPUT=" + File("input.txt") + "\r\nSAVED=" + File("saved.txt")
            + "\r\nTRACK=" + File("track.txt")
            + "\r\n[OUTPUT]\r\nSEPERATOR=|\r\nCUTOFF=70\r\nDESC=255\r\nB1=0\r\nB3=0\r\nB4=0\r\n"
              "[PROXY]\r\nADDRESS=\r\nNAME=\r\nPASSWORD=\r\nPORT=80\r\nENABLED=0\r\n"
              // The site root of every link ends with the server's host and port.
              "[FOLLOWING]\r\nEXT1=127.0.0.1:"
            + std::to_string(port)
            + "\r\nEXT2=.HTML\r\n[FILTER1]\r\nKEYWORDS1=\r\n[FILTER2]\r\nDOMAINS1=\r\n"
              "[TARGETED]\r\nKEYWORDS2=\r\n[OPTIONS]\r\nFOLLOW=1\r\nNOINDEX=0\r\nINTERNAL=0\r\n";
        std::ofstream(File("skelvo.ini"), std::ios::binary) << settings;
        std::ofstream(File("input.txt"), std::ios::binary) << startUrl << "\r\n";
    }

    std::string File(const std::string& name) const { return m_folder.file(name); }

    TBatchProcess Start() const
    {
        return TBatchProcess(
            SKELVO_BATCH_PATH, m_folder.path().string(), { "--settings", File("skelvo.ini") });
    }

    std::string Output() const { return TBatchProcess::Output(m_folder.path().string()); }

    // Runs the crawl to its end (bounded); fails unless it ends with status 0.
    ::testing::AssertionResult RunToEnd() const
    {
        TBatchProcess batch = Start();
        const auto status = batch.WaitExit(CrawlDeadline);
        if (status != 0)
            return ::testing::AssertionFailure()
                << "skelvo-batch "
                << (status ? "ended with status " + std::to_string(*status)
                           : std::string("did not end in time"))
                << ":\n"
                << Output();
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult ReadQueueFiles(TQueueFiles& files) const
    {
        if (!std::filesystem::exists(File("input.txt")))
            return ::testing::AssertionFailure() << "the input file is gone";
        auto whole = ReadWholeLines(File("input.txt"), files.queue);
        if (whole)
            whole = ReadWholeLines(File("track.txt"), files.track);
        return whole;
    }

    // How many records name each URL in the saved file and in the output file
    // (the URL is a record's last field); the lower count of the two.
    ::testing::AssertionResult CountRecords(std::map<std::string, int>& counts) const
    {
        Lines saved, records;
        auto whole = ReadWholeLines(File("saved.txt"), saved);
        if (whole)
            whole = ReadWholeLines(File("output.txt"), records);
        std::map<std::string, int> inSaved, inOutput;
        for (const auto& url : saved)
            ++inSaved[url];
        for (const auto& record : records)
            ++inOutput[record.substr(record.rfind('|') + 1)];
        counts.clear();
        for (const auto& [url, count] : inSaved)
            counts[url] = std::min(count, inOutput[url]);
        return whole;
    }

    Lines Records() const
    {
        Lines records;
        EXPECT_TRUE(ReadWholeLines(File("output.txt"), records));
        return records;
    }

private:
    TempFolder m_folder;
};

TEST(CrashSafety, KilledAtRandomMomentsTheCrawlLosesNoQueuedUrlAndNoRecord)
{
    const auto server = TRealServer::StartNginx("");
    const TFixtureSite site;
    site.Write(server->Dir() + "/www");
    const std::string origin = "http://127.0.0.1:" + std::to_string(server->Port());
    const std::string start = origin + "/index.html";
    const unsigned seed = KillSeed();
    SCOPED_TRACE("kill seed " + std::to_string(seed));

    // A crawl without kills: what must be reached, and how long a crawl takes.
    const TCrawlFolder reference("crash-reference", server->Port(), start);
    const auto referenceStart = std::chrono::steady_clock::now();
    ASSERT_TRUE(reference.RunToEnd());
    const auto referenceTime = std::chrono::steady_clock::now() - referenceStart;
    TQueueFiles referenceEnd;
    ASSERT_TRUE(reference.ReadQueueFiles(referenceEnd));
    Lines referenceSaved;
    ASSERT_TRUE(ReadWholeLines(reference.File("saved.txt"), referenceSaved));
    // The file model below is right about this site: it predicts the
    // uninterrupted crawl page by page.
    const auto allPages = CompletedPages(site, origin, { { start }, {} }, referenceEnd);
    ASSERT_TRUE(allPages.has_value()) << "final queue " << Describe(referenceEnd.queue);
    ASSERT_TRUE(referenceEnd.queue.empty());
    ASSERT_EQ(referenceSaved, *allPages);
    const Lines referenceRecords = reference.Records();
    ASSERT_EQ(referenceRecords.size(), allPages->size());

    const TCrawlFolder crawl("crash-killed", server->Port(), start);
    std::mt19937 rng(seed);
    // Kills come at a uniform moment within a window that adapts to the
    // machine's speed: wider while kills find no page completed, narrower
    // while several pages complete between kills, so the crawl lasts for
    // many kills and they fall anywhere in a cycle, start-up included. When
    // fewer pages are left than kills wanted, the window stays below the
    // shortest delay that has let a page complete.
    const auto longest = std::chrono::duration_cast<std::chrono::microseconds>(referenceTime);
    const auto shortest = std::chrono::microseconds(200);
    auto window = longest / 10;
    auto shortestWithProgress = longest;
    TQueueFiles last { { start }, {} };
    std::map<std::string, int> dequeued; // URL -> cycles completed for it
    int kills = 0;
    int killsWithoutProgress = 0;
    int killsAfterRecord = 0;
    int lastSurplus = 0;
    bool finished = false;
    for (int run = 0; kills < KillsBeforeFinish && !finished; ++run) {
        ASSERT_LT(run, MaxRuns) << "too many runs without the kills wanted";
        if (PagesLeft(site, origin, last) <= KillsBeforeFinish - kills)
            window = std::max(shortest, std::min(window, shortestWithProgress / 2));
        const auto delay
            = std::uniform_int_distribution<std::int64_t>(0, window.count())(rng) * 1us;
        TBatchProcess batch = crawl.Start();
        std::this_thread::sleep_for(delay);
        if (batch.Kill()) {
            ++kills;
        } else {
            ASSERT_EQ(batch.ExitStatus(), 0) << crawl.Output();
            finished = true;
        }
        SCOPED_TRACE("after run " + std::to_string(run) + ", " + std::to_string(kills) + " kills");

        TQueueFiles now;
        ASSERT_TRUE(crawl.ReadQueueFiles(now));
        const auto completed = CompletedPages(site, origin, last, now);
        ASSERT_TRUE(completed.has_value())
            << "the files hold no state the crawl passes through.\nqueue before: "
            << Describe(last.queue) << "\nqueue now: " << Describe(now.queue)
            << "\ntrack before: " << Describe(last.track) << "\ntrack now: " << Describe(now.track);
        for (const auto& url : *completed)
            ++dequeued[url];
        std::map<std::string, int> records;
        ASSERT_TRUE(crawl.CountRecords(records));
        for (const auto& [url, count] : dequeued)
            ASSERT_GE(records[url], count) << url << " left the queue without its record";
        // Every completed page writes one record, so records beyond the
        // pages completed grow only when a kill falls between a record and
        // the rewrite that removes its page.
        int surplus = 0;
        for (const auto& [url, count] : records)
            surplus += count - dequeued[url];
        if (surplus > lastSurplus)
            ++killsAfterRecord;
        lastSurplus = surplus;
        last = now;

        if (completed->empty()) {
            ++killsWithoutProgress;
            window = std::min(longest, window * 6 / 5);
        } else {
            shortestWithProgress = std::min(shortestWithProgress, delay);
            if (completed->size() > 1)
                window = std::max(shortest, window * 7 / 10);
        }
    }
    std::cout << kills << " kills: " << killsWithoutProgress << " before a page was completed, "
              << killsAfterRecord << " between a record and the rewrite removing its page\n";
    ASSERT_GE(kills, MinKills) << "the crawl ended before enough kills";

    if (!finished) {
        ASSERT_TRUE(crawl.RunToEnd());
    }
    TQueueFiles end;
    ASSERT_TRUE(crawl.ReadQueueFiles(end));
    ASSERT_TRUE(CompletedPages(site, origin, last, end).has_value());
    EXPECT_TRUE(end.queue.empty()) << Describe(end.queue);

    // Every record of the crawl without kills, as often as there; repeats
    // allowed, and no record that crawl did not write.
    std::map<std::string, int> expected, written;
    for (const auto& record : referenceRecords)
        ++expected[record];
    for (const auto& record : crawl.Records())
        ++written[record];
    for (const auto& [record, count] : expected)
        EXPECT_GE(written[record], count) << "missing record: " << record;
    for (const auto& [record, count] : written)
        EXPECT_TRUE(expected.count(record)) << "record no crawl writes: " << record;
}

} // namespace
