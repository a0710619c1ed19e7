// Prepares 1,000 TYPE1 cards of Japanese addresses and writes them to one PDF (fonts embedded).
// Timed as a whole process: /usr/bin/time -v build/bench/bench_cards /tmp/cards.pdf
#include "card_layouts.h"
#include "font_substitution.h"
#include "pdf_writer.h"
#include "width_conversion.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    velta::installFontSubstitutions();
    const QString output =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/velta-cards.pdf");
    const QStringList prefectures = {"東京都千代田区", "大阪府大阪市北区", "北海道札幌市中央区",
                                     "福岡県福岡市博多区", "愛知県名古屋市中村区"};
    const QStringList surnames = {"山田", "佐藤", "鈴木", "高橋", "田中", "渡辺", "伊藤", "中村"};
    const QStringList givenNames = {"太郎", "花子", "一郎", "美咲", "健太"};
    velta::TfrxReport report = velta::makeCardTemplate(velta::CardLayout::Type1);
    const char* digits[] = {"Memo1", "Memo19", "Memo20", "Memo21", "Memo22", "Memo23", "Memo24"};
    for (int i = 0; i < 1000; ++i) {
        const QString code = QString::number(1000000 + i * 7919 % 8999999);
        for (int d = 0; d < 7; ++d)
            report.FindObject(digits[d])->Text = code.mid(d, 1);
        auto wide = [](const QString& text) {
            return velta::SinglebyteToDoublebyte(velta::replaceDashes(text));
        };
        report.FindObject("Memo2")->Text =
            wide(prefectures[i % 5] +
                 QString("丸の内%1-%2-%3").arg(i % 9 + 1).arg(i % 30 + 1).arg(i % 12 + 1));
        report.FindObject("Memo3")->Text = wide(QString("グランドメゾン%1号室").arg(100 + i % 900));
        report.FindObject("Memo4")->Text = surnames[i % 8];
        report.FindObject("Memo5")->Text = givenNames[i % 5];
        report.FindObject("Memo9")->Text = wide("京都府京都市中京区烏丸通1-2-3");
        report.FindObject("Memo11")->Text = "鈴木";
        report.FindObject("Memo18")->Text = "一郎";
        report.PrepareReport(false);
    }
    if (!velta::writePdf(output, report.PreviewPages())) {
        std::fputs("PDF を書き込めません。\n", stderr);
        return 1;
    }
    return 0;
}
