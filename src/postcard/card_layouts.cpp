#include "card_layouts.h"

namespace velta {
namespace {

struct BoxSpec {
    const char* name;
    double x, y, w, h; // mm from the printable area's top-left corner
    const char* font;
    int points;
    int charset; // 1 DEFAULT, 128 SHIFTJIS
    int rotation;
    double charSpacing, lineSpacing;
    const char* text;
    bool visible;
};

// TYPE1. Vertical boxes carry the "@" faces; the option boxes start at the window's defaults.
const BoxSpec kType1[] = {
    {"Memo1", 40.22, 2.65, 5.00, 10.00, "HGP明朝E", 17, 1, 0, 0, 2, "", true},
    {"Memo2", 77.09, 19.94, 7.00, 95.00, "@HGP明朝E", 10, 128, 270, 2, 10, "", true},
    {"Memo3", 66.21, 22.00, 9.00, 95.00, "@HGP明朝E", 10, 1, 270, 3, 2, "", true},
    {"Memo4", 34.40, 31.06, 13.00, 20.00, "@HGP明朝E", 20, 128, 270, 0, 2, "", true},
    {"Memo5", 35.19, 55.00, 12.00, 23.00, "@HGP明朝E", 20, 128, 270, 0, 2, "", true},
    {"Memo6", 36.78, 86.00, 10.00, 21.00, "@HGP明朝E", 20, 128, 270, 0, 2, "様", true},
    {"Memo7", 8.21, 36.24, 5.00, 5.00, "Arial", 8, 1, 0, 0, 2, "〒", false},
    {"Memo8", 1.06, 128.59, 3.00, 5.00, "Arial", 10, 1, 0, 0, 2, "", true},
    {"Memo9", 15.94, 52.39, 6.00, 58.00, "@ＭＳ Ｐゴシック", 7, 128, 270, 0, 2, "", true},
    {"Memo10", 7.94, 52.41, 9.00, 58.00, "@ＭＳ Ｐゴシック", 7, 128, 270, 2, 10, "", true},
    {"Memo11", 6.21, 75.59, 6.00, 10.00, "@ＭＳ Ｐゴシック", 8, 128, 270, 2, 10, "", true},
    {"Memo12", 34.66, 55.00, 13.00, 36.00, "@HG明朝E", 20, 128, 270, 0, 2, "", true},
    {"Memo13", 25.40, 55.00, 13.00, 36.00, "@HG明朝E", 20, 128, 270, 0, 2, "", true},
    {"Memo14", 35.45, 86.00, 12.00, 21.00, "@HG明朝E", 20, 128, 270, 0, 2, "様", true},
    {"Memo15", 26.19, 86.00, 12.00, 21.00, "@HG明朝E", 20, 128, 270, 0, 2, "様", true},
    {"Memo16", 2.00, 88.00, 6.00, 16.00, "@ＭＳ Ｐゴシック", 8, 128, 270, 2, 10, "", true},
    {"Memo17", -1.79, 88.00, 6.00, 16.00, "@ＭＳ Ｐゴシック", 8, 128, 270, 2, 10, "", true},
    {"Memo18", 6.00, 87.79, 6.00, 11.00, "@ＭＳ Ｐゴシック", 8, 128, 270, 2, 10, "", true},
    {"Memo19", 47.10, 2.65, 5.00, 10.00, "HGP明朝E", 17, 1, 0, 0, 2, "", true},
    {"Memo20", 53.98, 2.65, 5.00, 10.00, "HGP明朝E", 17, 1, 0, 0, 2, "", true},
    {"Memo21", 61.65, 2.65, 5.00, 10.00, "HGP明朝E", 17, 1, 0, 0, 2, "", true},
    {"Memo22", 68.53, 2.65, 5.00, 10.00, "HGP明朝E", 17, 1, 0, 0, 2, "", true},
    {"Memo23", 75.14, 2.65, 5.00, 10.00, "HGP明朝E", 17, 1, 0, 0, 2, "", true},
    {"Memo24", 82.02, 2.65, 5.00, 10.00, "HGP明朝E", 17, 1, 0, 0, 2, "", true},
    {"Memo25", 5.29, 128.59, 3.00, 5.00, "Arial", 10, 1, 0, 0, 2, "", true},
    {"Memo26", 9.26, 128.59, 3.00, 5.00, "Arial", 10, 1, 0, 0, 2, "", true},
    {"Memo27", 14.29, 128.59, 3.00, 5.00, "Arial", 10, 1, 0, 0, 2, "", true},
    {"Memo28", 18.26, 128.59, 3.00, 5.00, "Arial", 10, 1, 0, 0, 2, "", true},
    {"Memo29", 22.23, 128.59, 3.00, 5.00, "Arial", 10, 1, 0, 0, 2, "", true},
    {"Memo30", 26.46, 128.59, 3.00, 5.00, "Arial", 10, 1, 0, 0, 2, "", true},
    {"Memo31", 12.17, 128.32, 3.00, 5.00, "Arial", 10, 1, 0, 0, 2, "", true},
    // The composer's further columns (連名3–5 and their 敬称, 会社名, 部署名 ×2, 役職): placed per
    // card, hidden in the fixed positions.
    {"Memo32", 0, 0, 0, 0, "@HG明朝E", 20, 128, 270, 0, 2, "", false},
    {"Memo33", 0, 0, 0, 0, "@HG明朝E", 20, 128, 270, 0, 2, "", false},
    {"Memo34", 0, 0, 0, 0, "@HG明朝E", 20, 128, 270, 0, 2, "", false},
    {"Memo35", 0, 0, 0, 0, "@HG明朝E", 20, 128, 270, 0, 2, "", false},
    {"Memo36", 0, 0, 0, 0, "@HG明朝E", 20, 128, 270, 0, 2, "", false},
    {"Memo37", 0, 0, 0, 0, "@HG明朝E", 20, 128, 270, 0, 2, "", false},
    {"Memo38", 0, 0, 0, 0, "@HGP明朝E", 10, 128, 270, 0, 2, "", false},
    {"Memo39", 0, 0, 0, 0, "@HGP明朝E", 10, 128, 270, 0, 2, "", false},
    {"Memo40", 0, 0, 0, 0, "@HGP明朝E", 10, 128, 270, 0, 2, "", false},
    {"Memo41", 0, 0, 0, 0, "@HGP明朝E", 10, 128, 270, 0, 2, "", false},
};

// TYPE2 differs in three places only.
struct Difference {
    const char* name;
    double x, y; // mm
};
const Difference kType2Differences[] = {
    // 1. recipient digits 1, 2, 3, 5, 6, 7 one unit to the right
    {"Memo1", 40.48, 2.65},
    {"Memo19", 47.36, 2.65},
    {"Memo20", 54.24, 2.65},
    {"Memo22", 68.79, 2.65},
    {"Memo23", 75.41, 2.65},
    {"Memo24", 82.29, 2.65},
    // 2. the sender's postal-code row 57 units higher; digits 2 and 7 one unit to the left
    {"Memo8", 1.06, 113.51},
    {"Memo25", 5.03, 113.51},
    {"Memo26", 9.26, 113.51},
    {"Memo27", 14.29, 113.51},
    {"Memo28", 18.26, 113.51},
    {"Memo29", 22.23, 113.51},
    {"Memo30", 26.19, 113.51},
    {"Memo31", 12.17, 113.24},
    // 3. sender address line 2 one unit lower
    {"Memo10", 7.94, 52.68},
};

} // namespace

TfrxReport makeCardTemplate(CardLayout layout) {
    TfrxReport report;
    for (const BoxSpec& spec : kType1) {
        TextBox box;
        box.Name = QString::fromLatin1(spec.name);
        box.Left = mmToUnits(spec.x);
        box.Top = mmToUnits(spec.y);
        box.Width = mmToUnits(spec.w);
        box.Height = mmToUnits(spec.h);
        box.FontName = QString::fromUtf8(spec.font);
        box.setFontSize(spec.points);
        box.FontCharset = spec.charset;
        box.UseDefaultCharset = box.Name == QLatin1String("Memo3");
        box.Rotation = spec.rotation;
        box.CharSpacing = spec.charSpacing;
        box.LineSpacing = spec.lineSpacing;
        box.Text = QString::fromUtf8(spec.text);
        box.Visible = spec.visible;
        // Names, honorifics and joint names keep one column.
        box.MaxLines =
            QStringList{"Memo4",  "Memo5",  "Memo6",  "Memo11", "Memo12", "Memo13", "Memo14",
                        "Memo15", "Memo16", "Memo17", "Memo18", "Memo32", "Memo33", "Memo34",
                        "Memo35", "Memo36", "Memo37", "Memo38", "Memo39", "Memo40", "Memo41"}
                    .contains(box.Name)
                ? 1
                : 0;
        box.HideZeros = box.Name == QLatin1String("Memo4") || box.Name == QLatin1String("Memo12") ||
                        box.Name == QLatin1String("Memo13");
        report.boxes.append(box);
    }
    if (layout == CardLayout::Type2)
        for (const Difference& difference : kType2Differences) {
            TextBox* box = report.FindObject(QString::fromLatin1(difference.name));
            box->Left = mmToUnits(difference.x);
            box->Top = mmToUnits(difference.y);
        }
    return report;
}

} // namespace velta
