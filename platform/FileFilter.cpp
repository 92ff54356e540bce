#include "platform/FileFilter.h"

namespace {

// The patterns of one pair, separated by ";" as typed, in both letter cases.
QStringList patternsOf(const QString& patterns)
{
    QStringList result;
    for (const QString& pattern : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        const QStringList spellings = trimmed == QLatin1String("*.*")
            ? QStringList { QStringLiteral("*") }
            : QStringList { trimmed.toLower(), trimmed.toUpper() };
        for (const QString& spelling : spellings)
            if (!result.contains(spelling))
                result.append(spelling);
    }
    return result;
}

// The description without the pattern list it may end with: Qt reads the
// patterns from the last parentheses, so they are written anew.
QString bareDescription(const QString& description)
{
    QString text = description.trimmed();
    if (text.endsWith(QLatin1Char(')'))) {
        const qsizetype open = text.lastIndexOf(QLatin1Char('('));
        if (open >= 0)
            text.truncate(open);
    }
    return text.trimmed();
}

} // namespace

QStringList QtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QStringList patterns = patternsOf(parts[i + 1]);
        if (patterns.isEmpty())
            continue;
        filters.append(bareDescription(parts[i]) + QStringLiteral(" (")
            + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters;
}
