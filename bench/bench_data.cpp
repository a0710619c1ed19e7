// Attach + detach, and the lists' reading of every recipient, embedded and on the server.
#include "dm.h"
#include "schema.h"

#include <QTemporaryDir>
#include <QUuid>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace velta;

// One database per backend and size, filled once with N recipients.
struct Fixture {
    QTemporaryDir directory;
    QString name;
    bool embedded;
    std::unique_ptr<TDM> dm;

    Fixture(bool embeddedDatabase, int rows) : embedded(embeddedDatabase) {
        const QString file = QUuid::createUuid().toString(QUuid::WithoutBraces) + ".fdb";
        name = embedded ? directory.filePath(file)
                        : qEnvironmentVariable("VELTA_TEST_SERVER_HOST", "localhost") + ":" +
                              qEnvironmentVariable("VELTA_TEST_SERVER_DIR") + "/" + file;
        createVeltaDatabase(name);
        dm = std::make_unique<TDM>(name, embedded);
        TIBQuery& query = dm->IBQuery1;
        for (int i = 0; i < rows; ++i) {
            query.Clear();
            query.Add(
                "insert into MST_KOKYAKU (KEY1, NAMAE, HURIGANA, JYUSYO) values (0, :N, :H, :J)");
            query.setString("N", QString("山田%1").arg(i));
            query.setString("H", QString("やまだ%1").arg(i));
            query.setString("J", "東京都千代田区千代田１－１");
            query.ExecSQL();
        }
        dm->close();
    }
    ~Fixture() {
        dm.reset();
        dropVeltaDatabase(name);
    }
};

bool serverAvailable(benchmark::State& state, bool embedded) {
    if (!embedded && qEnvironmentVariable("VELTA_TEST_SERVER_DIR").isEmpty()) {
        state.SkipWithError("VELTA_TEST_SERVER_DIR not set");
        return false;
    }
    return true;
}

void AttachDetach(benchmark::State& state) {
    const bool embedded = state.range(0) == 0;
    if (!serverAvailable(state, embedded))
        return;
    Fixture fixture(embedded, 0);
    for (auto _ : state) {
        fixture.dm->open();
        fixture.dm->close();
    }
}

// The lists' reading: the per-key statement run as one (readInKeyOrder).
void ListKeys(benchmark::State& state) {
    const bool embedded = state.range(0) == 0;
    const int keys = static_cast<int>(state.range(1));
    if (!serverAvailable(state, embedded))
        return;
    Fixture fixture(embedded, keys);
    for (auto _ : state) {
        int found = 0;
        readInKeyOrder(*fixture.dm,
                       {"SELECT NAMAE, HURIGANA, JYUSYO FROM MST_KOKYAKU", "WHERE",
                        "  (KEY1       = :KEY1      )"},
                       {}, {}, [&](const TIBQuery& query) {
                           found += query.fieldString("HURIGANA").isEmpty() ? 0 : 1;
                           return true;
                       });
        fixture.dm->close();
        if (found != keys)
            state.SkipWithError("the listing found the wrong number of rows");
    }
}

// A benchmark never ends the process on a database error (a server stopped meanwhile): the
// run is marked failed with the error's text instead.
template <void (*Run)(benchmark::State&)> void guarded(benchmark::State& state) {
    try {
        Run(state);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

} // namespace

BENCHMARK(guarded<AttachDetach>)->ArgName("server")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(guarded<ListKeys>)
    ->ArgNames({"server", "keys"})
    ->Args({0, 1000})
    ->Args({0, 10000})
    ->Args({1, 1000})
    ->Args({1, 10000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

BENCHMARK_MAIN();
