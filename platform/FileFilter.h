#pragma once

#include <QString>
#include <QStringList>

// The name filters of Qt's file dialog for a filter written as description
// and pattern pairs joined by "|" ("Text files (*.txt)|*.TXT|All files
// (*.*)|*.*"). Names are case-sensitive here, so each pattern matches its
// lower- and upper-case spelling; "*.*" matches every file, with or without a
// dot. "Text files (*.txt *.TXT)", "All files (*)".
QStringList QtNameFilters(const QString& filter);
