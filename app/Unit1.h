#pragma once

// Names: controls (cmdIndex, lblStatus, ...) and handlers (cmdIndexClick, FormShow, ...) are
// the form design's; m_ members and lowerCamelCase helpers (indexPage, saveUrlList) are ours.

#include "crawl/CrawlFrontEnd.h"
#include "crawl/CrawlRun.h"
#include "platform/Pump.h"

#include <QDateTime>
#include <QLocale>
#include <QMainWindow>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class TAboutBox;
class TInputLock;
class TUserDialogs;
class TfrmOptions;

// The main window: the crawl run's progress, the check boxes that steer it,
// the log of saved sites, and the menus for the options, the URL list, the
// report and help. It is the crawl run's front end, and while it lives its
// pump is the one the settings load and the page routines pump through.
class TfrmSkelvo : public QMainWindow, private TCrawlFrontEnd
{
    Q_OBJECT

public:
    // How often the window's pump points dispatch its events: the read-outs
    // are painted and clicks taken at each dispatch. A dispatch per queued
    // link or per line of a page would cost more than the page's own work.
    static constexpr std::chrono::milliseconds PumpInterval { 10 };
    // The read-outs and the log are set at most once per this many pump
    // intervals (25 times a second with the window's own): more often costs
    // the crawl a tenth of its time and shows a person nothing more.
    static constexpr int CaptionPumps = 4;
    // The most lines the log of saved sites keeps; older ones are dropped.
    static constexpr int MaxLogLines = 10000;

    // The window, asking the user through `dialogs`, which must outlive it,
    // and dispatching its events at most once per `pumpInterval`.
    explicit TfrmSkelvo(TUserDialogs& dialogs,
        std::chrono::milliseconds pumpInterval = PumpInterval, QWidget* parent = nullptr);
    ~TfrmSkelvo() override;

    // The about box and the options dialog the menus show; both must outlive the window.
    void AttachForms(TAboutBox& aboutBox, TfrmOptions& options);

    // The clock and regional formats of the run log and the report: the
    // desktop's by default, fixed ones in tests.
    void SetClock(std::function<QDateTime()> now, const QLocale& locale);

    // The crawl run the window drives, with its state and run log.
    TCrawlRun& Run() { return m_run; }

    // Start-up, when the window is first shown: load the settings, set the
    // check boxes, load the URL list. An error stops it where it is raised.
    void FormShow();
    // Closing: a run in progress is abandoned, then the URL list and the
    // check boxes are saved. An error raised here keeps the window open.
    void FormClose();

    void cmdIndexClick();
    void cmdStopClick();
    void cmdExitClick();
    void mnuFileOptionsClick();
    void mnuFileExitClick();
    void mnuSitesAddClick();
    void mnuSitesDeleteClick();
    void mnuSitesForgetClick();
    void cmdClearLogsClick();
    void chkLeftOutClick();
    void Detailed1Click();
    void mnuHelpContentsClick();
    void mnuHomeClick();
    void mnuHelpAboutClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The crawl run's front end.
    void ShowStatus(const std::string& text) override;
    void ShowSite(const std::string& title) override;
    void ShowLeft(int count) override;
    void ShowDone(int count) override;
    void ShowProgress(int percent) override;
    void SetRunning(bool running) override;
    void DisableStop() override;
    bool ObeyNoIndex() override;
    bool FollowLinks() override;
    bool InternalOnly() override;
    void AppendLog(const std::string& line) override;
    void ShowMessage(const std::string& text) override;
    void Pump() override;
    void PageFinished(const TPageReport& report) override;
    void RunFinished(const TRunSummary& summary) override;
    void Notice(const std::string& text) override;

    QWidget* indexPage();
    QWidget* logsPage();
    void buildMenus();
    void saveUrlList();
    // Sets `label` to `text` (and the progress bar to m_dueProgress) once the
    // caption timer has run, or at once when its interval is 0.
    void showLater(QLabel* label, QString text);
    // Sets every read-out that waits for the caption timer.
    void showCaptions();
    // Takes the input file's lock for a command that reads or writes the
    // list; false when another process crawls the file, `busy` then saying so.
    bool lockUrlList(TInputLock& lock, std::string& busy);

    TUserDialogs& m_dialogs;
    TMessagePump m_pump;
    TPumpScope m_pumpScope { m_pump };
    TAboutBox* m_aboutBox = nullptr;
    TfrmOptions* m_options = nullptr;
    TCrawlRun m_run;
    std::function<QDateTime()> m_now;
    QLocale m_locale;
    bool m_shown = false;
    // urlList holds what the input file holds: loaded at start-up, or since
    // set by a Sites command or a run.
    bool m_urlListLoaded = false;
    // The read-outs waiting to be set, and the timer that sets them.
    std::vector<std::pair<QLabel*, QString>> m_dueCaptions;
    std::optional<int> m_dueProgress;
    QStringList m_dueLog; // log lines waiting, like the captions, for the timer
    QTimer m_captionTimer;

    QTabWidget* m_pages;
    QToolButton* cmdIndex;
    QToolButton* cmdStop;
    QToolButton* cmdExit;
    QProgressBar* progbar;
    QLabel* lblStatus;
    QLabel* lblSite;
    QLabel* lblLeft;
    QLabel* lblDone;
    QCheckBox* chkObey;
    QCheckBox* chkFollow;
    QCheckBox* chkInternal;
    QPlainTextEdit* txtSaved;
    QCheckBox* chkLeftOut;
    QTreeWidget* lstLeftOut;
    QLabel* lblSummary;
    QPushButton* cmdClearLogs;
    QAction* mnuFileOptions;
    QAction* mnuFileExit;
    QAction* mnuSitesAdd;
    QAction* mnuSitesDelete;
    QAction* mnuSitesForget;
    QAction* Detailed1;
    QAction* mnuHelpContents;
    QAction* mnuHome;
    QAction* mnuHelpAbout;
};
