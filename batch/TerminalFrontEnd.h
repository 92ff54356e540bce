#pragma once

#include "crawl/CrawlFrontEnd.h"
#include "platform/Pump.h"

#include <chrono>
#include <ostream>
#include <string>

// The batch program's front end: one line per finished page on `out` (none
// when quiet), the run's messages and its summary on `err`, and, when the
// live status is asked for, a status line on `err` that is rewritten in place
// as the run goes; when verbose, the fetch's request, status and relocation
// lines on `err` too. The three check boxes are fixed for the run. While it lives, its pump is the
// one the page routines pump through.
class TTerminalFrontEnd : public TCrawlFrontEnd
{
public:
    // The run pumps between all its steps, several dozen times a page, and
    // the page routines far more often; without a window only a signal or a
    // host lookup waits for a dispatch, and each one costs a poll of the
    // loop's descriptors.
    static constexpr std::chrono::milliseconds PumpInterval { 5 };

    // How much the front end writes beside the summary and the errors.
    enum TVerbosity { tvQuiet, tvPages, tvVerbose };

    struct TCheckBoxes
    {
        bool obeyNoIndex = false;
        bool followLinks = false;
        bool internalOnly = false;
    };

    TTerminalFrontEnd(std::ostream& out, std::ostream& err, bool liveStatus, TVerbosity verbosity,
        TCheckBoxes boxes);

    void ShowStatus(const std::string& text) override;
    void ShowSite(const std::string&) override { }
    void ShowLeft(int) override { }
    void ShowDone(int count) override { m_done = count; }
    void ShowProgress(int) override { }
    void SetRunning(bool) override { }
    void DisableStop() override { }
    bool ObeyNoIndex() override { return m_boxes.obeyNoIndex; }
    bool FollowLinks() override { return m_boxes.followLinks; }
    bool InternalOnly() override { return m_boxes.internalOnly; }
    void AppendLog(const std::string&) override { }
    void ShowMessage(const std::string& text) override;
    void Pump() override;
    void PageFinished(const TPageReport& report) override;
    void FetchLine(TFetchLine kind, const std::string& text) override;
    void RunFinished(const TRunSummary& summary) override;
    void Notice(const std::string& text) override;

    // Writes `text` and a line break to the error stream, below the status line.
    void Note(const std::string& text);
    // Removes the status line, before the program ends.
    void ClearStatus();

private:
    void DrawStatus();

    std::ostream& m_out;
    std::ostream& m_err;
    // Writes `line` and a line break to the error stream, below the status line.
    void WriteErrorLine(const std::string& line);

    const bool m_liveStatus;
    const TVerbosity m_verbosity;
    const TCheckBoxes m_boxes;
    std::string m_status;
    int m_done = 0;
    bool m_statusShown = false;
    TMessagePump m_pump;
    TPumpScope m_pumpScope { m_pump };
};
