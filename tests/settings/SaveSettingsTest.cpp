#include "tests/settings/SettingsFixture.h"

#include "platform/Errors.h"
#include "platform/Profile.h"
#include "settings/ListValue.h"
#include "settings/TOptionsValues.h"
#include "tests/support/ReadOnlyFolder.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace {

using SaveSettingsTest = SettingsFixture;

mode_t modeOf(const std::string& path)
{
    struct stat info
    { };
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
}

TOptionsValues typedValues()
{
    TOptionsValues v;
    v.txtOutput = "Out.txt";
    v.txtInput = "/Home/In.txt";
    v.txtSaved = "saved.TXT";
    v.txtTrack = "t";
    v.txtSep = " ;x ";
    v.txtCut = "60";
    v.txtDesc = "300";
    v.txtProxy = "Proxy.Local";
    v.txtPort = "81";
    v.txtPName = "Ann";
    v.txtPPass = "pAss word";
    v.chkLM = true;
    v.chkMeta = true;
    v.chkProxy = true;
    v.lstDomains = { "com", "Net" };
    v.lstF1 = { "two words", "a,b" };
    v.lstTargeted = { "x" };
    v.txtSocksServer = "Gate";
    v.txtSocksUser = "Bob";
    v.chkRobots = false;
    v.txtCaFile = "/etc/Ca.pem";
    v.txtDelay = "500";
    return v;
}

TEST_F(SaveSettingsTest, WritesEveryKeyInOrderFromNothing)
{
    SaveSettings(typedValues());
    SaveWindowOptions(true, false, true);
    // Paths and proxy values as typed, the separator upper-cased; the
    // separator's outer blanks survive the file through quotes.
    EXPECT_EQ(ReadWholeFile(m_ini),
        "[PATHS]\r\nOUTPUT=Out.txt\r\nINPUT=/Home/In.txt\r\nSAVED=saved.TXT\r\nTRACK=t\r\n\r\n"
        "[OUTPUT]\r\nSEPERATOR=\" ;X \"\r\nCUTOFF=60\r\nDESC=300\r\nB1=1\r\nB3=0\r\nB4=1\r\n\r\n"
        "[PROXY]\r\nADDRESS=Proxy.Local\r\nNAME=Ann\r\nPASSWORD=pAss word\r\nPORT=81\r\n"
        "ENABLED=1\r\n\r\n"
        "[FOLLOWING]\r\nEXT1=com,Net\r\nEXT2=\r\n\r\n"
        "[FILTER1]\r\nKEYWORDS1=two words,a,b\r\n\r\n"
        "[FILTER2]\r\nDOMAINS1=\r\n\r\n"
        "[TARGETED]\r\nKEYWORDS2=x\r\n\r\n"
        "[SOCKS]\r\nSERVER=Gate\r\nPORT=1080\r\nUSER=Bob\r\nPASSWORD=\r\n\r\n"
        "[WEB]\r\nHTTPS=1\r\nCAFILE=/etc/Ca.pem\r\nROBOTS=0\r\nSTATUS=1\r\nDELAY=500\r\n"
        "REJECTED=\r\n\r\n"
        "[OPTIONS]\r\nFOLLOW=1\r\nNOINDEX=0\r\nINTERNAL=1\r\n");
}

// OK rewrites the file once, with the bytes its keys give when each is written
// to the file on its own; lines it does not set stay where they are.
TEST_F(SaveSettingsTest, OneRewriteGivesTheBytesOfKeyByKeyWrites)
{
    const std::string handEdited = "\xEF\xBB\xBF; my settings\r\n[paths]\r\nOutput = old.txt\r\n"
                                   "[MINE]\r\nNOTE=keep me\r\n[Proxy]\r\nport=\"3128\"\n"
                                   "[WEB]\r\nKEEPALIVE=1\r\nCONNECTIONS=4\r\nHTTPS=0\r\n"
                                   "[OUTPUT]\r\nCUTOFF=1\r\n[OUTPUT]\r\nDESC=20\r\nlast";
    const std::string keyByKey = m_dir.file("key-by-key.ini");
    for (const TOptionsValues& values : { TOptionsValues {}, typedValues() }) {
        WriteFileAtomic(m_ini, handEdited);
        WriteFileAtomic(keyByKey, handEdited);
        SaveSettings(values);
        for (const TSettingsWrite& write : OptionsWrites(values))
            EXPECT_TRUE(WriteProfileString(write.section, write.key, write.value, keyByKey));
        const std::string saved = ReadWholeFile(m_ini);
        EXPECT_EQ(saved, ReadWholeFile(keyByKey));
        EXPECT_NE(saved.find("[MINE]\r\nNOTE=keep me\r\n"), std::string::npos);
        EXPECT_NE(
            saved.find("[WEB]\r\nKEEPALIVE=1\r\nCONNECTIONS=4\r\nHTTPS=1\r\n"), std::string::npos);
    }
}

// A window option the last load could not read stays as the file holds it
// when the window closes; the others are written.
TEST_F(SaveSettingsTest, AnOptionThatDidNotLoadIsNotOverwrittenAtClose)
{
    SaveSettings(TOptionsValues {});
    ASSERT_TRUE(WriteProfileString("OPTIONS", "FOLLOW", "yes", m_ini));
    EXPECT_NE(loadError(), "");
    SaveWindowOptions(false, true, true);
    EXPECT_NE(
        ReadWholeFile(m_ini).find("FOLLOW=yes\r\nNOINDEX=1\r\nINTERNAL=1\r\n"), std::string::npos);
    // Once the file loads again, the close writes every option.
    ASSERT_TRUE(WriteProfileString("OPTIONS", "FOLLOW", "1", m_ini));
    ASSERT_EQ(loadError(), "");
    SaveWindowOptions(false, true, true);
    EXPECT_EQ(GetProfileString("OPTIONS", "FOLLOW", "", m_ini), "0");
}

TEST_F(SaveSettingsTest, ReloadKeepsTypedCaseOnlyForPathsAndCredentials)
{
    TOptionsValues v = typedValues();
    v.txtCut = "70";
    SaveSettings(v);
    SaveWindowOptions(false, true, false);
    ASSERT_EQ(loadError(), "");
    EXPECT_EQ(Settings.outputFile, "Out.txt");
    EXPECT_EQ(Settings.inputFile, "/Home/In.txt");
    EXPECT_EQ(Settings.savedFile, "saved.TXT");
    EXPECT_EQ(Settings.separator, " ;X ");
    EXPECT_EQ(Settings.proxyAddress, "PROXY.LOCAL");
    EXPECT_EQ(Settings.proxyName, "Ann");
    EXPECT_EQ(Settings.proxyPassword, "pAss word");
    EXPECT_EQ(Settings.domainExts, (TStringList { "COM", "NET" }));
    EXPECT_TRUE(Settings.webExts.empty());
    // An entry typed with a comma comes back as two.
    EXPECT_EQ(Settings.filterKeywords, (TStringList { "TWO WORDS", "A", "B" }));
    EXPECT_EQ(Settings.obeyNoindex, 1);
    EXPECT_EQ(Settings.followLinks, 0);
}

TEST_F(SaveSettingsTest, SavingReplacesKeysInPlaceAndKeepsTheRest)
{
    writeIni({ "; kept by hand", "[proxy]", "port=1", "USER NOTE=keep", "[PATHS]", "OUTPUT=old" });
    SaveSettings(TOptionsValues {});
    EXPECT_EQ(GetProfileString("PROXY", "USER NOTE", "", m_ini), "keep");
    const std::string content = ReadWholeFile(m_ini);
    EXPECT_EQ(
        content.rfind("; kept by hand\r\n[proxy]\r\nPORT=80\r\nUSER NOTE=keep\r\nADDRESS=", 0), 0u)
        << content;
    EXPECT_EQ(content.find("OUTPUT=old"), std::string::npos);
    EXPECT_EQ(GetProfileString("PATHS", "OUTPUT", "", m_ini), "out.txt");
}

TEST_F(SaveSettingsTest, AHundredAndTwentyEntriesComeBackAsAHundredAndGoOutSo)
{
    TStringList entries;
    for (int i = 0; i < 120; ++i)
        entries.push_back("k" + std::to_string(i));
    TOptionsValues v;
    v.lstF2 = entries;
    SaveSettings(v);
    SaveWindowOptions(false, false, false);
    EXPECT_EQ(SplitListValue(GetProfileString("FILTER2", "DOMAINS1", "", m_ini)).size(), 100u);
    ASSERT_EQ(loadError(), "");
    ASSERT_EQ(Settings.filterDomains.size(), 100u);
    EXPECT_EQ(Settings.filterDomains.back(), "K99");
    // The dialog's list is the settings list: the next OK writes those 100.
    v.lstF2 = Settings.filterDomains;
    SaveSettings(v);
    const std::string value = GetProfileString("FILTER2", "DOMAINS1", "", m_ini);
    EXPECT_EQ(std::count(value.begin(), value.end(), ','), 99);
    EXPECT_EQ(value.substr(value.size() - 4), ",K99");
}

// A file the program creates is its owner's alone; one that holds a password
// becomes so at every save, whatever its mode was, and any other keeps the
// mode the user chose.
TEST_F(SaveSettingsTest, AFileThatHoldsAPasswordIsMadeOwnerOnlyWhenSaved)
{
    struct Row
    {
        const char* name;
        std::function<void(TOptionsValues&)> credentials;
        mode_t mode;
    };
    const Row rows[] = {
        { "no password", [](TOptionsValues&) {}, 0644 },
        { "proxy password", [](TOptionsValues& v) { v.txtPPass = "secret"; }, 0600 },
        { "SOCKS password", [](TOptionsValues& v) { v.txtSocksPass = "secret"; }, 0600 },
    };
    const mode_t umask = ::umask(022);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove(m_ini);
        TOptionsValues v;
        row.credentials(v);
        SaveSettings(v);
        EXPECT_EQ(modeOf(m_ini), 0600u);
        for (const auto& save : { std::function<void()>([&] { SaveSettings(v); }),
                 std::function<void()>([] { SaveWindowOptions(true, true, true); }) }) {
            EXPECT_EQ(::chmod(m_ini.c_str(), 0644), 0);
            save();
            EXPECT_EQ(modeOf(m_ini), row.mode);
        }
    }
    ::umask(umask);
}

TEST_F(SaveSettingsTest, ARefusedWriteNamesTheFileAndLeavesItWhole)
{
    SaveSettings(TOptionsValues {});
    const std::string before = ReadWholeFile(m_ini);
    TOptionsValues changed;
    changed.txtOutput = "changed.txt";
    {
        ReadOnlyFolder readOnly(m_dir.path());
        ASSERT_TRUE(readOnly.ok());
        for (const auto& save : { std::function<void()>([&] { SaveSettings(changed); }),
                 std::function<void()>([] { SaveWindowOptions(true, true, true); }) }) {
            try {
                save();
                ADD_FAILURE() << "no error raised";
            } catch (const EInOutError& e) {
                EXPECT_EQ(e.what(), "Unable to write to " + m_ini);
            }
        }
    }
    EXPECT_EQ(ReadWholeFile(m_ini), before);
}

} // namespace
