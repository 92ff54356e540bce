// Kept apart from StripHtml.cpp so that only programs calling this overload
// need the global settings record linked in.
#include "page/StripHtml.h"

#include "settings/Settings.h"

std::string StripHtml(const std::string& text)
{
    return StripHtml(text, Settings.separator);
}
