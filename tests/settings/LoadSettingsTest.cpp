#include "tests/settings/SettingsFixture.h"

#include "platform/Profile.h"

#include <filesystem>

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
        ASSERT_TRUE(WriteProfileString("OUTPUT", "B3", row.text, m_ini));
        ASSERT_TRUE(WriteProfileString("OPTIONS", "NOINDEX", row.text, m_ini));
        ASSERT_EQ(loadError(), "") << row.text;
        EXPECT_EQ(Settings.keywordsRequired, row.flag) << row.text;
        EXPECT_EQ(Settings.obeyNoindex, row.flag) << row.text;
    }
}

// Each field with a test of whether it holds the full file's value.
struct Probe
{
    const char* name;
    std::function<bool(const TSettings&)> isNew;
};

const Probe Probes[] = {
    { "paths",
        [](const TSettings& s) {
            return s.outputFile == "Out/Records.txt" && s.inputFile == "in.TXT"
                && s.savedFile == "/tmp/Saved.txt" && s.trackFile == "Track.txt";
        } },
    { "separator", [](const TSettings& s) { return s.separator == "<X>"; } },
    { "titleCutoff", [](const TSettings& s) { return s.titleCutoff == 60; } },
    { "descMax", [](const TSettings& s) { return s.descMax == 200; } },
    { "metaFirst", [](const TSettings& s) { return s.metaFirst == 1; } },
    { "followLinks", [](const TSettings& s) { return s.followLinks == 1; } },
    { "obeyNoindex", [](const TSettings& s) { return s.obeyNoindex == 1; } },
    { "proxyPort", [](const TSettings& s) { return s.proxyPort == 8080; } },
    { "proxyCredentials",
        [](const TSettings& s) { return s.proxyName == "Ann" && s.proxyPassword == "s3Cret"; } },
    { "proxyEnabled", [](const TSettings& s) { return s.proxyEnabled == 1; } },
    { "lists",
        [](const TSettings& s) {
            return s.domainExts.size() == 3 && s.targetKeywords == TStringList { "TARGET" };
        } },
    { "socksPort", [](const TSettings& s) { return s.socksPort == 9050; } },
    { "fetchHttps", [](const TSettings& s) { return s.fetchHttps == 1; } },
    { "requestDelay", [](const TSettings& s) { return s.requestDelay == 250; } },
    { "connections", [](const TSettings& s) { return s.connections == 4; } },
};

struct BadRow
{
    const char* section;
    const char* key;
    const char* text;
    const char* probe; // the field that keeps its default
    const char* problem;
};

// A value that cannot be stored as its type is named with its file, section
// and key, as typed; it keeps its default, and every other key still loads.
TEST_F(FullFile, ABadValueIsNamedAndEveryOtherKeyLoads)
{
    const BadRow rows[] = {
        { "OUTPUT", "CUTOFF", "abc", "titleCutoff", "'abc' is not a whole number" },
        { "OUTPUT", "DESC", "2OO", "descMax", "'2OO' is not a whole number" },
        { "OUTPUT", "B4", "yes", "metaFirst", "'yes' is not a whole number" },
        { "OPTIONS", "FOLLOW", " 1", "followLinks", "' 1' is not a whole number" },
        { "PROXY", "PORT", "80a", "proxyPort", "'80a' is not a whole number" },
        { "PROXY", "ENABLED", "4294967297", "proxyEnabled", "'4294967297' is not a whole number" },
        { "SOCKS", "PORT", "socks", "socksPort", "'socks' is not a whole number" },
        { "WEB", "HTTPS", "On", "fetchHttps", "'On' is not a whole number" },
        { "WEB", "DELAY", "-1", "requestDelay", "'-1' is not a whole number of 0 or more" },
        { "WEB", "CONNECTIONS", "9", "connections", "'9' is not a whole number from 1 to 8" },
        { "WEB", "CONNECTIONS", "0", "connections", "'0' is not a whole number from 1 to 8" },
    };
    ASSERT_TRUE(WriteProfileString("SOCKS", "PORT", "9050", m_ini));
    ASSERT_TRUE(WriteProfileString("WEB", "HTTPS", "1", m_ini));
    ASSERT_TRUE(WriteProfileString("WEB", "DELAY", "250", m_ini));
    ASSERT_TRUE(WriteProfileString("WEB", "CONNECTIONS", "4", m_ini));
    const std::string good = ReadWholeFile(m_ini);
    for (const BadRow& row : rows) {
        SCOPED_TRACE(std::string(row.key) + "=" + row.text);
        WriteFileAtomic(m_ini, good);
        ASSERT_TRUE(WriteProfileString(row.section, row.key, row.text, m_ini));
        Settings = TSettings {};
        EXPECT_EQ(loadError(), m_ini + ": [" + row.section + "] " + row.key + ": " + row.problem);
        for (const Probe& probe : Probes)
            EXPECT_EQ(probe.isNew(Settings), probe.name != std::string(row.probe)) << probe.name;
    }
    // Each bad key has a line of the message; the defaults stand in for them.
    WriteFileAtomic(m_ini, good);
    ASSERT_TRUE(WriteProfileString("OUTPUT", "CUTOFF", "x", m_ini));
    ASSERT_TRUE(WriteProfileString("PROXY", "PORT", "y", m_ini));
    EXPECT_EQ(loadError(),
        m_ini + ": [OUTPUT] CUTOFF: 'x' is not a whole number\n" + m_ini
            + ": [PROXY] PORT: 'y' is not a whole number");
    EXPECT_EQ(Settings.titleCutoff, 70);
    EXPECT_EQ(Settings.proxyPort, 80);
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
// without it; the paths keep their case.
struct WebRow
{
    std::vector<std::string> lines;
    int32_t https, robots, status, delay, keepAlive, connections;
    const char* caFile;
    const char* rejected;
};

TEST_F(FullFile, TheWebSectionIsOptionalAndEachKeyLoads)
{
    const WebRow rows[] = {
        { {}, 0, 0, 0, 0, 0, 1, "", "" },
        { { "[WEB]", "HTTPS=", "DELAY=", "CONNECTIONS=", "CAFILE=" }, 0, 0, 0, 0, 0, 1, "", "" },
        { { "[web]", "https=1", "robots=1", "status=1", "delay=1500", "keepalive=1",
              "connections=8", "cafile=/etc/Certs/Ca.pem", "rejected=Rejected.TXT" },
            1, 1, 1, 1500, 1, 8, "/etc/Certs/Ca.pem", "Rejected.TXT" },
        { { "[WEB]", "HTTPS=2", "ROBOTS=0", "STATUS=-1", "DELAY=0", "CONNECTIONS=1" }, 0, 0, 0, 0,
            0, 1, "", "" },
    };
    const std::string full = ReadWholeFile(m_ini);
    for (const WebRow& row : rows) {
        std::string text = full;
        for (const std::string& line : row.lines)
            text += line + "\r\n";
        SCOPED_TRACE(text);
        WriteFileAtomic(m_ini, text);
        Settings = TSettings {};
        ASSERT_EQ(loadError(), "");
        const TSettings& s = Settings;
        EXPECT_EQ(s.fetchHttps, row.https);
        EXPECT_EQ(s.obeyRobots, row.robots);
        EXPECT_EQ(s.skipErrorStatus, row.status);
        EXPECT_EQ(s.requestDelay, row.delay);
        EXPECT_EQ(s.keepAlive, row.keepAlive);
        EXPECT_EQ(s.connections, row.connections);
        EXPECT_EQ(s.caFile, row.caFile);
        EXPECT_EQ(s.rejectedFile, row.rejected);
        EXPECT_EQ(s.proxyPassword, "s3Cret");
    }
}

// A file with nothing to load is a fresh install: the settings of the shipped
// file, which the first save then writes whole.
TEST_F(LoadSettingsTest, AMissingOrBlankFileLoadsTheDefaultsAndTheFirstSaveWritesThem)
{
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
        ASSERT_EQ(loadError(), "");
        const TSettings& s = Settings;
        EXPECT_EQ(s.outputFile + s.inputFile + s.savedFile + s.trackFile,
            "out.txtin.txtsaved.txttrack.txt");
        EXPECT_EQ(s.separator, "|");
        EXPECT_EQ(s.titleCutoff, 70);
        EXPECT_EQ(s.descMax, 255);
        EXPECT_EQ(s.proxyPort, 80);
        EXPECT_EQ(s.socksPort, 1080);
        EXPECT_EQ(s.fetchHttps + s.obeyRobots + s.skipErrorStatus, 3);
        EXPECT_EQ(s.requestDelay + s.keepAlive, 0);
        EXPECT_EQ(s.connections, 1);
        EXPECT_TRUE(s.domainExts.empty());

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
