#include "platform/HelpViewer.h"

#include "platform/HelpFile.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

THelpViewer::THelpViewer(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_text(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Skelvo Help"));
    resize(520, 440);

    auto* contents = new QPushButton(QStringLiteral("Contents"), this);
    contents->setObjectName(QStringLiteral("cmdContents"));
    connect(contents, &QPushButton::clicked, this,
        [this] { ShowTopic(m_path, QString::fromLatin1(ContentsTopic)); });

    m_text->setObjectName(QStringLiteral("txtTopic"));
    // Links are followed here: topic links stay in the viewer, web links go to the browser.
    m_text->setOpenLinks(false);
    connect(m_text, &QTextBrowser::anchorClicked, this, &THelpViewer::followLink);

    auto* bar = new QHBoxLayout;
    bar->addWidget(contents);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_text);
}

bool THelpViewer::ShowTopic(const QString& path, const QString& id)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray document = file.readAll();
    std::string topic = HelpTopic(document.toStdString(), id.toStdString());
    if (topic.empty())
        topic = "<p>There is no help for this item (help context " + id.toStdString()
            + ").</p><p><a href=\"#" + ContentsTopic + "\">Contents</a></p>";
    m_path = path;
    m_topic = id;
    m_text->setHtml(QString::fromUtf8(topic.data(), static_cast<qsizetype>(topic.size())));
    // A modal dialog blocks every other window: help asked for from one is
    // shown modal itself, so that it can be read and its links followed;
    // otherwise it stays beside the program's windows.
    const QWidget* modal = QApplication::activeModalWidget();
    const Qt::WindowModality wanted = modal == this ? windowModality()
        : modal                                     ? Qt::ApplicationModal
                                                    : Qt::NonModal;
    if (wanted != windowModality()) {
        hide();
        setWindowModality(wanted);
    }
    show();
    raise();
    activateWindow();
    return true;
}

void THelpViewer::followLink(const QUrl& link)
{
    if (link.isRelative() && link.hasFragment() && link.path().isEmpty())
        ShowTopic(m_path, link.fragment());
    else
        QDesktopServices::openUrl(link);
}
