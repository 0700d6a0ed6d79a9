#include "UiHandoff.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QTimer>

void RunOnUiThread(QObject* context, const std::function<void()>& call) {
    if (QThread::currentThread() == context->thread()) {
        call();
        return;
    }
    QMetaObject::invokeMethod(
        context, [&call] { call(); }, Qt::BlockingQueuedConnection);
}

void WaitServingUiCalls(const std::function<bool()>& done) {
    if (done())
        return;
    QEventLoop loop;
    QTimer poll;
    // The worker may end without handing anything over, so look again now and then.
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void ServeUiCalls() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
