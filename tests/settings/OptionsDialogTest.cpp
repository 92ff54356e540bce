#include "platform/Errors.h"
#include "platform/TextFile.h"
#include "settings/Settings.h"
#include "settings/poptions.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WidgetDriver.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class OptionsDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_ini = m_dir.file("skelvo.ini");
        setSettingsPath(m_ini);
        Settings = TSettings {};
    }
    void TearDown() override
    {
        setSettingsPath("");
        Settings = TSettings {};
    }
    template <class T> T* control(const char* name) { return find<T>(m_form, name); }
    QStringList shown(const char* listName)
    {
        QStringList items;
        auto* list = control<QListWidget>(listName);
        for (int i = 0; i < list->count(); ++i)
            items.append(list->item(i)->text());
        return items;
    }

    TempFolder m_dir { "options" };
    std::string m_ini;
    TScriptedDialogs m_dialogs;
    TfrmOptions m_form { Settings, m_dialogs };
};

// One list box of the dialog with its buttons, input box and settings list.
struct ListCase
{
    const char* list;
    const char* add;
    const char* remove;
    TStringList TSettings::*entries;
    bool sorted;
    const char* caption;
    const char* prompt;
};

class OptionsListTest : public OptionsDialogTest, public ::testing::WithParamInterface<ListCase>
{ };

TEST_P(OptionsListTest, AddAndRemoveChangeTheSettingsListAtOnce)
{
    const ListCase& c = GetParam();
    Settings.*c.entries = { "apple", "Cherry" };
    m_form.FormShow();
    auto* list = control<QListWidget>(c.list);
    list->setCurrentRow(1); // "Cherry" selected

    m_dialogs.inputAnswers = { QStringLiteral("banana"), QString(), std::nullopt };
    click(control<QPushButton>(c.add));
    click(control<QPushButton>(c.add)); // an empty answer adds nothing
    click(control<QPushButton>(c.add)); // nor does a cancelled box

    ASSERT_EQ(m_dialogs.inputCalls.size(), 3u);
    EXPECT_EQ(m_dialogs.inputCalls[0].caption, QLatin1String(c.caption));
    EXPECT_EQ(m_dialogs.inputCalls[0].prompt, QLatin1String(c.prompt));
    EXPECT_EQ(m_dialogs.inputCalls[0].defaultAnswer, QString());
    // The sorted lists put the entry at its place whatever is selected; the
    // others append it. The selection stays on its entry either way.
    const TStringList expected = c.sorted ? TStringList { "apple", "banana", "Cherry" }
                                          : TStringList { "apple", "Cherry", "banana" };
    EXPECT_EQ(Settings.*c.entries, expected);
    EXPECT_EQ(shown(c.list).size(), 3);
    EXPECT_EQ(shown(c.list).join(','),
        QString::fromStdString(expected[0] + "," + expected[1] + "," + expected[2]));
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("Cherry"));

    click(control<QPushButton>(c.remove));
    const TStringList afterRemove { "apple", "banana" };
    EXPECT_EQ(Settings.*c.entries, afterRemove);

    // With nothing selected, Remove does nothing.
    list->clearSelection();
    list->setCurrentRow(-1);
    click(control<QPushButton>(c.remove));
    EXPECT_EQ(Settings.*c.entries, afterRemove);
    EXPECT_EQ(list->count(), 2);
}

INSTANTIATE_TEST_SUITE_P(EveryList, OptionsListTest,
    ::testing::Values(
        ListCase { "lstDomains", "cmdAddDomain", "cmdRemDomain", &TSettings::domainExts, true,
            "Add Domain Extension", "New Domain Extension" },
        ListCase { "lstWebExt", "cmdAddWeb", "cmdRemWeb", &TSettings::webExts, true,
            "Add Web Extension", "New Web Extension" },
        ListCase { "lstF1", "cmdF1Add", "cmdF1Rem", &TSettings::filterKeywords, false,
            "Add Keywords or Phrase", "New Keyword or Phrase" },
        ListCase { "lstF2", "cmdF2Add", "cmdF2Rem", &TSettings::filterDomains, false,
            "Add Keywords or Phrase", "New Keyword or Phrase" },
        ListCase { "lstTargeted", "cmdAddTarget", "cmdRemTarget", &TSettings::targetKeywords, false,
            "Add Keywords or Phrase", "New Keyword or Phrase" }),
    [](const auto& row) { return std::string(row.param.list); });

TEST_F(OptionsDialogTest, DescriptionLengthIsKeptWithinItsBoundsWhenTheFocusLeaves)
{
    struct Row
    {
        const char* typed;
        const char* after;
        const char* error;
    };
    const Row rows[] = {
        { "5", "10", "" },
        { "1000", "400", "" },
        { "10", "10", "" },
        { "400", "400", "" },
        { "-3", "10", "" },
        { "12x", "12x", "'12x' is not a valid integer value" },
    };
    auto* desc = control<QLineEdit>("txtDesc");
    for (const Row& row : rows) {
        m_dialogs.messages.clear();
        desc->setText(QLatin1String(row.typed));
        leaveFocus(desc);
        EXPECT_EQ(desc->text(), QLatin1String(row.after)) << row.typed;
        const std::vector<QString> expected = *row.error
            ? std::vector<QString> { QLatin1String(row.error) }
            : std::vector<QString> {};
        EXPECT_EQ(m_dialogs.messages, expected) << row.typed;
    }
    // Only the description box is bounded.
    auto* cut = control<QLineEdit>("txtCut");
    cut->setText(QStringLiteral("5000"));
    leaveFocus(cut);
    EXPECT_EQ(cut->text(), QStringLiteral("5000"));
}

TEST_F(OptionsDialogTest, OkWritesEveryKeyInTheStatedOrderThenCloses)
{
    Settings.domainExts = { "com" };
    Settings.targetKeywords = { "first", "Second" };
    m_dialogs.modalActions.push_back([this](QDialog&) {
        typeInto(control<QLineEdit>("txtOutput"), QStringLiteral("Out.txt"));
        typeInto(control<QLineEdit>("txtSep"), QStringLiteral("#a"));
        typeInto(control<QLineEdit>("txtCut"), QStringLiteral("60"));
        typeInto(control<QLineEdit>("txtProxy"), QStringLiteral("proxy.local"));
        typeInto(control<QLineEdit>("txtPPass"), QStringLiteral("Secret"));
        control<QCheckBox>("chkKey")->setChecked(true);
        control<QCheckBox>("chkProxy")->setChecked(true);
        click(control<QPushButton>("cmdOK"));
        EXPECT_FALSE(m_form.isVisible());
    });
    EXPECT_EQ(m_dialogs.ShowModal(m_form), QDialog::Accepted);
    EXPECT_EQ(ReadWholeFile(m_ini),
        "[PATHS]\r\nOUTPUT=Out.txt\r\nINPUT=in.txt\r\nSAVED=saved.txt\r\nTRACK=track.txt\r\n\r\n"
        "[OUTPUT]\r\nSEPERATOR=#A\r\nCUTOFF=60\r\nDESC=255\r\nB1=0\r\nB3=1\r\nB4=0\r\n\r\n"
        "[PROXY]\r\nADDRESS=proxy.local\r\nNAME=\r\nPASSWORD=Secret\r\nPORT=80\r\nENABLED=1\r\n"
        "\r\n[FOLLOWING]\r\nEXT1=com\r\nEXT2=\r\n\r\n[FILTER1]\r\nKEYWORDS1=\r\n\r\n"
        "[FILTER2]\r\nDOMAINS1=\r\n\r\n[TARGETED]\r\nKEYWORDS2=first,Second\r\n");
}

TEST_F(OptionsDialogTest, RefusedWriteKeepsTheDialogOpenAndShowsWhy)
{
    const std::string unwritable = m_dir.file("no-such-folder/skelvo.ini");
    setSettingsPath(unwritable);
    m_dialogs.modalActions.push_back([this, &unwritable](QDialog&) {
        click(control<QPushButton>("cmdOK"));
        EXPECT_TRUE(m_form.isVisible());
        EXPECT_EQ(m_dialogs.messages,
            std::vector<QString> { QString::fromStdString("Unable to write to " + unwritable) });
        // Once the file can be written, the same button saves and closes.
        setSettingsPath(m_ini);
        click(control<QPushButton>("cmdOK"));
        EXPECT_FALSE(m_form.isVisible());
    });
    EXPECT_EQ(m_dialogs.ShowModal(m_form), QDialog::Accepted);
    EXPECT_FALSE(std::filesystem::exists(unwritable));
    EXPECT_NE(ReadWholeFile(m_ini).find("[PATHS]\r\nOUTPUT=out.txt\r\n"), std::string::npos);
}

TEST_F(OptionsDialogTest, CancelAndEscapeWriteNothing)
{
    m_dialogs.modalActions.push_back([this](QDialog& dialog) {
        typeInto(control<QLineEdit>("txtOutput"), QStringLiteral("changed.txt"));
        pressKey(control<QLineEdit>("txtOutput"), Qt::Key_Escape);
        pressKey(control<QLineEdit>("txtOutput"), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible()); // neither key answers for a button
        click(control<QPushButton>("cmdCancel"));
    });
    EXPECT_EQ(m_dialogs.ShowModal(m_form), QDialog::Rejected);
    EXPECT_FALSE(std::filesystem::exists(m_ini));
}

TEST_F(OptionsDialogTest, BrowseButtonsAskForAnExistingFileAndTakeItsPath)
{
    struct Row
    {
        const char* button;
        const char* box;
        const char* title;
        bool noReadOnly;
    };
    const Row rows[] = {
        { "Button1", "txtOutput", "Output File", true },
        { "Button2", "txtInput", "Input File", false },
        { "Button3", "txtSaved", "Saved File", true },
        { "Button4", "txtTrack", "Track File", true },
    };
    for (const Row& row : rows) {
        m_dialogs.fileRequests.clear();
        auto* box = control<QLineEdit>(row.box);
        box->setText(QStringLiteral("before"));
        m_dialogs.fileAnswers = { std::nullopt, QStringLiteral("/data/Picked.TXT") };
        click(control<QPushButton>(row.button));
        EXPECT_EQ(box->text(), QStringLiteral("before")) << row.button; // cancelled
        click(control<QPushButton>(row.button));
        EXPECT_EQ(box->text(), QStringLiteral("/data/Picked.TXT")) << row.button;

        ASSERT_EQ(m_dialogs.fileRequests.size(), 2u);
        const TOpenDialogRequest& r = m_dialogs.fileRequests[0];
        EXPECT_EQ(r.title, QLatin1String(row.title));
        EXPECT_EQ(r.filter, QStringLiteral("Text files (*.txt)|*.TXT|All files (*.*)|*.*"));
        EXPECT_TRUE(r.hideReadOnly);
        EXPECT_TRUE(r.fileMustExist);
        EXPECT_EQ(r.noReadOnly, row.noReadOnly) << row.button;
    }
}

TEST_F(OptionsDialogTest, F1ShowsTheHelpOfTheControlItIsPressedOn)
{
    const std::pair<const char*, int> rows[] = {
        { "txtOutput", 20 },
        { "Button3", 36 },
        { "txtSep", 24 },
        { "chkKey", 29 },
        { "lstDomains", 310 },
        { "lstWebExt", 32 },
        { "cmdRemTarget", 35 },
        { "txtPPass", 41 },
        { "chkProxy", 420 },
        { "cmdOK", 37 },
        { "cmdCancel", 38 },
        { "PageControl1", 6 },
    };
    for (const auto& [name, context] : rows) {
        m_dialogs.helpShown.clear();
        pressKey(control<QWidget>(name), Qt::Key_F1);
        EXPECT_EQ(m_dialogs.helpShown, std::vector<int> { context }) << name;
    }
}

TEST_F(OptionsDialogTest, OpensOnPathsAndThenOnThePageLastShown)
{
    auto* pages = control<QTabWidget>("PageControl1");
    EXPECT_EQ(pages->tabText(pages->currentIndex()), QStringLiteral("Paths"));
    QStringList titles;
    for (int i = 0; i < pages->count(); ++i)
        titles.append(pages->tabText(i));
    EXPECT_EQ(
        titles.join(','), QStringLiteral("Paths,Output,Following,Filter1,Filter2,Targeted,Proxy"));
    m_dialogs.modalActions.push_back([pages](QDialog&) { pages->setCurrentIndex(6); });
    m_dialogs.ShowModal(m_form);
    m_dialogs.ShowModal(m_form);
    EXPECT_EQ(pages->tabText(pages->currentIndex()), QStringLiteral("Proxy"));
}

TEST_F(OptionsDialogTest, FillFromShowsTheSettingsInTheBoxes)
{
    TSettings s;
    s.outputFile = "/tmp/Out.txt";
    s.separator = "<|>";
    s.titleCutoff = 70;
    s.descMax = -1;
    s.keywordsRequired = 1;
    s.metaFirst = 2; // only 1 is on
    s.proxyPort = 3128;
    s.proxyPassword = "P\xC3\xA4ss"; // typed text is held as UTF-8
    m_form.FillFrom(s);
    EXPECT_EQ(control<QLineEdit>("txtOutput")->text(), QStringLiteral("/tmp/Out.txt"));
    EXPECT_EQ(control<QLineEdit>("txtSep")->text(), QStringLiteral("<|>"));
    EXPECT_EQ(control<QLineEdit>("txtCut")->text(), QStringLiteral("70"));
    EXPECT_EQ(control<QLineEdit>("txtDesc")->text(), QStringLiteral("-1"));
    EXPECT_EQ(control<QLineEdit>("txtPort")->text(), QStringLiteral("3128"));
    EXPECT_EQ(control<QLineEdit>("txtPPass")->text(), QString::fromUtf8("P\xC3\xA4ss"));
    EXPECT_TRUE(control<QCheckBox>("chkKey")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("chkMeta")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("chkLM")->isChecked());
    // What is shown is what is written back.
    EXPECT_EQ(m_form.Values().txtPPass, s.proxyPassword);
}

} // namespace
