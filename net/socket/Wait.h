#pragma once

#include "net/socket/WaitControl.h"

#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>

// A small countdown control: the caption holds the remaining count, a bar
// shrinks with it, and a modal wait dispatches the application's events while
// it swallows mouse clicks and key presses with a beep.
class TCustomWait : public QWidget, public TWaitControl
{
public:
    // Values of ModalResult.
    static constexpr int ModalNone = 0;
    static constexpr int ModalOk = 1; // stopped
    static constexpr int ModalCancelled = 2; // the count ran out

    explicit TCustomWait(QWidget* parent = nullptr);
    ~TCustomWait() override;

    // The remaining count as text; default "60".
    const QString& Caption() const { return m_caption; }
    void SetCaption(const QString& value);
    // How the last wait ended (ModalNone while one runs).
    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int value) { m_modalResult = value; }
    // Milliseconds between two counts; default 1000.
    std::uint16_t Interval() const { return m_interval; }
    void SetInterval(std::uint16_t value);
    // True while the countdown runs.
    bool Running() const { return m_timer.isActive(); }

    // Starts counting down from the number in Caption (15 when it holds none).
    void Start();
    // Ends the countdown with ModalOk and shows the starting count again.
    void Stop();
    // Runs the countdown modally until it stops or runs out; returns ModalResult.
    int ShowModal();
    bool WaitFor(int seconds, const std::function<bool()>& done) override;

    // The count a caption starts from: leading spaces skipped, the decimal
    // digits up to the first other character; 15 when that gives 0.
    static int StartCount(const QString& caption);
    // Width of the bar for `remaining` of `starting` counts in a control `width` wide.
    static int BarWidth(int remaining, int starting, int width);

    // --- events (raised only when assigned, sender first) ---------------------
    std::function<void(TCustomWait* Sender, int Count)> OnWait;
    std::function<void(TCustomWait* Sender)> OnWaiting;
    std::function<void(TCustomWait* Sender)> OnWaitStart;
    std::function<void(TCustomWait* Sender)> OnWaitStop;
    std::function<void(TCustomWait* Sender)> OnTimeout;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tick();
    int runModal(const std::function<bool()>& done);

    QTimer m_timer;
    QString m_caption = QStringLiteral("60");
    int m_modalResult = ModalNone;
    std::uint16_t m_interval = 1000;
    int m_count = 0;
    int m_startCount = 0;
};

// The wait control as placed on a form.
class TWait : public TCustomWait
{
public:
    using TCustomWait::TCustomWait;
};
