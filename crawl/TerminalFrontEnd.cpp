#include "crawl/TerminalFrontEnd.h"

#include <QCoreApplication>

#include <chrono>

namespace {

// Back to the line's start, and erase to its end.
constexpr const char* EraseLine = "\r\033[K";

// The run pumps between all its steps, several dozen times a page; events
// cannot usefully arrive that often, and each pass costs a poll of the
// loop's descriptors.
constexpr std::chrono::milliseconds PumpInterval { 2 };

} // namespace

TTerminalFrontEnd::TTerminalFrontEnd(
    std::ostream& out, std::ostream& err, bool liveStatus, TCheckBoxes boxes)
    : m_out(out)
    , m_err(err)
    , m_liveStatus(liveStatus)
    , m_boxes(boxes)
{ }

void TTerminalFrontEnd::ShowStatus(const std::string& text)
{
    m_status = text;
    DrawStatus();
}

void TTerminalFrontEnd::ShowMessage(const std::string& text)
{
    Note(text);
}

void TTerminalFrontEnd::Pump()
{
    PumpCoalesced();
}

void TTerminalFrontEnd::PumpCoalesced()
{
    static std::chrono::steady_clock::time_point last;
    const auto now = std::chrono::steady_clock::now();
    if (now - last < PumpInterval)
        return;
    QCoreApplication::processEvents();
    last = std::chrono::steady_clock::now();
}

void TTerminalFrontEnd::PageFinished(const TPageReport& report)
{
    ClearStatus();
    m_out << report.done << '\t' << report.left << '\t' << PageOutcomeText(report.outcome) << '\t'
          << report.url << '\t' << report.title << '\n'
          << std::flush;
    DrawStatus();
}

void TTerminalFrontEnd::Note(const std::string& text)
{
    ClearStatus();
    m_err << "skelvo-batch: " << text << '\n' << std::flush;
    DrawStatus();
}

void TTerminalFrontEnd::ClearStatus()
{
    if (!m_statusShown)
        return;
    m_err << EraseLine << std::flush;
    m_statusShown = false;
}

void TTerminalFrontEnd::DrawStatus()
{
    if (!m_liveStatus || m_status.empty())
        return;
    // The count of URLs left is shown only after a page, in its line: before
    // the first page it would be stale.
    m_err << EraseLine << "done " << m_done << ": " << m_status << std::flush;
    m_statusShown = true;
}
