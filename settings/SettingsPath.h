#pragma once

#include <string>

// Where the settings file lives.

// The settings file every load and save uses: the file setSettingsPath named,
// else DefaultSettingsPath of the running program's folder.
std::string settingsPath();

// Makes `path` the settings file from now on (a program started with
// "--settings FILE"); an empty path goes back to the default file.
void setSettingsPath(const std::string& path);

// The settings file at `path` as the user knows it, for messages: a file named
// with setSettingsPath as it was given, any other with the home folder
// written "~".
std::string settingsDisplayName(const std::string& path);

// The settings file of a program in `programFolder` (with its trailing
// separator): "skelvo.ini" there while the folder can be written, else the
// user's own "$XDG_CONFIG_HOME/skelvo/skelvo.ini" (~/.config without the
// variable). The user's file is created when missing, a copy of the one in
// `programFolder`, or the settings of a fresh install when that one cannot be
// read; both are readable by their owner only.
std::string DefaultSettingsPath(const std::string& programFolder);
