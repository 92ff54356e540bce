#include "WindowFixture.h"

#include "app/Maker.h"
#include "platform/Profile.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <filesystem>

namespace {

TEST_F(WindowTest, ShowsItsFixedLayoutAndMenus)
{
    writeSettings();
    TfrmSkelvo& window = start();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Skelvo v1.5"));
    EXPECT_EQ(window.centralWidget()->size(), QSize(474, 319));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()); // fixed size
    auto* pages = control<QTabWidget>("PageControl1");
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Index"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("Logs"));
    EXPECT_EQ(control<QPushButton>("cmdClearLogs")->text(), QStringLiteral("Clear "));
    EXPECT_EQ(caption("lblStatus"), QStringLiteral("Idle"));
    EXPECT_EQ(caption("lblSite"), QStringLiteral("None"));

    const std::pair<const char*, QKeySequence> shortcuts[] = {
        { "mnuFileOptions", QKeySequence(QStringLiteral("Ctrl+S")) },
        { "mnuFileExit", QKeySequence(QStringLiteral("Ctrl+X")) },
        { "mnuSitesAdd", QKeySequence(QStringLiteral("Ctrl+A")) },
        { "mnuSitesDelete", QKeySequence() },
        { "Detailed1", QKeySequence(QStringLiteral("F2")) },
        { "mnuHelpContents", QKeySequence(QStringLiteral("F1")) },
        { "mnuHome", QKeySequence() },
        { "mnuHelpAbout", QKeySequence() },
    };
    for (const auto& [name, keys] : shortcuts) {
        EXPECT_EQ(control<QAction>(name)->shortcut(), keys) << name;
        EXPECT_TRUE(control<QAction>(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(control<QToolButton>("cmdStop")->isEnabled());
    EXPECT_TRUE(control<QToolButton>("cmdIndex")->isEnabled());
}

TEST_F(WindowTest, StartUpCreatesAMissingInputFileEmpty)
{
    writeSettings();
    start();
    EXPECT_TRUE(std::filesystem::exists(path("in.txt")));
    EXPECT_EQ(text("in.txt"), "");
    EXPECT_EQ(caption("lblLeft"), QStringLiteral("0"));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.helpFile.endsWith(QStringLiteral("/skelvo.hlp")));
}

TEST_F(WindowTest, StartUpLoadsTheUrlListAndTheCheckBoxes)
{
    writeSettings({ { "OPTIONS/FOLLOW", "1" }, { "OPTIONS/INTERNAL", "1" } });
    write("in.txt", "http://a.test/\r\nhttp://b.test/\r\n");
    start();
    EXPECT_EQ(caption("lblLeft"), QStringLiteral("2"));
    EXPECT_TRUE(control<QCheckBox>("chkFollow")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("chkObey")->isChecked());
    EXPECT_TRUE(control<QCheckBox>("chkInternal")->isChecked());
}

TEST_F(WindowTest, ABadSettingsIntegerIsShownAndStopsTheStartUp)
{
    writeSettings(
        { { "OUTPUT/CUTOFF", "abc" }, { "OPTIONS/FOLLOW", "1" }, { "OPTIONS/NOINDEX", "1" } });
    write("in.txt", "http://a.test/\r\n");
    TfrmSkelvo& window = start();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(dialogs.messages,
        std::vector<QString> { QStringLiteral("'ABC' is not a valid integer value") });
    EXPECT_FALSE(control<QCheckBox>("chkFollow")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("chkObey")->isChecked());
    EXPECT_EQ(caption("lblLeft"), QStringLiteral("0"));

    // The list was never loaded, so closing keeps the input file as it is;
    // the check boxes are written as they stand.
    EXPECT_TRUE(closeWindow());
    EXPECT_EQ(text("in.txt"), "http://a.test/\r\n");
    EXPECT_NE(text("skelvo.ini").find("FOLLOW=0\r\nNOINDEX=0\r\n"), std::string::npos);
}

TEST_F(WindowTest, SitesAddAppendsOnlyAnswersLongerThanSevenCharacters)
{
    struct Row
    {
        std::optional<QString> answer;
        const char* inputFile;
    };
    const Row rows[] = {
        { QStringLiteral("http://"), "http://old/\r\n" }, // the untouched default
        { QString(), "http://old/\r\n" }, // an empty answer
        { std::nullopt, "http://old/\r\n" }, // a cancelled box
        { QStringLiteral("1234567"), "http://old/\r\n" },
        { QStringLiteral("12345678"), "http://old/\r\n12345678\r\n" }, // anything of eight
        { QStringLiteral("http://old/"), "http://old/\r\n12345678\r\nhttp://old/\r\n" },
    };
    writeSettings();
    write("in.txt", "http://old/\r\n");
    start();
    for (const Row& row : rows) {
        dialogs.inputCalls.clear();
        dialogs.inputAnswers = { row.answer };
        choose(control<QAction>("mnuSitesAdd"));
        ASSERT_EQ(dialogs.inputCalls.size(), 1u);
        EXPECT_EQ(dialogs.inputCalls[0].caption, QStringLiteral("Add New URL"));
        EXPECT_EQ(dialogs.inputCalls[0].prompt, QStringLiteral("New URL:"));
        EXPECT_EQ(dialogs.inputCalls[0].defaultAnswer, QStringLiteral("http://"));
        EXPECT_EQ(text("in.txt"), row.inputFile)
            << row.answer.value_or("(cancelled)").toStdString();
    }
    EXPECT_EQ(caption("lblLeft"), QStringLiteral("3"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(WindowTest, SitesAddAfterAFailedStartUpKeepsTheUrlsOfTheFile)
{
    writeSettings({ { "OUTPUT/DESC", "x" } });
    write("in.txt", "http://first.test/\r\n");
    start();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    dialogs.inputAnswers = { QStringLiteral("http://second.test/") };
    choose(control<QAction>("mnuSitesAdd"));
    EXPECT_EQ(text("in.txt"), "http://first.test/\r\nhttp://second.test/\r\n");
    EXPECT_EQ(caption("lblLeft"), QStringLiteral("2"));
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
    // The input file's folder goes away under the program.
    WriteProfileString("PATHS", "INPUT", path("gone/in.txt"), path("skelvo.ini"));
    LoadSettings();
    dialogs.inputAnswers = { QStringLiteral("http://b.test/") };
    choose(control<QAction>("mnuSitesAdd"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].contains(QStringLiteral("gone/in.txt")));
    EXPECT_EQ(caption("lblLeft"), QStringLiteral("1")); // not updated
    EXPECT_EQ(run().State().urlList.size(), 2u);

    // Closing fails the same way: the window stays open and the check boxes are not written.
    const std::string before = text("skelvo.ini");
    control<QCheckBox>("chkObey")->setChecked(true);
    EXPECT_FALSE(closeWindow());
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(text("skelvo.ini"), before);
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(WindowTest, CheckBoxesComeBackAfterARestart)
{
    writeSettings();
    start();
    control<QCheckBox>("chkObey")->setChecked(true);
    control<QCheckBox>("chkInternal")->setChecked(true);
    // A change of the keys made while the program runs is overwritten at close.
    WriteProfileString("OPTIONS", "FOLLOW", "1", path("skelvo.ini"));
    choose(control<QAction>("mnuFileExit"));
    EXPECT_FALSE(window().isVisible());
    stop();

    start();
    EXPECT_TRUE(control<QCheckBox>("chkObey")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("chkFollow")->isChecked());
    EXPECT_TRUE(control<QCheckBox>("chkInternal")->isChecked());
}

TEST_F(WindowTest, ClearEmptiesTheLogButNotTheSavedFile)
{
    writeSettings();
    write("saved.txt", "http://kept/\r\n");
    start();
    auto* log = control<QPlainTextEdit>("txtSaved");
    log->setPlainText(QStringLiteral("a line"));
    click(control<QPushButton>("cmdClearLogs"));
    EXPECT_TRUE(log->toPlainText().isEmpty());
    EXPECT_EQ(text("saved.txt"), "http://kept/\r\n");
}

TEST_F(WindowTest, HelpCommandsGoThroughTheShellAndTheAboutBox)
{
    writeSettings();
    start();
    choose(control<QAction>("mnuHelpContents"));
    choose(control<QAction>("mnuHome"));
    dialogs.modalActions.push_back([](QDialog& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
        EXPECT_EQ(find<QLabel>(box, "Version")->text(), QStringLiteral("Version: 1.5"));
        QTest::mouseClick(find<QLabel>(box, "Label1"), Qt::LeftButton);
        click(find<QPushButton>(box, "OKButton"));
        EXPECT_FALSE(box.isVisible());
    });
    choose(control<QAction>("mnuHelpAbout"));
    EXPECT_EQ(dialogs.modalShown, std::vector<QString> { QStringLiteral("AboutBox") });
    const QString home = QString::fromLatin1(MakerHomePage);
    EXPECT_EQ(
        dialogs.shellOpened, (std::vector<QString> { QStringLiteral("skelvo.hlp"), home, home }));
    EXPECT_EQ(home, QStringLiteral("http://brelloc.example/"));
}

TEST_F(WindowTest, OptionsOkWritesTheFileAndTheReloadUpperCasesIt)
{
    writeSettings();
    start();
    dialogs.inputAnswers = { QStringLiteral("org") };
    dialogs.modalActions.push_back([](QDialog& dialog) {
        // The boxes come filled from the settings in memory.
        EXPECT_EQ(find<QLineEdit>(dialog, "txtCut")->text(), QStringLiteral("70"));
        typeInto(find<QLineEdit>(dialog, "txtInput"), QStringLiteral("lower/in.txt"));
        typeInto(find<QLineEdit>(dialog, "txtSep"), QStringLiteral("ab"));
        typeInto(find<QLineEdit>(dialog, "txtProxy"), QStringLiteral("proxy.test"));
        typeInto(find<QLineEdit>(dialog, "txtPName"), QStringLiteral("Ann"));
        click(find<QPushButton>(dialog, "cmdAddDomain"));
        click(find<QPushButton>(dialog, "cmdOK"));
    });
    choose(control<QAction>("mnuFileOptions"));
    EXPECT_EQ(dialogs.modalShown, std::vector<QString> { QStringLiteral("frmOptions") });
    EXPECT_EQ(Settings.separator, "AB");
    EXPECT_EQ(Settings.proxyAddress, "PROXY.TEST");
    EXPECT_EQ(Settings.domainExts, TStringList { "ORG" });
    // Paths and the proxy credentials keep their case.
    EXPECT_EQ(Settings.inputFile, "lower/in.txt");
    EXPECT_EQ(Settings.proxyName, "Ann");
    const std::string ini = text("skelvo.ini");
    EXPECT_NE(ini.find("SEPERATOR=AB\r\n"), std::string::npos);
    EXPECT_NE(ini.find("EXT1=org\r\n"), std::string::npos);
}

TEST_F(WindowTest, OptionsCancelDiscardsListEdits)
{
    writeSettings({ { "FILTER1/KEYWORDS1", "kept" } });
    start();
    ASSERT_EQ(Settings.filterKeywords, TStringList { "KEPT" });
    dialogs.inputAnswers = { QStringLiteral("added") };
    dialogs.modalActions.push_back([](QDialog& dialog) {
        EXPECT_EQ(find<QListWidget>(dialog, "lstF1")->count(), 1);
        click(find<QPushButton>(dialog, "cmdF1Add"));
        EXPECT_EQ(Settings.filterKeywords, (TStringList { "KEPT", "added" }));
        click(find<QPushButton>(dialog, "cmdCancel"));
    });
    choose(control<QAction>("mnuFileOptions"));
    EXPECT_EQ(Settings.filterKeywords, TStringList { "KEPT" });
    // The close box drops them as well.
    dialogs.inputAnswers = { QStringLiteral("again") };
    dialogs.modalActions.push_back(
        [](QDialog& dialog) { click(find<QPushButton>(dialog, "cmdF1Add")); });
    choose(control<QAction>("mnuFileOptions"));
    EXPECT_EQ(Settings.filterKeywords, TStringList { "KEPT" });
}

} // namespace
