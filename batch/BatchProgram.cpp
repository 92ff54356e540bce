#include "batch/BatchProgram.h"

#include "batch/BatchArguments.h"
#include "batch/StopSignals.h"
#include "batch/TerminalFrontEnd.h"
#include "crawl/CrawlRun.h"
#include "platform/Version.h"
#include "settings/Settings.h"

#include <exception>
#include <filesystem>

namespace {

// Loads the settings file; on failure, says why on `err`.
bool loadBatchSettings(const std::string& file, std::ostream& err)
{
    if (!file.empty())
        setSettingsPath(file);
    const std::string path = settingsPath();
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) {
        err << "skelvo-batch: no settings file " << path << '\n';
        return false;
    }
    try {
        LoadSettings();
    } catch (const std::exception& e) {
        err << "skelvo-batch: cannot load the settings of " << path << ": " << e.what() << '\n';
        return false;
    }
    return true;
}

} // namespace

int RunBatch(
    const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal)
{
    const TBatchArguments parsed = ParseBatchArguments(args);
    switch (parsed.action) {
    case TBatchArguments::baHelp:
        out << BatchUsage();
        return beDone;
    case TBatchArguments::baVersion:
        out << "skelvo-batch " << SkelvoVersion << '\n';
        return beDone;
    case TBatchArguments::baWrong:
        err << "skelvo-batch: " << parsed.problem << '\n' << BatchUsage();
        return beSetupError;
    case TBatchArguments::baRun:
        break;
    }
    if (!loadBatchSettings(parsed.settingsFile, err))
        return beSetupError;

    TTerminalFrontEnd frontEnd(out, err, errIsTerminal && !parsed.quiet,
        parsed.quiet ? TTerminalFrontEnd::tvQuiet
                     : (parsed.verbose ? TTerminalFrontEnd::tvVerbose : TTerminalFrontEnd::tvPages),
        { Settings.obeyNoindex == 1, Settings.followLinks == 1, Settings.internalOnly == 1 });
    TCrawlRun run(frontEnd, Settings);
    if (parsed.fresh) {
        try {
            run.ForgetVisitedLinks();
        } catch (const std::exception& e) {
            err << "skelvo-batch: " << e.what() << '\n';
            return beRunError;
        }
    }
    const TStopSignals stopSignals([&](int count) {
        if (count == 1) {
            frontEnd.Note("stopping after the page in progress (again to abandon it)");
            run.cmdStopClick();
        } else if (count == 2 && run.Running()) {
            frontEnd.Note("abandoning the page in progress; it stays at the head of the input "
                          "file (again to end at once)");
            run.Abandon();
        }
    });
    try {
        run.cmdIndexClick();
    } catch (const std::exception& e) {
        frontEnd.ClearStatus();
        err << "skelvo-batch: " << e.what() << '\n';
        return beRunError;
    }
    frontEnd.ClearStatus();
    return run.Summary().NoAnswer() ? beNoAnswer : beDone;
}
