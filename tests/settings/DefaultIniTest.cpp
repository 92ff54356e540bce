#include "tests/settings/SettingsFixture.h"

#include "settings/TOptionsValues.h"
#include "tests/support/EnvScope.h"
#include "tests/support/ReadOnlyFolder.h"

#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using DefaultIniTest = SettingsFixture;

mode_t modeOf(const std::string& path)
{
    struct stat info
    { };
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST_F(DefaultIniTest, TheShippedFileLoadsOverStaleValues)
{
    fs::copy_file(SKELVO_DEFAULT_INI, m_ini);
    Settings = TSettings {};
    Settings.domainExts = { "STALE" };
    Settings.proxyEnabled = 1;
    ASSERT_EQ(loadError(), "");
    const TSettings& s = Settings;
    EXPECT_EQ(s.inputFile, "in.txt");
    EXPECT_EQ(s.titleCutoff, 70);
    EXPECT_EQ(s.proxyEnabled, 0);
    EXPECT_TRUE(s.domainExts.empty());
    // A fresh install fetches secure pages and crawls politely.
    EXPECT_EQ(s.fetchHttps + s.obeyRobots + s.skipErrorStatus, 3);
    EXPECT_EQ(s.requestDelay + s.keepAlive, 0);
    EXPECT_EQ(s.connections, 1);
}

// The shipped file is exactly what the program writes into an empty file with
// the dialog's first values, so it has the same sections in the same order.
TEST_F(DefaultIniTest, TheShippedFileIsWhatTheProgramWritesFromNothing)
{
    const std::string shipped = ReadWholeFile(SKELVO_DEFAULT_INI);
    EXPECT_EQ(DefaultSettingsText(), shipped);
    SaveSettings(TOptionsValues {});
    SaveWindowOptions(false, false, false);
    EXPECT_EQ(ReadWholeFile(m_ini), shipped);
}

#ifdef SKELVO_PROGRAM_INI
TEST_F(DefaultIniTest, TheBuildPlacesTheFileBesideTheProgramReadableByItsOwnerOnly)
{
    EXPECT_EQ(ReadWholeFile(SKELVO_PROGRAM_INI), ReadWholeFile(SKELVO_DEFAULT_INI));
    EXPECT_EQ(modeOf(SKELVO_PROGRAM_INI), 0600u);
}
#endif

TEST_F(DefaultIniTest, TheSettingsFileSitsBesideTheProgramUnlessTheProgramNamesAnother)
{
    setSettingsPath("");
    const fs::path path = settingsPath();
    EXPECT_TRUE(path.is_absolute());
    EXPECT_EQ(path.filename(), "skelvo.ini");
    EXPECT_TRUE(fs::is_regular_file(path.parent_path() / "test_settings"));
    setSettingsPath("/elsewhere/x.ini");
    EXPECT_EQ(settingsPath(), "/elsewhere/x.ini");
    EXPECT_EQ(settingsDisplayName("/elsewhere/x.ini"), "/elsewhere/x.ini");
}

// An install the user cannot write to keeps the settings in the user's own
// configuration folder, created from the installed file on first use.
TEST_F(DefaultIniTest, AProgramFolderThatCannotBeWrittenSendsTheSettingsToTheUsersConfig)
{
    struct Row
    {
        const char* name;
        std::optional<std::string> configHome; // XDG_CONFIG_HOME; nothing: unset
        const char* expected; // below the fake home folder
        bool installed; // a settings file beside the program
    };
    const Row rows[] = {
        { "XDG_CONFIG_HOME", m_dir.file("cfg"), "../cfg/skelvo/skelvo.ini", true },
        { "no XDG_CONFIG_HOME", std::nullopt, ".config/skelvo/skelvo.ini", true },
        { "relative XDG_CONFIG_HOME", "cfg", ".config/skelvo/skelvo.ini", true },
        { "nothing installed", std::nullopt, ".config/skelvo/skelvo.ini", false },
    };
    const std::string installed = "[OUTPUT]\r\nCUTOFF=33\r\n";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TempFolder program("program");
        const std::string folder = program.path().string() + "/";
        if (row.installed)
            WriteWholeFile(folder + "skelvo.ini", installed);
        fs::remove_all(m_dir.file("home"));
        fs::remove_all(m_dir.file("cfg"));
        fs::create_directory(m_dir.file("home"));
        const EnvScope home("HOME", m_dir.file("home"));
        const EnvScope config("XDG_CONFIG_HOME", row.configHome);
        const std::string expected = fs::weakly_canonical(m_dir.file("home") + "/" + row.expected);

        EXPECT_EQ(DefaultSettingsPath(folder), folder + "skelvo.ini");
        EXPECT_FALSE(fs::exists(expected));
        {
            ReadOnlyFolder readOnly(program.path());
            EXPECT_TRUE(readOnly.ok());
            EXPECT_EQ(DefaultSettingsPath(folder), expected);
            ASSERT_TRUE(fs::is_regular_file(expected));
            EXPECT_EQ(ReadWholeFile(expected), row.installed ? installed : DefaultSettingsText());
            EXPECT_EQ(modeOf(expected), 0600u);
            // The user's file is theirs from now on: a second start keeps it.
            WriteWholeFile(expected, "[OUTPUT]\r\nCUTOFF=44\r\n");
            EXPECT_EQ(DefaultSettingsPath(folder), expected);
            EXPECT_EQ(ReadWholeFile(expected), "[OUTPUT]\r\nCUTOFF=44\r\n");
        }
        if (!row.configHome) {
            EXPECT_EQ(settingsDisplayName(expected), "~/.config/skelvo/skelvo.ini");
        }
    }
}

} // namespace
