#include "card_layouts.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <stdexcept>

namespace velta {
namespace {

struct Layout {
    TfrxReport report;
    LayoutFacts facts;
};

// The layouts are data (src/postcard/layouts/*.json, built into the program): each box in
// millimetres from the printable area's corner, its face, its size and spacing in points.
Layout readLayout(const QString& resource) {
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        throw std::logic_error("layout missing: " + resource.toStdString());
    const QJsonObject document = QJsonDocument::fromJson(file.readAll()).object();
    TfrxReport report;
    const QJsonObject paper = document.value("paper").toObject();
    report.Page1.PaperWidth = paper.value("width").toDouble(report.Page1.PaperWidth);
    report.Page1.PaperHeight = paper.value("height").toDouble(report.Page1.PaperHeight);
    report.Page1.LeftMargin = paper.value("left").toDouble(report.Page1.LeftMargin);
    report.Page1.TopMargin = paper.value("top").toDouble(report.Page1.TopMargin);
    report.Page1.RightMargin = paper.value("right").toDouble(report.Page1.RightMargin);
    report.Page1.BottomMargin = paper.value("bottom").toDouble(report.Page1.BottomMargin);
    for (const QJsonValue& value : document.value("boxes").toArray()) {
        const QJsonObject spec = value.toObject();
        TextBox box;
        box.Name = spec.value("name").toString();
        box.Left = mmToUnits(spec.value("x").toDouble());
        box.Top = mmToUnits(spec.value("y").toDouble());
        box.Width = mmToUnits(spec.value("width").toDouble());
        box.Height = mmToUnits(spec.value("height").toDouble());
        box.FontName = spec.value("font").toString();
        box.setFontSize(spec.value("points").toInt());
        box.FontCharset = spec.value("charset").toInt(1);
        box.UseDefaultCharset = spec.value("defaultCharset").toBool();
        box.Rotation = spec.value("rotation").toInt();
        box.CharSpacing = spec.value("charSpacing").toDouble() / 0.75; // points to 1/96 inch
        box.LineSpacing = spec.value("lineSpacing").toDouble() / 0.75;
        box.Text = spec.value("text").toString();
        box.Visible = spec.value("visible").toBool(true);
        box.MaxLines = spec.value("maxLines").toInt(); // names, 敬称 and 連名 keep one column
        box.HideZeros = spec.value("hideZeros").toBool();
        report.boxes.append(box);
    }
    if (report.boxes.isEmpty())
        throw std::logic_error("layout without boxes: " + resource.toStdString());
    const QJsonObject barcode = document.value("barcode").toObject();
    const LayoutFacts facts{
        document.value("name").toString(),
        document.value("kind").toString() == QLatin1String("envelope"),
        QPointF(barcode.value("left").toDouble(10),
                barcode.value("bottom").toDouble(report.Page1.PaperHeight - 11.5)),
        document.value("textScale").toDouble(1)};
    return {report, facts};
}

const Layout& layout(CardLayout which) {
    static const std::array<Layout, 5> layouts = {
        readLayout(QStringLiteral(":/layouts/hagaki-type1.json")),
        readLayout(QStringLiteral(":/layouts/hagaki-type2.json")),
        readLayout(QStringLiteral(":/layouts/envelope-naga3.json")),
        readLayout(QStringLiteral(":/layouts/envelope-naga4.json")),
        readLayout(QStringLiteral(":/layouts/envelope-kaku2.json"))};
    return layouts[static_cast<size_t>(which)];
}

} // namespace

TfrxReport makeCardTemplate(CardLayout which) {
    return layout(which).report;
}

const LayoutFacts& layoutFacts(CardLayout which) {
    return layout(which).facts;
}

const QList<CardLayout>& envelopeLayouts() {
    static const QList<CardLayout> envelopes = {CardLayout::Naga3, CardLayout::Naga4,
                                                CardLayout::Kaku2};
    return envelopes;
}

std::optional<CardLayout> layoutNamed(const QString& name) {
    static const std::pair<CardLayout, const char*> shortNames[] = {{CardLayout::Type1, "hagaki1"},
                                                                    {CardLayout::Type2, "hagaki2"},
                                                                    {CardLayout::Naga3, "naga3"},
                                                                    {CardLayout::Naga4, "naga4"},
                                                                    {CardLayout::Kaku2, "kaku2"}};
    for (const auto& [layout, shortName] : shortNames) {
        const QString full = layoutFacts(layout).name;
        if (name == full || name == full.section(QLatin1Char(' '), 1) ||
            name == QLatin1String(shortName))
            return layout;
    }
    return std::nullopt;
}

} // namespace velta
