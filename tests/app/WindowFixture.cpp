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
    setSettingsPath(Path("skelvo.ini"));
    Settings = TSettings {};
}

WindowTest::~WindowTest()
{
    Stop();
    setSettingsPath("");
    Settings = TSettings {};
    fs::current_path(m_previousDir);
}

void WindowTest::WriteSettings(const std::map<std::string, std::string>& changes) const
{
    WriteWholeFile(Path("skelvo.ini"), ReadWholeFile(SKELVO_DEFAULT_INI));
    const std::map<std::string, std::string> paths = {
        { "PATHS/OUTPUT", Path("out.txt") },
        { "PATHS/INPUT", Path("in.txt") },
        { "PATHS/SAVED", Path("saved.txt") },
        { "PATHS/TRACK", Path("track.txt") },
    };
    for (const auto* table : { &paths, &changes }) {
        for (const auto& [name, value] : *table) {
            const std::size_t slash = name.find('/');
            WriteProfileString(
                name.substr(0, slash), name.substr(slash + 1), value, Path("skelvo.ini"));
        }
    }
}

TfrmSkelvo& WindowTest::Start()
{
    m_window = std::make_unique<TfrmSkelvo>(dialogs);
    m_about = std::make_unique<TAboutBox>(dialogs);
    m_options = std::make_unique<TfrmOptions>(Settings, dialogs);
    m_window->AttachForms(*m_about, *m_options);
    m_window->show();
    ProcessEvents();
    return *m_window;
}

bool WindowTest::CloseWindow()
{
    const bool closed = m_window->close();
    ProcessEvents();
    return closed;
}

void WindowTest::Stop()
{
    m_options.reset();
    m_about.reset();
    m_window.reset();
}

std::string WindowTest::Text(const std::string& name) const
{
    std::ifstream file(Path(name), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WindowTest::Write(const std::string& name, const std::string& text) const
{
    WriteWholeFile(Path(name), text);
}

QString WindowTest::Caption(const char* label)
{
    return Control<QLabel>(label)->text();
}
