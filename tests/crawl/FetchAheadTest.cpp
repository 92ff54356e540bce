// Crawls fetching pages ahead (CONNECTIONS) must leave, after every page, the
// same files and front-end lines as one page at a time, also on Stop and failures.
#include "CrawlFixture.h"
#include "crawl/UrlListFile.h"
#include "tests/support/NetTestUtil.h"

#include <QLoggingCategory>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using Texts = std::vector<std::string>;
const char* const CrawlFiles[]
    = { "out.txt", "saved.txt", "track.txt", "rejected.txt", "temp.txt" };

// Everything a crawl leaves after one of its pages, or at a run's end.
struct TCrawlTrace
{
    std::vector<Texts> states;
    Texts fetchLines;
};

class FetchAhead : public CrawlTest
{
protected:
    FetchAhead()
    {
        settings.rejectedFile = "rejected.txt";
        settings.saveLastModified = 1;
        frontEnd.followLinks = true;
    }

    Texts State()
    {
        Texts state;
        for (const char* name : CrawlFiles)
            state.push_back(Text(name));
        for (const auto& url : Queue())
            state.push_back(url);
        return state;
    }

    // Empty files and a new run object with `connections`, crawling `input`.
    void Fresh(int connections, const Texts& input)
    {
        for (const char* name : CrawlFiles)
            fs::remove(name);
        Restart();
        settings.connections = connections;
        WriteInput(input);
    }

    // Crawls `input` afresh in two runs, the first stopped after `stopAfter` pages.
    TCrawlTrace Crawl(int connections, const Texts& input, int stopAfter)
    {
        Fresh(connections, input);
        frontEnd.fetchLines.clear();
        TCrawlTrace trace;
        frontEnd.OnPage = [&](const TPageReport& report) {
            Texts state = State();
            state.push_back(std::to_string(report.done) + " " + std::to_string(report.left) + " "
                + report.url + " " + report.Reason());
            trace.states.push_back(state);
            if (report.done == stopAfter)
                Run().cmdStopClick();
        };
        for (int run = 0; run < 2; ++run) {
            EXPECT_EQ(Index(), "");
            // Ended or stopped, the input file alone holds the queue.
            Texts state = State();
            state.push_back(Text("in.txt"));
            state.push_back(fs::exists(ProgressFileOf("in.txt")) ? "progress file" : "");
            trace.states.push_back(state);
        }
        trace.fetchLines = frontEnd.fetchLines;
        return trace;
    }
};

TEST_F(FetchAhead, FourConnectionsWriteWhatOneWritesAfterEveryPage)
{
    const Texts input = { siteUrl("/index.html"), siteUrl("/missing.html"),
        "http://127.0.0.1:" + std::to_string(refusedPort()) + "/refused.html",
        siteUrl("/b1.html") };
    struct TRow
    {
        int keepAlive;
        int robots;
        int stopAfter;
    };
    for (const TRow row : { TRow { 0, 0, 3 }, TRow { 1, 0, 5 }, TRow { 1, 1, 2 } }) {
        SCOPED_TRACE("KEEPALIVE=" + std::to_string(row.keepAlive) + " ROBOTS="
            + std::to_string(row.robots) + " stop after " + std::to_string(row.stopAfter));
        settings.keepAlive = row.keepAlive;
        settings.obeyRobots = row.robots;
        const TCrawlTrace one = Crawl(1, input, row.stopAfter);
        const TCrawlTrace four = Crawl(4, input, row.stopAfter);
        ASSERT_EQ(one.states.size(), 13u);
        EXPECT_NE(Text("rejected.txt").find("/refused.html|"), std::string::npos);
        ASSERT_EQ(four.states.size(), one.states.size());
        for (std::size_t i = 0; i < one.states.size(); ++i)
            EXPECT_EQ(four.states[i], one.states[i]) << "after page " << i + 1;
        EXPECT_EQ(four.fetchLines, one.fetchLines);
    }
}

TEST_F(FetchAhead, APageWhoseRequestCannotStartEndsTheRunInItsTurn)
{
    // Fetched ahead, its request fails at once; in its turn it ends the run.
    const Texts input = { siteUrl("/index.html"), "http:///no-host.html", siteUrl("/b1.html") };
    std::vector<Texts> ends;
    for (const int connections : { 1, 4 }) {
        Fresh(connections, input);
        const std::string error = Index();
        EXPECT_NE(error, "");
        Texts end = State();
        end.push_back(error);
        ends.push_back(end);
    }
    EXPECT_EQ(ends[1], ends[0]);
    // The queue lost the page and kept the one behind it.
    EXPECT_EQ(Queue().front(), siteUrl("/b1.html"));
}

// The crawl's debug lines that name a page fetched ahead, while one is alive.
class AheadLines
{
public:
    AheadLines()
    {
        s_urls.clear();
        QLoggingCategory::setFilterRules("skelvo.crawl.debug=true");
        m_previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& message) {
                const std::string line = message.toStdString();
                if (line.starts_with("fetching ahead: "))
                    s_urls.push_back(line.substr(16));
            });
    }
    ~AheadLines()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    static inline Texts s_urls;

private:
    QtMessageHandler m_previous;
};

TEST_F(FetchAhead, ADelayOrACrawlDelayKeepsASiteToOneRequestAtATime)
{
    const std::string robots = siteFile("/robots.txt");
    std::ofstream(robots, std::ios::binary) << "User-agent: *\r\nCrawl-delay: 0.001\r\n";
    struct TRemove
    {
        std::string path;
        ~TRemove() { fs::remove(path); }
    } remove { robots };
    struct TRow
    {
        int delay;
        int robots;
        bool ahead;
    };
    for (const TRow row : { TRow { 0, 0, true }, TRow { 1, 0, false }, TRow { 0, 1, false } }) {
        SCOPED_TRACE(
            "DELAY=" + std::to_string(row.delay) + " ROBOTS=" + std::to_string(row.robots));
        settings.requestDelay = row.delay;
        settings.obeyRobots = row.robots;
        settings.connections = 4;
        fs::remove("track.txt");
        Restart();
        frontEnd.pages.clear();
        WriteInput({ siteUrl("/index.html") });
        const AheadLines ahead;
        ASSERT_EQ(Index(), "");
        EXPECT_EQ(frontEnd.pages.size(), 8u);
        EXPECT_EQ(!AheadLines::s_urls.empty(), row.ahead);
    }
}

} // namespace
