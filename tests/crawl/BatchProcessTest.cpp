// skelvo-batch as a process: its exit statuses, its page lines, and Ctrl+C
// once (stop after the page) and twice (abandon the page).
#include "BatchProcess.h"
#include "CrawlFixture.h"
#include "crawl/UrlListFile.h"
#include "platform/TextFile.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;

constexpr auto RunDeadline = 30s;

const char* const SettingsText = "[PATHS]\r\nOUTPUT=out.txt\r\nINPUT=in.txt\r\nSAVED=saved.txt\r\n"
                                 "TRACK=track.txt\r\n[OUTPUT]\r\nSEPERATOR=|\r\nCUTOFF=70\r\n"
                                 "DESC=255\r\nB1=0\r\nB3=0\r\nB4=0\r\n[PROXY]\r\nPORT=80\r\n"
                                 "ENABLED=0\r\n[OPTIONS]\r\nFOLLOW=0\r\nNOINDEX=0\r\n"
                                 "INTERNAL=0\r\n";

class Batch : public ::testing::Test
{
protected:
    Batch()
    {
        WriteWholeFile(m_dir.file("ok.ini"), SettingsText);
        std::string bad = SettingsText;
        bad.replace(bad.find("CUTOFF=70"), 9, "CUTOFF=seventy");
        WriteWholeFile(m_dir.file("bad.ini"), bad);
    }

    // One run of skelvo-batch in the test's folder, its output and errors
    // kept apart.
    TBatchProcess Start(const std::vector<std::string>& args) const
    {
        return TBatchProcess(SKELVO_BATCH_PATH, Folder(), args, TBatchStreams::Apart);
    }
    std::string Out() const { return TBatchProcess::Output(Folder()); }
    std::string Err() const { return TBatchProcess::Errors(Folder()); }
    std::string Folder() const { return m_dir.path().string(); }

    void WriteInput(const std::vector<std::string>& urls) const
    {
        WriteUrlList(m_dir.file("in.txt"), urls);
    }
    std::vector<std::string> Lines(const char* name) const
    {
        const std::string path = m_dir.file(name);
        return fs::exists(path) ? ReadUrlList(path) : std::vector<std::string>();
    }

    // A page whose body takes a while: the request is answered, then the
    // peer waits before the rest of the page and the close.
    static void SlowPage(ScriptedPeer& peer)
    {
        peer.accept()
            .readUntil("\r\n\r\n")
            .send("HTTP/1.0 200 OK\r\n\r\n<title>Slow Page</title>\r\n")
            .sleep(1500)
            .send("<p>The rest.</p>\r\n")
            .close();
        peer.start();
    }

    // Waits (bounded) until the peer has the whole request: the batch is then
    // inside the fetch, its signal catcher installed.
    static bool RequestArrived(const ScriptedPeer& peer)
    {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            if (peer.accepted() > 0 && peer.received(0).find("\r\n\r\n") != std::string::npos)
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    TempFolder m_dir { "batch" };
};

TEST_F(Batch, ExitStatuses)
{
    struct Row
    {
        std::vector<std::string> args;
        std::vector<std::string> input;
        int status;
        std::string out; // a text standard output holds
        std::string err; // a text standard error holds
    };
    const std::string page = siteUrl("/b1.html");
    const Row rows[] = {
        { { "--help" }, {}, 0, "Usage: skelvo-batch", "" },
        { { "--version" }, {}, 0, "skelvo-batch 1.5\n", "" },
        { { "--verbose" }, {}, 2, "", "Usage: skelvo-batch" },
        { { "--settings" }, {}, 2, "", "--settings needs a file name" },
        { { "--settings", "missing.ini" }, {}, 2, "", "no settings file missing.ini" },
        { { "--settings", "bad.ini" }, {}, 2, "", "'SEVENTY' is not a valid integer value" },
        { { "--settings=ok.ini" }, { page }, 0, "1\t0\twritten\t" + page + "\tPage B1\n", "" },
        { { "--settings", "ok.ini" }, {}, 0, "", "Cannot index - no URLs in URL list." },
        { { "--settings", "ok.ini" }, { "http:///no-host.html", page }, 1, "", "skelvo-batch: " },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args.front());
        WriteInput(row.input);
        TBatchProcess batch = Start(row.args);
        EXPECT_EQ(batch.WaitExit(RunDeadline), row.status) << Err();
        EXPECT_NE(Out().find(row.out), std::string::npos) << Out();
        EXPECT_NE(Err().find(row.err), std::string::npos) << Err();
    }
    // The run that raised took the failing URL off the queue.
    EXPECT_EQ(Lines("in.txt"), std::vector<std::string> { page });
}

TEST_F(Batch, WithoutArgumentsTheSettingsBesideTheProgramAreUsed)
{
    // The default settings name in.txt in the current folder, which is missing here.
    TBatchProcess batch = Start({});
    EXPECT_EQ(batch.WaitExit(RunDeadline), 1) << Err();
    EXPECT_NE(Err().find("in.txt"), std::string::npos) << Err();
    EXPECT_TRUE(fs::exists(m_dir.file("track.txt")));
}

TEST_F(Batch, OneInterruptFinishesThePageAndKeepsTheQueue)
{
    ScriptedPeer peer;
    SlowPage(peer);
    const std::string slow = "http://127.0.0.1:" + std::to_string(peer.port()) + "/slow.html";
    const std::string next = siteUrl("/b1.html");
    WriteInput({ slow, next });
    TBatchProcess batch = Start({ "--settings", "ok.ini" });
    ASSERT_TRUE(RequestArrived(peer));
    batch.Signal(SIGINT);
    EXPECT_EQ(batch.WaitExit(RunDeadline), 0) << Err();
    EXPECT_EQ(Out(), "1\t1\twritten\t" + slow + "\tSlow Page\n");
    EXPECT_EQ(Lines("in.txt"), std::vector<std::string> { next });
    EXPECT_EQ(Lines("saved.txt"), std::vector<std::string> { slow });
}

TEST_F(Batch, TwoSignalsAbandonThePageAtTheHeadOfTheQueue)
{
    ScriptedPeer peer;
    SlowPage(peer);
    const std::string slow = "http://127.0.0.1:" + std::to_string(peer.port()) + "/slow.html";
    const std::vector<std::string> queue { slow, siteUrl("/b1.html") };
    WriteInput(queue);
    TBatchProcess batch = Start({ "--settings", "ok.ini" });
    ASSERT_TRUE(RequestArrived(peer));
    batch.Signal(SIGTERM);
    batch.Signal(SIGINT);
    EXPECT_EQ(batch.WaitExit(RunDeadline), 0) << Err();
    EXPECT_EQ(Out(), "");
    EXPECT_NE(Err().find("abandon"), std::string::npos) << Err();
    EXPECT_EQ(Lines("in.txt"), queue);
    EXPECT_FALSE(fs::exists(m_dir.file("out.txt")));
    EXPECT_FALSE(fs::exists(m_dir.file("temp.txt")));
}

} // namespace
