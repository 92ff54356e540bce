#include "settings/StripHtmlSettings.h"

#include "page/StripHtml.h"
#include "settings/Settings.h"

std::string StripHtml(const std::string& text)
{
    return StripHtml(text, Settings.separator);
}
