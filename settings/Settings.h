#pragma once

#include <cstdint>
#include <string>
#include <vector>

using TStringList = std::vector<std::string>;

// The program's settings, as loaded from "skelvo.ini". One global instance,
// `Settings`, lives for the whole run; before the first load every string is
// empty, every number 0 and every list empty. Flags are on only when 1.
struct TSettings
{
    // [PATHS]; these keep their letter case (file names are case-sensitive here).
    std::string outputFile;
    std::string inputFile;
    std::string savedFile;
    std::string trackFile;

    // [OUTPUT]
    std::string separator;
    int32_t titleCutoff = 0;
    int32_t descMax = 0;
    int32_t saveLastModified = 0;
    int32_t keywordsRequired = 0;
    int32_t metaFirst = 0;

    // [FOLLOWING], [FILTER1], [FILTER2], [TARGETED]: at most 100 entries each.
    // domainExts and webExts stay sorted without regard to letter case.
    TStringList domainExts;
    TStringList webExts;
    TStringList filterKeywords;
    TStringList filterDomains;
    TStringList targetKeywords;

    // [OPTIONS]: start-up states of the main window's three check boxes.
    int32_t followLinks = 0;
    int32_t obeyNoindex = 0;
    int32_t internalOnly = 0;

    // [PROXY]; the user name and password keep their letter case.
    std::string proxyAddress;
    int32_t proxyPort = 0;
    std::string proxyName;
    std::string proxyPassword;
    int32_t proxyEnabled = 0;

    // [SOCKS], optional: a SOCKS 5 proxy the crawl connects through. An empty
    // server (also a missing section) means a direct connection; the user
    // name and password keep their letter case, and a user name asks for
    // user/password authentication.
    std::string socksServer;
    int32_t socksPort = 0;
    std::string socksUser;
    std::string socksPassword;
};

// The global settings record.
extern TSettings Settings;

struct TOptionsValues;

// The settings file every load and save uses: the file setSettingsPath named,
// else "skelvo.ini" in the running program's folder.
std::string settingsPath();

// Makes `path` the settings file from now on (a program started with another
// settings file, the batch program's --settings FILE); an empty path goes back
// to the file beside the program.
void setSettingsPath(const std::string& path);

// Reads every key of settingsPath() into Settings and rebuilds its five lists.
// Raises EConvertError at the first integer that is missing or not a number;
// the fields read before it keep their new values, the rest their old ones.
// The SOCKS section alone is optional: its port is 1080 when absent or empty.
void LoadSettings();

// Writes the options dialog's values into settingsPath(), key by key, every
// key but the three OPTIONS ones. Raises EInOutError "Unable to write to
// <path>" at the first refused write; the keys written before it stay.
void SaveSettings(const TOptionsValues& values);

// Writes the main window's three check boxes as the OPTIONS keys, "1" or "0".
// Raises EInOutError "Unable to write to <path>" when a write is refused.
void SaveWindowOptions(bool follow, bool obey, bool internal);
