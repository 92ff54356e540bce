// skelvo-screenshots FOLDER: renders the program's windows to PNG files in
// FOLDER under the offscreen platform: the main window idle, during a real
// crawl of a small site on a local nginx, and with its log filled; every page
// of the options dialog; the about box.
#include "app/SkelvoForms.h"
#include "platform/CatchingApplication.h"
#include "platform/Profile.h"
#include "platform/TextFile.h"
#include "settings/Settings.h"
#include "tests/support/RealServers.h"
#include "tests/support/SilentDialogs.h"
#include "tests/support/TempFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

QString g_folder;
bool g_ok = true;

void save(QWidget& widget, const char* name)
{
    QApplication::processEvents();
    const QString file = g_folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    if (!widget.grab().save(file)) {
        std::fprintf(stderr, "skelvo-screenshots: cannot write %s\n", qPrintable(file));
        g_ok = false;
    }
}

// A small site: a few pages with titles, descriptions and links.
void writeSite(const std::string& www)
{
    const char* topics[] = { "Gardening", "Astronomy", "Woodwork", "Cooking", "Cycling" };
    std::string links;
    for (const char* topic : topics)
        links += std::string("<a href=\"") + topic + ".html\">" + topic + "</a>\n";
    for (const char* topic : topics) {
        std::ofstream(www + topic + ".html")
            << "<html><head><title>" << topic << " for Beginners</title>\n"
            << "<meta name=\"description\" content=\"Everything a newcomer to " << topic
            << " needs to know.\">\n<meta name=\"keywords\" content=\"" << topic
            << ", guide\"></head><body><h1>" << topic << "</h1><p>Notes and tips.</p>\n"
            << links << "</body></html>\n";
    }
    // Pages a second run leaves out: one robots.txt forbids, one that holds a
    // word of the keyword filter; old-page.html is missing.
    std::filesystem::create_directories(www + "private");
    std::ofstream(www + "robots.txt") << "User-agent: *\nDisallow: /private/\n";
    std::ofstream(www + "private/notes.html") << "<title>Private Notes</title>A guide.\n";
    std::ofstream(www + "Casino.html")
        << "<title>Casino Nights</title><meta name=\"keywords\" content=\"guide\">casino\n";
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: skelvo-screenshots FOLDER\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TCatchingApplication<QApplication> app(argc, argv, reportToStandardError);
    QApplication::setApplicationDisplayName(QStringLiteral("Skelvo"));
    g_folder = QString::fromLocal8Bit(argv[1]);
    std::filesystem::create_directories(argv[1]);
    g_folder = QString::fromStdString(std::filesystem::absolute(argv[1]).string());

    TempFolder work("screenshots");
    std::filesystem::current_path(work.path());
    std::unique_ptr<TRealServer> nginx = TRealServer::StartNginx("");
    writeSite(nginx->Dir() + "/www/");
    const std::string site = "http://127.0.0.1:" + std::to_string(nginx->Port()) + "/";

    const std::string ini = work.file("skelvo.ini");
    setSettingsPath(ini);
    WriteWholeFile(ini, ReadWholeFile(SKELVO_DEFAULT_INI));
    const std::pair<const char*, std::string> keys[] = {
        { "FOLLOWING/EXT1", ".COM,.NET,.ORG,:" + std::to_string(nginx->Port()) },
        { "FOLLOWING/EXT2", ".HTM,.HTML,.PHP" },
        { "FILTER1/KEYWORDS1", "casino,page not found" },
        { "FILTER2/DOMAINS1", "ads.example.com" },
        { "TARGETED/KEYWORDS2", "guide,tutorial" },
        { "OPTIONS/FOLLOW", "1" },
        { "OPTIONS/NOINDEX", "1" },
        { "PROXY/ADDRESS", "proxy.example.net" },
        { "PROXY/PORT", "3128" },
        { "PROXY/NAME", "ann" },
        { "PROXY/PASSWORD", "secret" },
    };
    for (const auto& [name, value] : keys) {
        const std::string key(name);
        WriteProfileString(key.substr(0, key.find('/')), key.substr(key.find('/') + 1), value, ini);
    }
    WriteWholeFile("in.txt",
        site + "Gardening.html\r\n" + site + "Astronomy.html\r\n" + site + "Woodwork.html\r\n");

    TSilentDialogs dialogs;
    // Every pump point dispatches: the picture of a run is taken at a chosen step.
    TSkelvoForms forms(dialogs, TMessagePump::EveryTime);
    auto& [frmSkelvo, AboutBox, frmOptions] = forms;
    frmSkelvo.show();
    save(frmSkelvo, "main-index-idle");

    // During the run: the third page's links being queued.
    auto* status = frmSkelvo.findChild<QLabel*>(QStringLiteral("lblStatus"));
    auto* done = frmSkelvo.findChild<QLabel*>(QStringLiteral("lblDone"));
    bool running = false;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (status->text() == QStringLiteral("Grabbing URLs...")
            && done->text() == QStringLiteral("2")) {
            watch.stop();
            running = true;
            save(frmSkelvo, "main-index-running");
        }
    });
    watch.start();
    frmSkelvo.cmdIndexClick();
    if (!running) {
        std::fprintf(stderr, "skelvo-screenshots: the crawl never reached its third page\n");
        g_ok = false;
    }
    frmSkelvo.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
    save(frmSkelvo, "main-logs");

    // A second run with pages left out, shown beside the kept ones.
    WriteWholeFile("in.txt",
        site + "Cycling.html\r\n" + site + "private/notes.html\r\n" + site + "old-page.html\r\n"
            + site + "Casino.html\r\n");
    auto* leftOut = frmSkelvo.findChild<QCheckBox*>(QStringLiteral("chkLeftOut"));
    leftOut->click();
    frmSkelvo.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(0);
    frmSkelvo.cmdIndexClick();
    frmSkelvo.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
    save(frmSkelvo, "main-logs-left-out");

    const char* pages[]
        = { "paths", "output", "following", "filter1", "filter2", "targeted", "proxy", "web" };
    // The crawl needed the local site's port among the domain extensions;
    // the picture shows the usual ones.
    Settings.domainExts = { ".COM", ".NET", ".ORG" };
    frmOptions.FillFrom(Settings);
    frmOptions.show();
    auto* tabs = frmOptions.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        save(frmOptions, (std::string("options-") + pages[i]).c_str());
    }
    frmOptions.hide();

    AboutBox.show();
    save(AboutBox, "about");
    AboutBox.hide();

    frmSkelvo.hide();
    std::filesystem::current_path("/");
    return g_ok ? 0 : 1;
}
