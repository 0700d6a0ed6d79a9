#include "UiHandoff.h"

#include <utility>

#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

TUiHandOff::TUiHandOff(QObject* parent) : QObject(parent), m_batchTimer(new QTimer(this)) {
    m_batchTimer->setTimerType(Qt::PreciseTimer);
    m_batchTimer->setInterval(BatchDelay);
    connect(m_batchTimer, &QTimer::timeout, this, [this] { RunPosted(true); });
}

TUiHandOff::~TUiHandOff() = default;

void TUiHandOff::Post(std::function<void()> call, bool soon) {
    bool wake = false;
    bool startTimer = false;
    {
        const std::lock_guard lock(m_mutex);
        m_posted.push_back(std::move(call));
        if ((soon || m_waiting > 0) && !m_wakePosted)
            wake = m_wakePosted = true;
        else if (!m_timerOn && !m_wakePosted)
            startTimer = m_timerOn = true;
    }
    if (wake)
        PostTurn();
    // The timer keeps running while each of its turns finds calls, so a steady stream of calls
    // costs one wake-up per turn and none per call.
    if (startTimer)
        QMetaObject::invokeMethod(
            this, [this] { m_batchTimer->start(); }, Qt::QueuedConnection);
}

void TUiHandOff::PostTurn() {
    QMetaObject::invokeMethod(
        this, [this] { RunPosted(false); }, Qt::QueuedConnection);
}

void TUiHandOff::RunPosted(bool byTimer) {
    std::vector<std::function<void()>> calls;
    {
        const std::lock_guard lock(m_mutex);
        calls.swap(m_posted);
        m_wakePosted = false;
        if (byTimer && calls.empty()) {
            m_batchTimer->stop();
            m_timerOn = false;
        }
    }
    for (const auto& call : calls)
        call();
    if (m_waitDone && (*m_waitDone)())
        m_waitLoop->quit();
}

void TUiHandOff::WaitServing(const std::function<bool()>& done) {
    if (done())
        return;
    QEventLoop loop;
    const auto* outerDone = std::exchange(m_waitDone, &done);
    QEventLoop* outerLoop = std::exchange(m_waitLoop, &loop);
    {
        // Calls already waiting for the timer run now; the timer may be the very one whose
        // turn is waiting here, and a timer does not fire inside its own turn.
        const std::lock_guard lock(m_mutex);
        ++m_waiting;
        if (!m_posted.empty() && !m_wakePosted) {
            m_wakePosted = true;
            PostTurn();
        }
    }
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    {
        const std::lock_guard lock(m_mutex);
        --m_waiting;
    }
    m_waitDone = outerDone;
    m_waitLoop = outerLoop;
}
