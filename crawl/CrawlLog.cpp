#include "crawl/CrawlLog.h"

Q_LOGGING_CATEGORY(crawlLog, "skelvo.crawl", QtInfoMsg)
