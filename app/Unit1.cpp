#include "app/Unit1.h"

#include "app/AppIcon.h"
#include "app/Maker.h"
#include "app/SimpleReport.h"
#include "app/about.h"
#include "crawl/InputLock.h"
#include "crawl/UrlListFile.h"
#include "platform/Command.h"
#include "platform/ContextHelp.h"
#include "platform/Errors.h"
#include "platform/HelpContexts.h"
#include "platform/TextFile.h"
#include "platform/UiText.h"
#include "platform/UserDialogs.h"
#include "platform/Version.h"
#include "settings/Settings.h"
#include "settings/poptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int ClientWidth = 474;
constexpr int ClientHeight = 319;

QToolButton* speedButton(const char* name, const QString& caption, QStyle::StandardPixmap glyph)
{
    auto* button = new QToolButton;
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setIcon(QApplication::style()->standardIcon(glyph));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setMinimumWidth(72);
    return button;
}

// A black panel with its text in bold lime, the run's read-outs.
QLabel* readOut(const char* name, const QString& text)
{
    auto* label = new QLabel(text);
    label->setObjectName(QLatin1String(name));
    label->setStyleSheet(QStringLiteral("QLabel { background-color: black; color: lime; "
                                        "font-weight: bold; padding: 3px 6px; }"));
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    // Long titles are cut at the panel's edge instead of widening the window.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    label->setMinimumWidth(40);
    SetHelpContext(label, HelpContexts::IndexPage);
    return label;
}

QLabel* caption(const QString& text)
{
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QAction* menuItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& keys)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(keys);
    return action;
}

} // namespace

TfrmSkelvo::TfrmSkelvo(
    TUserDialogs& dialogs, std::chrono::milliseconds pumpInterval, QWidget* parent)
    : QMainWindow(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
            | Qt::MSWindowsFixedSizeDialogHint)
    , m_dialogs(dialogs)
    , m_pump([] { QCoreApplication::processEvents(); }, pumpInterval)
    , m_run(*this, Settings)
{
    m_captionTimer.setSingleShot(true);
    m_captionTimer.setInterval(pumpInterval * CaptionPumps);
    connect(&m_captionTimer, &QTimer::timeout, this, [this] { showCaptions(); });
    setObjectName(QStringLiteral("frmSkelvo"));
    setWindowTitle(QStringLiteral("Skelvo v") + QLatin1String(SkelvoVersion));
    setWindowIcon(SkelvoIcon());
    SetClock([] { return QDateTime::currentDateTime(); }, QLocale::system());

    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_pages->addTab(indexPage(), QStringLiteral("Index"));
    m_pages->addTab(logsPage(), QStringLiteral("Logs"));
    auto* client = new QWidget;
    client->setFixedSize(ClientWidth, ClientHeight);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_pages);
    setCentralWidget(client);

    buildMenus();
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    SetRunning(false);
}

TfrmSkelvo::~TfrmSkelvo() = default;

QWidget* TfrmSkelvo::indexPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabIndex"));
    SetHelpContext(page, HelpContexts::IndexPage);

    cmdIndex = speedButton("cmdIndex", QStringLiteral("Index-It!"), QStyle::SP_MediaPlay);
    cmdStop = speedButton("cmdStop", QStringLiteral("Stop"), QStyle::SP_MediaStop);
    cmdExit = speedButton("cmdExit", QStringLiteral("E&xit"), QStyle::SP_DialogCloseButton);
    connect(cmdIndex, &QToolButton::clicked, this, CommandSlot(this, &TfrmSkelvo::cmdIndexClick));
    connect(cmdStop, &QToolButton::clicked, this, CommandSlot(this, &TfrmSkelvo::cmdStopClick));
    connect(cmdExit, &QToolButton::clicked, this, CommandSlot(this, &TfrmSkelvo::cmdExitClick));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdIndex);
    buttons->addWidget(cmdStop);
    buttons->addStretch();
    buttons->addWidget(cmdExit);

    auto* meter = new QFrame;
    meter->setObjectName(QStringLiteral("pnlProgress"));
    meter->setFrameShape(QFrame::Panel);
    meter->setFrameShadow(QFrame::Sunken);
    progbar = new QProgressBar;
    progbar->setObjectName(QStringLiteral("progbar"));
    progbar->setRange(0, 100);
    progbar->setValue(0);
    progbar->setTextVisible(false);
    SetHelpContext(progbar, HelpContexts::IndexPage);
    auto* meterLayout = new QHBoxLayout(meter);
    meterLayout->setContentsMargins(6, 4, 6, 4);
    meterLayout->addWidget(new QLabel(QStringLiteral("Progress Meter:")));
    meterLayout->addWidget(progbar, 1);

    lblStatus = readOut("lblStatus", QStringLiteral("Idle"));
    lblSite = readOut("lblSite", QStringLiteral("None"));
    lblLeft = readOut("lblLeft", QStringLiteral("0"));
    lblDone = readOut("lblDone", QStringLiteral("0"));
    auto* readOuts = new QGridLayout;
    readOuts->addWidget(caption(QStringLiteral("Status:")), 0, 0);
    readOuts->addWidget(lblStatus, 0, 1, 1, 3);
    readOuts->addWidget(caption(QStringLiteral("Site:")), 1, 0);
    readOuts->addWidget(lblSite, 1, 1, 1, 3);
    readOuts->addWidget(caption(QStringLiteral("Left:")), 2, 0);
    readOuts->addWidget(lblLeft, 2, 1);
    readOuts->addWidget(caption(QStringLiteral("Done:")), 2, 2);
    readOuts->addWidget(lblDone, 2, 3);
    readOuts->setColumnStretch(1, 1);
    readOuts->setColumnStretch(3, 1);

    chkObey = new QCheckBox(QStringLiteral("Obey NOINDEX"));
    chkObey->setObjectName(QStringLiteral("chkObey"));
    SetHelpContext(chkObey, HelpContexts::IndexPage);
    chkFollow = new QCheckBox(QStringLiteral("Follow Links"));
    chkFollow->setObjectName(QStringLiteral("chkFollow"));
    SetHelpContext(chkFollow, HelpContexts::FollowLinks);
    chkInternal = new QCheckBox(QStringLiteral("Internal Only"));
    chkInternal->setObjectName(QStringLiteral("chkInternal"));
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(chkObey);
    boxes->addWidget(chkFollow);
    boxes->addWidget(chkInternal);
    boxes->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(buttons);
    layout->addSpacing(4);
    layout->addWidget(meter);
    layout->addSpacing(8);
    layout->addLayout(readOuts);
    layout->addStretch();
    layout->addLayout(boxes);
    return page;
}

QWidget* TfrmSkelvo::logsPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabLogs"));
    SetHelpContext(page, HelpContexts::LogsPage);
    txtSaved = new QPlainTextEdit;
    txtSaved->setObjectName(QStringLiteral("txtSaved"));
    txtSaved->setReadOnly(true);
    txtSaved->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtSaved->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // A long crawl's log keeps its latest lines only: every line kept costs
    // memory and layout for as long as the window lives.
    txtSaved->setMaximumBlockCount(MaxLogLines);

    // The pages left out, each with the reason it got no record; shown
    // below the saved sites on request.
    chkLeftOut = new QCheckBox(QStringLiteral("Show pages left out"));
    chkLeftOut->setObjectName(QStringLiteral("chkLeftOut"));
    SetHelpContext(chkLeftOut, HelpContexts::LogsPage);
    connect(chkLeftOut, &QCheckBox::clicked, this, CommandSlot(this, &TfrmSkelvo::chkLeftOutClick));
    lstLeftOut = new QTreeWidget;
    lstLeftOut->setObjectName(QStringLiteral("lstLeftOut"));
    lstLeftOut->setColumnCount(2);
    lstLeftOut->setHeaderLabels({ QStringLiteral("Page left out"), QStringLiteral("Why") });
    lstLeftOut->setRootIsDecorated(false);
    lstLeftOut->setUniformRowHeights(true);
    lstLeftOut->setAlternatingRowColors(true);
    // A long URL keeps its end, where the page's own name is.
    lstLeftOut->setTextElideMode(Qt::ElideMiddle);
    lstLeftOut->header()->setStretchLastSection(true);
    lstLeftOut->setColumnWidth(0, 250);
    lstLeftOut->setVisible(false);

    // The latest run's summary, kept until the next run ends.
    lblSummary = new QLabel;
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblSummary->setFrameShape(QFrame::StyledPanel);
    lblSummary->setVisible(false);
    SetHelpContext(lblSummary, HelpContexts::LogsPage);

    cmdClearLogs = new QPushButton(QStringLiteral("Clear "));
    cmdClearLogs->setObjectName(QStringLiteral("cmdClearLogs"));
    connect(cmdClearLogs, &QPushButton::clicked, this,
        CommandSlot(this, &TfrmSkelvo::cmdClearLogsClick));

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Saved Web Sites:")));
    top->addStretch();
    top->addWidget(chkLeftOut);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblSummary, 1);
    bottom->addWidget(cmdClearLogs, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addWidget(txtSaved, 1);
    layout->addWidget(lstLeftOut, 1);
    layout->addLayout(bottom);
    return page;
}

void TfrmSkelvo::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFileOptions = menuItem(
        file, "mnuFileOptions", QStringLiteral("&Options"), QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator();
    mnuFileExit = menuItem(
        file, "mnuFileExit", QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_X));
    QMenu* sites = menuBar()->addMenu(QStringLiteral("&Sites"));
    mnuSitesAdd
        = menuItem(sites, "mnuSitesAdd", QStringLiteral("Add"), QKeySequence(Qt::CTRL | Qt::Key_A));
    mnuSitesDelete = menuItem(sites, "mnuSitesDelete", QStringLiteral("Delete All"), {});
    sites->addSeparator();
    mnuSitesForget = menuItem(sites, "mnuSitesForget", QStringLiteral("Forget Visited Links"), {});
    QMenu* reports = menuBar()->addMenu(QStringLiteral("&Reports"));
    Detailed1 = menuItem(reports, "Detailed1", QStringLiteral("Simple"), QKeySequence(Qt::Key_F2));
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelpContents
        = menuItem(help, "mnuHelpContents", QStringLiteral("Contents"), QKeySequence(Qt::Key_F1));
    mnuHome = menuItem(help, "mnuHome", QStringLiteral("Brelloc Software"), {});
    help->addSeparator();
    mnuHelpAbout = menuItem(help, "mnuHelpAbout", QStringLiteral("About"), {});

    connect(mnuFileOptions, &QAction::triggered, this,
        CommandSlot(this, &TfrmSkelvo::mnuFileOptionsClick));
    connect(
        mnuFileExit, &QAction::triggered, this, CommandSlot(this, &TfrmSkelvo::mnuFileExitClick));
    connect(
        mnuSitesAdd, &QAction::triggered, this, CommandSlot(this, &TfrmSkelvo::mnuSitesAddClick));
    connect(mnuSitesDelete, &QAction::triggered, this,
        CommandSlot(this, &TfrmSkelvo::mnuSitesDeleteClick));
    connect(mnuSitesForget, &QAction::triggered, this,
        CommandSlot(this, &TfrmSkelvo::mnuSitesForgetClick));
    connect(Detailed1, &QAction::triggered, this, CommandSlot(this, &TfrmSkelvo::Detailed1Click));
    connect(mnuHelpContents, &QAction::triggered, this,
        CommandSlot(this, &TfrmSkelvo::mnuHelpContentsClick));
    connect(mnuHome, &QAction::triggered, this, CommandSlot(this, &TfrmSkelvo::mnuHomeClick));
    connect(
        mnuHelpAbout, &QAction::triggered, this, CommandSlot(this, &TfrmSkelvo::mnuHelpAboutClick));
}

void TfrmSkelvo::AttachForms(TAboutBox& aboutBox, TfrmOptions& options)
{
    m_aboutBox = &aboutBox;
    m_options = &options;
}

void TfrmSkelvo::SetClock(std::function<QDateTime()> now, const QLocale& locale)
{
    m_now = std::move(now);
    m_locale = locale;
    m_run.Clock = [this] { return TTimeOfDay(m_now().time().msecsSinceStartOfDay()); };
}

void TfrmSkelvo::FormShow()
{
    TCrawlState& state = m_run.State();
    state.urlList.clear();
    state.seenList.Clear();
    state.pageSource.clear();
    // Context help reads the help file beside the program; Help > Contents
    // prefers the one in the current folder.
    m_dialogs.SetHelpFile(QCoreApplication::applicationDirPath() + QStringLiteral("/skelvo.hlp"));
    // A file with a bad value has loaded every other key: the window starts
    // with them, so that what it writes later keeps them, and the error is
    // shown once start-up is done.
    std::exception_ptr badValue;
    try {
        LoadSettings();
    } catch (const EConvertError&) {
        badValue = std::current_exception();
    }
    chkFollow->setChecked(Settings.followLinks == 1);
    chkObey->setChecked(Settings.obeyNoindex == 1);
    chkInternal->setChecked(Settings.internalOnly == 1);
    CreateIfMissing(Settings.inputFile);
    // A run's progress left in its progress file is folded into the input
    // file now, unless another process is crawling it: then it is only read.
    TInputLock lock;
    std::string busy;
    lockUrlList(lock, busy);
    m_run.InputFile().Read(Settings.inputFile, state.urlList, lock.Held());
    m_urlListLoaded = true;
    m_run.ShowLeft();
    if (badValue)
        std::rethrow_exception(badValue);
}

void TfrmSkelvo::FormClose()
{
    // A close during a run ends the run at once: its request is aborted and
    // the page in progress goes back to the head of urlList, so the list saved
    // here still holds it and the next start fetches it again.
    m_run.Abandon();
    // A list that start-up never loaded would empty the input file. Nor is
    // the list written over a queue that another process crawls, or that
    // another program changed since this window last read or wrote it: the
    // list would undo that change, and holds nothing the file lacks.
    TInputLock lock;
    std::string busy;
    const bool current = m_run.Running()
        || (lockUrlList(lock, busy) && !m_run.InputFile().Changed(Settings.inputFile));
    if (m_urlListLoaded && current)
        saveUrlList();
    SaveWindowOptions(chkFollow->isChecked(), chkObey->isChecked(), chkInternal->isChecked());
}

void TfrmSkelvo::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    RunCommand(this, [this] { FormShow(); });
}

void TfrmSkelvo::closeEvent(QCloseEvent* event)
{
    // The window stays open unless every close step succeeds; an error goes
    // to the general error handler.
    event->ignore();
    if (RunCommand(this, [this] { FormClose(); }))
        event->accept();
}

void TfrmSkelvo::cmdIndexClick()
{
    m_run.cmdIndexClick();
    // The run leaves urlList as the input file holds it.
    m_urlListLoaded = true;
}

void TfrmSkelvo::cmdStopClick()
{
    m_run.cmdStopClick();
}

void TfrmSkelvo::cmdExitClick()
{
    close();
}

void TfrmSkelvo::mnuFileExitClick()
{
    close();
}

void TfrmSkelvo::mnuFileOptionsClick()
{
    m_options->FillFrom(Settings);
    m_dialogs.ShowModal(*m_options);
    // Whatever closed the dialog, the settings in memory come back from the
    // file, which drops list edits that were not written.
    LoadSettings();
}

void TfrmSkelvo::mnuSitesAddClick()
{
    const QString answer = m_dialogs.InputBox(
        QStringLiteral("Add New URL"), QStringLiteral("New URL:"), QStringLiteral("http://"));
    // The untouched default, an empty answer and a cancelled box add nothing.
    if (answer.size() <= 7)
        return;
    TInputLock lock;
    std::string busy;
    if (!lockUrlList(lock, busy))
        throw EInputBusy(busy);
    // After a start-up that stopped before loading it, or when another
    // program changed the file since, the list is read first, so that the
    // save below keeps the URLs in the file.
    if (!m_urlListLoaded || m_run.InputFile().Changed(Settings.inputFile)) {
        m_run.InputFile().Read(Settings.inputFile, m_run.State().urlList);
        m_urlListLoaded = true;
    }
    m_run.State().urlList.push_back(FromUi(answer));
    saveUrlList();
    m_run.ShowLeft();
}

void TfrmSkelvo::mnuSitesDeleteClick()
{
    TInputLock lock;
    std::string busy;
    if (!lockUrlList(lock, busy))
        throw EInputBusy(busy);
    m_run.State().urlList.clear();
    saveUrlList();
    m_urlListLoaded = true;
    m_run.ShowLeft();
}

void TfrmSkelvo::mnuSitesForgetClick()
{
    const QString question = QStringLiteral(
        "Forget every link visited so far? The track file %1 is emptied, so that the next crawl "
        "queues the links of the sites again.")
                                 .arg(ToUi(Settings.trackFile));
    if (m_dialogs.Confirm(question))
        m_run.ForgetVisitedLinks();
}

void TfrmSkelvo::cmdClearLogsClick()
{
    txtSaved->clear();
    lstLeftOut->clear();
    lblSummary->clear();
    lblSummary->setVisible(false);
}

void TfrmSkelvo::chkLeftOutClick()
{
    lstLeftOut->setVisible(chkLeftOut->isChecked());
}

void TfrmSkelvo::Detailed1Click()
{
    const QString report = QStringLiteral("simple.html");
    WriteSimpleReport(report.toStdString(), m_run.RunLog(), m_now(), m_locale);
    Pump();
    m_dialogs.ShellOpen(report);
}

void TfrmSkelvo::mnuHelpContentsClick()
{
    // The help of the current folder, else the one installed beside the program.
    const QString help = QStringLiteral("skelvo.hlp");
    m_dialogs.ShellOpen(QFileInfo::exists(help)
            ? help
            : QCoreApplication::applicationDirPath() + QLatin1Char('/') + help);
}

void TfrmSkelvo::mnuHomeClick()
{
    m_dialogs.ShellOpen(QString::fromLatin1(MakerHomePage));
}

void TfrmSkelvo::mnuHelpAboutClick()
{
    m_dialogs.ShowModal(*m_aboutBox);
}

void TfrmSkelvo::saveUrlList()
{
    m_run.InputFile().Write(Settings.inputFile, m_run.State().urlList, Durability::Synced);
}

bool TfrmSkelvo::lockUrlList(TInputLock& lock, std::string& busy)
{
    try {
        return lock.TryTake(Settings.inputFile, busy);
    } catch (const EInOutError&) {
        // A folder the lock file cannot be made in: the list's own read or
        // write there says what is wrong.
        return true;
    }
}

// The read-outs change many times a page. Painting each change at once, and
// the panels beneath it, cost the run more than its pages, so a change waits
// for the caption timer (CaptionPumps pump intervals) to run, and the
// read-outs are then set and painted once with the latest values. With every pump point dispatching
// (the tests), each change is set at once and painted at the next pump.
void TfrmSkelvo::ShowStatus(const std::string& text)
{
    showLater(lblStatus, ToUi(text));
}

void TfrmSkelvo::ShowSite(const std::string& title)
{
    showLater(lblSite, ToUi(title));
}

void TfrmSkelvo::ShowLeft(int count)
{
    showLater(lblLeft, QString::number(count));
}

void TfrmSkelvo::ShowDone(int count)
{
    showLater(lblDone, QString::number(count));
}

void TfrmSkelvo::ShowProgress(int percent)
{
    m_dueProgress = percent;
    showLater(nullptr, {});
}

void TfrmSkelvo::showLater(QLabel* label, QString text)
{
    if (label != nullptr) {
        const auto due = std::find_if(m_dueCaptions.begin(), m_dueCaptions.end(),
            [label](const auto& caption) { return caption.first == label; });
        if (due == m_dueCaptions.end())
            m_dueCaptions.emplace_back(label, std::move(text));
        else
            due->second = std::move(text);
    }
    if (m_captionTimer.interval() == 0)
        showCaptions();
    else if (!m_captionTimer.isActive())
        m_captionTimer.start();
}

void TfrmSkelvo::showCaptions()
{
    m_captionTimer.stop();
    for (const auto& [label, text] : m_dueCaptions) {
        // The same text again would still lay the window out anew.
        if (label->text() != text)
            label->setText(text);
    }
    m_dueCaptions.clear();
    if (m_dueProgress) {
        progbar->setValue(*m_dueProgress);
        m_dueProgress.reset();
    }
    if (!m_dueLog.isEmpty()) {
        txtSaved->appendPlainText(m_dueLog.join(QLatin1Char('\n')));
        m_dueLog.clear();
    }
}

void TfrmSkelvo::SetRunning(bool running)
{
    // The read-outs as the run left them are shown before it returns.
    showCaptions();
    cmdIndex->setEnabled(!running);
    cmdStop->setEnabled(running);
    cmdExit->setEnabled(!running);
    for (QAction* item :
        { mnuFileOptions, mnuFileExit, mnuSitesAdd, mnuSitesDelete, mnuSitesForget })
        item->setEnabled(!running);
}

void TfrmSkelvo::DisableStop()
{
    cmdStop->setEnabled(false);
}

bool TfrmSkelvo::ObeyNoIndex()
{
    return chkObey->isChecked();
}

bool TfrmSkelvo::FollowLinks()
{
    return chkFollow->isChecked();
}

bool TfrmSkelvo::InternalOnly()
{
    return chkInternal->isChecked();
}

void TfrmSkelvo::AppendLog(const std::string& line)
{
    // Laying out one line at a time cost the window a page's worth of time;
    // the lines are added with the captions, together.
    m_dueLog.append(ToUi(line));
    showLater(nullptr, {});
}

void TfrmSkelvo::ShowMessage(const std::string& text)
{
    showCaptions();
    m_dialogs.ShowMessage(ToUi(text));
}

void TfrmSkelvo::Pump()
{
    m_pump.Pump();
}

void TfrmSkelvo::PageFinished(const TPageReport& report)
{
    if (report.outcome == pgWritten)
        return;
    auto* row = new QTreeWidgetItem(lstLeftOut, { ToUi(report.url), ToUi(report.Reason()) });
    row->setToolTip(0, ToUi(report.url));
    row->setToolTip(1, ToUi(report.Reason()));
    row->setForeground(1, QColor(0x9c, 0x2a, 0x00));
    lstLeftOut->scrollToItem(row);
}

void TfrmSkelvo::RunFinished(const TRunSummary& summary)
{
    QStringList lines;
    for (const std::string& line : SummaryLines(summary))
        lines.push_back(ToUi(line));
    lblSummary->setText(lines.join(QLatin1Char('\n')));
    lblSummary->setVisible(true);
}

void TfrmSkelvo::Notice(const std::string& text)
{
    auto* row = new QTreeWidgetItem(lstLeftOut, { ToUi(text), QString() });
    row->setFirstColumnSpanned(true);
    row->setToolTip(0, ToUi(text));
    row->setForeground(0, QColor(0x55, 0x55, 0x55));
}
