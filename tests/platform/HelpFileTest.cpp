#include "platform/HelpFile.h"

#include <gtest/gtest.h>

namespace {

const std::string Document = "<html><head><title>Help</title></head><body>\n"
                             "<div class=\"topic\" id=\"contents\"><h1>Contents</h1></div>\n"
                             "<div class=\"topic\" id=\"3\"><h2>Index</h2><p>x</p></div>\n"
                             "<div class=\"topic\" id=\"31\"><h2>Thirty-one</h2></div>\n"
                             "<div class=\"topic\" id=\"310\"><h2>Domains</h2>";

TEST(HelpFile, FindsEachTopicByItsWholeId)
{
    const std::pair<const char*, const char*> rows[] = {
        { "contents", "<h1>Contents</h1>" },
        { "3", "<h2>Index</h2><p>x</p>" },
        { "31", "<h2>Thirty-one</h2>" },
        // The last topic lacks its end tag: it runs to the end of the document.
        { "310", "<h2>Domains</h2>" },
        { "1", "" },
        { "", "" },
        { "Contents", "" },
    };
    for (const auto& [id, topic] : rows)
        EXPECT_EQ(HelpTopic(Document, id), topic) << id;
}

} // namespace
