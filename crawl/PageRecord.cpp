#include "crawl/PageRecord.h"

#include "crawl/HeaderValues.h"
#include "page/MetaTags.h"
#include "platform/TextSearch.h"
#include "platform/Utf8Cut.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr int MinMetaDescription = 10;
constexpr int KeywordsFieldLength = 75;

} // namespace

std::string AnalysedHead(const std::string& text)
{
    return LeftPartUtf8(text, AnalysedLength);
}

bool IsErrorPageTitle(const std::string& title)
{
    return !ErrorPageWord(title).empty();
}

std::string_view ErrorPageWord(const std::string& title)
{
    static constexpr std::string_view Words[]
        = { "404", "not found", "server error", "unauthorized", "redirect", "forbidden",
              "access denied", "302 moved", "error", "has moved" };
    const std::string lower = LowerCase(title);
    const auto held = std::find_if(std::begin(Words), std::end(Words),
        [&lower](std::string_view word) { return lower.find(word) != std::string::npos; });
    return held == std::end(Words) ? std::string_view() : *held;
}

bool HasUsableKeywords(const std::string& head, const std::string& strippedKeywords)
{
    return HasKeywordsTag(head) && strippedKeywords.find_first_not_of(' ') != std::string::npos;
}

std::string TitleField(const std::string& title, int cutoff)
{
    if (static_cast<long long>(title.size()) <= cutoff)
        return title;
    return LeftPartUtf8(title, cutoff) + "...";
}

bool NeedsBodyText(const std::string& description, bool metaFirst)
{
    return !metaFirst || static_cast<int>(description.size()) < MinMetaDescription;
}

std::string DescriptionField(
    const std::string& description, const std::string& bodyText, bool metaFirst, int descMax)
{
    return LeftPartUtf8(NeedsBodyText(description, metaFirst) ? bodyText : description, descMax);
}

std::string KeywordsField(const std::string& keywords)
{
    return LeftPartUtf8(keywords, KeywordsFieldLength);
}

bool IsTitleFieldFilled(const std::string& titleField)
{
    // std::string compares its bytes as unsigned characters.
    return titleField > "  " || titleField.size() > 4;
}

std::string RecordLine(const TRecordFields& fields, const std::string& separator,
    bool saveLastModified, const std::string& lastModified, const std::string& contentLength)
{
    std::string line = fields.title + separator + fields.description + separator + fields.keywords
        + separator + fields.url;
    if (saveLastModified) {
        line += separator + WithoutControlBytes(lastModified);
        line += separator + WithoutControlBytes(contentLength);
    }
    return line;
}
