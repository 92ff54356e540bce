#pragma once

#include "crawl/CrawlFrontEnd.h"

#include <ostream>
#include <string>

// The batch program's front end: one line per finished page on `out`, the
// run's messages on `err`, and, when `err` is a terminal, a status line on
// it that is rewritten in place as the run goes. The three check boxes are
// fixed for the run.
class TTerminalFrontEnd : public TCrawlFrontEnd
{
public:
    struct TCheckBoxes
    {
        bool obeyNoIndex = false;
        bool followLinks = false;
        bool internalOnly = false;
    };

    TTerminalFrontEnd(std::ostream& out, std::ostream& err, bool liveStatus, TCheckBoxes boxes);

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

    // Dispatches the pending events, unless that was done less than a couple
    // of milliseconds ago; the pump hook of the page routines during a run.
    static void PumpCoalesced();

    // Writes `text` and a line break to the error stream, below the status line.
    void Note(const std::string& text);
    // Removes the status line, before the program ends.
    void ClearStatus();

private:
    void DrawStatus();

    std::ostream& m_out;
    std::ostream& m_err;
    const bool m_liveStatus;
    const TCheckBoxes m_boxes;
    std::string m_status;
    int m_done = 0;
    bool m_statusShown = false;
};
