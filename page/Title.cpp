#include "page/Title.h"

#include "platform/Pump.h"
#include "platform/TextSearch.h"

std::string GetTitle(const std::string& text)
{
    // Positions are 1-based and a missing <title> gives 0, so the title then
    // starts at position 7 (0-based offset 6): a title tag with attributes
    // still yields its words, with whatever precedes them.
    const int start = FindFromNoCase(text, "<title>", 1) + 7;
    const int end = FindFromNoCase(text, "</title>", start);
    std::string title = end == 0 ? std::string() : CopyStr(text, start, end - start);
    pumpMessages();
    return title;
}
