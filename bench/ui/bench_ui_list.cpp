// Hits arriving in the result list and sorting it, at 20,000 rows, in a shown window.
#include <QTreeView>

#include <memory>
#include <random>
#include <thread>

#include "BenchApp.h"
#include "FindMP3.h"
#include "ResultModel.h"
#include "UiHandoff.h"
#include "uMain.h"

namespace {

constexpr int Rows = 20000;

std::vector<TFindMP3Info> MakeHits() {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> letter('A', 'z');
    std::uniform_int_distribution<int> seconds(0, 900);
    const auto word = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += char(letter(random));
        return s;
    };
    std::vector<TFindMP3Info> hits(Rows);
    for (TFindMP3Info& hit : hits) {
        hit.Entry.Name = word(12) + ".mp3";
        hit.FullPath = "/home/user/Music/" + word(8) + "/" + hit.Entry.Name;
        hit.Duration = seconds(random);
        hit.ArtistV1 = word(10);
        hit.TitleV1 = word(14);
        hit.AlbumV1 = word(9);
        hit.ArtistV2 = hit.ArtistV1;
        hit.TitleV2 = hit.TitleV1;
        hit.AlbumV2 = hit.AlbumV1;
        // The rows show the texts whole; ASCII texts are the same in both forms.
        hit.ArtistV1Text = hit.ArtistV2Text = hit.ArtistV1;
        hit.TitleV1Text = hit.TitleV2Text = hit.TitleV1;
        hit.AlbumV1Text = hit.AlbumV2Text = hit.AlbumV1;
    }
    return hits;
}

// The way hits arrive during a search: the worker posts each one to the UI thread, where the
// window appends the row.
void BM_AppendHitsFromWorker(benchmark::State& state) {
    const auto hits = MakeHits();
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<Window>();
        TAudrelForm& form = w->form;
        state.ResumeTiming();
        bool done = false;
        TFindMP3 engine; // only the sender of the notifications; it never runs
        TUiHandOff handOff;
        std::thread worker([&] {
            for (const TFindMP3Info& hit : hits)
                handOff.Post([&] { form.FindFound(engine, hit); }, false);
            handOff.Post([&] { done = true; }, true);
        });
        handOff.WaitServing([&] { return done; });
        worker.join();
        form.FindFinished(engine);     // the last rows, the summary
        QApplication::processEvents(); // the list paints its rows
        if (form.ListModel()->rowCount() != Rows)
            state.SkipWithError("rows missing");
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * Rows);
}
BENCHMARK(BM_AppendHitsFromWorker)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SortByColumnClick(benchmark::State& state) {
    const int column = int(state.range(0));
    const auto hits = MakeHits();
    Window w;
    for (const TFindMP3Info& hit : hits)
        w.form.ListModel()->Append(RowFromInfo(hit));
    // Select a few rows: they have to follow the sort.
    for (int r = 0; r < Rows; r += 997)
        w.form.ListView->selectionModel()->select(w.form.ListModel()->index(r, 0),
                                                  QItemSelectionModel::Select |
                                                      QItemSelectionModel::Rows);
    QApplication::processEvents();
    for (auto _ : state) {
        w.form.ListViewColumnClick(column);
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * Rows);
}
BENCHMARK(BM_SortByColumnClick)->Arg(0)->Arg(3)->Arg(8)->Unit(benchmark::kMillisecond);

} // namespace

AUDREL_BENCHMARK_MAIN()
