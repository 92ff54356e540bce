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

// The fixture site of tests/data/crawlsite served by one nginx for the whole
// test program, started at first use on a free loopback port. Besides the
// site's files its folder holds big.html (a page past the crawl's body cap)
// and dated.html (a page with a fixed modification time).
TRealServer& fixtureSite();

// "http://127.0.0.1:<port>" + path, for the fixture site.
std::string siteUrl(const std::string& path);

// The file the fixture site serves for `path`.
std::string siteFile(const std::string& path);

// A crawl in a fresh temporary folder that is the current directory during
// the test (the run writes "temp.txt" there), with settings that follow the
// fixture site's links: its files in that folder, web extensions .HTML and
// .HTM, the site's host accepted as a domain.
class CrawlTest : public ::testing::Test
{
protected:
    CrawlTest();
    ~CrawlTest() override;

    // The run, made at first use so that a test can change the settings first.
    TCrawlRun& Run();
    // Ends the program's run object, as a restart of the program would.
    void Restart();
    // Starts one run; an error ending it is returned as its message ("" for none).
    std::string Index();

    // Writes the input file with `urls`, one CR LF line each.
    void WriteInput(const std::vector<std::string>& urls) const;
    // The entries of a file of the folder; empty when it does not exist.
    std::vector<std::string> Lines(const std::string& name) const;
    // The whole text of a file of the folder; "" when it does not exist.
    std::string Text(const std::string& name) const;

    TempFolder m_dir { "crawl" };
    TSettings settings;
    TCrawlRecorder frontEnd;

private:
    std::string m_previousDir;
    std::unique_ptr<TCrawlRun> m_run;
};
