#include "tests/settings/SettingsFixture.h"

#include "platform/Errors.h"
#include "platform/Profile.h"
#include "settings/ListValue.h"
#include "settings/TOptionsValues.h"
#include "tests/support/ReadOnlyFolder.h"

#include <algorithm>
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
    v.txtCut = "abc";
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
        "[OUTPUT]\r\nSEPERATOR=\" ;X \"\r\nCUTOFF=abc\r\nDESC=300\r\nB1=1\r\nB3=0\r\nB4=1\r\n\r\n"
        "[PROXY]\r\nADDRESS=Proxy.Local\r\nNAME=Ann\r\nPASSWORD=pAss word\r\nPORT=81\r\n"
        "ENABLED=1\r\n\r\n"
        "[FOLLOWING]\r\nEXT1=com,Net\r\nEXT2=\r\n\r\n"
        "[FILTER1]\r\nKEYWORDS1=two words,a,b\r\n\r\n"
        "[FILTER2]\r\nDOMAINS1=\r\n\r\n"
        "[TARGETED]\r\nKEYWORDS2=x\r\n\r\n"
        "[OPTIONS]\r\nFOLLOW=1\r\nNOINDEX=0\r\nINTERNAL=1\r\n");
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

// The file holds the proxy password: one the program creates is its owner's
// alone, and a mode the user chose survives every save.
TEST_F(SaveSettingsTest, ANewFileIsPrivateAndAnExistingOneKeepsItsMode)
{
    const mode_t umask = ::umask(022);
    TOptionsValues v = typedValues();
    SaveSettings(v);
    EXPECT_EQ(modeOf(m_ini), 0600u);
    EXPECT_EQ(::chmod(m_ini.c_str(), 0640), 0);
    SaveWindowOptions(true, true, true);
    SaveSettings(v);
    EXPECT_EQ(modeOf(m_ini), 0640u);
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
