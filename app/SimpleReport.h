#pragma once

#include "crawl/RunLog.h"

#include <QDateTime>
#include <QLocale>

#include <string>

// The "Simple" report: a small HTML page listing the runs made since the
// program started, with their start and stop times and records written.

// The page's head: its title and the line with the date and time it was made.
std::string SimpleReportHead(const std::string& date, const std::string& time);
// The table's head row; no line break after it.
std::string SimpleReportTableHead();
// The row of one run; no line break after it. The third cell's font element
// is never closed, as the page has always been written.
std::string SimpleReportRow(const std::string& start, const std::string& stop, int indexed);
// The page's foot with the maker's link; no line break at its end.
std::string SimpleReportFoot();

// The regional long time format without its time-zone part: run times are
// times of day.
QString TimeOfDayFormat(const QLocale& locale);

// Writes the report of `runLog` to `path`: the head and table head made at
// `now` in `locale`'s short date and long time formats, then one row per run
// (pumping before each), then the foot, each piece with its own opening of
// the file. A run still going shows "(running)" as its stop time. File errors
// raise EInOutError and leave the rest unwritten.
void WriteSimpleReport(
    const std::string& path, const TRunLog& runLog, const QDateTime& now, const QLocale& locale);
