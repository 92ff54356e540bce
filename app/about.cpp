#include "app/about.h"

#include "app/AppIcon.h"
#include "app/Maker.h"
#include "platform/UserDialogs.h"
#include "platform/Version.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* named(const char* name, const QString& text)
{
    auto* label = new QLabel(text);
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

TAboutBox::TAboutBox(TUserDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    resize(330, 210);

    auto* icon = named("ProgramIcon", QString());
    icon->setPixmap(SkelvoIcon().pixmap(48, 48));
    auto* product = named("ProductName", QStringLiteral("Skelvo "));
    QFont bold = product->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    product->setFont(bold);
    auto* version = named("Version", QStringLiteral("Version: ") + QLatin1String(SkelvoVersion));
    auto* notice = named(
        "Copyright", QStringLiteral("Copyright \u00A9 Brelloc Software. All rights reserved."));
    notice->setWordWrap(true);
    auto* address = named("Label1", QString::fromLatin1(MakerHomePage));
    address->setStyleSheet(QStringLiteral("color: navy;"));
    address->setCursor(Qt::PointingHandCursor);
    address->installEventFilter(this);
    m_address = address;

    auto* panel = new QFrame;
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    auto* text = new QVBoxLayout;
    text->addWidget(product);
    text->addWidget(version);
    text->addSpacing(8);
    text->addWidget(notice);
    text->addWidget(address);
    text->addStretch();
    auto* inside = new QHBoxLayout(panel);
    inside->addWidget(icon, 0, Qt::AlignTop);
    inside->addSpacing(8);
    inside->addLayout(text, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel, 1);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

void TAboutBox::Label1Click()
{
    m_dialogs.ShellOpen(QString::fromLatin1(MakerHomePage));
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_address && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label1Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
