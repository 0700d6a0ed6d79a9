#include "UiHandoff.h"

#include <utility>

#include <sched.h>

#include <QEventLoop>
#include <QMetaObject>
#include <QThread>

namespace {

using Clock = std::chrono::steady_clock;

// One look for the other side's progress. A yield, not a busy spin: on a machine whose cores
// are all taken, the other side may be waiting for this very core, and a yield hands it over
// at once; with a core to spare it returns at once.
inline void LookAgain() {
    ::sched_yield();
}

} // namespace

TUiHandOff::TUiHandOff(QObject* parent) : QObject(parent) {}

TUiHandOff::~TUiHandOff() = default;

void TUiHandOff::Run(const std::function<void()>& call) {
    if (QThread::currentThread() == thread()) {
        call();
        return;
    }
    const std::lock_guard caller(m_callers);
    m_error = nullptr;
    m_done.store(false, std::memory_order_relaxed);
    m_call.store(&call);
    if (!m_serving.load() && !m_servePosted.exchange(true))
        PostServe();

    const auto until = Clock::now() + WorkerSpin;
    while (!m_done.load(std::memory_order_acquire)) {
        if (Clock::now() < until) {
            LookAgain();
            continue;
        }
        std::unique_lock lock(m_sleep);
        m_workerSleeping.store(true);
        m_wake.wait(lock, [&] { return m_done.load(); });
        m_workerSleeping.store(false);
        break;
    }
    if (m_error)
        std::rethrow_exception(std::exchange(m_error, nullptr));
}

void TUiHandOff::PostServe() {
    QMetaObject::invokeMethod(
        this, [this] { Serve(); }, Qt::QueuedConnection);
}

bool TUiHandOff::RunPosted() {
    const std::function<void()>* call = m_call.exchange(nullptr, std::memory_order_acq_rel);
    if (!call)
        return false;
    try {
        (*call)();
    } catch (...) {
        m_error = std::current_exception();
    }
    m_done.store(true);
    if (m_workerSleeping.load()) {
        const std::lock_guard lock(m_sleep);
        m_wake.notify_one();
    }
    return true;
}

void TUiHandOff::Serve() {
    m_servePosted.store(false);
    m_serving.store(true);
    const auto began = Clock::now();
    auto last = began;
    for (;;) {
        if (RunPosted()) {
            if (m_waitDone && (*m_waitDone)()) {
                m_waitLoop->quit();
                break;
            }
            last = Clock::now();
            if (last - began >= ServeBudget)
                break;
            continue;
        }
        const auto now = Clock::now();
        if (now - last >= OwnerSpin || now - began >= ServeBudget)
            break;
        LookAgain();
    }
    // A call handed over after the last look but before the worker could see that nobody
    // serves any more: the worker posted nothing, so post it here.
    m_serving.store(false);
    if (m_call.load() && !m_servePosted.exchange(true))
        PostServe();
}

void TUiHandOff::WaitServing(const std::function<bool()>& done) {
    if (done())
        return;
    QEventLoop loop;
    const auto* outerDone = std::exchange(m_waitDone, &done);
    QEventLoop* outerLoop = std::exchange(m_waitLoop, &loop);
    // Waiting from inside a call: the calls to come must reach this loop.
    const bool outerServing = m_serving.exchange(false);
    if (m_call.load() && !m_servePosted.exchange(true))
        PostServe();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_serving.store(outerServing);
    m_waitDone = outerDone;
    m_waitLoop = outerLoop;
}
