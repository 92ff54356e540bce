#include "settings/Settings.h"

#include "platform/Errors.h"
#include "platform/Profile.h"
#include "platform/Pump.h"
#include "platform/TextSearch.h"
#include "settings/ListValue.h"
#include "settings/StrToInt.h"
#include "settings/TOptionsValues.h"

#include <climits>
#include <unistd.h>

TSettings Settings;

namespace {

std::string g_settingsPath;

// The port SOCKS proxies listen on unless told otherwise.
constexpr int32_t DefaultSocksPort = 1080;

// The program's folder with its trailing separator, from /proc/self/exe;
// empty (the current directory) when the link cannot be read.
std::string programFolder()
{
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size())
        return {};
    target.resize(static_cast<std::size_t>(n));
    return target.substr(0, target.rfind('/') + 1);
}

// A key's value upper-cased, as the program holds every value...
std::string readText(const std::string& path, const char* section, const char* key)
{
    return UpperCase(GetProfileString(section, key, "", path));
}

// ...but the paths and the proxy credentials, which keep the case they were
// typed with: file names and passwords are case-sensitive here.
std::string readCased(const std::string& path, const char* section, const char* key)
{
    return GetProfileString(section, key, "", path);
}

int32_t readInteger(const std::string& path, const char* section, const char* key)
{
    return StrToInt(readText(path, section, key));
}

// A key that may be left out: absent or empty, it is `fallback`; any other
// value must be a number.
int32_t readOptionalInteger(
    const std::string& path, const char* section, const char* key, int32_t fallback)
{
    const std::string text = readText(path, section, key);
    return text.empty() ? fallback : StrToInt(text);
}

int32_t readFlag(const std::string& path, const char* section, const char* key)
{
    return readInteger(path, section, key) == 1 ? 1 : 0;
}

// The lists kept sorted get each entry at its place, with the window kept
// live between entries; the others are filled in file order.
void fillSorted(TStringList& list, const std::string& value)
{
    list.clear();
    for (const std::string& entry : SplitListValue(value)) {
        InsertSorted(list, entry);
        pumpMessages();
    }
}

void fillInOrder(TStringList& list, const std::string& value)
{
    pumpMessages();
    list = SplitListValue(value);
}

class Writer
{
public:
    explicit Writer(std::string path)
        : m_path(std::move(path))
    { }
    void operator()(const char* section, const char* key, const std::string& value) const
    {
        if (!WriteProfileString(section, key, value, m_path))
            throw EInOutError("Unable to write to " + m_path);
    }

private:
    std::string m_path;
};

std::string flagText(bool on)
{
    return on ? "1" : "0";
}

} // namespace

std::string settingsPath()
{
    return g_settingsPath.empty() ? programFolder() + "skelvo.ini" : g_settingsPath;
}

void setSettingsPath(const std::string& path)
{
    g_settingsPath = path;
}

void LoadSettings()
{
    const std::string path = settingsPath();
    TSettings& s = Settings;
    s.outputFile = readCased(path, "PATHS", "OUTPUT");
    s.inputFile = readCased(path, "PATHS", "INPUT");
    s.savedFile = readCased(path, "PATHS", "SAVED");
    s.trackFile = readCased(path, "PATHS", "TRACK");
    s.separator = readText(path, "OUTPUT", "SEPERATOR");
    s.titleCutoff = readInteger(path, "OUTPUT", "CUTOFF");
    s.descMax = readInteger(path, "OUTPUT", "DESC");
    s.saveLastModified = readFlag(path, "OUTPUT", "B1");
    s.keywordsRequired = readFlag(path, "OUTPUT", "B3");
    s.metaFirst = readFlag(path, "OUTPUT", "B4");
    // The list values are read in key order but turned into lists only once
    // every key has loaded: a failure further on leaves the old lists alone.
    const std::string ext1 = readText(path, "FOLLOWING", "EXT1");
    const std::string ext2 = readText(path, "FOLLOWING", "EXT2");
    const std::string keywords1 = readText(path, "FILTER1", "KEYWORDS1");
    const std::string domains1 = readText(path, "FILTER2", "DOMAINS1");
    const std::string keywords2 = readText(path, "TARGETED", "KEYWORDS2");
    s.followLinks = readFlag(path, "OPTIONS", "FOLLOW");
    s.obeyNoindex = readFlag(path, "OPTIONS", "NOINDEX");
    s.internalOnly = readFlag(path, "OPTIONS", "INTERNAL");
    s.proxyAddress = readText(path, "PROXY", "ADDRESS");
    s.proxyPort = readInteger(path, "PROXY", "PORT");
    s.proxyName = readCased(path, "PROXY", "NAME");
    s.proxyPassword = readCased(path, "PROXY", "PASSWORD");
    s.proxyEnabled = readFlag(path, "PROXY", "ENABLED");
    s.socksServer = readText(path, "SOCKS", "SERVER");
    s.socksPort = readOptionalInteger(path, "SOCKS", "PORT", DefaultSocksPort);
    s.socksUser = readCased(path, "SOCKS", "USER");
    s.socksPassword = readCased(path, "SOCKS", "PASSWORD");
    pumpMessages();

    fillSorted(s.domainExts, ext1);
    fillSorted(s.webExts, ext2);
    fillInOrder(s.filterKeywords, keywords1);
    fillInOrder(s.filterDomains, domains1);
    fillInOrder(s.targetKeywords, keywords2);
}

void SaveSettings(const TOptionsValues& v)
{
    const Writer write(settingsPath());
    write("PATHS", "OUTPUT", v.txtOutput);
    write("PATHS", "INPUT", v.txtInput);
    write("PATHS", "SAVED", v.txtSaved);
    write("PATHS", "TRACK", v.txtTrack);
    write("OUTPUT", "SEPERATOR", UpperCase(v.txtSep));
    write("OUTPUT", "CUTOFF", v.txtCut);
    write("OUTPUT", "DESC", v.txtDesc);
    write("PROXY", "ADDRESS", v.txtProxy);
    write("PROXY", "NAME", v.txtPName);
    write("PROXY", "PASSWORD", v.txtPPass);
    write("PROXY", "PORT", v.txtPort);
    write("OUTPUT", "B1", flagText(v.chkLM));
    write("OUTPUT", "B3", flagText(v.chkKey));
    write("OUTPUT", "B4", flagText(v.chkMeta));
    write("PROXY", "ENABLED", flagText(v.chkProxy));
    write("FOLLOWING", "EXT1", JoinListValue(v.lstDomains));
    write("FOLLOWING", "EXT2", JoinListValue(v.lstWebExt));
    write("FILTER1", "KEYWORDS1", JoinListValue(v.lstF1));
    write("FILTER2", "DOMAINS1", JoinListValue(v.lstF2));
    write("TARGETED", "KEYWORDS2", JoinListValue(v.lstTargeted));
}

void SaveWindowOptions(bool follow, bool obey, bool internal)
{
    const Writer write(settingsPath());
    write("OPTIONS", "FOLLOW", flagText(follow));
    write("OPTIONS", "NOINDEX", flagText(obey));
    write("OPTIONS", "INTERNAL", flagText(internal));
}
