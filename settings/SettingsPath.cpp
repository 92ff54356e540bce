#include "settings/SettingsPath.h"

#include "platform/Errors.h"
#include "platform/TextFile.h"
#include "settings/Settings.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace {

std::string g_settingsPath;

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

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "";
}

// The base folder of the user's configuration files; a relative
// XDG_CONFIG_HOME is no base at all and is passed over.
std::string configHome()
{
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return config;
    return homeFolder() + "/.config";
}

// Creates the user's settings file on first use. Whatever fails here leaves
// the file missing, which the next load takes as a fresh install and the next
// save reports.
void createUserSettings(const std::string& userFile, const std::string& installed)
{
    std::error_code error;
    if (std::filesystem::exists(userFile, error) || error)
        return;
    const std::filesystem::path folder = std::filesystem::path(userFile).parent_path();
    std::filesystem::create_directories(folder, error);
    if (error)
        return;
    std::string text;
    try {
        text = ReadWholeFile(installed);
    } catch (const EInOutError&) {
        text = DefaultSettingsText();
    }
    try {
        WriteFileAtomic(userFile, text, NewFileMode::AlwaysOwnerOnly);
    } catch (const EInOutError&) { }
}

} // namespace

std::string settingsPath()
{
    return g_settingsPath.empty() ? DefaultSettingsPath(programFolder()) : g_settingsPath;
}

void setSettingsPath(const std::string& path)
{
    g_settingsPath = path;
}

std::string settingsDisplayName(const std::string& path)
{
    if (!g_settingsPath.empty() && path == g_settingsPath)
        return path;
    const std::string home = homeFolder();
    if (home.size() > 1 && path.starts_with(home + "/"))
        return "~" + path.substr(home.size());
    return path;
}

std::string DefaultSettingsPath(const std::string& programFolder)
{
    const std::string beside = programFolder + "skelvo.ini";
    if (::access(programFolder.empty() ? "." : programFolder.c_str(), W_OK) == 0)
        return beside;
    const std::string userFile = configHome() + "/skelvo/skelvo.ini";
    createUserSettings(userFile, beside);
    return userFile;
}
