#pragma once

#include "platform/Pump.h"
#include "platform/TextFile.h"
#include "settings/Settings.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

// Each test works on its own settings file in a fresh folder, with the global
// record emptied and a pump that counts its calls.
class SettingsFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_ini = m_dir.file("skelvo.ini");
        setSettingsPath(m_ini);
        Settings = TSettings {};
        s_pumped = 0;
    }
    void TearDown() override
    {
        setSettingsPath("");
        Settings = TSettings {};
    }
    // Writes `lines` as the whole settings file, each ended by CR LF.
    void writeIni(std::initializer_list<std::string> lines) const
    {
        std::string content;
        for (const std::string& line : lines)
            content += line + "\r\n";
        WriteFileAtomic(m_ini, content);
    }
    // The message of the exception LoadSettings raises, or "" when it loads.
    static std::string loadError()
    {
        try {
            LoadSettings();
        } catch (const std::exception& e) {
            return e.what();
        }
        return "";
    }

    TempFolder m_dir { "settings" };
    std::string m_ini;
    static inline int s_pumped = 0;
    TMessagePump m_counter { [] { ++s_pumped; }, TMessagePump::EveryTime };
    TPumpScope m_pump { m_counter };
};
