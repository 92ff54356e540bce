#include "batch/TerminalFrontEnd.h"

#include <QCoreApplication>

namespace {

// Back to the line's start, and erase to its end.
constexpr const char* EraseLine = "\r\033[K";

} // namespace

TTerminalFrontEnd::TTerminalFrontEnd(
    std::ostream& out, std::ostream& err, bool liveStatus, TVerbosity verbosity, TCheckBoxes boxes)
    : m_out(out)
    , m_err(err)
    , m_liveStatus(liveStatus)
    , m_verbosity(verbosity)
    , m_boxes(boxes)
    , m_pump([] { QCoreApplication::processEvents(); }, PumpInterval)
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
    m_pump.Pump();
}

void TTerminalFrontEnd::PageFinished(const TPageReport& report)
{
    if (m_verbosity == tvQuiet)
        return;
    ClearStatus();
    m_out << report.done << '\t' << report.left << '\t' << report.Reason() << '\t' << report.url
          << '\t' << report.title << '\n'
          << std::flush;
    DrawStatus();
}

void TTerminalFrontEnd::RunFinished(const TRunSummary& summary)
{
    for (const std::string& line : SummaryLines(summary))
        WriteErrorLine(line);
}

void TTerminalFrontEnd::Notice(const std::string& text)
{
    if (m_verbosity != tvQuiet)
        Note(text);
}

void TTerminalFrontEnd::FetchLine(TFetchLine kind, const std::string& text)
{
    if (m_verbosity != tvVerbose)
        return;
    switch (kind) {
    case flRequest:
        WriteErrorLine("> " + text);
        break;
    case flStatus:
        WriteErrorLine("< " + text);
        break;
    case flRelocation:
        WriteErrorLine("relocated to " + text);
        break;
    }
}

void TTerminalFrontEnd::Note(const std::string& text)
{
    WriteErrorLine("skelvo-batch: " + text);
}

void TTerminalFrontEnd::WriteErrorLine(const std::string& line)
{
    ClearStatus();
    m_err << line << '\n' << std::flush;
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
