#include "WindowFixture.h"

#include "crawl/InputLock.h"
#include "crawl/UrlListFile.h"
#include "platform/Profile.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <filesystem>
#include <functional>
#include <map>
#include <unistd.h>

namespace {

TEST_F(WindowTest, StartUpCreatesAMissingInputFileEmpty)
{
    writeSettings();
    TfrmSkelvo& window = start();
    // The caption and the about box carry the version as every release showed it.
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Skelvo v1.5"));
    QString version;
    dialogs.modalActions.push_back(
        [&version](QDialog& about) { version = find<QLabel>(about, "Version")->text(); });
    choose(control<QAction>("mnuHelpAbout"));
    EXPECT_EQ(version, QStringLiteral("Version: 1.5"));
    EXPECT_EQ(text("in.txt"), "");
    EXPECT_TRUE(std::filesystem::exists(path("in.txt")));
    EXPECT_EQ(caption("lblLeft"), QStringLiteral("0"));
    EXPECT_FALSE(control<QToolButton>("cmdStop")->isEnabled());
    EXPECT_TRUE(dialogs.messages.empty());
}

// A settings file with a bad value is named with it, and the program starts
// with every other key: neither Exit nor the options' OK replaces them.
TEST_F(WindowTest, AfterABadSettingsValueTheGoodKeysSurviveExitAndOk)
{
    const std::pair<const char*, std::function<void()>> closers[] = {
        { "Exit", [this] { choose(control<QAction>("mnuFileExit")); } },
        { "Options OK",
            [this] {
                dialogs.modalActions.push_back(
                    [](QDialog& dialog) { click(find<QPushButton>(dialog, "cmdOK")); });
                choose(control<QAction>("mnuFileOptions"));
            } },
    };
    const std::map<std::string, std::string> good = { { "OPTIONS/FOLLOW", "1" },
        { "OPTIONS/NOINDEX", "1" }, { "FILTER1/KEYWORDS1", "KEPT,WORDS" },
        { "FOLLOWING/EXT1", "ORG" }, { "PROXY/PASSWORD", "Secret" }, { "PROXY/ENABLED", "1" },
        { "OUTPUT/B1", "1" }, { "SOCKS/SERVER", "GATE" } };
    for (const auto& [closer, close] : closers) {
        SCOPED_TRACE(closer);
        std::map<std::string, std::string> file = good;
        file.emplace("PROXY/PORT", "abc");
        writeSettings(file);
        write("in.txt", "http://a.test/\r\n");
        dialogs.messages.clear();
        start();
        EXPECT_EQ(dialogs.messages,
            std::vector<QString> { QString::fromStdString(
                path("skelvo.ini") + ": [PROXY] PORT: 'abc' is not a whole number") });
        EXPECT_TRUE(control<QCheckBox>("chkFollow")->isChecked());
        EXPECT_EQ(caption("lblLeft"), QStringLiteral("1"));
        close();
        for (const auto& [name, value] : good) {
            const std::size_t slash = name.find('/');
            EXPECT_EQ(GetProfileString(
                          name.substr(0, slash), name.substr(slash + 1), "-", path("skelvo.ini")),
                value)
                << name;
        }
        stop();
    }
}

TEST_F(WindowTest, SitesAddAppendsOnlyAnswersLongerThanSevenCharacters)
{
    const std::pair<std::optional<QString>, const char*> rows[] = {
        { QStringLiteral("http://"), "http://old/\r\n" },
        { QString(), "http://old/\r\n" },
        { std::nullopt, "http://old/\r\n" },
        { QStringLiteral("1234567"), "http://old/\r\n" },
        { QStringLiteral("12345678"), "http://old/\r\n12345678\r\n" },
        { QStringLiteral("http://old/"), "http://old/\r\n12345678\r\nhttp://old/\r\n" },
    };
    writeSettings();
    write("in.txt", "http://old/\r\n");
    start();
    for (const auto& [answer, inputFile] : rows) {
        dialogs.inputAnswers = { answer };
        choose(control<QAction>("mnuSitesAdd"));
        EXPECT_EQ(text("in.txt"), inputFile) << answer.value_or("(cancelled)").toStdString();
    }
    EXPECT_EQ(caption("lblLeft"), QStringLiteral("3"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(WindowTest, DeleteAllOnAnEmptyListStillRewritesTheInputFile)
{
    writeSettings();
    start();
    write("in.txt", "http://written.meanwhile/\r\n");
    choose(control<QAction>("mnuSitesDelete"));
    EXPECT_TRUE(std::filesystem::exists(path("in.txt")));
    EXPECT_EQ(text("in.txt"), "");
    EXPECT_EQ(caption("lblLeft"), QStringLiteral("0"));
}

TEST_F(WindowTest, AListThatCannotBeSavedIsShownAndKeptInMemory)
{
    writeSettings();
    write("in.txt", "http://a.test/\r\n");
    start();
    WriteProfileString("PATHS", "INPUT", path("gone/in.txt"), path("skelvo.ini"));
    LoadSettings();
    dialogs.inputAnswers = { QStringLiteral("http://b.test/") };
    choose(control<QAction>("mnuSitesAdd"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].contains(QStringLiteral("gone/in.txt")));
    EXPECT_EQ(run().State().urlList.size(), 2u);
    // Closing fails the same way: the window stays open, the settings untouched.
    const std::string before = text("skelvo.ini");
    control<QCheckBox>("chkObey")->setChecked(true);
    EXPECT_FALSE(closeWindow());
    EXPECT_EQ(text("skelvo.ini"), before);
}

TEST_F(WindowTest, CheckBoxesComeBackAfterARestart)
{
    writeSettings();
    start();
    control<QCheckBox>("chkObey")->setChecked(true);
    // A change of the keys made while the program runs is overwritten at close.
    WriteProfileString("OPTIONS", "FOLLOW", "1", path("skelvo.ini"));
    choose(control<QAction>("mnuFileExit"));
    EXPECT_FALSE(window().isVisible());
    stop();
    start();
    EXPECT_TRUE(control<QCheckBox>("chkObey")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("chkFollow")->isChecked());
}

TEST_F(WindowTest, OptionsOkWritesTheFileAndTheReloadUpperCasesIt)
{
    writeSettings();
    start();
    dialogs.inputAnswers = { QStringLiteral("org") };
    dialogs.modalActions.push_back([](QDialog& dialog) {
        EXPECT_EQ(find<QLineEdit>(dialog, "txtCut")->text(), QStringLiteral("70"));
        typeInto(find<QLineEdit>(dialog, "txtInput"), QStringLiteral("lower/in.txt"));
        typeInto(find<QLineEdit>(dialog, "txtSep"), QStringLiteral("ab"));
        typeInto(find<QLineEdit>(dialog, "txtProxy"), QStringLiteral("proxy.test"));
        typeInto(find<QLineEdit>(dialog, "txtPName"), QStringLiteral("Ann"));
        click(find<QPushButton>(dialog, "cmdAddDomain"));
        click(find<QPushButton>(dialog, "cmdOK"));
    });
    choose(control<QAction>("mnuFileOptions"));
    EXPECT_EQ(Settings.separator, "AB");
    EXPECT_EQ(Settings.proxyAddress, "PROXY.TEST");
    EXPECT_EQ(Settings.domainExts, TStringList { "ORG" });
    // Paths and the proxy credentials keep their case.
    EXPECT_EQ(Settings.inputFile, "lower/in.txt");
    EXPECT_EQ(Settings.proxyName, "Ann");
    EXPECT_NE(text("skelvo.ini").find("EXT1=org\r\n"), std::string::npos);
}

TEST_F(WindowTest, OptionsCancelAndTheCloseBoxDiscardListEdits)
{
    writeSettings({ { "FILTER1/KEYWORDS1", "kept" } });
    start();
    for (const char* closer : { "cmdCancel", "" }) {
        dialogs.inputAnswers = { QStringLiteral("added") };
        dialogs.modalActions.push_back([closer](QDialog& dialog) {
            click(find<QPushButton>(dialog, "cmdF1Add"));
            EXPECT_EQ(Settings.filterKeywords, (TStringList { "KEPT", "added" }));
            if (*closer)
                click(find<QPushButton>(dialog, closer));
        });
        choose(control<QAction>("mnuFileOptions"));
        EXPECT_EQ(Settings.filterKeywords, TStringList { "KEPT" }) << closer;
    }
}

// Help > Contents opens the help of the current folder, else the program's.
TEST_F(WindowTest, HelpContentsFallsBackToTheHelpBesideTheProgram)
{
    writeSettings();
    start();
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/skelvo.hlp");
    const std::pair<bool, QString> rows[]
        = { { false, beside }, { true, QStringLiteral("skelvo.hlp") } };
    for (const auto& [inCurrentFolder, opened] : rows) {
        if (inCurrentFolder)
            write("skelvo.hlp", "<html></html>");
        dialogs.shellOpened.clear();
        choose(control<QAction>("mnuHelpContents"));
        EXPECT_EQ(dialogs.shellOpened, std::vector<QString> { opened });
    }
}

// While another process crawls the input file, the window shows its queue but
// refuses every rewrite naming that process, and closing leaves the files be.
TEST_F(WindowTest, AQueueAnotherProcessCrawlsIsLeftAlone)
{
    writeSettings();
    write("in.txt", "http://a.test/\r\nhttp://b.test/\r\n");
    const std::string progress = ProgressFileOf(path("in.txt"));
    WriteWholeFile(progress, "+http://c.test/\r\n-http://a.test/\r\n");
    TInputLock other;
    std::string unused;
    ASSERT_TRUE(other.TryTake(path("in.txt"), unused));
    start();
    EXPECT_EQ(caption("lblLeft"), QStringLiteral("2"));
    const QString busy = QString::fromStdString(path("in.txt")
        + " is being crawled by another Skelvo (process " + std::to_string(::getpid()) + ")");
    dialogs.inputAnswers = { QStringLiteral("http://d.test/") };
    for (const char* command : { "cmdIndex", "mnuSitesAdd", "mnuSitesDelete" }) {
        SCOPED_TRACE(command);
        dialogs.messages.clear();
        if (command == std::string("cmdIndex"))
            click(control<QToolButton>(command));
        else
            choose(control<QAction>(command));
        EXPECT_EQ(dialogs.messages, std::vector<QString> { busy });
        EXPECT_EQ(text("in.txt"), "http://a.test/\r\nhttp://b.test/\r\n");
        EXPECT_TRUE(control<QToolButton>("cmdIndex")->isEnabled());
    }
    EXPECT_TRUE(closeWindow());
    EXPECT_EQ(text("in.txt"), "http://a.test/\r\nhttp://b.test/\r\n");
    EXPECT_EQ(ReadWholeFile(progress), "+http://c.test/\r\n-http://a.test/\r\n");
}

// The window folds a progress file a killed run left when it starts; at
// close it does not write its list over a file another program changed since.
TEST_F(WindowTest, StartUpFoldsLeftoverProgressAndCloseKeepsAnotherProgramsChange)
{
    writeSettings();
    write("in.txt", "http://a.test/\r\nhttp://b.test/\r\n");
    const std::string progress = ProgressFileOf(path("in.txt"));
    WriteWholeFile(progress, "+http://c.test/\r\n-http://a.test/\r\n+http://torn");
    start();
    EXPECT_EQ(caption("lblLeft"), QStringLiteral("2"));
    EXPECT_EQ(text("in.txt"), "http://b.test/\r\nhttp://c.test/\r\n");
    EXPECT_FALSE(std::filesystem::exists(progress));
    write("in.txt", "http://edited.meanwhile/\r\n");
    EXPECT_TRUE(closeWindow());
    EXPECT_EQ(text("in.txt"), "http://edited.meanwhile/\r\n");
}

// A settings file and an input file that are symbolic links stay links: the
// files they lead to take what the window writes.
TEST_F(WindowTest, SymlinkedSettingsAndInputFilesAreWrittenThroughTheirLinks)
{
    writeSettings();
    std::filesystem::create_directory(path("shared"));
    std::filesystem::rename(path("skelvo.ini"), path("shared/skelvo.ini"));
    std::filesystem::create_symlink("shared/skelvo.ini", path("skelvo.ini"));
    write("shared/in.txt", "http://a.test/\r\n");
    std::filesystem::create_symlink("shared/in.txt", path("in.txt"));
    start();
    dialogs.inputAnswers = { QStringLiteral("http://b.test/") };
    choose(control<QAction>("mnuSitesAdd"));
    control<QCheckBox>("chkObey")->setChecked(true);
    EXPECT_TRUE(closeWindow());
    for (const char* name : { "skelvo.ini", "in.txt" })
        EXPECT_TRUE(std::filesystem::is_symlink(path(name))) << name;
    EXPECT_EQ(text("shared/in.txt"), "http://a.test/\r\nhttp://b.test/\r\n");
    EXPECT_NE(text("shared/skelvo.ini").find("NOINDEX=1\r\n"), std::string::npos);
}

} // namespace
