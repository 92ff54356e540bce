#pragma once

#include "app/Unit1.h"
#include "app/about.h"
#include "platform/Pump.h"
#include "platform/TextFile.h"
#include "settings/Settings.h"
#include "settings/poptions.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WidgetDriver.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

// The program's three forms over a scripted user, in a fresh folder that is
// the current directory and holds the settings file and the files the program
// reads and writes. A test writes the files start-up reads, then calls start.
class WindowTest : public ::testing::Test
{
protected:
    WindowTest();
    ~WindowTest() override;

    // Writes skelvo.ini: the default file with its paths in the folder and
    // `changes` ("SECTION/KEY" -> value) applied.
    void writeSettings(const std::map<std::string, std::string>& changes = {}) const;
    // Creates the forms in the program's order and shows the window, whose
    // pump points dispatch at most once per `pumpInterval` (by default at
    // every one, so that a test acts at the step it waits for).
    TfrmSkelvo& start(std::chrono::milliseconds pumpInterval = TMessagePump::EveryTime);
    // Closes the window as its close box does; false when it stayed open.
    bool closeWindow();
    void stop() { m_options.reset(), m_about.reset(), m_window.reset(); }

    std::string path(const std::string& name) const { return m_dir.file(name); }
    // The whole text of a file of the folder; "" when it does not exist.
    std::string text(const std::string& name) const
    {
        return std::filesystem::exists(path(name)) ? ReadWholeFile(path(name)) : "";
    }
    void write(const std::string& name, const std::string& text) const
    {
        WriteWholeFile(path(name), text);
    }

    template <class T> T* control(const char* name) { return find<T>(*m_window, name); }
    QString caption(const char* label) { return control<QLabel>(label)->text(); }
    TfrmSkelvo& window() { return *m_window; }
    TCrawlRun& run() { return m_window->Run(); }

    TempFolder m_dir { "window" };
    TScriptedDialogs dialogs;

private:
    std::string m_previousDir;
    std::unique_ptr<TfrmSkelvo> m_window;
    std::unique_ptr<TAboutBox> m_about;
    std::unique_ptr<TfrmOptions> m_options;
};
