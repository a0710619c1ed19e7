// Opening the preview on 100,000 cards (VELTA_BENCH_RECIPIENTS) and scrolling its thumbnails
// from top to bottom; the peak memory of the process is the figure to read with
// /usr/bin/time -v build/bench/bench_preview.
#include "bench_book.h"
#include "card_layouts.h"
#include "font_substitution.h"
#include "page_file.h"
#include "preview_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace velta;

const QVector<PreparedPage>& cards() {
    static const QVector<PreparedPage> pages = [] {
        installFontSubstitutions();
        TfrxReport report = makeCardTemplate(CardLayout::Type1);
        const int count =
            qEnvironmentVariableIsSet("VELTA_BENCH_RECIPIENTS") ? benchRecipients() : 100000;
        for (int i = 0; i < count; ++i) {
            report.FindObject("Memo2")->Text = QString("東京都千代田区丸の内%1").arg(i % 97);
            report.FindObject("Memo4")->Text = QString("山田%1").arg(i);
            report.FindObject("Memo5")->Text = "太郎";
            report.PrepareReport(false, QString("山田%1 太郎 様").arg(i));
        }
        return report.PreviewPages();
    }();
    return pages;
}

void Open(benchmark::State& state) {
    cards();
    for (auto _ : state) {
        TfrxPreviewWindow window(cards());
        window.show();
        QCoreApplication::processEvents();
    }
    state.counters["pages"] = static_cast<double>(cards().size());
}

void ScrollThumbnails(benchmark::State& state) {
    TfrxPreviewWindow window(cards());
    window.resize(1000, 800);
    window.show();
    window.actThumbnails->trigger();
    QCoreApplication::processEvents();
    QScrollBar* bar = window.thumbnails->verticalScrollBar();
    for (auto _ : state) {
        // 400 views spread over the whole list, each drawn.
        for (int step = 0; step <= 400; ++step) {
            bar->setValue(static_cast<int>(static_cast<qint64>(bar->maximum()) * step / 400));
            QCoreApplication::processEvents();
        }
    }
    int kept = 0;
    for (int row = 0; row < window.thumbnails->model()->rowCount(); ++row)
        kept += window.thumbnails->model()->index(row, 0).data(Qt::UserRole).toBool() ? 1 : 0;
    state.counters["kept"] = kept;
}

// 保存 and 開く of the preview's page file with every card.
void SaveAndOpenPageFile(benchmark::State& state) {
    QTemporaryDir folder;
    const QString file = folder.filePath("cards.vpg");
    for (auto _ : state) {
        savePages(file, cards());
        benchmark::DoNotOptimize(loadPages(file).size());
    }
}

} // namespace

BENCHMARK(Open)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(ScrollThumbnails)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(SaveAndOpenPageFile)->Unit(benchmark::kMillisecond)->Iterations(1);
