#include "settings/StripHtmlSettings.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

namespace {

TEST(StripHtml, ReadsTheGlobalSeparator)
{
    const std::string saved = Settings.separator;
    Settings.separator = "~~";
    EXPECT_EQ(StripHtml("one~~two"), "one two");
    Settings.separator = saved;
}

} // namespace
