#include "app/WindowArguments.h"

#include <QCommandLineParser>
#include <QFile>

TWindowArguments ParseWindowArguments(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Skelvo, the web-site indexer."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption settings(QStringLiteral("settings"),
        QStringLiteral("Read and write the settings in FILE instead of the default skelvo.ini."),
        QStringLiteral("FILE"));
    parser.addOption(settings);

    TWindowArguments parsed;
    const auto wrong = [&parsed, &parser](const QString& problem) {
        parsed.action = TWindowArguments::waWrong;
        parsed.text = problem + QLatin1Char('\n') + parser.helpText();
        return parsed;
    };
    if (!parser.parse(arguments))
        return wrong(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return wrong(QStringLiteral("Unexpected argument '%1'.")
                         .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        parsed.action = TWindowArguments::waHelp;
        parsed.text = parser.helpText();
    } else if (parser.isSet(version)) {
        parsed.action = TWindowArguments::waVersion;
    } else if (parser.isSet(settings)) {
        // A file name is bytes to the system: it goes there as the locale encodes it.
        parsed.settingsFile = QFile::encodeName(parser.value(settings)).toStdString();
        if (parsed.settingsFile.empty())
            return wrong(QStringLiteral("--settings needs a file name."));
    }
    return parsed;
}
