#pragma once

#include <QString>
#include <QStringList>

#include <string>

// The command line of the window program, skelvo.
struct TWindowArguments
{
    enum TAction { waRun, waHelp, waVersion, waWrong };

    TAction action = waRun;
    std::string settingsFile; // "--settings FILE"; empty for the default settings file
    QString text; // the usage text for waHelp, what is wrong for waWrong
};

// Reads `arguments`, the program's name first: "--settings FILE" (or
// "--settings=FILE"), "--help" ("-h"), "--version". Anything else is wrong.
TWindowArguments ParseWindowArguments(const QStringList& arguments);
