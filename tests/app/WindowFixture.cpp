#include "WindowFixture.h"

#include "platform/Profile.h"

#include <QApplication>

#include <filesystem>

namespace fs = std::filesystem;

WindowTest::WindowTest()
    : m_previousDir(fs::current_path().string())
{
    fs::current_path(m_dir.path());
    setSettingsPath(path("skelvo.ini"));
    Settings = TSettings {};
}

WindowTest::~WindowTest()
{
    stop();
    setSettingsPath("");
    Settings = TSettings {};
    fs::current_path(m_previousDir);
}

void WindowTest::writeSettings(const std::map<std::string, std::string>& changes) const
{
    WriteWholeFile(path("skelvo.ini"), ReadWholeFile(SKELVO_DEFAULT_INI));
    std::map<std::string, std::string> all = changes; // a change wins over the default paths
    const std::pair<const char*, const char*> paths[]
        = { { "PATHS/OUTPUT", "out.txt" }, { "PATHS/INPUT", "in.txt" },
              { "PATHS/SAVED", "saved.txt" }, { "PATHS/TRACK", "track.txt" } };
    for (const auto& [key, file] : paths)
        all.emplace(key, path(file));
    for (const auto& [name, value] : all) {
        const std::size_t slash = name.find('/');
        WriteProfileString(
            name.substr(0, slash), name.substr(slash + 1), value, path("skelvo.ini"));
    }
}

TfrmSkelvo& WindowTest::start(std::chrono::milliseconds pumpInterval)
{
    m_window = std::make_unique<TfrmSkelvo>(dialogs, pumpInterval);
    m_about = std::make_unique<TAboutBox>(dialogs);
    m_options = std::make_unique<TfrmOptions>(Settings, dialogs);
    m_window->AttachForms(*m_about, *m_options);
    m_window->show();
    processEvents();
    return *m_window;
}

bool WindowTest::closeWindow()
{
    const bool closed = m_window->close();
    processEvents();
    return closed;
}
