#include <QThread>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "UiHandoff.h"
#include "audrel/QtApp.h"

namespace {

TEST(UiHandoff, AWorkerCallRunsOnTheUiThreadWhileTheUiWaits) {
    QApplication& app = TestApp();
    QObject context;
    std::atomic<bool> done{false};
    QThread* ranOn = nullptr;
    int calls = 0;

    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            RunOnUiThread(&context, [&] {
                ranOn = QThread::currentThread();
                ++calls; // no lock: the worker waits for every call
            });
        done = true;
    });
    WaitServingUiCalls([&] { return done.load(); });
    worker.join();

    EXPECT_EQ(calls, 50);
    EXPECT_EQ(ranOn, app.thread());
}

TEST(UiHandoff, ACallFromTheUiThreadItselfRunsAtOnce) {
    TestApp();
    QObject context;
    bool ran = false;
    RunOnUiThread(&context, [&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(UiHandoff, ThePumpServesCallsOfAWaitingWorker) {
    TestApp();
    QObject context;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        RunOnUiThread(&context, [] {});
        done = true;
    });
    while (!done)
        ServeUiCalls();
    worker.join();
    SUCCEED();
}

} // namespace
