// The acceptance rules and the record of one page, page by page from the
// fixture site's rules folder, each under its own settings.
#include "crawl/PageRecord.h"
#include "CrawlFixture.h"

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

struct RuleCase
{
    const char* page;
    std::function<void(TSettings&, TCrawlRecorder&)> setup;
    TPageOutcome outcome;
    // The record without its URL field (added after the last separator); "" for none.
    std::string record;
};

const auto Defaults = [](TSettings&, TCrawlRecorder&) {};

class PageRecords : public CrawlTest
{
protected:
    void Check(const RuleCase& row)
    {
        SCOPED_TRACE(row.page);
        const TSettings base = settings;
        row.setup(settings, frontEnd);
        fs::remove("out.txt");
        fs::remove("saved.txt");
        fs::remove("track.txt");
        frontEnd.pages.clear();
        const std::string url = siteUrl(std::string("/rules/") + row.page);
        WriteInput({ url });
        ASSERT_EQ(Index(), "");
        ASSERT_EQ(frontEnd.pages.size(), 1u);
        EXPECT_EQ(frontEnd.pages[0].outcome, row.outcome);
        if (row.record.empty()) {
            EXPECT_EQ(Text("out.txt"), "");
            EXPECT_EQ(Text("saved.txt"), "");
        } else {
            // The URL sits between the text fields and the header values.
            std::string expected = row.record;
            const size_t mark = expected.find("<URL>");
            expected.replace(mark, 5, url);
            EXPECT_EQ(Text("out.txt"), expected + "\r\n");
            EXPECT_EQ(Text("saved.txt"), url + "\r\n");
        }
        settings = base;
        frontEnd.followLinks = false;
    }
};

const std::string PlainBody = "Body words of the plain page. ";

TEST_F(PageRecords, AcceptanceRulesInTheirOrder)
{
    const RuleCase rows[] = {
        { "plain.html", Defaults, pgWritten, "Plain Page|" + PlainBody + "|alpha, beta|<URL>" },
        // Keyword filter: any entry anywhere in the page, mark-up included.
        { "plain.html",
            [](TSettings& s, TCrawlRecorder&) {
                s.filterKeywords = { "X1", "BETA" };
            },
            pgKeywordFilter, "" },
        { "secret.html", [](TSettings& s, TCrawlRecorder&) { s.filterKeywords = { "SECRETWORD" }; },
            pgKeywordFilter, "" },
        // Targeted list: at least one entry, a comment counting too.
        { "plain.html", [](TSettings& s, TCrawlRecorder&) { s.targetKeywords = { "GARDENING" }; },
            pgNotTargeted, "" },
        { "garden.html",
            [](TSettings& s, TCrawlRecorder&) {
                s.targetKeywords = { "NOPE", "GARDENING" };
            },
            pgWritten, "Garden Page|Plants. |Plants. |<URL>" },
        // The keyword filter comes first.
        { "garden.html",
            [](TSettings& s, TCrawlRecorder&) {
                s.filterKeywords = { "PLANTS" };
                s.targetKeywords = { "GARDENING" };
            },
            pgKeywordFilter, "" },
        // Domain filter: only while links are followed.
        { "plain.html",
            [](TSettings& s, TCrawlRecorder& f) {
                s.filterDomains = { "127.0.0.1" };
                f.followLinks = true;
            },
            pgDomainFilter, "" },
        { "plain.html", [](TSettings& s, TCrawlRecorder&) { s.filterDomains = { "127.0.0.1" }; },
            pgWritten, "Plain Page|" + PlainBody + "|alpha, beta|<URL>" },
        // Error-page words, inside longer words too.
        { "terror.html", Defaults, pgErrorPage, "" },
        { "e404.html", Defaults, pgErrorPage, "" },
        // A blank title gives no record, unless the cut-off turns it into "...".
        { "notitle.html", Defaults, pgBlankTitle, "" },
        { "notitle.html", [](TSettings& s, TCrawlRecorder&) { s.titleCutoff = 0; }, pgWritten,
            "...|A page without a title element. |A page without a title element. |<URL>" },
        { "onechar.html", Defaults, pgWritten, " X|Short title. |Short title. |<URL>" },
        // Keywords Required: a keywords tag with a value that is not blank.
        { "plain.html", [](TSettings& s, TCrawlRecorder&) { s.keywordsRequired = 1; }, pgWritten,
            "Plain Page|" + PlainBody + "|alpha, beta|<URL>" },
        { "garden.html", [](TSettings& s, TCrawlRecorder&) { s.keywordsRequired = 1; },
            pgNoKeywords, "" },
        { "blankkeywords.html", [](TSettings& s, TCrawlRecorder&) { s.keywordsRequired = 1; },
            pgNoKeywords, "" },
        { "blankkeywords.html", Defaults, pgWritten, "Blank Keywords|Blank keywords. | |<URL>" },
    };
    for (const auto& row : rows)
        Check(row);
}

TEST_F(PageRecords, FieldsAreCutAndJoinedAsSet)
{
    const std::string t70(70, 'T');
    const std::string u70(70, 'U');
    const RuleCase rows[] = {
        { "title70.html", Defaults, pgWritten, t70 + "|Seventy. |Seventy. |<URL>" },
        { "title71.html", Defaults, pgWritten, u70 + "...|Seventy-one. |Seventy-one. |<URL>" },
        { "plain.html", [](TSettings& s, TCrawlRecorder&) { s.titleCutoff = 5; }, pgWritten,
            "Plain...|" + PlainBody + "|alpha, beta|<URL>" },
        { "plain.html", [](TSettings& s, TCrawlRecorder&) { s.metaFirst = 1; }, pgWritten,
            "Plain Page|A plain description of the page|alpha, beta|<URL>" },
        { "plain.html",
            [](TSettings& s, TCrawlRecorder&) {
                s.metaFirst = 1;
                s.descMax = 7;
            },
            pgWritten, "Plain Page|A plain|alpha, beta|<URL>" },
        { "desc10.html", [](TSettings& s, TCrawlRecorder&) { s.metaFirst = 1; }, pgWritten,
            "Desc Ten|Ten chars!|Body text of desc ten. |<URL>" },
        { "desc9.html", [](TSettings& s, TCrawlRecorder&) { s.metaFirst = 1; }, pgWritten,
            "Desc Nine|Body text of desc nine. |Body text of desc nine. |<URL>" },
        { "keywords.html", Defaults, pgWritten,
            "Long Keywords|Many keywords. |" + std::string(75, 'k') + "|<URL>" },
        // A separator of several characters, whole between the fields; the
        // separator inside a text becomes a blank.
        { "separator.html", [](TSettings& s, TCrawlRecorder&) { s.separator = "::"; }, pgWritten,
            "Cats Dogs::Pets Animals ::Pets Animals ::<URL>" },
    };
    for (const auto& row : rows)
        Check(row);
}

TEST_F(PageRecords, HeaderValuesFromTheServerEndTheRecord)
{
    const std::string lastModified = "Tue, 02 Jan 2024 03:04:05 GMT";
    const auto size = std::to_string(fs::file_size(siteFile("/dated.html")));
    const auto dated = siteUrl("/dated.html");
    settings.saveLastModified = 1;
    WriteInput({ dated, siteUrl("/rules/onechar.html") });
    ASSERT_EQ(Index(), "");
    const auto lines = Lines("out.txt");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Dated Page| | |" + dated + "|" + lastModified + "|" + size);
    EXPECT_TRUE(
        lines[1].ends_with("|" + std::to_string(fs::file_size(siteFile("/rules/onechar.html")))))
        << lines[1];
}

} // namespace
