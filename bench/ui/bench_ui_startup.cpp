// From nothing to a shown, painted main window (the application object already exists).
#include "BenchApp.h"
#include "uMain.h"

namespace {

void BM_MainWindowToFirstPaint(benchmark::State& state) {
    NullSettings settings;
    SilentDialogs dialogs;
    QuietDesktop desktop;
    for (auto _ : state) {
        TAudrelForm form(settings, dialogs, desktop);
        form.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(form.isVisible());
        state.PauseTiming();
        form.close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MainWindowToFirstPaint)->Unit(benchmark::kMillisecond);

} // namespace

AUDREL_BENCHMARK_MAIN()
