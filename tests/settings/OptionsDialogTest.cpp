#include "platform/HelpContexts.h"
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
    OptionsDialogTest()
    {
        setSettingsPath(m_ini);
        Settings = TSettings {};
    }
    ~OptionsDialogTest() override
    {
        setSettingsPath("");
        Settings = TSettings {};
    }
    template <class T> T* control(const char* name) { return find<T>(m_form, name); }

    TempFolder m_dir { "options" };
    std::string m_ini = m_dir.file("skelvo.ini");
    TScriptedDialogs m_dialogs;
    TfrmOptions m_form { Settings, m_dialogs };
};

struct ListCase
{
    const char* list;
    const char* add;
    const char* remove;
    TStringList TSettings::*entries;
    bool sorted;
};

class OptionsListTest : public OptionsDialogTest, public ::testing::WithParamInterface<ListCase>
{ };

TEST_P(OptionsListTest, AddAndRemoveChangeTheSettingsListAtOnce)
{
    const ListCase& c = GetParam();
    Settings.*c.entries = { "apple", "Cherry" };
    m_form.FormShow();
    auto* list = control<QListWidget>(c.list);
    list->setCurrentRow(1);
    // An empty answer and a cancelled box add nothing.
    m_dialogs.inputAnswers = { QStringLiteral("banana"), QString(), std::nullopt };
    for (int i = 0; i < 3; ++i)
        click(control<QPushButton>(c.add));
    // Sorted lists put the entry at its place, the others append it.
    const TStringList expected = c.sorted ? TStringList { "apple", "banana", "Cherry" }
                                          : TStringList { "apple", "Cherry", "banana" };
    EXPECT_EQ(Settings.*c.entries, expected);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(2)->text().toStdString(), expected[2]);
    // Remove takes the selected entry, and nothing when none is selected.
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("Cherry"));
    click(control<QPushButton>(c.remove));
    list->setCurrentRow(-1);
    click(control<QPushButton>(c.remove));
    EXPECT_EQ(Settings.*c.entries, (TStringList { "apple", "banana" }));
    EXPECT_EQ(list->count(), 2);
}

INSTANTIATE_TEST_SUITE_P(EveryList, OptionsListTest,
    ::testing::Values(
        ListCase { "lstDomains", "cmdAddDomain", "cmdRemDomain", &TSettings::domainExts, true },
        ListCase { "lstWebExt", "cmdAddWeb", "cmdRemWeb", &TSettings::webExts, true },
        ListCase { "lstF1", "cmdF1Add", "cmdF1Rem", &TSettings::filterKeywords, false },
        ListCase { "lstF2", "cmdF2Add", "cmdF2Rem", &TSettings::filterDomains, false },
        ListCase {
            "lstTargeted", "cmdAddTarget", "cmdRemTarget", &TSettings::targetKeywords, false }),
    [](const auto& row) { return std::string(row.param.list); });

TEST_F(OptionsDialogTest, DescriptionLengthIsKeptWithinItsBoundsWhenTheFocusLeaves)
{
    const std::tuple<const char*, const char*, const char*> rows[] = {
        { "5", "10", "" },
        { "1000", "400", "" },
        { "400", "400", "" },
        { "-3", "10", "" },
        { "12x", "12x", "'12x' is not a valid integer value" },
    };
    auto* desc = control<QLineEdit>("txtDesc");
    for (const auto& [typed, after, error] : rows) {
        m_dialogs.messages.clear();
        desc->setText(QLatin1String(typed));
        leaveFocus(desc);
        EXPECT_EQ(desc->text(), QLatin1String(after)) << typed;
        EXPECT_EQ(
            m_dialogs.messages.empty() ? QString() : m_dialogs.messages[0], QLatin1String(error))
            << typed;
    }
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
    });
    EXPECT_EQ(m_dialogs.ShowModal(m_form), QDialog::Accepted);
    EXPECT_EQ(ReadWholeFile(m_ini),
        "[PATHS]\r\nOUTPUT=Out.txt\r\nINPUT=in.txt\r\nSAVED=saved.txt\r\nTRACK=track.txt\r\n\r\n"
        "[OUTPUT]\r\nSEPERATOR=#A\r\nCUTOFF=60\r\nDESC=255\r\nB1=0\r\nB3=1\r\nB4=0\r\n\r\n"
        "[PROXY]\r\nADDRESS=proxy.local\r\nNAME=\r\nPASSWORD=Secret\r\nPORT=80\r\nENABLED=1\r\n"
        "\r\n[FOLLOWING]\r\nEXT1=com\r\nEXT2=\r\n\r\n[FILTER1]\r\nKEYWORDS1=\r\n\r\n"
        "[FILTER2]\r\nDOMAINS1=\r\n\r\n[TARGETED]\r\nKEYWORDS2=first,Second\r\n\r\n"
        "[SOCKS]\r\nSERVER=\r\nPORT=1080\r\nUSER=\r\nPASSWORD=\r\n\r\n"
        "[WEB]\r\nHTTPS=1\r\nCAFILE=\r\nROBOTS=1\r\nSTATUS=1\r\nDELAY=0\r\nREJECTED=\r\n\r\n"
        "[OPTIONS]\r\nFOLLOW=0\r\nNOINDEX=0\r\nINTERNAL=0\r\n");
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
        setSettingsPath(m_ini); // once writable, the same button saves and closes
        click(control<QPushButton>("cmdOK"));
    });
    EXPECT_EQ(m_dialogs.ShowModal(m_form), QDialog::Accepted);
    EXPECT_TRUE(ReadWholeFile(m_ini).starts_with("[PATHS]\r\nOUTPUT=out.txt\r\n"));
}

TEST_F(OptionsDialogTest, CancelWritesNothing)
{
    m_dialogs.modalActions.push_back([this](QDialog& dialog) {
        typeInto(control<QLineEdit>("txtOutput"), QStringLiteral("changed.txt"));
        typeInto(control<QLineEdit>("txtSocksServer"), QStringLiteral("gate"));
        control<QCheckBox>("chkStatus")->setChecked(false);
        pressKey(control<QLineEdit>("txtOutput"), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible()); // Return answers for no button
        click(control<QPushButton>("cmdCancel"));
    });
    EXPECT_EQ(m_dialogs.ShowModal(m_form), QDialog::Rejected);
    EXPECT_FALSE(std::filesystem::exists(m_ini));
}

TEST_F(OptionsDialogTest, F1ShowsTheHelpOfTheControlItIsPressedOn)
{
    using namespace HelpContexts;
    const std::pair<const char*, int> rows[] = { { "txtOutput", OutputFile },
        { "chkProxy", UseProxy }, { "chkHttps", FetchHttps }, { "txtCaFile", CaFile },
        { "cmdCaFile", Browse }, { "txtSocksServer", SocksServer }, { "txtSocksPort", SocksPort },
        { "txtSocksUser", SocksCredentials }, { "txtSocksPass", SocksCredentials },
        { "chkRobots", ObeyRobots }, { "chkStatus", SkipErrorStatus }, { "txtDelay", RequestDelay },
        { "txtRejected", RejectedFile }, { "cmdRejected", Browse } };
    for (const auto& [name, help] : rows) {
        m_dialogs.helpShown.clear();
        pressKey(control<QWidget>(name), Qt::Key_F1);
        EXPECT_EQ(m_dialogs.helpShown, std::vector<int> { help }) << name;
    }
}

// OK refuses a number box that does not hold a whole number in its range: the
// dialog stays open on the box's page, the box has the focus, the message
// names the field, and nothing is written.
TEST_F(OptionsDialogTest, OkRefusesANumberThatCannotBeStored)
{
    const struct
    {
        const char* box;
        const char* typed;
        const char* page;
        const char* message;
    } rows[] = {
        { "txtCut", "abc", "tabOutput",
            "Title Cut-Off Length: 'abc' is not a whole number of 0 or more" },
        { "txtDesc", "abc", "tabOutput",
            "Max Description Length: 'abc' is not a whole number from 10 to 400" },
        { "txtPort", "abc", "tabProxy", "Proxy Port: 'abc' is not a whole number from 1 to 65535" },
        { "txtSocksPort", "abc", "tabWeb",
            "SOCKS Port: 'abc' is not a whole number from 1 to 65535" },
        { "txtSocksPort", "65536", "tabWeb",
            "SOCKS Port: '65536' is not a whole number from 1 to 65535" },
        { "txtDelay", "abc", "tabWeb",
            "Delay between requests: 'abc' is not a whole number of 0 or more" },
    };
    auto* pages = control<QTabWidget>("PageControl1");
    LoadSettings(); // a missing file: the settings of a fresh install
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.box) + " " + row.typed);
        m_form.FillFrom(Settings);
        m_dialogs.messages.clear();
        m_dialogs.modalActions.push_back([&](QDialog& dialog) {
            pages->setCurrentIndex(0);
            control<QLineEdit>(row.box)->setText(QLatin1String(row.typed));
            click(control<QPushButton>("cmdOK"));
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(m_dialogs.messages, std::vector<QString> { QLatin1String(row.message) });
            EXPECT_EQ(pages->currentWidget()->objectName(), QLatin1String(row.page));
            EXPECT_EQ(m_form.focusWidget(), control<QWidget>(row.box));
            EXPECT_FALSE(std::filesystem::exists(m_ini));
            click(control<QPushButton>("cmdCancel"));
        });
        EXPECT_EQ(m_dialogs.ShowModal(m_form), QDialog::Rejected);
    }
    EXPECT_FALSE(std::filesystem::exists(m_ini));
}

// The Web page: filled from the settings, written by OK with the other keys,
// the file's connection keys left as they are.
TEST_F(OptionsDialogTest, TheWebPageShowsAndWritesTheWebAndSocksKeys)
{
    WriteWholeFile(m_ini,
        "[SOCKS]\r\nSERVER=gate\r\nPORT=9050\r\nUSER=Bob\r\nPASSWORD=pw\r\n[WEB]\r\n"
        "KEEPALIVE=1\r\nCONNECTIONS=4\r\nDELAY=250\r\nREJECTED=Rejected.txt\r\n");
    LoadSettings();
    m_form.FillFrom(Settings);
    EXPECT_FALSE(control<QCheckBox>("chkHttps")->isChecked());
    EXPECT_EQ(control<QLineEdit>("txtSocksPort")->text(), QStringLiteral("9050"));
    EXPECT_EQ(control<QLineEdit>("txtDelay")->text(), QStringLiteral("250"));
    EXPECT_EQ(control<QLineEdit>("txtRejected")->text(), QStringLiteral("Rejected.txt"));
    // Both passwords show dots.
    EXPECT_EQ(control<QLineEdit>("txtSocksPass")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(control<QLineEdit>("txtPPass")->echoMode(), QLineEdit::Password);

    m_dialogs.fileAnswers = { QStringLiteral("/etc/Ca Bundle.pem") };
    m_dialogs.modalActions.push_back([this](QDialog&) {
        control<QCheckBox>("chkHttps")->setChecked(true);
        click(control<QPushButton>("cmdCaFile"));
        control<QCheckBox>("chkRobots")->setChecked(false);
        typeInto(control<QLineEdit>("txtSocksPass"), QStringLiteral("Secret"));
        typeInto(control<QLineEdit>("txtDelay"), QStringLiteral("1000"));
        click(control<QPushButton>("cmdOK"));
    });
    EXPECT_EQ(m_dialogs.ShowModal(m_form), QDialog::Accepted);
    const std::string saved = ReadWholeFile(m_ini);
    EXPECT_NE(saved.find("[SOCKS]\r\nSERVER=GATE\r\nPORT=9050\r\nUSER=Bob\r\nPASSWORD=Secret\r\n"
                         "[WEB]\r\nKEEPALIVE=1\r\nCONNECTIONS=4\r\nDELAY=1000\r\n"
                         "REJECTED=Rejected.txt\r\nHTTPS=1\r\nCAFILE=/etc/Ca Bundle.pem\r\n"
                         "ROBOTS=0\r\nSTATUS=0\r\n"),
        std::string::npos)
        << saved;
}

} // namespace
