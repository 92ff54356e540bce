#include "settings/poptions.h"

#include "platform/Command.h"
#include "platform/ContextHelp.h"
#include "platform/HelpContexts.h"
#include "platform/UiText.h"
#include "platform/UserDialogs.h"
#include "settings/ListValue.h"
#include "settings/StrToInt.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProxyStyle>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString FileFilter = QStringLiteral("Text files (*.txt)|*.TXT|All files (*.*)|*.*");
const QString CertificateFilter
    = QStringLiteral("Certificates (*.pem;*.crt)|*.PEM;*.CRT|All files (*.*)|*.*");
const QString NewKeyword = QStringLiteral("New Keyword or Phrase");
const QString AddKeyword = QStringLiteral("Add Keywords or Phrase");

QLabel* label(const QString& text, QWidget* buddy = nullptr)
{
    auto* l = new QLabel(text);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

QLabel* note(const QString& text)
{
    auto* l = label(text);
    l->setWordWrap(true);
    return l;
}

QPushButton* button(const char* name, const QString& caption, int help)
{
    auto* b = new QPushButton(caption);
    b->setObjectName(QLatin1String(name));
    // Neither Enter nor Escape presses a button of this dialog.
    b->setAutoDefault(false);
    SetHelpContext(b, help);
    return b;
}

QString number(int32_t value)
{
    return QString::number(value);
}

// Tabs with half the usual side padding, so that the eight page titles fit
// the dialog's fixed width side by side.
class TCompactTabs : public QProxyStyle
{
public:
    int pixelMetric(
        PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        const int value = QProxyStyle::pixelMetric(metric, option, widget);
        return metric == PM_TabBarTabHSpace ? value / 2 : value;
    }
};

} // namespace

TfrmOptions::TfrmOptions(TSettings& settings, TUserDialogs& dialogs, QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint
            | Qt::MSWindowsFixedSizeDialogHint)
    , m_settings(settings)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setFixedSize(455, 270);
    SetHelpContext(this, HelpContexts::Options);

    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    SetHelpContext(m_pages, HelpContexts::Options);
    auto* compact = new TCompactTabs;
    compact->setParent(m_pages->tabBar());
    m_pages->tabBar()->setStyle(compact);
    m_pages->addTab(pathsPage(), QStringLiteral("Paths"));
    m_pages->addTab(outputPage(), QStringLiteral("Output"));
    m_pages->addTab(followingPage(), QStringLiteral("Following"));
    m_pages->addTab(listPage("tabFilter1",
                        QStringLiteral("Optional: Web sites with any of theses keywords or "
                                       "phrases will not be saved."),
                        "lstF1", HelpContexts::FilterKeywords, "cmdF1Add", "cmdF1Rem",
                        &TSettings::filterKeywords),
        QStringLiteral("Filter1"));
    m_pages->addTab(listPage("tabFilter2",
                        QStringLiteral("Optional: Web sites at these Domains will not be "
                                       "saved, Case Insensitive."),
                        "lstF2", HelpContexts::FilterDomains, "cmdF2Add", "cmdF2Rem",
                        &TSettings::filterDomains),
        QStringLiteral("Filter2"));
    m_pages->addTab(listPage("tabTargeted",
                        QStringLiteral("Optional: Only web sites with these keywords or "
                                       "phrases will be saved.  Case Insensitive."),
                        "lstTargeted", HelpContexts::TargetKeywords, "cmdAddTarget", "cmdRemTarget",
                        &TSettings::targetKeywords),
        QStringLiteral("Targeted"));
    m_pages->addTab(proxyPage(), QStringLiteral("Proxy"));
    m_pages->addTab(webPage(), QStringLiteral("Web"));

    cmdOK = button("cmdOK", QStringLiteral("OK"), HelpContexts::Ok);
    cmdCancel = button("cmdCancel", QStringLiteral("Cancel"), HelpContexts::Cancel);
    connect(cmdOK, &QPushButton::clicked, this, CommandSlot(this, &TfrmOptions::cmdOKClick));
    connect(
        cmdCancel, &QPushButton::clicked, this, CommandSlot(this, &TfrmOptions::cmdCancelClick));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_pages);
    layout->addLayout(buttons);

    txtDesc->installEventFilter(this);
    new TContextHelp(*this, dialogs);
}

QLineEdit* TfrmOptions::textBox(const char* name, int help)
{
    auto* box = new QLineEdit;
    box->setObjectName(QLatin1String(name));
    SetHelpContext(box, help);
    return box;
}

QCheckBox* TfrmOptions::checkBox(const char* name, const QString& caption, int help)
{
    auto* box = new QCheckBox(caption);
    box->setObjectName(QLatin1String(name));
    SetHelpContext(box, help);
    return box;
}

QWidget* TfrmOptions::pathsPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabPaths"));
    auto* grid = new QGridLayout(page);
    struct Row
    {
        QLineEdit*& box;
        const char* name;
        const char* caption;
        const char* initial;
        int help;
        const char* browseName;
        const char* title;
        bool noReadOnly;
    };
    const Row rows[] = {
        { txtOutput, "txtOutput", "Output File:", "out.txt", HelpContexts::OutputFile, "Button1",
            "Output File", true },
        { txtInput, "txtInput", "Input File:", "in.txt", HelpContexts::InputFile, "Button2",
            "Input File", false },
        { txtSaved, "txtSaved", "Saved File:", "saved.txt", HelpContexts::SavedFile, "Button3",
            "Saved File", true },
        { txtTrack, "txtTrack", "Track File:", "track.txt", HelpContexts::TrackFile, "Button4",
            "Track File", true },
    };
    int line = 0;
    for (const Row& row : rows) {
        if (line == 2) {
            // The saved and track files are set apart from the output and input files.
            auto* rule = new QFrame;
            rule->setObjectName(QStringLiteral("Bevel1"));
            rule->setFrameShape(QFrame::HLine);
            rule->setFrameShadow(QFrame::Sunken);
            grid->addWidget(rule, line++, 0, 1, 3);
        }
        row.box = textBox(row.name, row.help);
        row.box->setText(QLatin1String(row.initial));
        grid->addWidget(label(QLatin1String(row.caption), row.box), line, 0);
        grid->addWidget(row.box, line, 1);
        grid->addWidget(browseButton(row.browseName,
                            { row.box, QLatin1String(row.title), row.noReadOnly, FileFilter }),
            line, 2);
        ++line;
    }
    txtOutput->setToolTip(QStringLiteral("Output File"));
    grid->setRowStretch(line, 1);
    return page;
}

QPushButton* TfrmOptions::browseButton(const char* name, const TPathPart& part)
{
    auto* dots = button(name, QStringLiteral("..."), HelpContexts::Browse);
    QFont bold = dots->font();
    bold.setBold(true);
    dots->setFont(bold);
    dots->setFixedWidth(32);
    connect(dots, &QPushButton::clicked, this,
        [this, part] { RunCommand(this, [this, part] { browse(part); }); });
    return dots;
}

QWidget* TfrmOptions::outputPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabOutput"));
    txtSep = textBox("txtSep", HelpContexts::Separator);
    txtSep->setText(QStringLiteral("|"));
    txtCut = textBox("txtCut", HelpContexts::TitleCutoff);
    txtCut->setText(QStringLiteral("70"));
    txtDesc = textBox("txtDesc", HelpContexts::DescriptionLength);
    txtDesc->setText(QStringLiteral("255"));
    for (QLineEdit* box : { txtSep, txtCut, txtDesc })
        box->setFixedWidth(80);
    chkLM = checkBox("chkLM", QStringLiteral("Save Last-Modified Date and File Size"),
        HelpContexts::SaveLastModified);
    chkKey
        = checkBox("chkKey", QStringLiteral("Keywords Required"), HelpContexts::KeywordsRequired);
    chkMeta = checkBox(
        "chkMeta", QStringLiteral("Try Meta Tags First For Description"), HelpContexts::MetaFirst);

    auto* grid = new QGridLayout(page);
    grid->addWidget(label(QStringLiteral("Field Seperator:"), txtSep), 0, 0);
    grid->addWidget(txtSep, 0, 1);
    grid->addWidget(label(QStringLiteral("Unlimited Characters")), 0, 2);
    grid->addWidget(label(QStringLiteral("Title Cut-Off Length:"), txtCut), 1, 0);
    grid->addWidget(txtCut, 1, 1);
    grid->addWidget(label(QStringLiteral("Max Description Length:"), txtDesc), 2, 0);
    grid->addWidget(txtDesc, 2, 1);
    grid->addWidget(label(QStringLiteral("Min: 10 - Max: 400")), 2, 2);
    grid->addWidget(chkLM, 3, 0, 1, 3);
    grid->addWidget(chkKey, 4, 0, 1, 3);
    grid->addWidget(chkMeta, 5, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(6, 1);
    return page;
}

QWidget* TfrmOptions::listBox(const char* listName, int help, const char* addName,
    const char* removeName, TStringList TSettings::*entries, bool sorted, const QString& caption,
    const QString& prompt, Qt::Orientation buttons)
{
    auto* list = new QListWidget;
    list->setObjectName(QLatin1String(listName));
    SetHelpContext(list, help);
    const TListPart part { list, entries, sorted, caption, prompt };
    m_lists.push_back(part);

    auto* add = button(addName, QStringLiteral("Add"), help);
    auto* remove = button(removeName, QStringLiteral("Remove"), help);
    connect(add, &QPushButton::clicked, this,
        [this, part] { RunCommand(this, [this, part] { addEntry(part); }); });
    connect(remove, &QPushButton::clicked, this,
        [this, part] { RunCommand(this, [this, part] { removeEntry(part); }); });

    auto* box = new QWidget;
    QBoxLayout* layout = buttons == Qt::Horizontal ? static_cast<QBoxLayout*>(new QVBoxLayout(box))
                                                   : new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    QBoxLayout* row
        = buttons == Qt::Horizontal ? static_cast<QBoxLayout*>(new QHBoxLayout) : new QVBoxLayout;
    row->addWidget(add);
    row->addWidget(remove);
    row->addStretch();
    layout->addWidget(list);
    layout->addLayout(row);
    return box;
}

QWidget* TfrmOptions::followingPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabFollowing"));
    auto* grid = new QGridLayout(page);
    grid->addWidget(
        note(QStringLiteral("Only Follow These Domain Extensions, Case Insensitive:")), 0, 0);
    grid->addWidget(
        note(QStringLiteral("Only Follow These Web Extensions, Case Insensitive:")), 0, 1);
    grid->addWidget(
        listBox("lstDomains", HelpContexts::DomainExtensions, "cmdAddDomain", "cmdRemDomain",
            &TSettings::domainExts, true, QStringLiteral("Add Domain Extension"),
            QStringLiteral("New Domain Extension"), Qt::Horizontal),
        1, 0);
    grid->addWidget(listBox("lstWebExt", HelpContexts::WebExtensions, "cmdAddWeb", "cmdRemWeb",
                        &TSettings::webExts, true, QStringLiteral("Add Web Extension"),
                        QStringLiteral("New Web Extension"), Qt::Horizontal),
        1, 1);
    return page;
}

QWidget* TfrmOptions::listPage(const char* pageName, const QString& text, const char* listName,
    int help, const char* addName, const char* removeName, TStringList TSettings::*entries)
{
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(pageName));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(note(text));
    layout->addWidget(listBox(
        listName, help, addName, removeName, entries, false, AddKeyword, NewKeyword, Qt::Vertical));
    return page;
}

QWidget* TfrmOptions::proxyPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabProxy"));
    txtProxy = textBox("txtProxy", HelpContexts::ProxyAddress);
    txtPort = textBox("txtPort", HelpContexts::ProxyPort);
    txtPort->setText(QStringLiteral("80"));
    txtPort->setFixedWidth(80);
    txtPName = textBox("txtPName", HelpContexts::ProxyCredentials);
    txtPPass = textBox("txtPPass", HelpContexts::ProxyCredentials);
    txtPPass->setEchoMode(QLineEdit::Password);
    chkProxy = checkBox("chkProxy", QStringLiteral("Use Proxy"), HelpContexts::UseProxy);

    auto* grid = new QGridLayout(page);
    grid->addWidget(note(QStringLiteral("A network proxy is used to provide additional security "
                                        "between your computer and the internet.")),
        0, 0, 1, 2);
    grid->addWidget(label(QStringLiteral("Proxy Address:"), txtProxy), 1, 0);
    grid->addWidget(txtProxy, 1, 1);
    grid->addWidget(label(QStringLiteral("Port:"), txtPort), 2, 0);
    grid->addWidget(txtPort, 2, 1, Qt::AlignLeft);
    grid->addWidget(label(QStringLiteral("User Name:"), txtPName), 3, 0);
    grid->addWidget(txtPName, 3, 1);
    grid->addWidget(label(QStringLiteral("Password:"), txtPPass), 4, 0);
    grid->addWidget(txtPPass, 4, 1);
    grid->addWidget(chkProxy, 5, 0, 1, 2);
    grid->setRowStretch(6, 1);
    return page;
}

QWidget* TfrmOptions::webPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabWeb"));
    chkHttps = checkBox(
        "chkHttps", QStringLiteral("Fetch Secure Pages (https)"), HelpContexts::FetchHttps);
    chkHttps->setChecked(true);
    txtCaFile = textBox("txtCaFile", HelpContexts::CaFile);
    txtSocksServer = textBox("txtSocksServer", HelpContexts::SocksServer);
    txtSocksPort = textBox("txtSocksPort", HelpContexts::SocksPort);
    txtSocksPort->setText(QStringLiteral("1080"));
    txtSocksUser = textBox("txtSocksUser", HelpContexts::SocksCredentials);
    txtSocksPass = textBox("txtSocksPass", HelpContexts::SocksCredentials);
    txtSocksPass->setEchoMode(QLineEdit::Password);
    chkRobots = checkBox("chkRobots", QStringLiteral("Obey robots.txt"), HelpContexts::ObeyRobots);
    chkRobots->setChecked(true);
    chkStatus = checkBox("chkStatus", QStringLiteral("Skip error responses (4xx, 5xx)"),
        HelpContexts::SkipErrorStatus);
    chkStatus->setChecked(true);
    txtDelay = textBox("txtDelay", HelpContexts::RequestDelay);
    txtDelay->setText(QStringLiteral("0"));
    txtRejected = textBox("txtRejected", HelpContexts::RejectedFile);
    for (QLineEdit* box : { txtSocksPort, txtDelay })
        box->setFixedWidth(80);

    auto* grid = new QGridLayout(page);
    grid->setVerticalSpacing(4);
    grid->addWidget(chkHttps, 0, 0, 1, 5);
    grid->addWidget(label(QStringLiteral("CA File:"), txtCaFile), 1, 0);
    grid->addWidget(txtCaFile, 1, 1, 1, 3);
    grid->addWidget(browseButton("cmdCaFile",
                        { txtCaFile, QStringLiteral("CA File"), false, CertificateFilter }),
        1, 4);
    grid->addWidget(label(QStringLiteral("SOCKS Server:"), txtSocksServer), 2, 0);
    grid->addWidget(txtSocksServer, 2, 1);
    grid->addWidget(label(QStringLiteral("Port:"), txtSocksPort), 2, 2);
    grid->addWidget(txtSocksPort, 2, 3, 1, 2, Qt::AlignLeft);
    grid->addWidget(label(QStringLiteral("SOCKS User:"), txtSocksUser), 3, 0);
    grid->addWidget(txtSocksUser, 3, 1);
    grid->addWidget(label(QStringLiteral("Password:"), txtSocksPass), 3, 2);
    grid->addWidget(txtSocksPass, 3, 3, 1, 2);
    // These rows are laid out on their own: their long captions would widen
    // the columns of the labels and boxes above and below them.
    auto* politeness = new QHBoxLayout;
    politeness->addWidget(chkRobots);
    politeness->addSpacing(24);
    politeness->addWidget(chkStatus);
    politeness->addStretch();
    grid->addLayout(politeness, 4, 0, 1, 5);
    auto* delay = new QHBoxLayout;
    delay->addWidget(label(QStringLiteral("Delay between requests (ms):"), txtDelay));
    delay->addSpacing(6);
    delay->addWidget(txtDelay);
    delay->addStretch();
    grid->addLayout(delay, 5, 0, 1, 5);
    grid->addWidget(label(QStringLiteral("Rejected pages file:"), txtRejected), 6, 0);
    grid->addWidget(txtRejected, 6, 1, 1, 3);
    grid->addWidget(browseButton("cmdRejected",
                        { txtRejected, QStringLiteral("Rejected Pages File"), true, FileFilter }),
        6, 4);
    // The SOCKS user name and password boxes share the width evenly.
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(7, 1);
    return page;
}

void TfrmOptions::FillFrom(const TSettings& s)
{
    txtOutput->setText(ToUi(s.outputFile));
    txtInput->setText(ToUi(s.inputFile));
    txtSaved->setText(ToUi(s.savedFile));
    txtTrack->setText(ToUi(s.trackFile));
    txtSep->setText(ToUi(s.separator));
    txtCut->setText(number(s.titleCutoff));
    txtDesc->setText(number(s.descMax));
    chkLM->setChecked(s.saveLastModified == 1);
    chkKey->setChecked(s.keywordsRequired == 1);
    chkMeta->setChecked(s.metaFirst == 1);
    txtProxy->setText(ToUi(s.proxyAddress));
    txtPort->setText(number(s.proxyPort));
    txtPName->setText(ToUi(s.proxyName));
    txtPPass->setText(ToUi(s.proxyPassword));
    chkProxy->setChecked(s.proxyEnabled == 1);
    txtSocksServer->setText(ToUi(s.socksServer));
    txtSocksPort->setText(number(s.socksPort));
    txtSocksUser->setText(ToUi(s.socksUser));
    txtSocksPass->setText(ToUi(s.socksPassword));
    chkHttps->setChecked(s.fetchHttps == 1);
    txtCaFile->setText(ToUi(s.caFile));
    chkRobots->setChecked(s.obeyRobots == 1);
    chkStatus->setChecked(s.skipErrorStatus == 1);
    txtDelay->setText(number(s.requestDelay));
    txtRejected->setText(ToUi(s.rejectedFile));
}

TOptionsValues TfrmOptions::Values() const
{
    TOptionsValues v;
    v.txtOutput = FromUi(txtOutput->text());
    v.txtInput = FromUi(txtInput->text());
    v.txtSaved = FromUi(txtSaved->text());
    v.txtTrack = FromUi(txtTrack->text());
    v.txtSep = FromUi(txtSep->text());
    v.txtCut = FromUi(txtCut->text());
    v.txtDesc = FromUi(txtDesc->text());
    v.txtProxy = FromUi(txtProxy->text());
    v.txtPort = FromUi(txtPort->text());
    v.txtPName = FromUi(txtPName->text());
    v.txtPPass = FromUi(txtPPass->text());
    v.chkLM = chkLM->isChecked();
    v.chkKey = chkKey->isChecked();
    v.chkMeta = chkMeta->isChecked();
    v.chkProxy = chkProxy->isChecked();
    v.lstDomains = m_settings.domainExts;
    v.lstWebExt = m_settings.webExts;
    v.lstF1 = m_settings.filterKeywords;
    v.lstF2 = m_settings.filterDomains;
    v.lstTargeted = m_settings.targetKeywords;
    v.txtSocksServer = FromUi(txtSocksServer->text());
    v.txtSocksPort = FromUi(txtSocksPort->text());
    v.txtSocksUser = FromUi(txtSocksUser->text());
    v.txtSocksPass = FromUi(txtSocksPass->text());
    v.chkHttps = chkHttps->isChecked();
    v.txtCaFile = FromUi(txtCaFile->text());
    v.chkRobots = chkRobots->isChecked();
    v.chkStatus = chkStatus->isChecked();
    v.txtDelay = FromUi(txtDelay->text());
    v.txtRejected = FromUi(txtRejected->text());
    return v;
}

void TfrmOptions::FormShow()
{
    // The settings file's path is computed by every load and save, so there
    // is nothing to recompute here; the lists may have been reloaded.
    for (const TListPart& part : m_lists)
        showList(part);
}

void TfrmOptions::cmdOKClick()
{
    const TOptionsValues values = Values();
    if (const std::optional<TOptionsProblem> problem = FirstUnstorableValue(values)) {
        refuse(*problem);
        return;
    }
    SaveSettings(values);
    accept();
}

void TfrmOptions::refuse(const TOptionsProblem& problem)
{
    auto* box = findChild<QLineEdit*>(QString::fromStdString(problem.control));
    // The page that holds the box comes to the front, the box selected, so
    // that the user types the value again once the message is dismissed.
    for (QWidget* widget = box; widget; widget = widget->parentWidget()) {
        if (m_pages->indexOf(widget) >= 0) {
            m_pages->setCurrentWidget(widget);
            break;
        }
    }
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
    m_dialogs.ShowMessage(ToUi(problem.message));
}

void TfrmOptions::cmdCancelClick()
{
    reject();
}

void TfrmOptions::txtDescExit()
{
    const int32_t length = StrToInt(FromUi(txtDesc->text()));
    if (length < 10)
        txtDesc->setText(QStringLiteral("10"));
    else if (length > 400)
        txtDesc->setText(QStringLiteral("400"));
}

void TfrmOptions::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        RunCommand(this, [this] { FormShow(); });
}

void TfrmOptions::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
        // No button of this dialog is the default or the cancel button.
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

bool TfrmOptions::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtDesc && event->type() == QEvent::FocusOut) {
        // Only a move of the focus within the program leaves the box; another
        // window becoming active does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            RunCommand(this, [this] { txtDescExit(); });
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmOptions::addEntry(const TListPart& part)
{
    const QString answer = m_dialogs.InputBox(part.caption, part.prompt, QString());
    if (answer.isEmpty())
        return;
    TStringList& entries = m_settings.*part.entries;
    const std::string entry = FromUi(answer);
    std::size_t place = entries.size();
    if (part.sorted)
        place = InsertSorted(entries, entry);
    else
        entries.push_back(entry);
    // The selection stays on the entry it was on.
    part.list->insertItem(static_cast<int>(place), answer);
}

void TfrmOptions::removeEntry(const TListPart& part)
{
    const QList<QListWidgetItem*> selected = part.list->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = part.list->row(selected.constFirst());
    TStringList& entries = m_settings.*part.entries;
    entries.erase(entries.begin() + row);
    delete part.list->takeItem(row);
}

void TfrmOptions::browse(const TPathPart& part)
{
    TOpenDialogRequest request;
    request.title = part.title;
    request.filter = part.filter;
    request.hideReadOnly = true;
    request.fileMustExist = true;
    request.noReadOnly = part.noReadOnly;
    if (const std::optional<QString> path = m_dialogs.OpenFile(request))
        part.box->setText(*path);
}

void TfrmOptions::showList(const TListPart& part)
{
    part.list->clear();
    for (const std::string& entry : m_settings.*part.entries)
        part.list->addItem(ToUi(entry));
}
