#include "tests/settings/SettingsFixture.h"

#include "platform/Profile.h"

#include <functional>
#include <vector>

namespace {

using LoadSettingsTest = SettingsFixture;

// A file holding a value for every key, mixed case throughout.
class FullFile : public SettingsFixture
{
protected:
    void SetUp() override
    {
        SettingsFixture::SetUp();
        writeIni({ "[PATHS]", "OUTPUT=Out/Records.txt", "INPUT=in.TXT", "SAVED=/tmp/Saved.txt",
            "TRACK=Track.txt", "[OUTPUT]", "SEPERATOR=<x>", "CUTOFF=60", "DESC=200", "B1=1", "B3=1",
            "B4=1", "[FOLLOWING]", "EXT1=org,Com,net", "EXT2=htm,Asp", "[FILTER1]",
            "KEYWORDS1=zz,aa, mid", "[FILTER2]", "DOMAINS1=b.test,a.test", "[TARGETED]",
            "KEYWORDS2=Target", "[OPTIONS]", "FOLLOW=1", "NOINDEX=1", "INTERNAL=1", "[PROXY]",
            "ADDRESS=proxy.local", "PORT=8080", "NAME=Ann", "PASSWORD=s3Cret", "ENABLED=1" });
    }
};

TEST_F(FullFile, LoadsEveryKeyUpperCasingAllButPathsAndCredentials)
{
    ASSERT_EQ(loadError(), "");
    const TSettings& s = Settings;
    EXPECT_EQ(s.outputFile, "Out/Records.txt");
    EXPECT_EQ(s.inputFile, "in.TXT");
    EXPECT_EQ(s.savedFile, "/tmp/Saved.txt");
    EXPECT_EQ(s.trackFile, "Track.txt");
    EXPECT_EQ(s.separator, "<X>");
    EXPECT_EQ(s.titleCutoff, 60);
    EXPECT_EQ(s.descMax, 200);
    EXPECT_EQ(s.saveLastModified + s.keywordsRequired + s.metaFirst, 3);
    EXPECT_EQ(s.domainExts, (TStringList { "COM", "NET", "ORG" }));
    EXPECT_EQ(s.webExts, (TStringList { "ASP", "HTM" }));
    EXPECT_EQ(s.filterKeywords, (TStringList { "ZZ", "AA", " MID" }));
    EXPECT_EQ(s.filterDomains, (TStringList { "B.TEST", "A.TEST" }));
    EXPECT_EQ(s.targetKeywords, (TStringList { "TARGET" }));
    EXPECT_EQ(s.followLinks + s.obeyNoindex + s.internalOnly, 3);
    EXPECT_EQ(s.proxyAddress, "PROXY.LOCAL");
    EXPECT_EQ(s.proxyPort, 8080);
    EXPECT_EQ(s.proxyName, "Ann");
    EXPECT_EQ(s.proxyPassword, "s3Cret");
    EXPECT_EQ(s.proxyEnabled, 1);
    // Once after the keys, once per sorted entry (3 + 2), once before each other list.
    EXPECT_EQ(s_pumped, 1 + 5 + 3);
}

struct FlagRow
{
    const char* text;
    int32_t flag;
};

TEST_F(FullFile, AFlagIsOnOnlyForTheValueOne)
{
    const FlagRow rows[] = { { "1", 1 }, { "01", 1 }, { "+1", 1 }, { "0", 0 }, { "2", 0 },
        { "-1", 0 }, { "100", 0 } };
    for (const FlagRow& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_TRUE(WriteProfileString("OUTPUT", "B3", row.text, m_ini));
        EXPECT_TRUE(WriteProfileString("OPTIONS", "NOINDEX", row.text, m_ini));
        Settings = TSettings {};
        EXPECT_EQ(loadError(), "");
        EXPECT_EQ(Settings.keywordsRequired, row.flag);
        EXPECT_EQ(Settings.obeyNoindex, row.flag);
    }
}

// Each field in load order, with a test of whether it holds the full file's value.
struct Probe
{
    const char* name;
    std::function<bool(const TSettings&)> isNew;
};

const Probe Probes[] = {
    { "outputFile", [](const TSettings& s) { return s.outputFile == "Out/Records.txt"; } },
    { "inputFile", [](const TSettings& s) { return s.inputFile == "in.TXT"; } },
    { "savedFile", [](const TSettings& s) { return s.savedFile == "/tmp/Saved.txt"; } },
    { "trackFile", [](const TSettings& s) { return s.trackFile == "Track.txt"; } },
    { "separator", [](const TSettings& s) { return s.separator == "<X>"; } },
    { "titleCutoff", [](const TSettings& s) { return s.titleCutoff == 60; } },
    { "descMax", [](const TSettings& s) { return s.descMax == 200; } },
    { "saveLastModified", [](const TSettings& s) { return s.saveLastModified == 1; } },
    { "keywordsRequired", [](const TSettings& s) { return s.keywordsRequired == 1; } },
    { "metaFirst", [](const TSettings& s) { return s.metaFirst == 1; } },
    { "followLinks", [](const TSettings& s) { return s.followLinks == 1; } },
    { "obeyNoindex", [](const TSettings& s) { return s.obeyNoindex == 1; } },
    { "internalOnly", [](const TSettings& s) { return s.internalOnly == 1; } },
    { "proxyAddress", [](const TSettings& s) { return s.proxyAddress == "PROXY.LOCAL"; } },
    { "proxyPort", [](const TSettings& s) { return s.proxyPort == 8080; } },
    { "proxyName", [](const TSettings& s) { return s.proxyName == "Ann"; } },
    { "proxyPassword", [](const TSettings& s) { return s.proxyPassword == "s3Cret"; } },
    { "proxyEnabled", [](const TSettings& s) { return s.proxyEnabled == 1; } },
};

TSettings previousSettings()
{
    TSettings s;
    s.outputFile = s.inputFile = s.savedFile = s.trackFile = s.separator = "OLD";
    s.proxyAddress = s.proxyName = s.proxyPassword = "OLD";
    s.titleCutoff = s.descMax = s.proxyPort = 5;
    s.saveLastModified = s.keywordsRequired = s.metaFirst = 5;
    s.followLinks = s.obeyNoindex = s.internalOnly = s.proxyEnabled = 5;
    s.domainExts = s.webExts = s.filterKeywords = s.filterDomains = s.targetKeywords = { "OLD" };
    return s;
}

struct BadRow
{
    const char* section;
    const char* key;
    const char* text;
    std::size_t failingProbe;
    const char* message;
};

TEST_F(FullFile, ABadIntegerStopsTheLoadKeepingEarlierFieldsAndOldLists)
{
    const BadRow rows[] = {
        { "OUTPUT", "CUTOFF", "abc", 5, "'ABC' is not a valid integer value" },
        { "OUTPUT", "DESC", "", 6, "'' is not a valid integer value" },
        { "OUTPUT", "B4", "yes", 9, "'YES' is not a valid integer value" },
        { "OPTIONS", "FOLLOW", " 1", 10, "' 1' is not a valid integer value" },
        { "PROXY", "PORT", "80a", 14, "'80A' is not a valid integer value" },
        { "PROXY", "ENABLED", "4294967297", 17, "'4294967297' is not a valid integer value" },
    };
    const std::string good = ReadWholeFile(m_ini);
    for (const BadRow& row : rows) {
        WriteFileAtomic(m_ini, good);
        EXPECT_TRUE(WriteProfileString(row.section, row.key, row.text, m_ini)) << row.key;
        Settings = previousSettings();
        EXPECT_EQ(loadError(), row.message);
        for (std::size_t i = 0; i < std::size(Probes); ++i)
            EXPECT_EQ(Probes[i].isNew(Settings), i < row.failingProbe)
                << row.key << ": " << Probes[i].name;
        for (const TStringList* list : { &Settings.domainExts, &Settings.webExts,
                 &Settings.filterKeywords, &Settings.filterDomains, &Settings.targetKeywords })
            EXPECT_EQ(*list, TStringList { "OLD" }) << row.key;
    }
}

// The optional SOCKS section: the lines it holds, and what loads from them.
struct SocksRow
{
    std::vector<std::string> lines;
    const char* server;
    int32_t port;
    const char* user;
    const char* password;
};

TEST_F(FullFile, TheSocksSectionIsOptionalAndKeepsTheCredentialsCase)
{
    const SocksRow rows[] = {
        { {}, "", 1080, "", "" },
        { { "[SOCKS]" }, "", 1080, "", "" },
        { { "[SOCKS]", "SERVER=", "PORT=" }, "", 1080, "", "" },
        { { "[SOCKS]", "SERVER=gate.Local", "PORT=9050" }, "GATE.LOCAL", 9050, "", "" },
        { { "[SOCKS]", "SERVER=10.0.0.1", "USER=Bob", "PASSWORD=pA55" }, "10.0.0.1", 1080, "Bob",
            "pA55" },
    };
    const std::string full = ReadWholeFile(m_ini);
    for (const SocksRow& row : rows) {
        std::string text = full;
        for (const std::string& line : row.lines)
            text += line + "\r\n";
        WriteFileAtomic(m_ini, text);
        Settings = TSettings {};
        ASSERT_EQ(loadError(), "") << text;
        EXPECT_EQ(Settings.socksServer, row.server) << text;
        EXPECT_EQ(Settings.socksPort, row.port) << text;
        EXPECT_EQ(Settings.socksUser, row.user) << text;
        EXPECT_EQ(Settings.socksPassword, row.password) << text;
        // The rest of the file loads as without the section.
        EXPECT_EQ(Settings.proxyPort, 8080) << text;
        EXPECT_EQ(Settings.targetKeywords, TStringList { "TARGET" }) << text;
    }
}

TEST_F(FullFile, ASocksPortThatIsNoNumberStopsTheLoadBeforeTheLists)
{
    ASSERT_TRUE(WriteProfileString("SOCKS", "SERVER", "gate", m_ini));
    ASSERT_TRUE(WriteProfileString("SOCKS", "PORT", "socks", m_ini));
    Settings = previousSettings();
    EXPECT_EQ(loadError(), "'SOCKS' is not a valid integer value");
    EXPECT_EQ(Settings.socksServer, "GATE");
    EXPECT_EQ(Settings.proxyEnabled, 1);
    EXPECT_EQ(Settings.domainExts, TStringList { "OLD" });
}

TEST_F(LoadSettingsTest, AMissingFileStopsAtCutoffWithEmptyPaths)
{
    Settings = previousSettings();
    EXPECT_EQ(loadError(), "'' is not a valid integer value");
    EXPECT_EQ(Settings.outputFile, "");
    EXPECT_EQ(Settings.trackFile, "");
    EXPECT_EQ(Settings.separator, "");
    EXPECT_EQ(Settings.titleCutoff, 5);
    EXPECT_EQ(Settings.domainExts, TStringList { "OLD" });
}

TEST_F(LoadSettingsTest, LongValuesAreCutTo2047Characters)
{
    std::string entries;
    for (int i = 0; i < 70; ++i)
        entries += (i ? "," : "") + std::string(30, static_cast<char>('a' + i % 26));
    const std::string separator(2100, 's');
    writeIni({ "[PATHS]", "OUTPUT=" + std::string(2100, 'p'), "[OUTPUT]", "SEPERATOR=" + separator,
        "CUTOFF=1", "DESC=1", "B1=0", "B3=0", "B4=0", "[FILTER1]", "KEYWORDS1=" + entries,
        "[OPTIONS]", "FOLLOW=0", "NOINDEX=0", "INTERNAL=0", "[PROXY]", "PORT=1", "ENABLED=0" });
    ASSERT_EQ(loadError(), "");
    EXPECT_EQ(Settings.outputFile.size(), 2047u);
    EXPECT_EQ(Settings.separator, std::string(2047, 'S'));
    // 66 whole entries of 31 characters with their commas, then one character.
    ASSERT_EQ(Settings.filterKeywords.size(), 67u);
    EXPECT_EQ(Settings.filterKeywords[65], std::string(30, 'N'));
    EXPECT_EQ(Settings.filterKeywords[66], "O");
}

} // namespace
