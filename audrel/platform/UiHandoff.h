#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>

#include <QObject>

class QEventLoop;

// Runs calls of worker threads on the thread that owns this object (the user-interface thread)
// and lets each worker wait until its call has run.
//
// A worker's call is picked up without a trip through the event loop when the owner's thread
// is still serving: after each call it looks a short while for the next one before it goes
// back to its events, and it goes back at the latest after a few milliseconds of serving, so
// input and painting keep their turn. A worker also looks a short while for its call to be
// done before it sleeps. So a worker that hands over a call every few microseconds costs two
// thread wake-ups per batch of calls instead of two per call.
class TUiHandOff : public QObject {
    Q_OBJECT
public:
    explicit TUiHandOff(QObject* parent = nullptr);
    ~TUiHandOff() override;

    // Runs `call` on the owner's thread and returns once it has run (at once when called on
    // that thread). An exception that leaves the call is thrown again here.
    void Run(const std::function<void()>& call);

    // Blocks the owner's thread until `done` is true while it keeps running the workers'
    // calls; `done` is asked at once and after each call. User input waits meanwhile.
    void WaitServing(const std::function<bool()>& done);

    // How long the owner's thread looks for a next call, and serves at most before it returns
    // to its events; how long a worker looks for its call to be done before it sleeps.
    static constexpr std::chrono::microseconds OwnerSpin{60};
    static constexpr std::chrono::milliseconds ServeBudget{8};
    static constexpr std::chrono::microseconds WorkerSpin{40};

private:
    void Serve();
    void PostServe();
    bool RunPosted();

    std::mutex m_callers; // one worker's call at a time
    std::atomic<const std::function<void()>*> m_call{nullptr};
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_serving{false};
    std::atomic<bool> m_servePosted{false};
    std::exception_ptr m_error;

    std::mutex m_sleep;
    std::condition_variable m_wake;
    std::atomic<bool> m_workerSleeping{false};

    const std::function<bool()>* m_waitDone = nullptr;
    QEventLoop* m_waitLoop = nullptr;
};
