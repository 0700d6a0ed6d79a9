#include <atomic>
#include <thread>
#include <vector>

#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include "UiHandoff.h"
#include "audrel/QtApp.h"

namespace {

// Calls posted soon and not, in bursts and with gaps longer than a batch: each runs on the UI
// thread, once, in the order posted, and the worker never waits for them.
TEST(UiHandoff, PostedCallsRunOnTheUiThreadInOrder) {
    QApplication& app = TestApp();
    TUiHandOff handOff;
    std::vector<int> order;
    bool allOnUi = true;
    bool finished = false;
    std::thread worker([&] {
        for (int i = 0; i < 3000; ++i) {
            if (i % 500 == 0)
                std::this_thread::sleep_for(TUiHandOff::BatchDelay * 2);
            handOff.Post(
                [&, i] {
                    allOnUi = allOnUi && QThread::currentThread() == app.thread();
                    order.push_back(i);
                },
                i % 7 == 0);
        }
        handOff.Post([&] { finished = true; }, false);
    });
    handOff.WaitServing([&] { return finished; });
    worker.join();
    ASSERT_EQ(order.size(), 3000u);
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(order[size_t(i)], i);
    EXPECT_TRUE(allOnUi);
}

// A wait inside a turn of the batch timer still gets the calls that are not posted soon: the
// timer does not fire inside its own turn.
TEST(UiHandoff, AWaitInsideABatchStillRunsLaterCalls) {
    TestApp();
    TUiHandOff handOff;
    bool inner = false;
    bool outer = false;
    std::thread worker([&] {
        handOff.Post(
            [&] {
                std::thread late([&] { handOff.Post([&] { inner = true; }, false); });
                handOff.WaitServing([&] { return inner; });
                late.join();
                outer = true;
            },
            false);
    });
    worker.join();
    handOff.WaitServing([&] { return outer; });
    EXPECT_TRUE(inner);
}

// A worker that posts without pause does not keep the event loop from timers, input and
// painting: they get their turn between batches.
TEST(UiHandoff, EventsGetTheirTurnWhileAWorkerPostsWithoutPause) {
    TestApp();
    TUiHandOff handOff;
    std::atomic<bool> timerRan{false};
    std::atomic<bool> finished{false};
    bool capped = false;
    std::thread worker([&] {
        const auto cap = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!timerRan && !capped) {
            handOff.Post([] {}, true);
            capped = std::chrono::steady_clock::now() > cap;
        }
        finished = true;
    });
    QTimer::singleShot(1, [&] { timerRan = true; });
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worker.join();
    EXPECT_FALSE(capped);              // the timer ran while calls still came
    QCoreApplication::processEvents(); // the calls still posted
}

} // namespace
