#include "app/WindowArguments.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowArguments, TheSettingsFileIsNamedAsForTheBatchProgram)
{
    const struct
    {
        QStringList args;
        TWindowArguments::TAction action;
        std::string settingsFile;
        const char* text; // what the usage or the problem holds
    } rows[] = {
        { {}, TWindowArguments::waRun, "", "" },
        { { "--settings", "site.ini" }, TWindowArguments::waRun, "site.ini", "" },
        { { "--settings=/etc/Skelvo Site.ini" }, TWindowArguments::waRun, "/etc/Skelvo Site.ini",
            "" },
        { { "--settings" }, TWindowArguments::waWrong, "", "Missing value after '--settings'" },
        { { "--settings=" }, TWindowArguments::waWrong, "", "--settings needs a file name" },
        { { "site.ini" }, TWindowArguments::waWrong, "", "Unexpected argument 'site.ini'" },
        { { "--help" }, TWindowArguments::waHelp, "", "--settings <FILE>" },
        { { "--help-all" }, TWindowArguments::waHelp, "", "--settings <FILE>" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args.join(' ').toStdString());
        const TWindowArguments parsed
            = ParseWindowArguments(QStringList { QStringLiteral("skelvo") } + row.args);
        EXPECT_EQ(parsed.action, row.action);
        EXPECT_EQ(parsed.settingsFile, row.settingsFile);
        EXPECT_TRUE(parsed.text.contains(QLatin1String(row.text))) << parsed.text.toStdString();
    }
}

} // namespace
