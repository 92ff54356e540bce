#pragma once

#include "app/Unit1.h"
#include "app/about.h"
#include "platform/Pump.h"
#include "settings/Settings.h"
#include "settings/poptions.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WidgetDriver.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

// The program's three forms over a scripted user, in a fresh folder that is
// the current directory during the test and holds the settings file, the URL
// list and the other files the program writes. The window is made and shown
// by Start, as the program entry does, so a test first writes the files the
// start-up reads.
class WindowTest : public ::testing::Test
{
protected:
    WindowTest();
    ~WindowTest() override;

    // Writes skelvo.ini: the default file with `changes` applied
    // ("SECTION/KEY" -> value), its paths naming files of the folder.
    void writeSettings(const std::map<std::string, std::string>& changes = {}) const;
    // Creates the three forms in the program's order and shows the window.
    TfrmSkelvo& start();
    // Closes the window as its close box does; false when it stayed open.
    bool closeWindow();
    // Ends the forms, as the end of the program does.
    void stop();

    // The path of `name` in the folder.
    std::string path(const std::string& name) const { return m_dir.file(name); }
    // The whole text of a file of the folder; "" when it does not exist.
    std::string text(const std::string& name) const;
    // Writes a file of the folder.
    void write(const std::string& name, const std::string& text) const;

    // A control of the window (its menu items included), by name.
    template <class T> T* control(const char* name) { return find<T>(*m_window, name); }
    QString caption(const char* label);
    TfrmSkelvo& window() { return *m_window; }
    TCrawlRun& run() { return m_window->Run(); }

    TempFolder m_dir { "window" };
    TScriptedDialogs dialogs;

private:
    std::string m_previousDir;
    TPumpScope m_pump;
    std::unique_ptr<TfrmSkelvo> m_window;
    std::unique_ptr<TAboutBox> m_about;
    std::unique_ptr<TfrmOptions> m_options;
};
