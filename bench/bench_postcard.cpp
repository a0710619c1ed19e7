// Filling the postcard grid from 10,000 recipients (VELTA_BENCH_RECIPIENTS) and composing all
// their cards (no preview).
#include "bench_book.h"
#include "composition.h"
#include "dm.h"
#include "reading_order.h"
#include "schema.h"
#include "string_grid.h"
#include "thagaki_sakusei.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace velta;

struct Book {
    QTemporaryDir directory;
    QString name = directory.filePath("bench.fdb");
    std::unique_ptr<TDM> dm;
    std::unique_ptr<Thagaki_sakusei> window;
    Book() {
        createVeltaDatabase(name);
        dm = std::make_unique<TDM>(name, true);
        addBenchRecipients(*dm, benchRecipients());
        window = std::make_unique<Thagaki_sakusei>(*dm);
        window->prepare();
    }
};

Book& book() {
    // Its windows go before the application does (a static destroyed after main would
    // touch Qt's timers from a thread Qt no longer knows).
    static Book* instance = [] {
        auto* made = new Book;
        qAddPostRoutine([] { delete instance; });
        return made;
    }();
    return *instance;
}

void Fill(benchmark::State& state) {
    book(); // made before the clock starts
    for (auto _ : state)
        book().window->Button2Click();
    state.counters["rows"] = book().window->SGrid1->RowCount();
}

void Compose(benchmark::State& state) {
    book().window->Button2Click();
    const QList<CardRecipient> rows = book().window->cardRows();
    for (auto _ : state) {
        composeCards(book().window->frxReport1, CardLayout::Type1, book().window->options(), rows,
                     *book().dm);
        benchmark::DoNotOptimize(book().window->frxReport1.PreviewPages().size());
    }
    state.counters["cards"] = static_cast<double>(rows.size());
}

} // namespace

BENCHMARK(Fill)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Compose)->Unit(benchmark::kMillisecond)->Iterations(3);
