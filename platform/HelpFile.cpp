#include "platform/HelpFile.h"

std::string HelpTopic(const std::string& document, const std::string& id)
{
    const std::string start = "<div class=\"topic\" id=\"" + id + "\">";
    const std::size_t begin = document.find(start);
    if (begin == std::string::npos)
        return {};
    const std::size_t inner = begin + start.size();
    const std::size_t end = document.find("</div>", inner);
    // An unclosed last topic runs to the end of the document.
    return document.substr(inner, end == std::string::npos ? std::string::npos : end - inner);
}
