#pragma once

#include "crawl/PageReport.h"
#include "crawl/RunSummary.h"

#include <string>

// The lines of a page's fetch a front end may show: the request line of each
// request sent, the status line of each response, the target of each relocation.
enum TFetchLine { flRequest, flStatus, flRelocation };

// Everything a crawl run shows or asks while it goes. The run knows no
// widgets: the main window implements this with its labels, buttons and check
// boxes, the batch program with the terminal, the tests with a recorder. Every
// call comes on the thread that runs the crawl.
class TCrawlFrontEnd
{
public:
    virtual ~TCrawlFrontEnd() = default;

    // The captions below are shown by the next Pump at the latest: a caption
    // set and replaced between two pumps need never be seen.

    // Sets the status caption ("Connecting...", "Receiving...4096 bytes", "Idle").
    virtual void ShowStatus(const std::string& text) = 0;
    // Sets the caption naming the page in progress (its stripped title, or "None").
    virtual void ShowSite(const std::string& title) = 0;
    // Shows the number of URLs left in the work queue ("Left:").
    virtual void ShowLeft(int count) = 0;
    // Shows the number of pages done since the program started ("Done:").
    virtual void ShowDone(int count) = 0;
    // Sets the progress value, 0 to 100.
    virtual void ShowProgress(int percent) = 0;

    // Puts the run's controls in the running state (true: "Index-It!", "Exit"
    // and the Options, Exit, Sites Add and Delete All menu items disabled,
    // "Stop" enabled) or back in the idle state (false: the reverse).
    virtual void SetRunning(bool running) = 0;
    // Disables "Stop" once it has been pressed (the run is still going).
    virtual void DisableStop() = 0;

    // The three check boxes, read at the moment of the call: the user may
    // change them during a run and the run follows from its next reading.
    virtual bool ObeyNoIndex() = 0; // "Obey NOINDEX"
    virtual bool FollowLinks() = 0; // "Follow Links"
    virtual bool InternalOnly() = 0; // "Internal Only"

    // Appends `line` and a line break to the log of saved sites.
    virtual void AppendLog(const std::string& line) = 0;
    // Shows `text` in a message box with an OK button; returns when it is dismissed.
    virtual void ShowMessage(const std::string& text) = 0;
    // Dispatches every pending message of the thread (repaints, clicks, socket
    // notifications), then returns.
    virtual void Pump() = 0;

    // A page's cycle has ended: its counters are shown and the input file
    // holds the queue without it. Front ends that list pages one by one
    // override this; the others need not.
    virtual void PageFinished(const TPageReport& report) { (void)report; }

    // The run has ended (also when stopped or ended by an error; not when
    // abandoned): what it did, for the front end to show once.
    virtual void RunFinished(const TRunSummary& summary) { (void)summary; }

    // Something about the run the user should know once, in a line of text
    // (a site's robots.txt that could not be read, a Crawl-delay taken as
    // less than asked).
    virtual void Notice(const std::string& text) { (void)text; }

    // A line of the fetch in progress, as sent or received, for a front end
    // that shows why a crawl stalls (skelvo-batch --verbose); the others need
    // not override this. Comes from the HTTP client's events: nothing may pump here.
    virtual void FetchLine(TFetchLine kind, const std::string& text)
    {
        (void)kind;
        (void)text;
    }
};
