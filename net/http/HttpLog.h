#pragma once

#include <QLoggingCategory>

// The HTTP client's diagnostics ("skelvo.http"): request and status lines,
// relocations, bounds reached and requests ended at once. Off by default;
// QT_LOGGING_RULES="skelvo.http.debug=true" turns them on.
Q_DECLARE_LOGGING_CATEGORY(lcHttp)
