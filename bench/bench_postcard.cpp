// Filling the postcard grid from 10,000 recipients and composing all 10,000 cards (no preview).
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
        for (int i = 0; i < 10000; ++i) {
            TIBQuery& q = dm->IBQuery1;
            q.Clear();
            q.Add("insert into MST_KOKYAKU (KEY1, NAMAE, NAMAE2, HURIGANA, YUBINNO, JYUSYO, "
                  "JYUSYO2, RENMEI1)");
            q.Add("values (0, :N, '太郎', :H, '100-0001', '東京都千代田区丸の内1-2-3', "
                  "'グランドメゾン101号室', :R)");
            q.setString("N", QString("山田%1").arg(i));
            q.setString("H", QString("やまだ%1").arg((i * 7919) % 10000));
            q.setString("R", i % 3 == 0 ? "花子" : "");
            q.ExecSQL();
        }
        addSender();
        dm->close();
        window = std::make_unique<Thagaki_sakusei>(*dm);
        window->prepare();
    }
    void addSender() {
        dm->IBQuery1.Clear();
        dm->IBQuery1.Add("insert into MST_SASIDASI (KEY1, NAMAE, NAMAE2, YUBINNO, JYUSYO) values "
                         "(1, '鈴木', '一郎', '5300001', '大阪府大阪市北区梅田3-1-1')");
        dm->IBQuery1.ExecSQL();
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
    for (auto _ : state)
        book().window->Button2Click();
    state.counters["rows"] = book().window->SGrid1->RowCount();
}

void Compose(benchmark::State& state) {
    book().window->Button2Click();
    const QList<QStringList> rows = book().window->cardRows();
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
