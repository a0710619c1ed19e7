#include "label_sheets.h"

#include "errors.h"
#include "page_renderer.h"
#include "postal_code.h"
#include "width_conversion.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace velta {

QRectF LabelSheet::labelRect(int index) const {
    const int column = index % std::max(columns, 1), row = index / std::max(columns, 1);
    return QRectF(left + column * pitchX, top + row * pitchY, labelWidth, labelHeight);
}

QVector<LabelSheet> builtInLabelSheets() {
    return {
        {"A4 12面（86.4 × 42.3 mm）", 2, 6, 86.4, 42.3, 18.6, 21.6, 86.4, 42.3},
        {"A4 18面（70 × 42.3 mm）", 3, 6, 70, 42.3, 0, 21.6, 70, 42.3},
        {"A4 21面（70 × 42.3 mm）", 3, 7, 70, 42.3, 0, 0.45, 70, 42.3},
        {"A4 24面（70 × 33.9 mm）", 3, 8, 70, 33.9, 0, 12.9, 70, 33.9},
    };
}

QString labelSheetProblem(const LabelSheet& sheet) {
    const QRectF paper(0, 0, sheet.paperWidth, sheet.paperHeight);
    QString why;
    if (sheet.name.trimmed().isEmpty())
        why = QStringLiteral("名前がありません");
    else if (sheet.columns < 1 || sheet.rows < 1 || sheet.columns * sheet.rows > 200)
        why = QStringLiteral("列数と行数は 1 以上、合わせて 200 面までです");
    else if (sheet.labelWidth <= 0 || sheet.labelHeight <= 0 || sheet.paperWidth <= 0 ||
             sheet.paperHeight <= 0)
        why = QStringLiteral("大きさが 0 以下です");
    else if (sheet.pitchX < sheet.labelWidth - 0.01 || sheet.pitchY < sheet.labelHeight - 0.01)
        why = QStringLiteral("ラベルの間隔がラベルより小さく、ラベルが重なります");
    else if (!paper.adjusted(-0.01, -0.01, 0.01, 0.01)
                  .contains(sheet.labelRect(sheet.perSheet() - 1)) ||
             sheet.left < -0.01 || sheet.top < -0.01)
        why = QStringLiteral("ラベルが用紙からはみ出します");
    return why.isEmpty() ? QString() : sheet.name + QStringLiteral(": ") + why;
}

QString labelSheetsFile() {
    // One file for the program and its tools alike.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("VELTA/label-sheets.json"));
}

namespace {

const char* const kNumbers[] = {"labelWidth", "labelHeight", "left",       "top",
                                "pitchX",     "pitchY",      "paperWidth", "paperHeight"};
double LabelSheet::*const kFields[] = {&LabelSheet::labelWidth, &LabelSheet::labelHeight,
                                       &LabelSheet::left,       &LabelSheet::top,
                                       &LabelSheet::pitchX,     &LabelSheet::pitchY,
                                       &LabelSheet::paperWidth, &LabelSheet::paperHeight};

} // namespace

void saveLabelSheets(const QVector<LabelSheet>& sheets, const QString& fileName) {
    QJsonArray list;
    for (const LabelSheet& sheet : sheets) {
        QJsonObject object{{"name", sheet.name}, {"columns", sheet.columns}, {"rows", sheet.rows}};
        for (size_t i = 0; i < std::size(kNumbers); ++i)
            object.insert(QLatin1String(kNumbers[i]), sheet.*kFields[i]);
        list.append(object);
    }
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(list).toJson()) < 0 ||
        !file.commit())
        throw DbError(QStringLiteral("ラベル用紙の設定「%1」を書き込めません。\n%2")
                          .arg(fileName, file.errorString()));
}

QVector<LabelSheet> loadLabelSheets(const QString& fileName) {
    if (!QFile::exists(fileName)) {
        saveLabelSheets(builtInLabelSheets(), fileName);
        return builtInLabelSheets();
    }
    QFile file(fileName);
    auto refuse = [&](const QString& why) {
        return DbError(
            QStringLiteral("ラベル用紙の設定「%1」を読めません。\n%2").arg(fileName, why));
    };
    if (!file.open(QIODevice::ReadOnly))
        throw refuse(file.errorString());
    QJsonParseError parsed;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parsed);
    if (parsed.error != QJsonParseError::NoError || !document.isArray())
        throw refuse(
            parsed.error != QJsonParseError::NoError
                ? QStringLiteral("%1 文字目: %2").arg(parsed.offset).arg(parsed.errorString())
                : QStringLiteral("用紙の一覧（[ … ]）ではありません。"));
    QVector<LabelSheet> sheets;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject object = value.toObject();
        LabelSheet sheet;
        sheet.name = object.value("name").toString();
        sheet.columns = object.value("columns").toInt();
        sheet.rows = object.value("rows").toInt();
        for (size_t i = 0; i < std::size(kNumbers); ++i)
            sheet.*kFields[i] =
                object.value(QLatin1String(kNumbers[i])).toDouble(sheet.*kFields[i]);
        if (const QString problem = labelSheetProblem(sheet); !problem.isEmpty())
            throw refuse(problem);
        sheets.append(sheet);
    }
    if (sheets.isEmpty())
        throw refuse(QStringLiteral("用紙がひとつもありません。"));
    return sheets;
}

namespace {

constexpr double kPaddingMm = 3;

TextBox labelBox(const QString& name, const QRectF& mm, const QString& face, int points,
                 const QString& text) {
    TextBox box;
    box.Name = name;
    box.Left = mmToUnits(mm.left());
    box.Top = mmToUnits(mm.top());
    box.Width = mmToUnits(mm.width());
    box.Height = mmToUnits(mm.height());
    box.FontName = face;
    box.setFontSize(points);
    box.Text = text;
    box.FitText = true;
    box.Visible = !text.isEmpty();
    return box;
}

// A label's boxes: the code line, the address and the name block below it.
QVector<TextBox> labelBoxes(const LabelSheet& sheet, int slot, const CardRecipient& card,
                            const CardOptions& options, const QString& nameLines) {
    const QRectF label =
        sheet.labelRect(slot).adjusted(kPaddingMm, kPaddingMm, -kPaddingMm, -kPaddingMm);
    const QString prefix = QStringLiteral("Label%1").arg(slot + 1);
    const QString digits = postalDigits(card.postalCode);
    const QString code = digits.size() == 7
                             ? QStringLiteral("〒%1-%2").arg(digits.left(3), digits.mid(3))
                             : QString();
    const int addressSize = std::clamp(options.addressSize.toInt(), 6, 12);
    const int nameSize = std::clamp(options.nameSize.toInt(), 8, 14);
    const double codeHeight = 4.5, addressHeight = (label.height() - codeHeight) * 0.45;
    QStringList address = {SinglebyteToDoublebyte(card.address1.trimmed())};
    if (!card.address2.trimmed().isEmpty())
        address.append(QStringLiteral("　") + SinglebyteToDoublebyte(card.address2.trimmed()));
    QStringList name;
    QStringList departments = {card.details.department1.trimmed(),
                               card.details.department2.trimmed()};
    departments.removeAll(QString());
    for (const QString& line : {card.details.company.trimmed(), departments.join(QChar(0x3000))})
        if (!line.isEmpty())
            name.append(line);
    name.append(nameLines);
    const QRectF codeRect(label.left(), label.top(), label.width(), codeHeight);
    const QRectF addressRect(label.left(), codeRect.bottom(), label.width(), addressHeight);
    const QRectF nameRect(label.left(), addressRect.bottom(), label.width(),
                          label.bottom() - addressRect.bottom());
    return {labelBox(prefix + QStringLiteral("Code"), codeRect, options.addressFont, 9, code),
            labelBox(prefix + QStringLiteral("Address"), addressRect, options.addressFont,
                     addressSize, address.join(QLatin1Char('\n'))),
            labelBox(prefix + QStringLiteral("Name"), nameRect, options.nameFont, nameSize,
                     name.join(QLatin1Char('\n')))};
}

// 「山田　太郎　様」 and each 連名 under the given name: the lines of a label's name.
QString labelName(const CardRecipient& card) {
    const auto [surname, given] = printedName(card.surname.trimmed(), card.givenName.trimmed());
    const QString honorific = printedHonorific(surname + given, card.details.honorific);
    QStringList parts = {surname.trimmed(), given.trimmed(), honorific};
    parts.removeAll(QString());
    QStringList lines = {parts.join(QChar(0x3000))};
    const QString* joints[5] = {&card.jointName1, &card.jointName2, &card.details.moreJointNames[0],
                                &card.details.moreJointNames[1], &card.details.moreJointNames[2]};
    const QString indent(surname.size() + 1, QChar(0x3000));
    for (int i = 0; i < 5; ++i)
        if (const QString joint = withoutFamilyName(joints[i]->trimmed(), card.surname);
            !joint.isEmpty() && joint != QStringLiteral("連名%1").arg(i + 1))
            lines.append(indent + joint + QChar(0x3000) +
                         printedHonorific(joint, card.details.joints[size_t(i)].honorific));
    return SinglebyteToDoublebyte(lines.join(QLatin1Char('\n')));
}

} // namespace

QVector<PreparedPage> composeLabels(const LabelSheet& sheet, const CardOptions& options,
                                    const QList<CardRecipient>& cards, QStringList* warnings,
                                    QList<qsizetype>* made) {
    PageSetup setup;
    setup.PaperWidth = sheet.paperWidth;
    setup.PaperHeight = sheet.paperHeight;
    setup.LeftMargin = setup.RightMargin = setup.TopMargin = setup.BottomMargin = 0;
    QVector<PreparedPage> pages;
    QVector<TextBox> boxes;
    QString first;
    int slot = 0, onPage = 0;
    auto finishPage = [&]() {
        if (boxes.isEmpty())
            return;
        pages.append(PreparedPage(
            setup, boxes,
            onPage > 1 ? QStringLiteral("%1 ほか %2 件").arg(first).arg(onPage - 1) : first));
        boxes.clear();
        slot = onPage = 0;
    };
    for (qsizetype i = 0; i < cards.size(); ++i) {
        const CardRecipient& card = cards[i];
        const QString name = labelName(card);
        const QString title =
            name.section(QLatin1Char('\n'), 0, 0).replace(QChar(0x3000), QLatin1Char(' '));
        const QVector<TextBox> label = labelBoxes(sheet, slot, card, options, name);
        const PreparedPage alone(setup, label, title);
        // With its glyphs: a character no face draws leaves the label out too.
        QStringList cut = overflowWarnings(alone, layOutPage(alone));
        if (!cut.isEmpty() && !options.allowOverflow) {
            cut.last() += QStringLiteral("（このラベルは作成していません）");
            *warnings += cut;
            continue;
        }
        *warnings += cut;
        if (onPage == 0)
            first = title;
        boxes += label;
        if (made)
            made->append(i);
        ++onPage;
        if (++slot == sheet.perSheet())
            finishPage();
    }
    finishPage();
    return pages;
}

} // namespace velta
