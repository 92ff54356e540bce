#include "batch/BatchArguments.h"

#include <string_view>

TBatchArguments ParseBatchArguments(const std::vector<std::string>& args)
{
    TBatchArguments parsed;
    const auto wrong = [&parsed](const std::string& problem) {
        parsed.action = TBatchArguments::baWrong;
        parsed.problem = problem;
        return parsed;
    };
    constexpr std::string_view SettingsEq = "--settings=";
    bool help = false;
    bool version = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else if (arg == "--verbose" || arg == "-v") {
            parsed.verbose = true;
        } else if (arg == "--quiet" || arg == "-q") {
            parsed.quiet = true;
        } else if (arg == "--fresh") {
            parsed.fresh = true;
        } else if (arg == "--settings" || arg.starts_with(SettingsEq)) {
            if (arg == "--settings")
                parsed.settingsFile = i + 1 < args.size() ? args[++i] : std::string();
            else
                parsed.settingsFile = arg.substr(SettingsEq.size());
            if (parsed.settingsFile.empty())
                return wrong("--settings needs a file name");
        } else {
            return wrong("unknown argument '" + arg + "'");
        }
    }
    if (help)
        parsed.action = TBatchArguments::baHelp;
    else if (version)
        parsed.action = TBatchArguments::baVersion;
    return parsed;
}

const char* BatchUsage()
{
    return "Usage: skelvo-batch [--settings FILE] [--fresh] [--quiet | --verbose]\n"
           "Runs one Skelvo crawl over the input file named in the settings, without a window.\n"
           "\n"
           "  --settings FILE  read the settings from FILE instead of skelvo.ini beside the "
           "program\n"
           "  --fresh          empty the track file first, so that the site's links are\n"
           "                   queued again (Sites > Forget Visited Links in the window)\n"
           "  -q, --quiet      no line per page: only the summary and errors, for cron\n"
           "  -v, --verbose    show on standard error each request line sent, each response's\n"
           "                   status line and each relocation, to see why a crawl stalls\n"
           "  -h, --help       show this text and exit\n"
           "  --version        show the version and exit\n"
           "\n"
           "\"Follow Links\", \"Obey NOINDEX\" and \"Internal Only\" come from the OPTIONS keys.\n"
           "Each page gives one line on standard output, its fields separated by tabs:\n"
           "pages done, URLs left, what became of the page (written, or why not), URL, title.\n"
           "At the end a summary of the run goes to standard error.\n"
           "Ctrl+C or SIGTERM stops after the page in progress; a second one abandons the page,\n"
           "which stays at the head of the input file; a third ends the program at once.\n"
           "\n"
           "Exit status: 0 the run ended (also when stopped), 1 an error ended it,\n"
           "2 wrong arguments or settings that cannot be loaded, 3 not one request got an\n"
           "answer (the server or the network is down).\n";
}
