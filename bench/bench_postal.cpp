// Importing a full-size postal-code file (124,000 rows in the published Shift-JIS layout,
// written here) into an embedded database, and looking codes and addresses up in it.
#include "dm.h"
#include "ken_all_writer.h"
#include "postal_dictionary.h"
#include "schema.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace velta;

constexpr int kRows = 124000;

QString code(int i) {
    return QString::number(1000000 + i * 61 % 8999999);
}

struct Dictionary {
    QTemporaryDir directory;
    QString name = directory.filePath("bench.fdb");
    QString file = directory.filePath("KEN_ALL.CSV");
    std::unique_ptr<TDM> dm;
    Dictionary() {
        QStringList rows;
        rows.reserve(kRows);
        for (int i = 0; i < kRows; ++i) {
            const QString city = QString("第%1市").arg(i / 66 % 40);
            const QString prefecture = japanesePrefectures()[i / 2640 % 47];
            if (i % 1000 == 999) { // a town over two rows
                rows.append(test::kenAllRow(code(i), prefecture, city, "長い町（１～３番地、"));
                rows.append(test::kenAllRow(code(i), prefecture, city, "５番地）"));
                ++i;
                continue;
            }
            rows.append(test::kenAllRow(code(i), prefecture, city,
                                        i % 66 == 0
                                            ? QString("以下に掲載がない場合")
                                            : QString("町域%1（次のビルを除く）").arg(i % 66)));
        }
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(test::kenAllShiftJis(rows));
        out.close();
        createVeltaDatabase(name);
        dm = std::make_unique<TDM>(name, true);
    }
};

Dictionary& dictionary() {
    static Dictionary instance;
    return instance;
}

void Import(benchmark::State& state) {
    dictionary();
    int towns = 0;
    for (auto _ : state)
        towns = importPostalFile(*dictionary().dm, dictionary().file);
    state.counters["towns"] = towns;
}

// On an open connection, as the windows hold it while they look up (an attach is a few ms more).
void LookUpCode(benchmark::State& state) {
    dictionary().dm->open();
    int i = 0;
    for (auto _ : state) {
        const auto towns = lookUpPostalCode(*dictionary().dm, code(i++ % kRows));
        benchmark::DoNotOptimize(towns.size());
    }
}

void LookUpAddress(benchmark::State& state) {
    dictionary().dm->open();
    int i = 0;
    for (auto _ : state) {
        const int row = i++ * 37 % kRows;
        const auto towns = lookUpAddress(
            *dictionary().dm, japanesePrefectures()[row / 2640 % 47] +
                                  QString("第%1市町域%2　１－２").arg(row / 66 % 40).arg(row % 66));
        benchmark::DoNotOptimize(towns.size());
    }
}

// The check before printing reads the places of the run's codes once: a few cards look each
// code up, thousands read the whole dictionary.
void LoadCheck(benchmark::State& state) {
    QStringList codes;
    for (int i = 0; i < state.range(0); ++i)
        codes.append(code(i * 13 % kRows));
    for (auto _ : state) {
        const PostalCheck check(*dictionary().dm, codes);
        benchmark::DoNotOptimize(check.active());
    }
    state.counters["cards"] = static_cast<double>(codes.size());
}

} // namespace

BENCHMARK(Import)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(LookUpCode)->Unit(benchmark::kMillisecond);
BENCHMARK(LookUpAddress)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadCheck)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
