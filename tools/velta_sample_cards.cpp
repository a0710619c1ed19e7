// Writes a few sample cards (TYPE1 and TYPE2) to a PDF, to look at the vertical layout.
#include "card_layouts.h"
#include "font_substitution.h"
#include "pdf_writer.h"
#include "width_conversion.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("使い方: velta-sample-cards 出力.pdf\n", stderr);
        return 2;
    }
    velta::installFontSubstitutions();
    QVector<velta::PreparedPage> pages;
    for (velta::CardLayout layout : {velta::CardLayout::Type1, velta::CardLayout::Type2}) {
        velta::TfrxReport report = velta::makeCardTemplate(layout);
        auto set = [&](const char* name, const QString& text) {
            report.FindObject(name)->Text = text;
        };
        const QString code = "1000001";
        const char* digits[] = {"Memo1",  "Memo19", "Memo20", "Memo21",
                                "Memo22", "Memo23", "Memo24"};
        for (int i = 0; i < 7; ++i)
            set(digits[i], code.mid(i, 1));
        set("Memo2",
            velta::SinglebyteToDoublebyte(velta::replaceDashes("東京都千代田区千代田1-1")));
        set("Memo3",
            velta::SinglebyteToDoublebyte(velta::replaceDashes("パレスサイドビル 3F「受付」")));
        set("Memo4", "山田");
        set("Memo5", "太郎");
        set("Memo12", "花子");
        set("Memo13", "");
        report.FindObject("Memo15")->Visible = false;
        report.FindObject("Memo4")->Left = 170;
        report.FindObject("Memo5")->Left = 173;
        report.FindObject("Memo6")->Left = 179;
        const QString sender = "5300001";
        const char* senderDigits[] = {"Memo8",  "Memo25", "Memo26", "Memo27",
                                      "Memo28", "Memo29", "Memo30"};
        for (int i = 0; i < 7; ++i)
            set(senderDigits[i], sender.mid(i, 1));
        set("Memo31", "-");
        set("Memo9",
            velta::SinglebyteToDoublebyte(velta::replaceDashes("大阪府大阪市北区梅田3-1-1")));
        set("Memo10", "ちいさなゃゅょっ。、ー〜（）");
        set("Memo11", "鈴木");
        set("Memo18", "一郎");
        report.PrepareReport(false);
        pages += report.PreviewPages();
    }
    if (!velta::writePdf(QString::fromLocal8Bit(argv[1]), pages)) {
        std::fputs("PDF を書き込めません。\n", stderr);
        return 1;
    }
    return 0;
}
