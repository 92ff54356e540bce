// skelvo-batch as a process: its exit statuses, its page lines, what
// --verbose shows, Ctrl+C once (stop after the page) and twice (abandon the
// page), one crawl at a time per input file, and the queue files it leaves.
#include "tests/batch/BatchProcess.h"
#include "crawl/UrlListFile.h"
#include "platform/TextFile.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/RealServers.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;
using Urls = std::vector<std::string>;

const char* const SettingsText = "[PATHS]\r\nOUTPUT=out.txt\r\nINPUT=in.txt\r\nSAVED=saved.txt\r\n"
                                 "TRACK=track.txt\r\n[OUTPUT]\r\nSEPERATOR=|\r\nCUTOFF=70\r\n"
                                 "DESC=255\r\nB1=0\r\nB3=0\r\nB4=0\r\n[PROXY]\r\nPORT=80\r\n"
                                 "ENABLED=0\r\n[OPTIONS]\r\nFOLLOW=0\r\nNOINDEX=0\r\n"
                                 "INTERNAL=0\r\n";

// A page on a real nginx for the whole program, started at first use.
std::string siteUrl(const std::string& path)
{
    static const std::unique_ptr<TRealServer> site = [] {
        auto nginx = TRealServer::StartNginx("");
        std::ofstream(nginx->Dir() + "/www/b1.html", std::ios::binary)
            << "<html><title>Page B1</title><body>B1</body></html>\r\n";
        return nginx;
    }();
    return "http://127.0.0.1:" + std::to_string(site->Port()) + path;
}

class Batch : public ::testing::Test
{
protected:
    Batch()
    {
        WriteWholeFile(m_dir.file("ok.ini"), SettingsText);
        std::string bad = SettingsText;
        bad.replace(bad.find("CUTOFF=70"), 9, "CUTOFF=seventy");
        WriteWholeFile(m_dir.file("bad.ini"), bad);
        WriteWholeFile(m_dir.file("web.ini"),
            std::string(SettingsText) + "[WEB]\r\nHTTPS=1\r\nCAFILE=missing.pem\r\n");
    }

    TBatchProcess Start(const Urls& args) const
    {
        return TBatchProcess(SKELVO_BATCH_PATH, m_dir.path().string(), args);
    }
    std::string Out() const { return TBatchProcess::Output(m_dir.path().string()); }
    std::string Err() const { return TBatchProcess::Errors(m_dir.path().string()); }
    void WriteInput(const Urls& urls) const { WriteUrlList(m_dir.file("in.txt"), urls); }
    Urls Lines(const char* name) const
    {
        return fs::exists(m_dir.file(name)) ? ReadUrlList(m_dir.file(name)) : Urls();
    }

    // Runs the batch over a slow page, then `next`, and sends `signals` once
    // the request has arrived (the batch is inside the fetch, its signal
    // catcher installed). Returns the slow page's URL.
    std::string RunInterrupted(const std::string& next, const std::vector<int>& signals)
    {
        ScriptedPeer peer;
        peer.accept()
            .readUntil("\r\n\r\n")
            .send("HTTP/1.0 200 OK\r\n\r\n<title>Slow Page</title>\r\n")
            .sleep(1500)
            .send("<p>The rest.</p>\r\n")
            .close();
        peer.start();
        const std::string slow = "http://127.0.0.1:" + std::to_string(peer.port()) + "/slow.html";
        WriteInput({ slow, next });
        TBatchProcess batch = Start({ "--settings", "ok.ini" });
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!(peer.accepted() > 0 && peer.received(0).find("\r\n\r\n") != std::string::npos)) {
            EXPECT_LT(std::chrono::steady_clock::now(), deadline) << "no request arrived";
            if (std::chrono::steady_clock::now() > deadline)
                return slow;
            std::this_thread::sleep_for(10ms);
        }
        for (const int signal : signals)
            batch.Signal(signal);
        EXPECT_EQ(batch.WaitExit(30s), 0) << Err();
        return slow;
    }

    TempFolder m_dir { "batch" };
};

TEST_F(Batch, ExitStatuses)
{
    struct Row
    {
        Urls args;
        Urls input;
        int status;
        std::string out; // a text standard output holds
        std::string err; // a text standard error holds
    };
    const std::string page = siteUrl("/b1.html");
    // Never asked for: without the WEB section's HTTPS a secure page is not fetched.
    const std::string secure = "https://127.0.0.1:" + std::to_string(refusedPort()) + "/s.html";
    const Row rows[] = {
        { { "--help" }, {}, 0, "Usage: skelvo-batch", "" },
        { { "--version" }, {}, 0, "skelvo-batch 1.5\n", "" },
        { { "--loud" }, {}, 2, "", "unknown argument '--loud'\nUsage: skelvo-batch" },
        { { "--settings" }, {}, 2, "", "--settings needs a file name" },
        { { "--settings", "missing.ini" }, {}, 2, "", "no settings file missing.ini" },
        { { "--settings", "bad.ini" }, {}, 2, "",
            "bad.ini: [OUTPUT] CUTOFF: 'seventy' is not a whole number" },
        { { "--settings=ok.ini" }, { page }, 0, "1\t0\twritten\t" + page + "\tPage B1\n", "" },
        { { "-v", "--settings", "ok.ini" }, { page }, 0, "1\t0\twritten\t",
            "> GET /b1.html HTTP/1.0\n< HTTP/1.1 200 OK\n" },
        { { "--settings", "ok.ini" }, {}, 0, "", "Cannot index - no URLs in URL list." },
        { { "--settings", "ok.ini" }, { secure }, 0, "1\t0\thttps is off\t" + secure + "\t\n", "" },
        { { "--settings", "web.ini" }, { page }, 1, "",
            "skelvo-batch: TLS: cannot read CA file missing.pem: No such file or directory\n" },
        { { "--settings", "ok.ini" }, { "http:///no-host.html", page }, 1, "", "skelvo-batch: " },
        // The default settings beside the program name in.txt in the current folder, missing here.
        { {}, {}, 1, "", "in.txt" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args.empty() ? "no arguments" : row.args.front());
        fs::remove(m_dir.file("in.txt"));
        if (!row.args.empty())
            WriteInput(row.input);
        TBatchProcess batch = Start(row.args);
        EXPECT_EQ(batch.WaitExit(30s), row.status) << Err();
        EXPECT_NE(Out().find(row.out), std::string::npos) << Out();
        EXPECT_NE(Err().find(row.err), std::string::npos) << Err();
        // The run that raised took the failing URL off the queue.
        if (row.status == 1 && !row.args.empty() && row.args.back() == "ok.ini") {
            EXPECT_EQ(Lines("in.txt"), Urls { page });
        }
    }
}

TEST_F(Batch, VerboseShowsEachRequestLineStatusLineAndRelocation)
{
    const std::string trace = "> GET /moved.html HTTP/1.0\n< HTTP/1.0 302 Found\n"
                              "relocated to /final.html\n"
                              "> GET /final.html HTTP/1.0\n< HTTP/1.0 200 OK\n";
    for (const bool verbose : { true, false }) {
        SCOPED_TRACE(verbose ? "verbose" : "quiet");
        ScriptedPeer peer;
        peer.accept()
            .readUntil("\r\n\r\n")
            .send("HTTP/1.0 302 Found\r\nLocation: /final.html\r\n\r\n")
            .close();
        peer.nextConnection();
        peer.accept()
            .readUntil("\r\n\r\n")
            .send("HTTP/1.0 200 OK\r\n\r\n<title>Final</title>\r\n")
            .close();
        peer.start();
        WriteInput({ "http://127.0.0.1:" + std::to_string(peer.port()) + "/moved.html" });
        Urls args { "--settings", "ok.ini" };
        if (verbose)
            args.push_back("--verbose");
        TBatchProcess batch = Start(args);
        EXPECT_EQ(batch.WaitExit(30s), 0) << Err();
        EXPECT_TRUE(peer.waitDone(10000));
        // The fetch's lines, then the run's summary.
        EXPECT_EQ(Err().substr(0, Err().find("Run ended: ")), verbose ? trace : "");
        EXPECT_NE(Out().find("\twritten\t"), std::string::npos) << Out();
    }
}

TEST_F(Batch, OneInterruptFinishesThePageAndKeepsTheQueue)
{
    const std::string next = siteUrl("/b1.html");
    const std::string slow = RunInterrupted(next, { SIGINT });
    EXPECT_EQ(Out(), "1\t1\twritten\t" + slow + "\tSlow Page\n");
    EXPECT_EQ(Lines("in.txt"), Urls { next });
    EXPECT_EQ(Lines("saved.txt"), Urls { slow });
}

TEST_F(Batch, TwoSignalsAbandonThePageAtTheHeadOfTheQueue)
{
    const std::string next = siteUrl("/b1.html");
    const std::string slow = RunInterrupted(next, { SIGTERM, SIGINT });
    EXPECT_EQ(Out(), "");
    EXPECT_NE(Err().find("abandon"), std::string::npos) << Err();
    EXPECT_EQ(Lines("in.txt"), (Urls { slow, next }));
    EXPECT_FALSE(fs::exists(m_dir.file("out.txt")));
    EXPECT_FALSE(fs::exists(m_dir.file("temp.txt")));
}

// Waits, boundedly, until `peer` has received a whole request head.
::testing::AssertionResult requestArrived(const ScriptedPeer& peer)
{
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!(peer.accepted() > 0 && peer.received(0).find("\r\n\r\n") != std::string::npos)) {
        if (std::chrono::steady_clock::now() > deadline)
            return ::testing::AssertionFailure() << "no request arrived";
        std::this_thread::sleep_for(10ms);
    }
    return ::testing::AssertionSuccess();
}

// While a run crawls in.txt, a second one on it, by its name or through a
// symbolic link to it, is refused with the first one's process id and
// changes nothing; the first finishes undisturbed.
TEST_F(Batch, ASecondRunOnTheSameInputFileIsRefused)
{
    ScriptedPeer peer;
    peer.accept()
        .readUntil("\r\n\r\n")
        .send("HTTP/1.0 200 OK\r\n\r\n<title>Held Page</title>\r\n")
        .hold()
        .close();
    peer.start();
    const std::string held = "http://127.0.0.1:" + std::to_string(peer.port()) + "/held.html";
    const std::string next = siteUrl("/b1.html");
    WriteInput({ held, next });
    std::string viaLink = SettingsText;
    viaLink.replace(viaLink.find("INPUT=in.txt"), 12, "INPUT=alias.txt");
    WriteWholeFile(m_dir.file("alias.ini"), viaLink);
    fs::create_symlink("in.txt", m_dir.file("alias.txt"));

    WriteWholeFile(m_dir.file("track.txt"), "http://kept.test/\r\n");

    TBatchProcess first = Start({ "--settings", "ok.ini" });
    ASSERT_TRUE(requestArrived(peer));
    const std::string input = ReadWholeFile(m_dir.file("in.txt"));
    const std::pair<Urls, std::string> rows[] = {
        { { "--settings", "ok.ini" }, "in.txt" },
        { { "--settings", "alias.ini" }, "alias.txt" },
        // Nor is the track file emptied under it.
        { { "--fresh", "--settings", "ok.ini" }, "in.txt" },
    };
    for (const auto& [args, name] : rows) {
        SCOPED_TRACE(args.front() + " " + name);
        TBatchProcess second = Start(args);
        EXPECT_EQ(second.WaitExit(30s), 1);
        EXPECT_EQ(Err(),
            "skelvo-batch: " + name + " is being crawled by another Skelvo (process "
                + std::to_string(first.Pid()) + ")\n");
        EXPECT_EQ(Out(), "");
        EXPECT_EQ(ReadWholeFile(m_dir.file("in.txt")), input);
        EXPECT_EQ(Lines("track.txt"), Urls { "http://kept.test/" });
    }
    peer.resume();
    EXPECT_EQ(first.WaitExit(30s), 0) << Err();
    EXPECT_EQ(Lines("saved.txt"), (Urls { held, next }));
    EXPECT_EQ(Lines("in.txt"), Urls {});

    // A run through the link rewrites the file behind it; the link stays.
    WriteInput({ next, next });
    TBatchProcess throughLink = Start({ "--settings", "alias.ini" });
    EXPECT_EQ(throughLink.WaitExit(30s), 0) << Err();
    EXPECT_EQ(Lines("saved.txt"), (Urls { held, next, next, next }));
    EXPECT_TRUE(fs::is_symlink(m_dir.file("alias.txt")));
    EXPECT_EQ(Lines("in.txt"), Urls {});
}

// A run killed with SIGKILL holds nothing: the next starts at once, with the
// page in progress at the head of the queue.
TEST_F(Batch, AfterASigkillTheNextRunStartsAtOnce)
{
    ScriptedPeer peer;
    peer.accept().readUntil("\r\n\r\n").hold().close();
    peer.nextConnection();
    peer.accept()
        .readUntil("\r\n\r\n")
        .send("HTTP/1.0 200 OK\r\n\r\n<title>Second Try</title>\r\n")
        .close();
    peer.start();
    const std::string page = "http://127.0.0.1:" + std::to_string(peer.port()) + "/page.html";
    WriteInput({ page });
    {
        TBatchProcess killed = Start({ "--settings", "ok.ini" });
        ASSERT_TRUE(requestArrived(peer));
        ASSERT_TRUE(killed.Kill());
    }
    peer.resume();
    TBatchProcess next = Start({ "--settings", "ok.ini" });
    EXPECT_EQ(next.WaitExit(30s), 0) << Err();
    EXPECT_EQ(Out(), "1\t0\twritten\t" + page + "\tSecond Try\n");
    EXPECT_EQ(Lines("in.txt"), Urls {});
}

} // namespace
