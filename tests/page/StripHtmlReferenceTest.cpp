// The fast StripHtml against a slow, obvious reference that restarts every
// search at the first byte and edits the text in place, on many random texts made
// of the markers and of arbitrary bytes.
#include "tests/page/StripHtmlReference.h"
#include "page/StripHtml.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::string randomText(std::mt19937& rng)
{
    static const std::vector<std::string> pieces = { "<title>", "</title>", "<TiTlE>", "</TITLE>",
        "<!", "<!--", "-->", "<", ">", "<style", "</style>", "<STYLE>", "</Style>", "<script",
        "</script>", "<SCRIPT>", "&nbsp;", "&NBSP;", "&copy;", "nbsp", "&", ";", "\r\n", "\r", "\n",
        "\t", " ", "  ", "a", "B", "|", "||", " |", "| ", "xy", "Y" };
    std::uniform_int_distribution<int> count(0, 40);
    std::uniform_int_distribution<size_t> pick(0, pieces.size());
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text;
    for (int i = count(rng); i > 0; --i) {
        const size_t k = pick(rng);
        if (k == pieces.size())
            text += static_cast<char>(byte(rng));
        else
            text += pieces[k];
    }
    return text;
}

TEST(StripHtmlReference, SameResultAsRestartingEverySearch)
{
    // Separators that hold blanks are the ones where the filler can complete a
    // new occurrence, possibly starting before it.
    const std::string separators[]
        = { "", " ", "|", "||", " |", "| ", "  ", "| |", " Y ", "Y", "<", ">", "nbsp", "\r\n" };
    std::mt19937 rng(20261208);
    for (const auto& separator : separators) {
        for (int i = 0; i < 3000; ++i) {
            const std::string text = randomText(rng);
            ASSERT_EQ(StripHtml(text, separator), reference::stripHtml(text, separator))
                << "[" << text << "] sep [" << separator << "]";
        }
    }
}

} // namespace
