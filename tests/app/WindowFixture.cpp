#include "WindowFixture.h"

#include "platform/Profile.h"
#include "platform/TextFile.h"

#include <QApplication>
#include <QLabel>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

WindowTest::WindowTest()
    : m_previousDir(fs::current_path().string())
    , m_pump([] { QCoreApplication::processEvents(); })
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
    const std::map<std::string, std::string> paths = {
        { "PATHS/OUTPUT", path("out.txt") },
        { "PATHS/INPUT", path("in.txt") },
        { "PATHS/SAVED", path("saved.txt") },
        { "PATHS/TRACK", path("track.txt") },
    };
    for (const auto* table : { &paths, &changes }) {
        for (const auto& [name, value] : *table) {
            const std::size_t slash = name.find('/');
            WriteProfileString(
                name.substr(0, slash), name.substr(slash + 1), value, path("skelvo.ini"));
        }
    }
}

TfrmSkelvo& WindowTest::start()
{
    m_window = std::make_unique<TfrmSkelvo>(dialogs);
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

void WindowTest::stop()
{
    m_options.reset();
    m_about.reset();
    m_window.reset();
}

std::string WindowTest::text(const std::string& name) const
{
    std::ifstream file(path(name), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WindowTest::write(const std::string& name, const std::string& text) const
{
    WriteWholeFile(path(name), text);
}

QString WindowTest::caption(const char* label)
{
    return control<QLabel>(label)->text();
}
