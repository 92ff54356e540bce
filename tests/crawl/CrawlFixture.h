#pragma once

#include "CrawlRecorder.h"
#include "crawl/CrawlRun.h"
#include "settings/Settings.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class TRealServer;

// tests/data/crawlsite served by one nginx for the whole program, started at
// first use on a free loopback port, with big.html (past the crawl's body cap)
// and dated.html (a fixed modification time) added.
TRealServer& fixtureSite();
// "http://127.0.0.1:<port>" + path, for the fixture site.
std::string siteUrl(const std::string& path);
// The file the fixture site serves for `path`.
std::string siteFile(const std::string& path);

// A crawl in a fresh temporary folder, the current directory during the test
// (the run writes "temp.txt" there), whose settings follow the fixture site's links.
class CrawlTest : public ::testing::Test
{
protected:
    CrawlTest();
    ~CrawlTest() override;

    // The run, made at first use so that a test can change the settings first.
    TCrawlRun& Run();
    // Ends the run object, as a restart of the program would.
    void Restart() { m_run.reset(); }
    // Starts one run; the message of an error ending it, "" for none.
    std::string Index();

    void WriteInput(const std::vector<std::string>& urls) const;
    // Crawls `urls` afresh, as a restarted program with empty output, saved
    // and track files: each finished page as its URL and its reason, then the
    // records, then the saved URLs.
    std::vector<std::string> CrawlAfresh(const std::vector<std::string>& urls);
    // The entries of a file of the folder; empty when it does not exist.
    std::vector<std::string> Lines(const std::string& name) const;
    // The queue the input file and its progress file hold, read as a window
    // does while another process crawls (nothing folded).
    std::vector<std::string> Queue() const;
    // The text of a file of the folder; "" when it does not exist.
    std::string Text(const std::string& name) const;

    TempFolder m_dir { "crawl" };
    TSettings settings;
    TCrawlRecorder frontEnd;

private:
    std::string m_previousDir;
    std::unique_ptr<TCrawlRun> m_run;
};
