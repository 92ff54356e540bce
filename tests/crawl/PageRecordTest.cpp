// The acceptance rules and the record of one page, page by page from the
// fixture site's rules folder, each under its own settings.
#include "crawl/PageRecord.h"
#include "CrawlFixture.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct RuleCase
{
    const char* page;
    void (*setup)(TSettings&);
    TPageOutcome outcome;
    std::string record; // "<URL>" stands for the page's URL; "" for no record
    bool followLinks = false;
};

const auto Defaults = [](TSettings&) {};
const std::string Plain = "Plain Page|Body words of the plain page. |alpha, beta|<URL>";

class PageRecords : public CrawlTest
{
protected:
    // Checks one row and reports every difference; the next row starts from
    // the same settings whatever this one found.
    void Check(const RuleCase& row)
    {
        SCOPED_TRACE(row.page);
        const TSettings base = settings;
        row.setup(settings);
        frontEnd.followLinks = row.followLinks;
        for (const char* file : { "out.txt", "saved.txt", "track.txt" })
            fs::remove(file);
        frontEnd.pages.clear();
        const std::string url = siteUrl(std::string("/rules/") + row.page);
        WriteInput({ url });
        EXPECT_EQ(Index(), "");
        settings = base;
        EXPECT_EQ(frontEnd.pages.size(), 1u);
        if (!frontEnd.pages.empty()) {
            EXPECT_EQ(frontEnd.pages[0].outcome, row.outcome);
        }
        std::string expected = row.record;
        if (!expected.empty())
            expected.replace(expected.find("<URL>"), 5, url);
        EXPECT_EQ(Text("out.txt"), expected.empty() ? "" : expected + "\r\n");
        EXPECT_EQ(Text("saved.txt"), expected.empty() ? "" : url + "\r\n");
    }
};

TEST_F(PageRecords, AcceptanceRulesInTheirOrder)
{
    const RuleCase rows[] = {
        { "plain.html", Defaults, pgWritten, Plain },
        // Keyword filter: any entry anywhere in the page, mark-up included.
        { "secret.html",
            [](TSettings& s) {
                s.filterKeywords = { "X1", "SECRETWORD" };
            },
            pgKeywordFilter, "" },
        // Targeted list: at least one entry, a comment counting too.
        { "plain.html", [](TSettings& s) { s.targetKeywords = { "GARDENING" }; }, pgNotTargeted,
            "" },
        { "garden.html",
            [](TSettings& s) {
                s.targetKeywords = { "NOPE", "GARDENING" };
            },
            pgWritten, "Garden Page|Plants. |Plants. |<URL>" },
        // The keyword filter comes first.
        { "garden.html",
            [](TSettings& s) {
                s.filterKeywords = { "PLANTS" };
                s.targetKeywords = { "GARDENING" };
            },
            pgKeywordFilter, "" },
        // Domain filter: only while links are followed.
        { "plain.html", [](TSettings& s) { s.filterDomains = { "127.0.0.1" }; }, pgDomainFilter, "",
            true },
        { "plain.html", [](TSettings& s) { s.filterDomains = { "127.0.0.1" }; }, pgWritten, Plain },
        // Error-page words, inside longer words too.
        { "terror.html", Defaults, pgErrorPage, "" },
        { "e404.html", Defaults, pgErrorPage, "" },
        // A blank title gives no record, unless the cut-off turns it into "...".
        { "notitle.html", Defaults, pgBlankTitle, "" },
        { "notitle.html", [](TSettings& s) { s.titleCutoff = 0; }, pgWritten,
            "...|A page without a title element. |A page without a title element. |<URL>" },
        { "onechar.html", Defaults, pgWritten, " X|Short title. |Short title. |<URL>" },
        // Keywords Required: a keywords tag with a value that is not blank.
        { "garden.html", [](TSettings& s) { s.keywordsRequired = 1; }, pgNoKeywords, "" },
        { "blankkeywords.html", [](TSettings& s) { s.keywordsRequired = 1; }, pgNoKeywords, "" },
    };
    for (const auto& row : rows)
        Check(row);
}

TEST_F(PageRecords, FieldsAreCutAndJoinedAsSet)
{
    const RuleCase rows[] = {
        { "title71.html", Defaults, pgWritten,
            std::string(70, 'U') + "...|Seventy-one. |Seventy-one. |<URL>" },
        { "plain.html", [](TSettings& s) { s.titleCutoff = 5; }, pgWritten,
            "Plain...|Body words of the plain page. |alpha, beta|<URL>" },
        { "plain.html", [](TSettings& s) { s.metaFirst = 1; }, pgWritten,
            "Plain Page|A plain description of the page|alpha, beta|<URL>" },
        { "plain.html",
            [](TSettings& s) {
                s.metaFirst = 1;
                s.descMax = 7;
            },
            pgWritten, "Plain Page|A plain|alpha, beta|<URL>" },
        // A meta description under ten characters gives way to the body text.
        { "desc10.html", [](TSettings& s) { s.metaFirst = 1; }, pgWritten,
            "Desc Ten|Ten chars!|Body text of desc ten. |<URL>" },
        { "desc9.html", [](TSettings& s) { s.metaFirst = 1; }, pgWritten,
            "Desc Nine|Body text of desc nine. |Body text of desc nine. |<URL>" },
        { "keywords.html", Defaults, pgWritten,
            "Long Keywords|Many keywords. |" + std::string(75, 'k') + "|<URL>" },
        // A separator of several characters; inside a text it becomes a blank.
        { "separator.html", [](TSettings& s) { s.separator = "::"; }, pgWritten,
            "Cats Dogs::Pets Animals ::Pets Animals ::<URL>" },
    };
    for (const auto& row : rows)
        Check(row);
}

TEST_F(PageRecords, HeaderValuesFromTheServerEndTheRecord)
{
    const auto dated = siteUrl("/dated.html");
    settings.saveLastModified = 1;
    WriteInput({ dated });
    ASSERT_EQ(Index(), "");
    EXPECT_EQ(Text("out.txt"),
        "Dated Page| | |" + dated + "|Tue, 02 Jan 2024 03:04:05 GMT|"
            + std::to_string(fs::file_size(siteFile("/dated.html"))) + "\r\n");
}

} // namespace
