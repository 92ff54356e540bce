#include "page/Title.h"

#include "platform/Pump.h"
#include "platform/TextSearch.h"

std::string GetTitle(const std::string& text)
{
    // A missing <title> gives position 0, so the title starts at 7: a title tag
    // with attributes still yields its words, with whatever precedes them.
    const int start = FindFromNoCase(text, "<title>", 1) + 7;
    const int end = FindFromNoCase(text, "</title>", start);
    std::string title = end == 0 ? std::string() : CopyStr(text, start, end - start);
    pumpMessages();
    return title;
}
