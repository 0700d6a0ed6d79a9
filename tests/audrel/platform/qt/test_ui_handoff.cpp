#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include <sched.h>

#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include "UiHandoff.h"
#include "audrel/QtApp.h"

namespace {

// Calls handed over back to back, with gaps shorter and longer than the owner's look for the
// next call: each runs on the UI thread, in order, while its worker waits.
TEST(UiHandoff, WorkerCallsRunOnTheUiThreadInOrderWhileTheWorkerWaits) {
    QApplication& app = TestApp();
    TUiHandOff handOff;
    std::atomic<int> inCall{0};
    std::vector<int> order;
    bool allOnUi = true;
    bool finished = false;
    std::thread worker([&] {
        for (int i = 0; i < 3000; ++i) {
            if (i % 500 == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            handOff.Run([&, i] {
                allOnUi = allOnUi && QThread::currentThread() == app.thread();
                order.push_back(i);
                ++inCall;
            });
            if (inCall.load() != i + 1) // the call has run by the time Run returns
                allOnUi = false;
        }
        handOff.Run([&] { finished = true; });
    });
    handOff.WaitServing([&] { return finished; });
    worker.join();
    ASSERT_EQ(order.size(), 3000u);
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(order[size_t(i)], i);
    EXPECT_TRUE(allOnUi);
}

TEST(UiHandoff, ACallFromTheUiThreadItselfRunsAtOnce) {
    TestApp();
    TUiHandOff handOff;
    bool ran = false;
    handOff.Run([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(UiHandoff, AnExceptionOfTheCallReachesTheWorker) {
    TestApp();
    TUiHandOff handOff;
    bool caught = false;
    bool finished = false;
    std::thread worker([&] {
        try {
            handOff.Run([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error&) {
            caught = true;
        }
        handOff.Run([&] { finished = true; });
    });
    handOff.WaitServing([&] { return finished; });
    worker.join();
    EXPECT_TRUE(caught);
}

// A worker that hands over calls without a pause does not keep the event loop from timers,
// input and painting: they get their turn between batches of calls.
TEST(UiHandoff, EventsGetTheirTurnWhileAWorkerHandsOverCallsWithoutPause) {
    TestApp();
    TUiHandOff handOff;
    std::atomic<bool> timerRan{false};
    std::atomic<bool> finished{false};
    bool capped = false;
    std::thread worker([&] {
        const auto cap = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!timerRan && !capped) {
            handOff.Run([] {});
            capped = std::chrono::steady_clock::now() > cap;
        }
        finished = true;
    });
    QTimer::singleShot(1, [&] { timerRan = true; });
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worker.join();
    EXPECT_FALSE(capped); // the timer ran while calls still came
}

} // namespace
