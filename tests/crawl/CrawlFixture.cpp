#include "CrawlFixture.h"

#include "crawl/UrlListFile.h"
#include "platform/TextFile.h"
#include "tests/support/RealServers.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::unique_ptr<TRealServer> startSite()
{
    auto nginx = TRealServer::StartNginx("");
    const fs::path www = nginx->Dir() + "/www";
    fs::copy(SKELVO_TEST_DATA "/crawlsite", www, fs::copy_options::recursive);

    std::string big = "<html><head><title>Big Page</title></head><body>\r\n";
    big.resize((std::size_t { 33 } << 20) + 123, 'x');
    std::ofstream(www / "big.html", std::ios::binary) << big;

    const fs::path dated = www / "dated.html";
    std::ofstream(dated, std::ios::binary) << "<html><title>Dated Page</title></html>\r\n";
    // Tue, 02 Jan 2024 03:04:05 GMT.
    const timespec times[2] = { { 1704164645, 0 }, { 1704164645, 0 } };
    if (::utimensat(AT_FDCWD, dated.c_str(), times, 0) != 0)
        throw std::runtime_error("cannot date " + dated.string());
    return nginx;
}

} // namespace

TRealServer& fixtureSite()
{
    static const std::unique_ptr<TRealServer> site = startSite();
    return *site;
}

std::string siteUrl(const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(fixtureSite().Port()) + path;
}

std::string siteFile(const std::string& path)
{
    return fixtureSite().Dir() + "/www" + path;
}

CrawlTest::CrawlTest()
    : m_previousDir(fs::current_path().string())
{
    fs::current_path(m_dir.path());
    settings.inputFile = "in.txt";
    settings.outputFile = "out.txt";
    settings.savedFile = "saved.txt";
    settings.trackFile = "track.txt";
    settings.separator = "|";
    settings.titleCutoff = 70;
    settings.descMax = 255;
    settings.webExts = { ".HTM", ".HTML" };
    settings.domainExts = { ":" + std::to_string(fixtureSite().Port()) };
}

CrawlTest::~CrawlTest()
{
    m_run.reset();
    fs::current_path(m_previousDir);
}

TCrawlRun& CrawlTest::Run()
{
    if (!m_run) {
        m_run = std::make_unique<TCrawlRun>(frontEnd, settings);
        m_run->Clock = [] { return TTimeOfDay(12 * 3600 * 1000); };
    }
    return *m_run;
}

std::string CrawlTest::Index()
{
    try {
        Run().cmdIndexClick();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

void CrawlTest::WriteInput(const std::vector<std::string>& urls) const
{
    WriteUrlList(settings.inputFile, urls);
}

std::vector<std::string> CrawlTest::CrawlAfresh(const std::vector<std::string>& urls)
{
    for (const char* file : { "out.txt", "saved.txt", "track.txt", "temp.txt" })
        fs::remove(file);
    Restart();
    frontEnd.pages.clear();
    WriteInput(urls);
    EXPECT_EQ(Index(), "");
    std::vector<std::string> result;
    for (const auto& page : frontEnd.pages)
        result.push_back(page.url + " " + page.Reason());
    for (const char* file : { "out.txt", "saved.txt" })
        for (const auto& line : Lines(file))
            result.push_back(line);
    return result;
}

std::vector<std::string> CrawlTest::Lines(const std::string& name) const
{
    return fs::exists(name) ? ReadUrlList(name) : std::vector<std::string>();
}

std::vector<std::string> CrawlTest::Queue() const
{
    TUrlQueue queue;
    TUrlListFile().Read(settings.inputFile, queue, false);
    return { queue.begin(), queue.end() };
}

std::string CrawlTest::Text(const std::string& name) const
{
    return fs::exists(name) ? ReadWholeFile(name) : std::string();
}
