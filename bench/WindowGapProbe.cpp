// skelvo_window_gaps [PAGES]: how long the main window goes without an
// event-loop pass while it crawls. The real window (offscreen) runs
// "Index-It!" over sites on a local nginx: PAGES interlinked pages of about
// 10 KB (default 2,000) with "Follow Links" on, followed by the same crawl by
// skelvo-batch's code, for the window's speed beside it; one page of 30 MB
// (its links queued, the run stopped after it); then, with 100 entries in
// both the keyword filter and the targeted list (none on the page), one page
// of 32 MiB of text and one of 32 MiB of bare line feeds.
// A zero-interval timer fires at every pass of the event loop, which during a
// run means every pump of the run; the longest time between two firings is
// the longest the window could not repaint or take a click.
//
// Figures, not a test: nothing here passes or fails on them.
#include "app/SkelvoForms.h"
#include "batch/BatchProgram.h"
#include "platform/CatchingApplication.h"
#include "platform/Profile.h"
#include "platform/TextFile.h"
#include "settings/Settings.h"
#include "tests/support/RealServers.h"
#include "tests/support/SilentDialogs.h"
#include "tests/support/TempFolder.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char* const Words[] = { "index", "garden", "river", "station", "market", "history", "engine",
    "winter", "letter", "country", "signal", "window", "planet", "theory", "harbour", "report",
    "science", "village", "network", "journal" };

std::string words(std::mt19937& random, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += Words[random() % std::size(Words)];
        text += (i % 12 == 11) ? ".\n" : " ";
    }
    return text;
}

// Page i links to the next page and to four others, so every page is
// reached from page 0; the same count always gives the same bytes.
void writeSite(const std::string& www, int pages)
{
    std::mt19937 random(20240309);
    for (int i = 0; i < pages; ++i) {
        std::string page = "<html><head><title>Article " + std::to_string(i) + " - "
            + words(random, 4) + "</title>\n<meta name=\"description\" content=\""
            + words(random, 20) + "\">\n<meta name=\"keywords\" content=\"" + words(random, 6)
            + "\">\n</head><body>\n";
        for (int paragraph = 0; paragraph < 10; ++paragraph) {
            page += "<p>" + words(random, 130) + "</p>\n";
            if (paragraph % 2 == 0) {
                const int target
                    = paragraph == 0 ? (i + 1) % pages : static_cast<int>(random() % pages);
                page += "<a href=\"p" + std::to_string(target) + ".html\">more</a>\n";
            }
        }
        page += "</body></html>\n";
        std::ofstream(www + "p" + std::to_string(i) + ".html", std::ios::binary) << page;
    }
    // One page of 30 MB: ordinary text with a link now and then.
    std::string big = "<html><head><title>A very long page</title></head><body>\n";
    while (big.size() < 30'000'000) {
        big += "<p>" + words(random, 150) + "</p>\n";
        big += "<a href=\"p" + std::to_string(random() % pages) + ".html\">see</a>\n";
    }
    big += "</body></html>\n";
    std::ofstream(www + "big.html", std::ios::binary) << big;
}

// Two pages at the body cap: text with a link now and then, and an empty line
// per byte. Written only when their turn comes, so that the system's writing
// of them to disk does not fall into the earlier crawls.
void writePagesAtTheCap(const std::string& www, int pages)
{
    constexpr std::size_t Cap = std::size_t { 32 } << 20;
    std::mt19937 random(20240310);
    std::string huge = "<html><head><title>A page at the cap</title></head><body>\n";
    while (huge.size() < Cap) {
        huge += "<p>" + words(random, 150) + "</p>\n";
        huge += "<a href=\"p" + std::to_string(random() % pages) + ".html\">see</a>\n";
    }
    huge.resize(Cap);
    std::ofstream(www + "huge.html", std::ios::binary) << huge;
    std::ofstream(www + "breaks.html", std::ios::binary) << std::string(Cap, '\n');
}

// A hundred entries for a keyword list, none of them on any page of the sites.
std::string absentEntries(const std::string& prefix)
{
    std::string list;
    for (int i = 0; i < 100; ++i)
        list += (i == 0 ? "" : ",") + prefix + std::to_string(i);
    return list;
}

struct Gaps
{
    std::vector<double> millis;
    Clock::time_point last = Clock::now();
    QString lastStatus;
    double longest = -1;
    // The status line at both ends of the longest gap: where the time went.
    QString longestFrom;
    QString longestTo;
};

// Crawls from `url`; with `onlyFirst`, "Stop" is pressed at once, so the run
// ends after its first page.
void crawl(TfrmSkelvo& window, const std::string& url, const std::string& what, bool onlyFirst)
{
    WriteWholeFile("in.txt", url + "\r\n");
    WriteWholeFile("track.txt", "");
    Gaps gaps;
    QTimer probe;
    probe.setInterval(0);
    const QLabel* status = window.findChild<QLabel*>(QStringLiteral("lblStatus"));
    QObject::connect(&probe, &QTimer::timeout, [&gaps, status] {
        const Clock::time_point now = Clock::now();
        const double gap = std::chrono::duration<double, std::milli>(now - gaps.last).count();
        if (gap > gaps.longest) {
            gaps.longest = gap;
            gaps.longestFrom = gaps.lastStatus;
            gaps.longestTo = status->text();
        }
        gaps.millis.push_back(gap);
        gaps.last = now;
        gaps.lastStatus = status->text();
    });
    const Clock::time_point start = Clock::now();
    probe.start();
    gaps.last = Clock::now();
    if (onlyFirst)
        QTimer::singleShot(0, &window, &TfrmSkelvo::cmdStopClick);
    window.cmdIndexClick();
    probe.stop();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    std::vector<double> sorted = gaps.millis;
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&sorted](double share) {
        const double last = static_cast<double>(sorted.size() - 1);
        return sorted.empty() ? 0.0 : sorted[static_cast<std::size_t>(share * last)];
    };
    const QString done = window.findChild<QLabel*>(QStringLiteral("lblDone"))->text();
    std::printf("%-28s %6.2f s, done %s, %zu passes: longest gap %.1f ms, 99.9%% %.1f ms, "
                "median %.3f ms\n    longest gap from \"%s\" to \"%s\"\n",
        what.c_str(), seconds, qPrintable(done), sorted.size(), at(1.0), at(0.999), at(0.5),
        qPrintable(gaps.longestFrom), qPrintable(gaps.longestTo));
}

// The processor time this process has used so far, user and system.
double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds
        = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The time of the window's crawl from `url`, with nothing but the window in
// its event loop.
void timedCrawl(TfrmSkelvo& window, const std::string& url, const std::string& what)
{
    WriteWholeFile("in.txt", url + "\r\n");
    WriteWholeFile("track.txt", "");
    const Clock::time_point start = Clock::now();
    const double cpuStart = cpuSeconds();
    window.cmdIndexClick();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const QString done = window.findChild<QLabel*>(QStringLiteral("lblDone"))->text();
    std::printf("%-28s %6.2f s, %.2f s of CPU, done %s\n", what.c_str(), seconds,
        cpuSeconds() - cpuStart, qPrintable(done));
}

// The crawl from `url` as skelvo-batch makes it, over the same settings file.
void crawlWithoutWindow(const std::string& ini, const std::string& url, const std::string& what)
{
    WriteWholeFile("in.txt", url + "\r\n");
    WriteWholeFile("track.txt", "");
    std::ostringstream out, err;
    const Clock::time_point start = Clock::now();
    const double cpuStart = cpuSeconds();
    const int status = RunBatch({ "--settings", ini }, out, err, false);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuStart;
    std::size_t lines = 0;
    for (const char c : out.str())
        lines += c == '\n' ? 1 : 0;
    std::printf("%-28s %6.2f s, %.2f s of CPU, %zu pages, exit status %d\n", what.c_str(), seconds,
        cpu, lines, status);
}

} // namespace

int main(int argc, char* argv[])
{
    const int pages = argc > 1 ? std::atoi(argv[1]) : 2000;
    if (pages <= 0) {
        std::fprintf(stderr, "usage: skelvo_window_gaps [PAGES]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TCatchingApplication<QApplication> app(argc, argv, reportToStandardError);

    TempFolder work("gaps");
    std::filesystem::current_path(work.path());
    std::unique_ptr<TRealServer> nginx = TRealServer::StartNginx("");
    writeSite(nginx->Dir() + "/www/", pages);
    const std::string site = "http://127.0.0.1:" + std::to_string(nginx->Port()) + "/";

    const std::string ini = work.file("skelvo.ini");
    setSettingsPath(ini);
    WriteWholeFile(ini, ReadWholeFile(SKELVO_DEFAULT_INI));
    WriteProfileString("FOLLOWING", "EXT1", ":" + std::to_string(nginx->Port()), ini);
    WriteProfileString("FOLLOWING", "EXT2", ".HTML", ini);
    WriteProfileString("OPTIONS", "FOLLOW", "1", ini);

    TSilentDialogs dialogs;
    TSkelvoForms forms(dialogs);
    TfrmSkelvo& frmSkelvo = forms.frmSkelvo;
    frmSkelvo.show();
    QCoreApplication::processEvents();

    crawl(frmSkelvo, site + "p0.html", std::to_string(pages) + " pages of ~10 KB", false);
    // The probe's timer keeps the event loop from ever waiting, which costs
    // the crawl a core's worth of passes: the window's own time is taken
    // without it.
    timedCrawl(frmSkelvo, site + "p0.html", std::to_string(pages) + " pages, window alone");
    // The same crawl without the window right after it, in the same state of
    // the machine.
    frmSkelvo.hide();
    crawlWithoutWindow(ini, site + "p0.html", std::to_string(pages) + " pages, no window");
    frmSkelvo.show();
    QCoreApplication::processEvents();
    crawl(frmSkelvo, site + "big.html", "one page of 30 MB", true);
    writePagesAtTheCap(nginx->Dir() + "/www/", pages);
    WriteProfileString("FILTER1", "KEYWORDS1", absentEntries("QZFILTER"), ini);
    WriteProfileString("TARGETED", "KEYWORDS2", absentEntries("QZTARGET"), ini);
    LoadSettings();
    crawl(frmSkelvo, site + "huge.html", "32 MiB, 100 + 100 entries", true);
    crawl(frmSkelvo, site + "breaks.html", "32 MiB of line feeds, 100 + 100", true);
    WriteProfileString("FILTER1", "KEYWORDS1", "", ini);
    WriteProfileString("TARGETED", "KEYWORDS2", "", ini);
    LoadSettings();
    std::filesystem::current_path("/");
    return 0;
}
