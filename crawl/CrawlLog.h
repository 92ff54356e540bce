#pragma once

#include <QLoggingCategory>

// The crawl run's steps at debug level, in the category "skelvo.crawl": a
// run's start and end, each page fetched with its status and size, what
// became of it and how many links it queued. Off by default;
// QT_LOGGING_RULES="skelvo.crawl.debug=true" switches it on.
Q_DECLARE_LOGGING_CATEGORY(crawlLog)
