#include "WindowFixture.h"

#include "tests/support/RealServers.h"
#include "tests/support/ScriptedPeer.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <fstream>

namespace {

// A small site on a real nginx for the whole suite: a home page linking two
// pages, one of which links back home.
class IndexRunTest : public WindowTest
{
protected:
    static void SetUpTestSuite()
    {
        s_site = TRealServer::StartNginx("").release();
        const std::string www = s_site->Dir() + "/www/";
        std::ofstream(www + "index.html")
            << "<title>Home</title>Welcome <a href=\"a.html\">A</a> <a href=\"b.html\">B</a>\n";
        std::ofstream(www + "a.html") << "<title>A</title>First <a href=\"index.html\">Home</a>\n";
        std::ofstream(www + "b.html") << "<title>B</title>Second page.\n";
    }
    static void TearDownTestSuite()
    {
        delete s_site;
        s_site = nullptr;
    }
    void SetUp() override
    {
        // Links to the site are followed: its port ends every site root.
        writeSettings({ { "FOLLOWING/EXT1", ":" + std::to_string(s_site->Port()) },
            { "FOLLOWING/EXT2", ".HTML" }, { "OPTIONS/FOLLOW", "1" } });
    }
    static std::string url(const std::string& path)
    {
        return "http://127.0.0.1:" + std::to_string(s_site->Port()) + path;
    }

    // Runs `action` once, from the first event-loop pass at which the status
    // line starts with `prefix` (the run pumps between its steps).
    void whenStatus(const QString& prefix, std::function<void()> action)
    {
        m_watch = std::make_unique<QTimer>();
        m_watch->setInterval(0);
        QObject::connect(m_watch.get(), &QTimer::timeout, [this, prefix, action] {
            if (!caption("lblStatus").startsWith(prefix))
                return;
            m_watch->stop();
            action();
        });
        m_watch->start();
    }

    // Enabled (1) or not: Index-It!, Stop, Options, Delete All, Simple report.
    std::string controlStates()
    {
        std::string states;
        for (const char* name : { "cmdIndex", "cmdStop" })
            states += control<QToolButton>(name)->isEnabled() ? '1' : '0';
        for (const char* name : { "mnuFileOptions", "mnuSitesDelete", "Detailed1" })
            states += control<QAction>(name)->isEnabled() ? '1' : '0';
        return states;
    }

    static inline TRealServer* s_site = nullptr;
    std::unique_ptr<QTimer> m_watch;
};

// Records each text the status line is painted with, up to any byte count.
class StatusRecorder : public QObject
{
public:
    explicit StatusRecorder(QLabel* label)
        : m_label(label)
    {
        label->installEventFilter(this);
    }
    std::vector<std::string> texts;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        std::string text = m_label->text().toStdString();
        text = text.substr(0, text.find_first_of("0123456789"));
        if (texts.empty() || texts.back() != text)
            texts.push_back(text);
        return false;
    }

private:
    QLabel* m_label;
};

TEST_F(IndexRunTest, IndexItShowsEachStepAndFillsTheLog)
{
    write("in.txt", url("/index.html") + "\r\n");
    start();
    StatusRecorder status(control<QLabel>("lblStatus"));
    std::string running;
    whenStatus(QStringLiteral("Connecting..."), [&] { running = controlStates(); });
    click(control<QToolButton>("cmdIndex"));

    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].toStdString();
    // Running, what would start a run, change the settings or the list is off.
    EXPECT_EQ(running, "01001");
    EXPECT_EQ(controlStates(), "10111");

    // The default settings obey robots.txt: the site's is read before its first page.
    const std::vector<std::string> firstPage(status.texts.begin(), status.texts.begin() + 9);
    EXPECT_EQ(firstPage,
        (std::vector<std::string> { "Connecting...", "Reading robots.txt...", "Receiving...",
            "Received: ", "Getting Title...", "Checking For Meta Keywords...",
            "Removing HTML Code...", "Grabbing URLs...", "Idle" }));
    EXPECT_EQ(std::vector<std::string>(status.texts.end() - 2, status.texts.end()),
        (std::vector<std::string> { "Writing Track File...", "Idle" }));

    // Home, A, B, and home again: a start URL found as a link is queued anew.
    EXPECT_EQ(caption("lblDone"), QStringLiteral("4"));
    EXPECT_EQ(caption("lblLeft"), QStringLiteral("0"));
    EXPECT_EQ(text("in.txt"), "");

    const std::string saved = text("saved.txt");
    EXPECT_EQ(saved,
        url("/index.html") + "\r\n" + url("/a.html") + "\r\n" + url("/b.html") + "\r\n"
            + url("/index.html") + "\r\n");
    auto* log = control<QPlainTextEdit>("txtSaved");
    click(control<QPushButton>("cmdClearLogs"));
    EXPECT_TRUE(log->toPlainText().isEmpty());
    EXPECT_EQ(text("saved.txt"), saved);
}

TEST_F(IndexRunTest, ReadOutsSetOncePerPumpIntervalEndAsTheRunLeftThem)
{
    // The window's own pump interval: captions and log lines wait for the
    // caption timer, and the run's last ones would still be waiting when it
    // returns.
    write("in.txt", url("/index.html") + "\r\n");
    start(TfrmSkelvo::PumpInterval);
    click(control<QToolButton>("cmdIndex"));
    EXPECT_EQ(caption("lblStatus"), QStringLiteral("Idle"));
    EXPECT_EQ(caption("lblSite"), QStringLiteral("None"));
    EXPECT_EQ(caption("lblDone"), QStringLiteral("4"));
    EXPECT_EQ(caption("lblLeft"), QStringLiteral("0"));
    EXPECT_EQ(control<QProgressBar>("progbar")->value(), 0);
    // One log line for each page saved, none still waiting.
    const QString log = control<QPlainTextEdit>("txtSaved")->toPlainText();
    EXPECT_EQ(log.count(QLatin1Char('\n')) + 1,
        QString::fromStdString(text("saved.txt")).count(QStringLiteral("\r\n")));
}

TEST_F(IndexRunTest, StopEndsTheRunAfterThePageInProgress)
{
    write("in.txt", url("/index.html") + "\r\n" + url("/b.html") + "\r\n");
    start();
    bool stopStillEnabled = true;
    whenStatus(QStringLiteral("Connecting..."), [&] {
        click(control<QToolButton>("cmdStop"));
        stopStillEnabled = control<QToolButton>("cmdStop")->isEnabled();
    });
    click(control<QToolButton>("cmdIndex"));
    EXPECT_FALSE(stopStillEnabled);
    // The page in progress was finished and its links queued; the rest waits.
    EXPECT_EQ(caption("lblDone"), QStringLiteral("1"));
    EXPECT_EQ(text("in.txt"),
        url("/b.html") + "\r\n" + url("/a.html") + "\r\n" + url("/b.html") + "\r\n");
    EXPECT_EQ(text("saved.txt"), url("/index.html") + "\r\n");
}

TEST_F(IndexRunTest, ClosingDuringARunKeepsThePageInProgressAtTheHead)
{
    // A server that sends the head of a page, then waits for the client to go.
    ScriptedPeer slow;
    slow.readUntil("\r\n\r\n")
        .send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><title>Slow</title>")
        .awaitClose();
    slow.start();
    const std::string slowUrl = "http://127.0.0.1:" + std::to_string(slow.port()) + "/slow.html";
    write("in.txt", slowUrl + "\r\n" + url("/b.html") + "\r\n");
    // The server answers one request: no robots.txt first.
    writeSettings({ { "WEB/ROBOTS", "0" } });
    start();
    control<QCheckBox>("chkObey")->setChecked(true);
    bool closed = false;
    whenStatus(QStringLiteral("Receiving..."), [&] { closed = closeWindow(); });
    click(control<QToolButton>("cmdIndex"));

    EXPECT_TRUE(closed);
    // The request was ended by the client at once, not by the server.
    EXPECT_TRUE(slow.waitDone(ScriptedPeer::DefaultTimeoutMs));
    EXPECT_TRUE(slow.problems().empty()) << slow.problems().front();
    EXPECT_FALSE(run().Running());
    // Nothing was written for the page, which is still first in the list.
    EXPECT_EQ(text("in.txt"), slowUrl + "\r\n" + url("/b.html") + "\r\n");
    EXPECT_EQ(text("saved.txt"), "");
    EXPECT_EQ(text("out.txt"), "");
    // The settings were still written at close.
    EXPECT_NE(text("skelvo.ini").find("NOINDEX=1\r\n"), std::string::npos);
}

TEST_F(IndexRunTest, TheLogsPageShowsThePagesLeftOutAndTheSummary)
{
    write("in.txt", url("/b.html") + "\r\n" + url("/missing.html") + "\r\n");
    start();
    click(control<QToolButton>("cmdIndex"));
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].toStdString();
    EXPECT_EQ(caption("lblStatus"), QStringLiteral("Idle"));
    EXPECT_EQ(control<QPlainTextEdit>("txtSaved")->toPlainText().trimmed(), QStringLiteral("B"));
    control<QTabWidget>("PageControl1")->setCurrentIndex(1);

    // The pages left out are there on request, each with its reason.
    auto* leftOut = control<QTreeWidget>("lstLeftOut");
    EXPECT_TRUE(leftOut->isHidden());
    click(control<QCheckBox>("chkLeftOut"));
    EXPECT_FALSE(leftOut->isHidden());
    ASSERT_EQ(leftOut->topLevelItemCount(), 1);
    EXPECT_EQ(leftOut->topLevelItem(0)->text(0).toStdString(), url("/missing.html"));
    EXPECT_EQ(leftOut->topLevelItem(0)->text(1), QStringLiteral("fetch failed: 404 Not Found"));

    const QString summary = caption("lblSummary");
    EXPECT_TRUE(summary.startsWith(QStringLiteral("Run ended: 2 pages done in ")))
        << qPrintable(summary);
    EXPECT_TRUE(summary.endsWith(QStringLiteral("\nLeft out: 1 fetch failed.")))
        << qPrintable(summary);

    click(control<QPushButton>("cmdClearLogs"));
    EXPECT_EQ(leftOut->topLevelItemCount(), 0);
    EXPECT_EQ(caption("lblSummary"), QString());
}

TEST_F(IndexRunTest, ForgetVisitedLinksEmptiesTheTrackFileOnceConfirmed)
{
    const std::string track = url("/a.html") + "\r\n";
    write("track.txt", track);
    write("in.txt", url("/index.html") + "\r\n");
    start();
    auto* forget = control<QAction>("mnuSitesForget");
    // Answered No, then Yes.
    for (const bool yes : { false, true }) {
        dialogs.confirmAnswers = { yes };
        choose(forget);
        EXPECT_EQ(text("track.txt"), yes ? "" : track);
    }
    EXPECT_EQ(dialogs.questions.size(), 2u);
    // Not during a run: the run reads and appends to the file.
    bool enabledWhileRunning = true;
    whenStatus(QStringLiteral("Connecting..."), [&] { enabledWhileRunning = forget->isEnabled(); });
    click(control<QToolButton>("cmdIndex"));
    EXPECT_FALSE(enabledWhileRunning);
    EXPECT_TRUE(forget->isEnabled());
    // a.html was forgotten, so the home page queued it again.
    EXPECT_NE(text("saved.txt").find(url("/a.html")), std::string::npos);
}

} // namespace
