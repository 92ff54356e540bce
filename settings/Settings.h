#pragma once

#include "settings/SettingsPath.h"

#include <cstdint>
#include <string>
#include <vector>

using TStringList = std::vector<std::string>;

// The program's settings, as loaded from "skelvo.ini". One global instance,
// `Settings`, lives for the whole run; before the first load every string is
// empty, every number 0 (the connection count 1) and every list empty. Flags
// are on only when 1.
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

    // [WEB], optional: every key absent or empty keeps the crawl as it was
    // before the section existed. The paths keep their letter case.
    int32_t fetchHttps = 0; // HTTPS: https:// pages are fetched
    std::string caFile; // CAFILE: a PEM bundle trusted beside the system's
    int32_t obeyRobots = 0; // ROBOTS: robots.txt is obeyed
    int32_t skipErrorStatus = 0; // STATUS: a final 4xx or 5xx response gets no record
    int32_t requestDelay = 0; // DELAY: least milliseconds between requests to a site
    std::string rejectedFile; // REJECTED: the file of pages left without a record
    int32_t keepAlive = 0; // KEEPALIVE: connections are kept open between pages
    int32_t connections = 1; // CONNECTIONS: pages fetched at once, 1 to 8

    bool operator==(const TSettings&) const = default;
};

// The global settings record.
extern TSettings Settings;

struct TOptionsValues;

// Reads settingsPath() once and puts every key into Settings, rebuilding its
// five lists. A missing or blank file loads the settings of a fresh install
// (DefaultSettingsText). Each number must be a whole number (the WEB section's
// DELAY 0 or more, CONNECTIONS 1 to 8); an absent or empty one takes its
// default. A key that does not load keeps its default and is remembered, so
// that no later save replaces it; once every other key has loaded, EConvertError
// names each such key ("skelvo.ini: [PROXY] PORT: 'abc' is not a whole
// number", one line each). A file that cannot be read raises EInOutError and
// leaves Settings as it was; no save writes the file until a load succeeds.
void LoadSettings();

// Writes the options dialog's values into settingsPath() in one rewrite, the
// keys set in the order OptionsWrites gives, every other line kept. A blank
// file gets the settings of a fresh install first. Raises EConvertError with
// the first value that cannot be stored as its type, before anything is
// written, and EInOutError "Unable to write to <path>" when the file cannot be
// read or written; the file then stays as it was.
void SaveSettings(const TOptionsValues& values);

// Writes the main window's three check boxes as the OPTIONS keys, "1" or "0",
// in one rewrite, but for a key the last load could not load (none at all
// after a file that could not be read). Raises EInOutError "Unable to write to
// <path>" when the write is refused.
void SaveWindowOptions(bool follow, bool obey, bool internal);

// The text of the settings file of a fresh install: the options dialog's first
// values, every list empty, the OPTIONS keys 0, the WEB section with HTTPS,
// ROBOTS and STATUS on.
std::string DefaultSettingsText();
