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

TEST_F(WindowTest, ShowsTheSpecifiedLayoutAndMenus)
{
    WriteSettings();
    TfrmSkelvo& window = Start();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Skelvo v1.5"));
    EXPECT_EQ(window.centralWidget()->size(), QSize(474, 319));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()); // fixed size
    auto* pages = Control<QTabWidget>("PageControl1");
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Index"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("Logs"));
    EXPECT_EQ(Control<QPushButton>("cmdClearLogs")->text(), QStringLiteral("Clear "));
    EXPECT_EQ(Caption("lblStatus"), QStringLiteral("Idle"));
    EXPECT_EQ(Caption("lblSite"), QStringLiteral("None"));

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
        EXPECT_EQ(Control<QAction>(name)->shortcut(), keys) << name;
        EXPECT_TRUE(Control<QAction>(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(Control<QToolButton>("cmdStop")->isEnabled());
    EXPECT_TRUE(Control<QToolButton>("cmdIndex")->isEnabled());
}

TEST_F(WindowTest, StartUpCreatesAMissingInputFileEmpty)
{
    WriteSettings();
    Start();
    EXPECT_TRUE(std::filesystem::exists(Path("in.txt")));
    EXPECT_EQ(Text("in.txt"), "");
    EXPECT_EQ(Caption("lblLeft"), QStringLiteral("0"));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.helpFile.endsWith(QStringLiteral("/skelvo.hlp")));
}

TEST_F(WindowTest, StartUpLoadsTheUrlListAndTheCheckBoxes)
{
    WriteSettings({ { "OPTIONS/FOLLOW", "1" }, { "OPTIONS/INTERNAL", "1" } });
    Write("in.txt", "http://a.test/\r\nhttp://b.test/\r\n");
    Start();
    EXPECT_EQ(Caption("lblLeft"), QStringLiteral("2"));
    EXPECT_TRUE(Control<QCheckBox>("chkFollow")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>("chkObey")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>("chkInternal")->isChecked());
}

TEST_F(WindowTest, ABadSettingsIntegerIsShownAndStopsTheStartUp)
{
    WriteSettings(
        { { "OUTPUT/CUTOFF", "abc" }, { "OPTIONS/FOLLOW", "1" }, { "OPTIONS/NOINDEX", "1" } });
    Write("in.txt", "http://a.test/\r\n");
    TfrmSkelvo& window = Start();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(dialogs.messages,
        std::vector<QString> { QStringLiteral("'ABC' is not a valid integer value") });
    EXPECT_FALSE(Control<QCheckBox>("chkFollow")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>("chkObey")->isChecked());
    EXPECT_EQ(Caption("lblLeft"), QStringLiteral("0"));

    // The list was never loaded, so closing keeps the input file as it is;
    // the check boxes are written as they stand.
    EXPECT_TRUE(CloseWindow());
    EXPECT_EQ(Text("in.txt"), "http://a.test/\r\n");
    EXPECT_NE(Text("skelvo.ini").find("FOLLOW=0\r\nNOINDEX=0\r\n"), std::string::npos);
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
    WriteSettings();
    Write("in.txt", "http://old/\r\n");
    Start();
    for (const Row& row : rows) {
        dialogs.inputCalls.clear();
        dialogs.inputAnswers = { row.answer };
        Choose(Control<QAction>("mnuSitesAdd"));
        ASSERT_EQ(dialogs.inputCalls.size(), 1u);
        EXPECT_EQ(dialogs.inputCalls[0].caption, QStringLiteral("Add New URL"));
        EXPECT_EQ(dialogs.inputCalls[0].prompt, QStringLiteral("New URL:"));
        EXPECT_EQ(dialogs.inputCalls[0].defaultAnswer, QStringLiteral("http://"));
        EXPECT_EQ(Text("in.txt"), row.inputFile)
            << row.answer.value_or("(cancelled)").toStdString();
    }
    EXPECT_EQ(Caption("lblLeft"), QStringLiteral("3"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(WindowTest, SitesAddAfterAFailedStartUpKeepsTheUrlsOfTheFile)
{
    WriteSettings({ { "OUTPUT/DESC", "x" } });
    Write("in.txt", "http://first.test/\r\n");
    Start();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    dialogs.inputAnswers = { QStringLiteral("http://second.test/") };
    Choose(Control<QAction>("mnuSitesAdd"));
    EXPECT_EQ(Text("in.txt"), "http://first.test/\r\nhttp://second.test/\r\n");
    EXPECT_EQ(Caption("lblLeft"), QStringLiteral("2"));
}

TEST_F(WindowTest, DeleteAllOnAnEmptyListStillRewritesTheInputFile)
{
    WriteSettings();
    Start();
    Write("in.txt", "http://written.meanwhile/\r\n");
    Choose(Control<QAction>("mnuSitesDelete"));
    EXPECT_TRUE(std::filesystem::exists(Path("in.txt")));
    EXPECT_EQ(Text("in.txt"), "");
    EXPECT_EQ(Caption("lblLeft"), QStringLiteral("0"));
}

TEST_F(WindowTest, AListThatCannotBeSavedIsShownAndKeptInMemory)
{
    WriteSettings();
    Write("in.txt", "http://a.test/\r\n");
    Start();
    // The input file's folder goes away under the program.
    WriteProfileString("PATHS", "INPUT", Path("gone/in.txt"), Path("skelvo.ini"));
    LoadSettings();
    dialogs.inputAnswers = { QStringLiteral("http://b.test/") };
    Choose(Control<QAction>("mnuSitesAdd"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].contains(QStringLiteral("gone/in.txt")));
    EXPECT_EQ(Caption("lblLeft"), QStringLiteral("1")); // not updated
    EXPECT_EQ(Run().State().urlList.size(), 2u);

    // Closing fails the same way: the window stays open and the check boxes are not written.
    const std::string before = Text("skelvo.ini");
    Control<QCheckBox>("chkObey")->setChecked(true);
    EXPECT_FALSE(CloseWindow());
    EXPECT_TRUE(Window().isVisible());
    EXPECT_EQ(Text("skelvo.ini"), before);
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(WindowTest, CheckBoxesComeBackAfterARestart)
{
    WriteSettings();
    Start();
    Control<QCheckBox>("chkObey")->setChecked(true);
    Control<QCheckBox>("chkInternal")->setChecked(true);
    // A change of the keys made while the program runs is overwritten at close.
    WriteProfileString("OPTIONS", "FOLLOW", "1", Path("skelvo.ini"));
    Choose(Control<QAction>("mnuFileExit"));
    EXPECT_FALSE(Window().isVisible());
    Stop();

    Start();
    EXPECT_TRUE(Control<QCheckBox>("chkObey")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>("chkFollow")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>("chkInternal")->isChecked());
}

TEST_F(WindowTest, ClearEmptiesTheLogButNotTheSavedFile)
{
    WriteSettings();
    Write("saved.txt", "http://kept/\r\n");
    Start();
    auto* log = Control<QPlainTextEdit>("txtSaved");
    log->setPlainText(QStringLiteral("a line"));
    Click(Control<QPushButton>("cmdClearLogs"));
    EXPECT_TRUE(log->toPlainText().isEmpty());
    EXPECT_EQ(Text("saved.txt"), "http://kept/\r\n");
}

TEST_F(WindowTest, HelpCommandsGoThroughTheShellAndTheAboutBox)
{
    WriteSettings();
    Start();
    Choose(Control<QAction>("mnuHelpContents"));
    Choose(Control<QAction>("mnuHome"));
    dialogs.modalActions.push_back([](QDialog& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
        EXPECT_EQ(Find<QLabel>(box, "Version")->text(), QStringLiteral("Version: 1.5"));
        QTest::mouseClick(Find<QLabel>(box, "Label1"), Qt::LeftButton);
        Click(Find<QPushButton>(box, "OKButton"));
        EXPECT_FALSE(box.isVisible());
    });
    Choose(Control<QAction>("mnuHelpAbout"));
    EXPECT_EQ(dialogs.modalShown, std::vector<QString> { QStringLiteral("AboutBox") });
    const QString home = QString::fromLatin1(MakerHomePage);
    EXPECT_EQ(
        dialogs.shellOpened, (std::vector<QString> { QStringLiteral("skelvo.hlp"), home, home }));
    EXPECT_EQ(home, QStringLiteral("http://brelloc.example/"));
}

TEST_F(WindowTest, OptionsOkWritesTheFileAndTheReloadUpperCasesIt)
{
    WriteSettings();
    Start();
    dialogs.inputAnswers = { QStringLiteral("org") };
    dialogs.modalActions.push_back([](QDialog& dialog) {
        // The boxes come filled from the settings in memory.
        EXPECT_EQ(Find<QLineEdit>(dialog, "txtCut")->text(), QStringLiteral("70"));
        TypeInto(Find<QLineEdit>(dialog, "txtInput"), QStringLiteral("lower/in.txt"));
        TypeInto(Find<QLineEdit>(dialog, "txtSep"), QStringLiteral("ab"));
        TypeInto(Find<QLineEdit>(dialog, "txtProxy"), QStringLiteral("proxy.test"));
        TypeInto(Find<QLineEdit>(dialog, "txtPName"), QStringLiteral("Ann"));
        Click(Find<QPushButton>(dialog, "cmdAddDomain"));
        Click(Find<QPushButton>(dialog, "cmdOK"));
    });
    Choose(Control<QAction>("mnuFileOptions"));
    EXPECT_EQ(dialogs.modalShown, std::vector<QString> { QStringLiteral("frmOptions") });
    EXPECT_EQ(Settings.separator, "AB");
    EXPECT_EQ(Settings.proxyAddress, "PROXY.TEST");
    EXPECT_EQ(Settings.domainExts, TStringList { "ORG" });
    // Paths and the proxy credentials keep their case.
    EXPECT_EQ(Settings.inputFile, "lower/in.txt");
    EXPECT_EQ(Settings.proxyName, "Ann");
    const std::string ini = Text("skelvo.ini");
    EXPECT_NE(ini.find("SEPERATOR=AB\r\n"), std::string::npos);
    EXPECT_NE(ini.find("EXT1=org\r\n"), std::string::npos);
}

TEST_F(WindowTest, OptionsCancelDiscardsListEdits)
{
    WriteSettings({ { "FILTER1/KEYWORDS1", "kept" } });
    Start();
    ASSERT_EQ(Settings.filterKeywords, TStringList { "KEPT" });
    dialogs.inputAnswers = { QStringLiteral("added") };
    dialogs.modalActions.push_back([](QDialog& dialog) {
        EXPECT_EQ(Find<QListWidget>(dialog, "lstF1")->count(), 1);
        Click(Find<QPushButton>(dialog, "cmdF1Add"));
        EXPECT_EQ(Settings.filterKeywords, (TStringList { "KEPT", "added" }));
        Click(Find<QPushButton>(dialog, "cmdCancel"));
    });
    Choose(Control<QAction>("mnuFileOptions"));
    EXPECT_EQ(Settings.filterKeywords, TStringList { "KEPT" });
    // The close box drops them as well.
    dialogs.inputAnswers = { QStringLiteral("again") };
    dialogs.modalActions.push_back(
        [](QDialog& dialog) { Click(Find<QPushButton>(dialog, "cmdF1Add")); });
    Choose(Control<QAction>("mnuFileOptions"));
    EXPECT_EQ(Settings.filterKeywords, TStringList { "KEPT" });
}

} // namespace
