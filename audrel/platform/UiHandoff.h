#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

#include <QObject>

class QEventLoop;
class QTimer;

// Runs calls posted by worker threads on the thread that owns this object (the user-interface
// thread), in the order they were posted.
//
// A call posted `soon` runs at the owner's next chance. Any other call may wait up to
// BatchDelay: the calls posted meanwhile then run together in one turn of the event loop, and
// while calls keep coming the owner's thread wakes once per BatchDelay instead of once per
// call, and a worker never sleeps on the owner's thread.
class TUiHandOff : public QObject {
    Q_OBJECT
public:
    explicit TUiHandOff(QObject* parent = nullptr);
    ~TUiHandOff() override;

    // Callable from any thread; returns at once. Calls must not throw.
    void Post(std::function<void()> call, bool soon);

    // Blocks the owner's thread until `done` is true while it keeps running posted calls (all
    // of them soon); `done` is asked at once and after each turn of calls. User input waits.
    void WaitServing(const std::function<bool()>& done);

    static constexpr std::chrono::milliseconds BatchDelay{4};

private:
    void PostTurn();
    void RunPosted(bool byTimer);

    std::mutex m_mutex;
    std::vector<std::function<void()>> m_posted;
    bool m_wakePosted = false; // a turn of the calls is posted to the event loop
    bool m_timerOn = false;    // the batch timer runs, or is about to be started
    int m_waiting = 0;         // WaitServing calls on the owner's thread, nested
    QTimer* m_batchTimer;

    const std::function<bool()>* m_waitDone = nullptr;
    QEventLoop* m_waitLoop = nullptr;
};
