#include "net/socket/Wait.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <climits>

namespace {

bool isSwallowed(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto button = static_cast<const QMouseEvent*>(event)->button();
        return button == Qt::LeftButton || button == Qt::RightButton;
    }
    case QEvent::KeyPress:
    // A key bound to a menu command reaches its action as a shortcut instead
    // of a key press; it is a key press all the same.
    case QEvent::Shortcut:
        return true;
    default:
        return false;
    }
}

// Keeps the control installed as the application's input filter for the
// length of a modal wait; whatever filtered before goes on filtering after.
class InputBlock
{
public:
    explicit InputBlock(QObject* filter)
        : m_filter(filter)
    {
        QCoreApplication::instance()->installEventFilter(filter);
    }
    ~InputBlock()
    {
        if (m_filter)
            QCoreApplication::instance()->removeEventFilter(m_filter);
    }
    InputBlock(const InputBlock&) = delete;
    InputBlock& operator=(const InputBlock&) = delete;

private:
    QPointer<QObject> m_filter;
};

} // namespace

TCustomWait::TCustomWait(QWidget* parent)
    : QWidget(parent)
{
    resize(192, 32);
    QFont font(QStringLiteral("Courier"), 8);
    font.setFixedPitch(true);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    m_timer.setInterval(m_interval);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
}

TCustomWait::~TCustomWait() = default;

void TCustomWait::SetCaption(const QString& value)
{
    m_caption = value;
    update();
}

void TCustomWait::SetInterval(std::uint16_t value)
{
    m_interval = value;
    m_timer.setInterval(value);
}

int TCustomWait::StartCount(const QString& caption)
{
    qsizetype i = 0;
    while (i < caption.size() && caption[i] == u' ')
        ++i;
    long long count = 0;
    for (; i < caption.size() && caption[i] >= u'0' && caption[i] <= u'9'; ++i) {
        count = count * 10 + (caption[i].unicode() - u'0');
        if (count > INT_MAX) {
            count = INT_MAX;
            break;
        }
    }
    return count == 0 ? 15 : static_cast<int>(count);
}

int TCustomWait::BarWidth(int remaining, int starting, int width)
{
    if (starting <= 0)
        return 0;
    return static_cast<int>(static_cast<long long>(remaining) * (width - 7) / starting);
}

void TCustomWait::Start()
{
    m_startCount = StartCount(m_caption);
    m_count = m_startCount;
    SetCaption(QString::number(m_startCount));
    m_timer.start();
    if (OnWaitStart)
        OnWaitStart(this);
}

void TCustomWait::tick()
{
    --m_count;
    const QPointer<TCustomWait> self(this);
    if (OnWait)
        OnWait(this, m_count);
    if (!self)
        return;
    if (m_count > 0) {
        SetCaption(QString::number(m_count));
        return;
    }
    m_timer.stop();
    m_modalResult = ModalCancelled;
    SetCaption(QString::number(m_startCount));
    if (OnTimeout)
        OnTimeout(this);
}

void TCustomWait::Stop()
{
    m_modalResult = ModalOk;
    m_timer.stop();
    SetCaption(QString::number(m_startCount));
    if (OnWaitStop)
        OnWaitStop(this);
}

int TCustomWait::ShowModal()
{
    return runModal(nullptr);
}

bool TCustomWait::WaitFor(int seconds, const std::function<bool()>& done)
{
    SetCaption(QString::number(seconds));
    setVisible(true);
    return runModal(done) == ModalOk;
}

int TCustomWait::runModal(const std::function<bool()>& done)
{
    m_modalResult = ModalNone;
    const QPointer<TCustomWait> self(this);
    const InputBlock block(this);
    Start();
    while (self && Running()) {
        if (done && done()) {
            Stop();
            break;
        }
        if (OnWaiting)
            OnWaiting(this);
        if (!self || !Running())
            break;
        // Sleeps until the next event; the countdown's own timer is one.
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return self ? m_modalResult : ModalNone;
}

bool TCustomWait::eventFilter(QObject* watched, QEvent* event)
{
    if (Running() && isSwallowed(event)) {
        QApplication::beep();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TCustomWait::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Qt::white);
    painter.drawRect(0, 0, width() - 1, height() - 1);
    const int bar = BarWidth(m_count, m_startCount, width());
    if (bar > 0)
        painter.fillRect(3, 3, bar, height() - 7, palette().color(QPalette::Highlight));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(
        QRect(4, height() / 2 - 8, width() - 8, height()), Qt::AlignLeft | Qt::AlignTop, m_caption);
}
