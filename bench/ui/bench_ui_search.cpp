// A whole search in the shown window over the tree named by AUDREL_BENCH_TREE (make one with
// bench/scan/gen_tree.py): how long the window's events wait at worst while hits arrive, and
// how long Stop takes to end the search.
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

#include "BenchApp.h"
#include "ResultModel.h"

namespace {

// range(0): 0 = the search runs to its end, 1 = Stop is pressed 300 ms into it.
void BM_SearchInWindow(benchmark::State& state) {
    const char* tree = std::getenv("AUDREL_BENCH_TREE");
    if (!tree) {
        state.SkipWithError("AUDREL_BENCH_TREE names no tree");
        return;
    }
    const bool stop = state.range(0) == 1;
    double worstWait = 0, stopTook = 0, rows = 0;
    for (auto _ : state) {
        Window w;
        w.form.cbFolder->setEditText(QString::fromLocal8Bit(tree));
        // A timer due every 10 ms: how late it runs is how long a key or a click would wait.
        constexpr qint64 Interval = 10'000'000;
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 worst = 0;
        QTimer probe;
        probe.setInterval(10);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            worst = std::max(worst, now - last - Interval);
            last = now;
        });
        clock.start();
        probe.start();
        w.form.bStart->click();
        while (w.form.Searching()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (stop && clock.elapsed() >= 300 && w.form.Searching()) {
                const qint64 pressed = clock.nsecsElapsed();
                w.form.bStart->click();
                stopTook = double(clock.nsecsElapsed() - pressed) / 1e6;
            }
        }
        QApplication::processEvents();
        worstWait = std::max(worstWait, double(worst) / 1e6);
        rows = w.form.ListModel()->rowCount();
    }
    state.counters["worst_event_wait_ms"] = worstWait;
    state.counters["rows"] = rows;
    if (stop)
        state.counters["stop_ms"] = stopTook;
}
BENCHMARK(BM_SearchInWindow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

AUDREL_BENCHMARK_MAIN()
