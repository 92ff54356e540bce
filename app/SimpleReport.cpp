#include "app/SimpleReport.h"

#include "app/Maker.h"
#include "platform/Pump.h"
#include "platform/TextFile.h"

#include <QTime>

#include <vector>

namespace {

const std::string CellStart = "<td width=\"33%\"><font color=\"#000000\" face=\"arial\">";

std::string headCell(const char* caption)
{
    return std::string("<td width=\"33%\" bgcolor=\"#F1F1F1\"><font color=\"#000080\" "
                       "face=\"arial\"><strong>")
        + caption + "</strong></font></td>\r\n";
}

std::string timeText(TTimeOfDay time, const QString& format, const QLocale& locale)
{
    const QTime t = QTime::fromMSecsSinceStartOfDay(static_cast<int>(time.count()));
    return locale.toString(t, format).toStdString();
}

} // namespace

std::string SimpleReportHead(const std::string& date, const std::string& time)
{
    return "<body bgcolor=\"#FFFFFF\" text=\"#000000\">\r\n"
           "<html>\r\n<head>\r\n"
           "<title>Skelvo - Simple Report</title>\r\n"
           "</head>\r\n\r\n"
           "<body>\r\n"
           "<p><strong><font face=\"arial\">Skelvo - Simple Report&nbsp;&nbsp;("
        + date + " - " + time + ") </font></strong></p>\r\n";
}

std::string SimpleReportTableHead()
{
    return "<table border=\"0\" cellpadding=\"0\" width=\"100%\">\r\n<tr>\r\n"
        + headCell("Session Start") + headCell("Session Stop") + headCell("URLs Indexed") + "</tr>";
}

std::string SimpleReportRow(const std::string& start, const std::string& stop, int indexed)
{
    return "<tr>\r\n" + CellStart + start + "</font></td>" + CellStart + stop + "</font></td>"
        + CellStart + std::to_string(indexed) + "</td>\r\n</tr>";
}

std::string SimpleReportFoot()
{
    return std::string("</table><p><font face=\"Arial\" size=\"1\">**More information will be "
                       "added in versions to come**<br>\r\n"
                       "<a href=\"")
        + MakerHomePage + "\">Brelloc Software</a></font></p>\r\n</body>\r\n</html>";
}

QString TimeOfDayFormat(const QLocale& locale)
{
    // Drop every unquoted "t" (the zone) with the blanks that set it apart.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        result += c;
    }
    return result.simplified();
}

void WriteSimpleReport(
    const std::string& path, const TRunLog& runLog, const QDateTime& now, const QLocale& locale)
{
    const QString timeFormat = TimeOfDayFormat(locale);
    const std::string date = locale.toString(now.date(), QLocale::ShortFormat).toStdString();
    const std::string time = locale.toString(now.time(), timeFormat).toStdString();
    WriteWholeFile(path, SimpleReportHead(date, time) + SimpleReportTableHead());

    // The pumps below may start or end a run, which changes the log: the
    // report lists the runs as they were when it began.
    const std::vector<TRunLogEntry> runs(runLog.Entries().begin(), runLog.Entries().end());
    for (const TRunLogEntry& run : runs) {
        const std::string stop
            = run.stop ? timeText(*run.stop, timeFormat, locale) : std::string("(running)");
        const std::string row
            = SimpleReportRow(timeText(run.start, timeFormat, locale), stop, run.records);
        pumpMessages();
        AppendText(path, row);
    }
    AppendText(path, SimpleReportFoot());
}
