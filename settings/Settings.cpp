#include "settings/Settings.h"

#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/Pump.h"
#include "platform/TextFile.h"
#include "platform/TextSearch.h"
#include "settings/ListValue.h"
#include "settings/StrToInt.h"
#include "settings/TOptionsValues.h"

#include <limits>
#include <set>
#include <utility>

TSettings Settings;

namespace {

constexpr int32_t Int32Min = std::numeric_limits<int32_t>::min();
constexpr int32_t Int32Max = std::numeric_limits<int32_t>::max();

// Defaults of the numbers a file may leave out.
constexpr int32_t DefaultCutoff = 70;
constexpr int32_t DefaultDescMax = 255;
constexpr int32_t DefaultProxyPort = 80;
constexpr int32_t DefaultSocksPort = 1080;
constexpr int32_t MaxConnections = 8;

using TKeyName = std::pair<std::string, std::string>;

// What the last load left unloaded, which no save of that file may
// overwrite: the keys whose values were not numbers, or the whole file when it
// could not be read.
struct TLoadGaps
{
    std::string path;
    bool unreadable = false;
    std::set<TKeyName> keys;

    bool Covers(const std::string& file, const TKeyName& key) const
    {
        return file == path && (unreadable || keys.contains(key));
    }
};

TLoadGaps g_gaps;

// Reads the keys of one file, noting each that does not load.
class TKeyReader
{
public:
    TKeyReader(const TIniFile& file, std::string fileName)
        : m_file(file)
        , m_fileName(std::move(fileName))
    { }

    // A value upper-cased, as the program holds every value...
    std::string Text(const char* section, const char* key) const
    {
        return UpperCase(Cased(section, key));
    }

    // ...but the paths and the credentials, which keep the case they were
    // typed with: file names and passwords are case-sensitive here.
    std::string Cased(const char* section, const char* key) const
    {
        return m_file.Value(section, key).value_or(std::string());
    }

    // A whole number from `min` to `max`; `absent` when the key is missing or
    // empty, and when its value does not load.
    int32_t Integer(const char* section, const char* key, int32_t absent, int32_t min = Int32Min,
        int32_t max = Int32Max)
    {
        const std::string text = Cased(section, key);
        if (text.empty())
            return absent;
        const std::string problem = WholeNumberProblem(text, min, max);
        if (problem.empty())
            return StrToInt(text);
        m_problems += (m_problems.empty() ? "" : "\n") + m_fileName + ": [" + section + "] " + key
            + ": " + problem;
        m_unloaded.emplace(section, key);
        return absent;
    }

    // On only for the value 1; off when missing or empty.
    int32_t Flag(const char* section, const char* key)
    {
        return Integer(section, key, 0) == 1 ? 1 : 0;
    }

    const std::string& Problems() const { return m_problems; }
    const std::set<TKeyName>& Unloaded() const { return m_unloaded; }

private:
    const TIniFile& m_file;
    std::string m_fileName;
    std::string m_problems;
    std::set<TKeyName> m_unloaded;
};

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

std::string flagText(bool on)
{
    return on ? "1" : "0";
}

// Fills a file that holds no section with the settings of a fresh install.
void addDefaults(TIniFile& file)
{
    for (const TSettingsWrite& write : OptionsWrites(TOptionsValues {}))
        file.Set(write.section, write.key, write.value);
    for (const char* key : { "FOLLOW", "NOINDEX", "INTERNAL" })
        file.Set("OPTIONS", key, "0");
}

// The settings file as a save finds it, a blank one filled with the defaults.
TIniFile readForSave(const std::string& path)
{
    TIniFile file;
    try {
        file = TIniFile::Read(path);
    } catch (const EInOutError&) {
        throw EInOutError("Unable to write to " + path);
    }
    if (file.Blank())
        addDefaults(file);
    return file;
}

bool holdsPassword(const TIniFile& file)
{
    return !file.Value("PROXY", "PASSWORD").value_or("").empty()
        || !file.Value("SOCKS", "PASSWORD").value_or("").empty();
}

// A file that holds a password becomes its owner's alone, whatever its mode
// was; any other keeps its mode, and a new one is private all the same.
void writeSettingsFile(const std::string& path, const TIniFile& file)
{
    try {
        WriteFileAtomic(path, file.Text(),
            holdsPassword(file) ? NewFileMode::AlwaysOwnerOnly : NewFileMode::OwnerOnly);
    } catch (const EInOutError&) {
        throw EInOutError("Unable to write to " + path);
    }
}

} // namespace

void LoadSettings()
{
    const std::string path = settingsPath();
    TIniFile file;
    try {
        file = TIniFile::Read(path);
    } catch (const EInOutError&) {
        g_gaps = { path, true, {} };
        throw;
    }
    if (file.Blank())
        addDefaults(file);
    TKeyReader read(file, settingsDisplayName(path));
    TSettings s;
    s.outputFile = read.Cased("PATHS", "OUTPUT");
    s.inputFile = read.Cased("PATHS", "INPUT");
    s.savedFile = read.Cased("PATHS", "SAVED");
    s.trackFile = read.Cased("PATHS", "TRACK");
    s.separator = read.Text("OUTPUT", "SEPERATOR");
    s.titleCutoff = read.Integer("OUTPUT", "CUTOFF", DefaultCutoff);
    s.descMax = read.Integer("OUTPUT", "DESC", DefaultDescMax);
    s.saveLastModified = read.Flag("OUTPUT", "B1");
    s.keywordsRequired = read.Flag("OUTPUT", "B3");
    s.metaFirst = read.Flag("OUTPUT", "B4");
    s.followLinks = read.Flag("OPTIONS", "FOLLOW");
    s.obeyNoindex = read.Flag("OPTIONS", "NOINDEX");
    s.internalOnly = read.Flag("OPTIONS", "INTERNAL");
    s.proxyAddress = read.Text("PROXY", "ADDRESS");
    s.proxyPort = read.Integer("PROXY", "PORT", DefaultProxyPort);
    s.proxyName = read.Cased("PROXY", "NAME");
    s.proxyPassword = read.Cased("PROXY", "PASSWORD");
    s.proxyEnabled = read.Flag("PROXY", "ENABLED");
    s.socksServer = read.Text("SOCKS", "SERVER");
    s.socksPort = read.Integer("SOCKS", "PORT", DefaultSocksPort);
    s.socksUser = read.Cased("SOCKS", "USER");
    s.socksPassword = read.Cased("SOCKS", "PASSWORD");
    s.fetchHttps = read.Flag("WEB", "HTTPS");
    s.caFile = read.Cased("WEB", "CAFILE");
    s.obeyRobots = read.Flag("WEB", "ROBOTS");
    s.skipErrorStatus = read.Flag("WEB", "STATUS");
    s.requestDelay = read.Integer("WEB", "DELAY", 0, 0);
    s.rejectedFile = read.Cased("WEB", "REJECTED");
    s.keepAlive = read.Flag("WEB", "KEEPALIVE");
    s.connections = read.Integer("WEB", "CONNECTIONS", 1, 1, MaxConnections);
    pumpMessages();

    fillSorted(s.domainExts, read.Text("FOLLOWING", "EXT1"));
    fillSorted(s.webExts, read.Text("FOLLOWING", "EXT2"));
    fillInOrder(s.filterKeywords, read.Text("FILTER1", "KEYWORDS1"));
    fillInOrder(s.filterDomains, read.Text("FILTER2", "DOMAINS1"));
    fillInOrder(s.targetKeywords, read.Text("TARGETED", "KEYWORDS2"));

    Settings = std::move(s);
    g_gaps = { path, false, read.Unloaded() };
    if (!read.Problems().empty())
        throw EConvertError(read.Problems());
}

void SaveSettings(const TOptionsValues& values)
{
    if (const std::optional<TOptionsProblem> problem = FirstUnstorableValue(values))
        throw EConvertError(problem->message);
    const std::string path = settingsPath();
    TIniFile file = readForSave(path);
    for (const TSettingsWrite& write : OptionsWrites(values))
        file.Set(write.section, write.key, write.value);
    writeSettingsFile(path, file);
}

void SaveWindowOptions(bool follow, bool obey, bool internal)
{
    const std::string path = settingsPath();
    if (g_gaps.path == path && g_gaps.unreadable)
        return;
    TIniFile file = readForSave(path);
    const std::pair<const char*, bool> keys[]
        = { { "FOLLOW", follow }, { "NOINDEX", obey }, { "INTERNAL", internal } };
    for (const auto& [key, on] : keys) {
        if (!g_gaps.Covers(path, { "OPTIONS", key }))
            file.Set("OPTIONS", key, flagText(on));
    }
    writeSettingsFile(path, file);
}

std::string DefaultSettingsText()
{
    TIniFile file;
    addDefaults(file);
    return file.Text();
}
