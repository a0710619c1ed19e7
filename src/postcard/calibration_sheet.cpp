#include "calibration_sheet.h"

#include "postal_frame.h"
#include "print_spool.h"

namespace velta {
namespace {

constexpr double kThin = 0.15; // mm: fine enough to see a red frame's edge beside it
constexpr double kScaleHalf = 5.0;

PagePath rectangle(const QRectF& mm, double width = kThin) {
    return {QPolygonF(mm), true, false, width, Qt::black};
}

PagePath line(QPointF from, QPointF to, double width = kThin) {
    return {QPolygonF({from, to}), false, false, width, Qt::black};
}

// A horizontal text at a point of the card (millimetres), in a plain Japanese face.
TextBox label(const QString& name, const QString& text, QPointF at, double widthMm, int points,
              const PageSetup& page) {
    TextBox box;
    box.Name = name;
    box.Left = mmToUnits(at.x() - page.LeftMargin);
    box.Top = mmToUnits(at.y() - page.TopMargin);
    box.Width = mmToUnits(widthMm);
    box.Height = mmToUnits(points * 25.4 / 72 * 1.6);
    box.Text = text;
    box.FontName = QStringLiteral("ＭＳ ゴシック");
    box.setFontSize(points);
    box.GapX = box.GapY = 0;
    return box;
}

QString signedMm(double mm) {
    return (mm > 0   ? QStringLiteral("+")
            : mm < 0 ? QStringLiteral("−")
                     : QString()) +
           QString::number(std::abs(mm), 'f', 1);
}

// Ticks every 0.5 mm from −5 to +5 mm around `zero`, along x (horizontal) or y; numbers every
// 4 mm across and 2 mm down. Reading where a real frame's edge falls gives the correction to add.
void addScale(QVector<PagePath>& paths, QVector<TextBox>& texts, QPointF zero, bool horizontal,
              const PageSetup& page) {
    const QPointF along = horizontal ? QPointF(1, 0) : QPointF(0, 1);
    const QPointF across = horizontal ? QPointF(0, 1) : QPointF(1, 0);
    paths.append(line(zero - along * kScaleHalf, zero + along * kScaleHalf));
    for (int half = -10; half <= 10; ++half) {
        const double mm = half / 2.0;
        const double length = half % 2 == 0 ? (half % 4 == 0 ? 2.0 : 1.4) : 0.8;
        const QPointF at = zero + along * mm;
        paths.append(line(at, at + across * length));
        if (half % (horizontal ? 8 : 4) == 0) { // the horizontal numbers need more room
            const QString text = (half > 0   ? QStringLiteral("+")
                                  : half < 0 ? QStringLiteral("-")
                                             : QString()) +
                                 QString::number(std::abs(half) / 2);
            const QPointF place = horizontal ? at + QPointF(-0.8, 2.3) : at + QPointF(2.3, -1.0);
            texts.append(label(QStringLiteral("scale%1%2").arg(horizontal ? 'x' : 'y').arg(half),
                               text, place, 4.5, 5, page));
        }
    }
}

} // namespace

QVector<QRectF> senderCodeBoxes(CardLayout layout) {
    TfrxReport card = makeCardTemplate(layout);
    QVector<QRectF> boxes;
    for (const char* name : {"Memo8", "Memo25", "Memo26", "Memo27", "Memo28", "Memo29", "Memo30"}) {
        const TextBox* box = card.FindObject(QString::fromLatin1(name));
        boxes.append(QRectF(box->Left / kUnitsPerMm + card.Page1.LeftMargin,
                            box->Top / kUnitsPerMm + card.Page1.TopMargin, box->Width / kUnitsPerMm,
                            box->Height / kUnitsPerMm));
    }
    return boxes;
}

CalibrationSheet calibrationSheet(CardLayout layout, const QString& queue, QPointF offsetMm) {
    const PageSetup page;
    QVector<PagePath> paths;
    QVector<TextBox> texts;
    paths.append(rectangle(QRectF(0.3, 0.3, page.PaperWidth - 0.6, page.PaperHeight - 0.6)));

    const QVector<QRectF> recipient = postalFrameBoxes();
    for (const QRectF& box : recipient)
        paths.append(rectangle(box));
    const double hyphenY = recipient[2].top() + 4.0; // Japan Post: 4.0 mm below the frame top
    paths.append(line(QPointF(recipient[2].right() + 0.4, hyphenY),
                      QPointF(recipient[3].left() - 0.4, hyphenY)));
    addScale(paths, texts, QPointF(recipient[0].left(), recipient[0].bottom() + 1.0), true, page);
    addScale(paths, texts, QPointF(recipient[6].right() + 0.8, recipient[6].top()), false, page);

    const QVector<QRectF> sender = senderCodeBoxes(layout);
    for (const QRectF& box : sender)
        paths.append(rectangle(box));
    const QString type =
        layout == CardLayout::Type1 ? QStringLiteral("TYPE1") : QStringLiteral("TYPE2");
    texts.append(label(QStringLiteral("senderLabel"),
                       QStringLiteral("差出人の郵便番号（%1）").arg(type),
                       QPointF(sender.first().left(), sender.first().top() - 4.0), 40, 6, page));

    // The edge that goes into the printer first: the card's top.
    const double arrowX = 72.0;
    paths.append(line(QPointF(arrowX, 46.0), QPointF(arrowX, 30.0), 0.5));
    paths.append({QPolygonF({QPointF(arrowX, 27.0), QPointF(arrowX - 2.0, 31.0),
                             QPointF(arrowX + 2.0, 31.0)}),
                  true, true, 0, Qt::black});
    texts.append(label(QStringLiteral("feed"), QStringLiteral("この辺が先にプリンターに入ります"),
                       QPointF(arrowX - 22.0, 47.5), 44, 7, page));

    const QStringList lines = {
        QStringLiteral("VELTA 印刷位置の確認用紙（%1）").arg(type),
        QStringLiteral("プリンター: %1")
            .arg(queue.isEmpty() ? QStringLiteral("（PDF ファイル）") : queue),
        QStringLiteral("いまの補正: 右へ %1 mm、下へ %2 mm")
            .arg(signedMm(offsetMm.x()), signedMm(offsetMm.y())),
        QString(),
        QStringLiteral("はがきと同じ大きさの普通紙に印刷し、"),
        QStringLiteral("本物のはがきを重ねて光に透かします。"),
        QStringLiteral("はがきの赤枠の左端が下の目盛りで指す値を"),
        QStringLiteral("「右へ」に足し、赤枠の上端が右の目盛りで"),
        QStringLiteral("指す値を「下へ」に足します。"),
        QStringLiteral("外枠ははがきの縁、太い矢印は給紙の向きです。")};
    for (int i = 0; i < lines.size(); ++i)
        texts.append(label(QStringLiteral("line%1").arg(i), lines[i], QPointF(38.0, 62.0 + i * 4.2),
                           58, i == 0 ? 8 : 7, page));
    return {PreparedPage(page, texts, QStringLiteral("位置調整 %1").arg(type)), paths};
}

int printCalibrationSheet(CardLayout layout, const QString& queue, QPointF offsetMm) {
    const CalibrationSheet sheet = calibrationSheet(layout, queue, offsetMm);
    PrintSpool spool(PdfPrintJob{queue, {}, QStringLiteral("VELTA 位置調整用紙"), 1, true},
                     offsetMm);
    spool.addPage(sheet.page.page, layOutPage(sheet.page), sheet.paths);
    return spool.print();
}

} // namespace velta
