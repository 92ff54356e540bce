#include "tests/settings/SettingsFixture.h"

#include "platform/Profile.h"

#include <filesystem>

#include <functional>
#include <tuple>
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
    // Sets one key given as "SECTION/KEY=value".
    bool setKey(const std::string& assignment) const
    {
        const std::size_t slash = assignment.find('/');
        const std::size_t eq = assignment.find('=');
        return WriteProfileString(assignment.substr(0, slash),
            assignment.substr(slash + 1, eq - slash - 1), assignment.substr(eq + 1), m_ini);
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

// A value that cannot be stored as its type is named with its file, section
// and key, as typed; it keeps its default, and every other key still loads.
TEST_F(FullFile, ABadValueIsNamedAndEveryOtherKeyLoads)
{
    using Fallback = std::function<void(TSettings&)>;
    const std::tuple<const char*, const char*, const char*, const char*, Fallback> rows[] = {
        { "OUTPUT", "CUTOFF", "abc", "", [](TSettings& s) { s.titleCutoff = 70; } },
        { "OUTPUT", "B4", "yes", "", [](TSettings& s) { s.metaFirst = 0; } },
        { "OPTIONS", "FOLLOW", " 1", "", [](TSettings& s) { s.followLinks = 0; } },
        { "PROXY", "PORT", "80a", "", [](TSettings& s) { s.proxyPort = 80; } },
        { "PROXY", "ENABLED", "4294967297", "", [](TSettings& s) { s.proxyEnabled = 0; } },
        { "SOCKS", "PORT", "socks", "", [](TSettings& s) { s.socksPort = 1080; } },
        { "WEB", "HTTPS", "On", "", [](TSettings& s) { s.fetchHttps = 0; } },
        { "WEB", "DELAY", "-1", " of 0 or more", [](TSettings& s) { s.requestDelay = 0; } },
        { "WEB", "CONNECTIONS", "9", " from 1 to 8", [](TSettings& s) { s.connections = 1; } },
    };
    for (const char* key :
        { "SOCKS/PORT=9050", "WEB/HTTPS=1", "WEB/DELAY=250", "WEB/CONNECTIONS=4" })
        ASSERT_TRUE(setKey(key));
    ASSERT_EQ(loadError(), "");
    const TSettings good = Settings;
    const std::string goodFile = ReadWholeFile(m_ini);
    for (const auto& [section, key, text, range, fallback] : rows) {
        SCOPED_TRACE(std::string(key) + "=" + text);
        WriteFileAtomic(m_ini, goodFile);
        EXPECT_TRUE(WriteProfileString(section, key, text, m_ini));
        Settings = TSettings {};
        EXPECT_EQ(loadError(),
            m_ini + ": [" + section + "] " + key + ": '" + text + "' is not a whole number"
                + range);
        TSettings expected = good;
        fallback(expected);
        EXPECT_TRUE(Settings == expected);
    }
    // Each bad key has a line of the message.
    ASSERT_TRUE(setKey("OUTPUT/CUTOFF=x"));
    EXPECT_EQ(loadError(),
        m_ini + ": [OUTPUT] CUTOFF: 'x' is not a whole number\n" + m_ini
            + ": [WEB] CONNECTIONS: '9' is not a whole number from 1 to 8");
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

// The optional WEB section: absent or empty keys are the behaviour of a file
// without it; names match in any case, and the paths keep theirs.
TEST_F(FullFile, TheWebSectionIsOptionalAndEachKeyLoads)
{
    ASSERT_EQ(loadError(), "");
    const TSettings without = Settings;
    TSettings withWeb = without;
    withWeb.fetchHttps = withWeb.obeyRobots = withWeb.skipErrorStatus = withWeb.keepAlive = 1;
    withWeb.requestDelay = 1500;
    withWeb.connections = 8;
    withWeb.caFile = "/etc/Certs/Ca.pem";
    withWeb.rejectedFile = "Rejected.TXT";
    const std::pair<std::string, TSettings> rows[] = {
        { "[WEB]\r\nHTTPS=\r\nDELAY=\r\nCONNECTIONS=\r\nCAFILE=\r\n", without },
        { "[web]\r\nhttps=1\r\nrobots=1\r\nstatus=1\r\ndelay=1500\r\nkeepalive=1\r\n"
          "connections=8\r\ncafile=/etc/Certs/Ca.pem\r\nrejected=Rejected.TXT\r\n",
            withWeb },
    };
    const std::string full = ReadWholeFile(m_ini);
    for (const auto& [section, expected] : rows) {
        SCOPED_TRACE(section);
        WriteFileAtomic(m_ini, full + section);
        EXPECT_EQ(loadError(), "");
        EXPECT_TRUE(Settings == expected);
    }
}

// A file with nothing to load is a fresh install: the settings of the shipped
// file, which the first save then writes whole.
TEST_F(LoadSettingsTest, AMissingOrBlankFileLoadsTheDefaultsAndTheFirstSaveWritesThem)
{
    WriteWholeFile(m_ini, DefaultSettingsText());
    ASSERT_EQ(loadError(), "");
    const TSettings fresh = Settings;
    // The file's content (none: missing), and what stays of it before the defaults.
    const std::pair<const char*, const char*> files[] = {
        { nullptr, "" },
        { "", "" },
        { "\r\n", "\r\n" },
        { "; kept by hand\r\n", "; kept by hand\r\n\r\n" },
    };
    for (const auto& [content, kept] : files) {
        SCOPED_TRACE(content ? content : "(missing)");
        std::filesystem::remove(m_ini);
        if (content)
            WriteWholeFile(m_ini, content);
        Settings = TSettings {};
        Settings.domainExts = { "OLD" };
        EXPECT_EQ(loadError(), "");
        EXPECT_TRUE(Settings == fresh);
        SaveWindowOptions(true, false, false);
        std::string expected = DefaultSettingsText();
        expected.replace(expected.find("FOLLOW=0"), 8, "FOLLOW=1");
        EXPECT_EQ(ReadWholeFile(m_ini), kept + expected);
    }
}

// A file that cannot be read loads nothing, and no save replaces it.
TEST_F(LoadSettingsTest, AFileThatCannotBeReadIsNeverWritten)
{
    std::filesystem::create_directory(m_ini);
    Settings.proxyPort = 5;
    EXPECT_NE(loadError().find("Cannot read file " + m_ini), std::string::npos);
    EXPECT_EQ(Settings.proxyPort, 5);
    // The window closes: its options are not written.
    EXPECT_NO_THROW(SaveWindowOptions(true, true, true));
    EXPECT_TRUE(std::filesystem::is_directory(m_ini));
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
