#include "tests/settings/SettingsFixture.h"

#include "settings/TOptionsValues.h"

#include <filesystem>

namespace {

using DefaultIniTest = SettingsFixture;

TEST_F(DefaultIniTest, TheShippedFileLoadsWithTheDialogsFirstValues)
{
    std::filesystem::copy_file(SKELVO_DEFAULT_INI, m_ini);
    Settings = TSettings {};
    Settings.domainExts = { "STALE" };
    Settings.proxyEnabled = 1;
    ASSERT_EQ(loadError(), "");
    const TSettings& s = Settings;
    EXPECT_EQ(s.outputFile, "out.txt");
    EXPECT_EQ(s.inputFile, "in.txt");
    EXPECT_EQ(s.savedFile, "saved.txt");
    EXPECT_EQ(s.trackFile, "track.txt");
    EXPECT_EQ(s.separator, "|");
    EXPECT_EQ(s.titleCutoff, 70);
    EXPECT_EQ(s.descMax, 255);
    EXPECT_EQ(s.proxyPort, 80);
    EXPECT_EQ(s.proxyAddress + s.proxyName + s.proxyPassword, "");
    EXPECT_EQ(s.saveLastModified + s.keywordsRequired + s.metaFirst + s.proxyEnabled, 0);
    EXPECT_EQ(s.followLinks + s.obeyNoindex + s.internalOnly, 0);
    EXPECT_TRUE(s.domainExts.empty() && s.webExts.empty() && s.filterKeywords.empty()
        && s.filterDomains.empty() && s.targetKeywords.empty());
}

// The shipped file is exactly what the program itself writes from nothing with
// the dialog's first values, so it has the same sections in the same order.
TEST_F(DefaultIniTest, TheShippedFileIsWhatTheProgramWritesFromNothing)
{
    SaveSettings(TOptionsValues {});
    SaveWindowOptions(false, false, false);
    EXPECT_EQ(ReadWholeFile(m_ini), ReadWholeFile(SKELVO_DEFAULT_INI));
}

#ifdef SKELVO_PROGRAM_INI
TEST_F(DefaultIniTest, TheBuildPlacesTheFileBesideTheProgram)
{
    EXPECT_EQ(ReadWholeFile(SKELVO_PROGRAM_INI), ReadWholeFile(SKELVO_DEFAULT_INI));
}
#endif

TEST_F(DefaultIniTest, TheSettingsFileSitsBesideTheProgramUnlessTheProgramNamesAnother)
{
    setSettingsPath("");
    const std::filesystem::path path = settingsPath();
    EXPECT_TRUE(path.is_absolute());
    EXPECT_EQ(path.filename(), "skelvo.ini");
    EXPECT_TRUE(std::filesystem::is_regular_file(path.parent_path() / "test_settings"));
    setSettingsPath("/elsewhere/x.ini");
    EXPECT_EQ(settingsPath(), "/elsewhere/x.ini");
}

} // namespace
