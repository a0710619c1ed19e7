#include "composition.h"

#include "book_import.h"
#include "customer_barcode.h"
#include "dm.h"
#include "errors.h"
#include "name_block.h"
#include "page_renderer.h"
#include "postal_code.h"
#include "postal_dictionary.h"
#include "sender_store.h"
#include "width_conversion.h"

#include <QRegularExpression>
#include <QSet>
#include <QVarLengthArray>

namespace velta {
namespace {

const char* const kRecipientDigits[] = {"Memo1",  "Memo19", "Memo20", "Memo21",
                                        "Memo22", "Memo23", "Memo24"};
const char* const kSenderDigits[] = {"Memo8",  "Memo25", "Memo26", "Memo27",
                                     "Memo28", "Memo29", "Memo30"};

// Sizes in points and shifts in page units that a card can take; beyond them a card (and a
// page file saved from it) would be unusable.
constexpr int kSmallestSize = 4, kLargestSize = 72;
constexpr int kLargestShift = 200; // 53 mm

int wholeNumber(const QString& text, const QString& option, int lowest, int highest) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || text.trimmed() != text || text.isEmpty())
        throw DbError(
            QStringLiteral("「%1」の値「%2」は整数ではありません。\n半角数字で入力してください。")
                .arg(option, text));
    if (value < lowest || value > highest)
        throw DbError(QStringLiteral("「%1」の値「%2」は使えません。\n%3 から %4 までの整数で入力"
                                     "してください。")
                          .arg(option, text)
                          .arg(lowest)
                          .arg(highest));
    return value;
}

int sizeOption(const QString& text, const QString& option) {
    return wholeNumber(text, option, kSmallestSize, kLargestSize);
}

int shiftOption(const QString& text, const QString& option) {
    return wholeNumber(text, option, -kLargestShift, kLargestShift);
}

QString widened(const QString& text) {
    return SinglebyteToDoublebyte(replaceDashes(unifyNumberDashes(text)));
}

// An address as the options print its numbers.
QString addressText(const QString& text, const CardOptions& options) {
    const QString wide = widened(text);
    switch (options.numbers) {
    case NumberStyle::Kanji:
        return kanjiNumbers(wide, true, options.kanjiDash);
    case NumberStyle::KanjiDigits:
        return kanjiNumbers(wide, false, options.kanjiDash);
    case NumberStyle::Upright:
    case NumberStyle::UprightPairs:
        break;
    }
    return wide;
}

// Characters 1 to 7 into seven boxes; positions past the end leave a box empty.
void distribute(const std::array<TextBox*, 7>& boxes, const QString& characters) {
    for (size_t i = 0; i < 7; ++i)
        boxes[i]->Text = characters.mid(qsizetype(i), 1);
}

std::array<TextBox*, 7> digitBoxes(TfrxReport& report, const char* const (&names)[7]) {
    std::array<TextBox*, 7> boxes;
    for (size_t i = 0; i < 7; ++i)
        boxes[i] = report.FindObject(QString::fromLatin1(names[i]));
    return boxes;
}

void setFont(TfrxReport& report, std::initializer_list<const char*> boxes, const QString& face,
             int size) {
    for (const char* name : boxes) {
        TextBox* box = report.FindObject(QString::fromLatin1(name));
        box->FontName = QLatin1Char('@') + face;
        box->setFontSize(size);
    }
}

} // namespace

QString withoutFamilyName(const QString& joint, const QString& surname) {
    static const QRegularExpression space(QStringLiteral("^[ 　]+"));
    const QString family = surname.trimmed();
    if (family.isEmpty() || !joint.startsWith(family))
        return joint;
    const QRegularExpressionMatch gap = space.match(joint.mid(family.size()));
    const QString given = joint.mid(family.size() + gap.capturedLength()).trimmed();
    return gap.hasMatch() && !given.isEmpty() ? given : joint;
}

namespace {

// The sender's block stands just above its code (2 mm), wherever its texts end: moved down as a
// whole, never up, so a long block keeps the template's place.
const QStringList kSenderBlock = {"Memo9", "Memo10", "Memo11", "Memo18", "Memo16", "Memo17"};

void seatSender(TfrxReport& report, double codeTop) {
    double bottom = 0;
    for (const LaidOutBox& box : layOutPage(report.currentPage()))
        if (kSenderBlock.contains(box.name))
            for (const QRectF& ink : glyphInks(box))
                bottom = std::max(bottom, ink.bottom());
    const double page = mmToUnits(report.Page1.TopMargin);
    const double shift = codeTop + page - 2 * kUnitsPerMm - bottom;
    if (bottom <= 0 || shift <= 0)
        return;
    for (const QString& name : kSenderBlock)
        report.FindObject(name)->Top += shift;
}

// Everything of the sender's: the block, its code and the code's hyphen.
QVector<TextBox*> senderBoxes(TfrxReport& report) {
    QVector<TextBox*> boxes;
    for (const QString& name : kSenderBlock)
        boxes.append(report.FindObject(name));
    for (TextBox* digit : digitBoxes(report, kSenderDigits))
        boxes.append(digit);
    boxes.append(report.FindObject(QStringLiteral("Memo31")));
    return boxes;
}

// A vertical column starts at its box's right edge: the boxes of one name share that edge, so
// 姓, 名 and 敬称 stand on one axis (the template's boxes differ in width by up to 3 mm).
void alignRight(TextBox* box, const TextBox& with) {
    box->Left = with.Left + with.Width - box->Width + (box->GapX - with.GapX);
}

const char* const kJointBoxes[5] = {"Memo12", "Memo13", "Memo32", "Memo33", "Memo34"};
const char* const kJointHonorificBoxes[5] = {"Memo14", "Memo15", "Memo35", "Memo36", "Memo37"};
const char* const kCompanyBoxes[3] = {"Memo38", "Memo39", "Memo40"}; // 会社名, 部署名 ×2
const char* const kTitleBox = "Memo41";
const QString kFamilyTogether = QStringLiteral("御家族御一同様");

// A column of the name block as the card prints it.
struct NameParts {
    QString family, given, honorific;
};

// Whether the card goes to a company alone: its 姓 is the company (or empty) and no 名.
bool companyAlone(const CardRecipient& card) {
    const QString company = card.details.company.trimmed();
    const QString surname = card.surname.trimmed();
    return !company.isEmpty() && card.givenName.trimmed().isEmpty() &&
           (surname.isEmpty() || surname == company);
}

// The addressee: 姓 and 名 (a full name typed into 姓 split), or a company alone, which takes
// 御中 unless another 敬称 was chosen.
NameParts mainName(const CardRecipient& card) {
    const QString company = card.details.company.trimmed();
    if (companyAlone(card)) {
        const QString honorific = card.details.honorific == kDefaultHonorific
                                      ? QStringLiteral("御中")
                                      : card.details.honorific;
        return {company, {}, printedHonorific(company, honorific)};
    }
    const auto [surname, given] = printedName(card.surname, card.givenName);
    return {surname, given, printedHonorific(surname + given, card.details.honorific)};
}

// 連名1–5 with their 敬称; one sharing the addressee's family prints its given name only, one of
// another family prints whole from the family line.
QVector<NameParts> jointNames(const CardRecipient& card) {
    const QString* texts[5] = {&card.jointName1, &card.jointName2, &card.details.moreJointNames[0],
                               &card.details.moreJointNames[1], &card.details.moreJointNames[2]};
    QVector<NameParts> joints;
    for (int i = 0; i < 5; ++i) {
        const QString text = withoutFamilyName(texts[i]->trimmed(), card.surname);
        if (text.isEmpty() || text == QStringLiteral("連名%1").arg(i + 1))
            continue;
        const QString honorific = printedHonorific(text, card.details.joints[size_t(i)].honorific);
        if (text.contains(QLatin1Char(' ')) || text.contains(QChar(0x3000)))
            joints.append({widened(text), {}, honorific});
        else
            joints.append({{}, widened(text), honorific});
    }
    return joints;
}

// The places in the template the composer fills from: the name region, the single name's axis,
// where the address's columns and the sender's block begin.
struct NameArea {
    double top, bottom; // the name region down the card
    double axis;        // a lone name's column centre, as the template has it
    double addressLeft; // the building line's box
    double senderRight; // the sender's address box
};

NameArea nameAreaOf(TfrxReport& report) {
    const TextBox& family = *report.FindObject(QStringLiteral("Memo4"));
    const TextBox& honorific = *report.FindObject(QStringLiteral("Memo6"));
    const TextBox& sender = *report.FindObject(QStringLiteral("Memo9"));
    return {family.Top, honorific.Top + honorific.Height,
            family.Left + family.Width - family.GapX - std::abs(family.FontHeight) / 2.0,
            report.FindObject(QStringLiteral("Memo3"))->Left, sender.Left + sender.Width};
}

// Sets a column part: its text from `top` over `length` (page units) on the axis, in the
// vertical `face` at `pixels`; spread (均等割付) over the length or from its top. A text longer
// than its length overflows the box, which the check before printing refuses.
void placePart(TextBox* box, const QString& text, const QString& face, double axis, double top,
               double length, int pixels, double condense, bool spread) {
    box->Visible = !text.isEmpty();
    box->Text = text;
    box->FontName = face;
    box->FontHeight = -pixels;
    box->Condense = condense;
    box->FitText = false;
    box->FitGroup.clear();
    box->ContinueIn.clear();
    box->MaxLines = 1;
    box->CharSpacing = 0;
    box->Width = pixels + 2 * box->GapX;
    box->Left = axis - pixels / 2.0 - box->GapX;
    double start = top;
    if (const double natural = spread ? columnLength(*box) : length; natural < length) {
        if (const qsizetype characters = text.toUcs4().size(); characters > 1)
            box->CharSpacing = (length - natural) / double(characters - 1);
        else
            start += (length - natural) / 2;
    }
    box->Top = start - box->GapY;
    box->Height = top + length - start + 2 * box->GapY;
}

// How long a text runs down a column, in ems of the chosen size, in a block's vertical face:
// what the name planner takes.
class ColumnMeasure {
public:
    ColumnMeasure(const QString& verticalFace, int em) : em_(em) {
        probe_.FontName = verticalFace;
        probe_.FontHeight = -em;
        probe_.Rotation = 270;
    }
    double operator()(const QString& text) {
        probe_.Text = text;
        return columnLength(probe_) / em_;
    }

private:
    TextBox probe_;
    int em_;
};

void hide(TextBox* box) {
    box->Visible = false;
    box->Text.clear();
}

// The boxes the composer fills for the addressee, found once a run, and the vertical face of
// the name.
struct NameBoxes {
    TextBox *family, *given, *honorific, *title;
    const TextBox* address;
    std::array<TextBox*, 5> joints, jointHonorifics;
    std::array<TextBox*, 3> company;
    QString face;
};

NameBoxes nameBoxesOf(TfrxReport& report, const QString& nameFont) {
    auto find = [&](const char* name) { return report.FindObject(QString::fromLatin1(name)); };
    NameBoxes boxes{find("Memo4"),
                    find("Memo5"),
                    find("Memo6"),
                    find(kTitleBox),
                    find("Memo2"),
                    {},
                    {},
                    {},
                    QLatin1Char('@') + nameFont};
    for (size_t i = 0; i < 5; ++i) {
        boxes.joints[i] = find(kJointBoxes[i]);
        boxes.jointHonorifics[i] = find(kJointHonorificBoxes[i]);
    }
    for (size_t i = 0; i < 3; ++i)
        boxes.company[i] = find(kCompanyBoxes[i]);
    return boxes;
}

// 会社名 and 部署名 as columns of their own just left of the address, starting where the building
// line does; returns where they end on the left.
double placeCompany(const NameBoxes& boxes, const CardRecipient& card, const NameArea& area,
                    bool companyIsName) {
    const TextBox& address = *boxes.address;
    const int pixels = std::abs(address.FontHeight);
    const QString& face = address.FontName;
    const QString texts[3] = {companyIsName ? QString() : card.details.company.trimmed(),
                              card.details.department1.trimmed(),
                              card.details.department2.trimmed()};
    double right = area.addressLeft - 0.5 * kUnitsPerMm;
    const double top = address.Top + address.GapY + 2 * pixels;
    for (size_t i = 0; i < 3; ++i) {
        TextBox* box = boxes.company[i];
        if (texts[i].isEmpty()) {
            hide(box);
            continue;
        }
        placePart(box, widened(texts[i]), face, right - pixels / 2.0, top, area.bottom - top,
                  pixels, 1, false);
        // A long company name shrinks in its column rather than run off the card.
        box->FitText = true;
        right -= 1.5 * pixels;
    }
    return right;
}

// Lays out the addressee's block — 役職, 姓, 名, 敬称 and the 連名 beside them — as one unit in the
// region between the address (and company) columns and the sender's block. Returns the reasons
// the card cannot be made when the block does not fit.
QStringList composeNameBlock(const NameBoxes& boxes, const CardRecipient& card,
                             const CardOptions& options, const NameArea& area, int em) {
    const NameParts main = mainName(card);
    const bool companyIsName = companyAlone(card);
    const double right = placeCompany(boxes, card, area, companyIsName) - 1.5 * kUnitsPerMm;
    const double left = area.senderRight + 2 * kUnitsPerMm;

    const QString& face = boxes.face;
    ColumnMeasure ems(face, em);

    QVector<NameParts> columns = {{widened(main.family), widened(main.given), main.honorific}};
    const QVector<NameParts> joints = jointNames(card);
    columns += joints;
    const QString title = companyIsName ? QString() : widened(card.details.title.trimmed());
    const NameBlockRegion region{(area.bottom - area.top) / em, (right - left) / em};
    auto plan = [&]() {
        QVector<NameColumnLengths> lengths;
        for (const NameParts& column : columns)
            lengths.append({ems(column.family), ems(column.given), ems(column.honorific)});
        return planNameBlock(lengths, ems(title), region, options.spreadName);
    };
    NameBlockPlan placed = plan();
    QStringList refusals;
    if (!placed.fits && !joints.isEmpty()) {
        if (options.familyTogether) {
            columns = {columns.first(), {{}, kFamilyTogether, {}}};
            placed = plan();
        } else {
            refusals.append(
                QStringLiteral(
                    "連名が多すぎてはがきに収まりません（「%1」にまとめると作成できます）")
                    .arg(kFamilyTogether));
        }
    }
    if (!placed.fits && refusals.isEmpty())
        refusals.append(QStringLiteral("名前が長すぎてはがきに収まりません"));

    const int pixels = std::max(1, static_cast<int>(std::floor(em * placed.scale)));
    // The block centred on the template's axis, kept within its region.
    const double span = placed.pitch * em * double(columns.size() - 1);
    double mainAxis = area.axis + span / 2;
    mainAxis = std::min(mainAxis, right - pixels / 2.0);
    mainAxis = std::max(mainAxis, left + span + pixels / 2.0);

    const double familyTop = area.top + placed.familyTop * em;
    const double givenTop = area.top + placed.givenTop * em;
    const double givenLength = placed.givenLength * em;
    const double honorificTop = area.top + placed.honorificTop * em;
    const double honorificLength = area.bottom - honorificTop;
    auto placeColumn = [&](const NameParts& column, TextBox* familyPart, TextBox* givenPart,
                           TextBox* honorificPart, double axis) {
        if (givenPart) { // a family alone runs on where 名 stands
            placePart(familyPart, column.family, face, axis, familyTop,
                      column.given.isEmpty() ? givenTop + givenLength - familyTop
                                             : placed.familyLength * em,
                      pixels, placed.condense, placed.spread);
            placePart(givenPart, column.given, face, axis, givenTop, givenLength, pixels,
                      placed.condense, placed.spread);
        } else { // a 連名: one box, its family (if any) from the family line
            const bool whole = !column.family.isEmpty();
            placePart(familyPart, whole ? column.family : column.given, face, axis,
                      whole ? familyTop : givenTop,
                      whole ? givenTop + givenLength - familyTop : givenLength, pixels,
                      placed.condense, placed.spread);
        }
        placePart(honorificPart, column.honorific, face, axis, honorificTop, honorificLength,
                  pixels, placed.condense, false);
    };
    placeColumn(columns[0], boxes.family, boxes.given, boxes.honorific, mainAxis);
    for (size_t i = 0; i < 5; ++i) {
        if (qsizetype(i) + 1 < columns.size()) {
            placeColumn(columns[qsizetype(i) + 1], boxes.joints[i], nullptr,
                        boxes.jointHonorifics[i], mainAxis - placed.pitch * em * double(i + 1));
        } else {
            hide(boxes.joints[i]);
            hide(boxes.jointHonorifics[i]);
        }
    }
    const int titlePixels = std::max(1, static_cast<int>(std::floor(pixels * kTitleScale)));
    placePart(boxes.title, title, face, mainAxis, area.top, familyTop - area.top, titlePixels,
              placed.condense, false);
    return refusals;
}

// The sender's name as one block as well: 姓, the fixed gap, 名, and the 連名 beside it with
// their 名 on its line, within the template's sender name boxes.
QStringList composeSenderName(TfrxReport& report, const QString& face, int em) {
    TextBox* family = report.FindObject(QStringLiteral("Memo11"));
    TextBox* given = report.FindObject(QStringLiteral("Memo18"));
    TextBox* joints[2] = {report.FindObject(QStringLiteral("Memo16")),
                          report.FindObject(QStringLiteral("Memo17"))};
    const double top = family->Top;
    double bottom = given->Top + given->Height;
    for (const TextBox* joint : joints)
        bottom = std::max(bottom, joint->Top + joint->Height);
    const double right = family->Left + family->Width - family->GapX;
    const double left = joints[1]->Left + joints[1]->GapX;
    const QString vertical = QLatin1Char('@') + face;
    ColumnMeasure ems(vertical, em);
    QVector<NameColumnLengths> lengths = {{ems(family->Text), ems(given->Text), 0}};
    for (const TextBox* joint : joints)
        if (!joint->Text.isEmpty())
            lengths.append({0, ems(joint->Text), 0});
    const NameBlockPlan plan =
        planNameBlock(lengths, 0, {(bottom - top) / em, (right - left) / em}, false);
    const int pixels = std::max(1, static_cast<int>(std::floor(em * plan.scale)));
    const double axis = right - pixels / 2.0;
    const double givenTop = top + plan.givenTop * em, givenLength = plan.givenLength * em;
    placePart(family, family->Text, vertical, axis, top,
              given->Text.isEmpty() ? givenTop + givenLength - top : plan.familyLength * em, pixels,
              plan.condense, false);
    placePart(given, given->Text, vertical, axis, givenTop, givenLength, pixels, plan.condense,
              false);
    int column = 1;
    for (TextBox* joint : joints)
        if (!joint->Text.isEmpty())
            placePart(joint, joint->Text, vertical, axis - plan.pitch * em * column++, givenTop,
                      givenLength, pixels, plan.condense, false);
    if (plan.fits)
        return {};
    return {QStringLiteral("差出人の名前が長すぎてはがきに収まりません")};
}

// 「従来の配置」: 姓, 名, 様 and 連名1–2 in the template's places, the name moved right when a
// 連名 stands beside it.
void placeFixedNames(TfrxReport& report, const CardRecipient& card) {
    bool anyJoint = false;
    const struct {
        const QString* text;
        const char* heading;
        const char* name;
        const char* honorific;
        int left;
        const JointDetail* detail;
    } joints[] = {{&card.jointName1, "連名1", "Memo12", "Memo14", 131, &card.details.joints[0]},
                  {&card.jointName2, "連名2", "Memo13", "Memo15", 96, &card.details.joints[1]}};
    for (const auto& joint : joints) {
        const QString text = withoutFamilyName(*joint.text, card.surname);
        const bool present = !text.isEmpty() && text != QString::fromUtf8(joint.heading);
        TextBox* box = report.FindObject(QString::fromLatin1(joint.name));
        TextBox* honorific = report.FindObject(QString::fromLatin1(joint.honorific));
        box->Text = present ? text : QString();
        honorific->Text = printedHonorific(text, joint.detail->honorific);
        honorific->Visible = present;
        if (present) {
            box->Left = joint.left;
            alignRight(honorific, *box);
        }
        anyJoint = anyJoint || present;
    }
    const int nameLeft = anyJoint ? 170 : 130;
    TextBox* family = report.FindObject(QStringLiteral("Memo4"));
    family->Left = nameLeft;
    alignRight(report.FindObject(QStringLiteral("Memo5")), *family);
    alignRight(report.FindObject(QStringLiteral("Memo6")), *family);
    const NameParts name = mainName(card);
    report.FindObject(QStringLiteral("Memo4"))->Text = widened(name.family);
    report.FindObject(QStringLiteral("Memo5"))->Text = widened(name.given);
    report.FindObject(QStringLiteral("Memo6"))->Text = name.honorific;
}
// The customer barcode stands where the layout puts it (on a card along the foot, alone, 10 mm
// in from the left edge, 2 mm clear of TYPE1's sender code), at the manual's smallest size.
constexpr double kBarcodeSize = 8;

// The bars of a card's barcode as filled rectangles from that corner.
QVector<PagePath> barcodePaths(const QStringList& symbols, QPointF leftBottomMm) {
    const BarcodeGeometry size{kBarcodeSize};
    const double length = size.longBar(), third = length / 3;
    const double top = leftBottomMm.y() - length;
    QVector<PagePath> bars;
    double left = leftBottomMm.x();
    for (const BarShape shape : customerBarcodeBars(symbols)) {
        // Long: the whole height; the upper and lower bars reach one end; timing: the middle.
        const double from = shape == BarShape::Long || shape == BarShape::Upper ? top : top + third;
        const double to =
            shape == BarShape::Long || shape == BarShape::Lower ? top + length : top + 2 * third;
        PagePath bar;
        bar.points = QPolygonF(QRectF(left, from, size.barWidth(), to - from));
        bar.closed = bar.filled = true;
        bars.append(bar);
        left += size.pitch();
    }
    return bars;
}

} // namespace

const QStringList& numberStyleNames() {
    static const QStringList names = {"算用数字", "算用数字（縦中横）", "漢数字", "漢数字（一四）"};
    return names;
}

QStringList cardGridHeaders() {
    return {"KEY",        "",      "郵便番号", "住所1", "住所2",    "姓（苗字）",
            "名（名前）", "連名1", "連名2",    "メモ",  "ふりがな", "出・受・喪中"};
}

QStringList cardGridRow(const CardRecipient& card, bool addressSearch, int markYear) {
    auto orSpace = [](const QString& value) {
        return value.isEmpty() ? QStringLiteral("　") : value;
    };
    return {QString::number(card.key),
            QString(),
            spacedPostalCode(card.postalCode, addressSearch),
            orSpace(card.address1),
            orSpace(card.address2),
            card.surname,
            card.givenName,
            card.jointName1,
            card.jointName2,
            card.memo,
            card.reading,
            marksText(card.details.marksFor(markYear))};
}

bool streamCards(TfrxReport& report, CardLayout layout, const CardOptions& options,
                 const QList<CardRecipient>& cards, TDM& dm, const PageSink& sink) {
    return streamCards(
        report, layout, options,
        CardSource{cards.size(), [&cards](qsizetype i) -> const CardRecipient& { return cards[i]; },
                   [&cards](qsizetype i) { return cards[i].postalCode; }},
        dm, sink);
}

bool streamCards(TfrxReport& report, CardLayout layout, const CardOptions& options,
                 const CardSource& cards, TDM& dm, const PageSink& sink) {
    // Every number is checked before the first page.
    const int nameSize =
        sizeOption(options.nameSize.isEmpty() ? QStringLiteral("20") : options.nameSize,
                   QStringLiteral("氏名サイズ"));
    const int addressSize =
        sizeOption(options.addressSize.isEmpty() ? QStringLiteral("20") : options.addressSize,
                   QStringLiteral("住所サイズ"));
    const int senderNameSize =
        sizeOption(options.senderNameSize, QStringLiteral("差出人の氏名サイズ"));
    const int senderAddressSize =
        sizeOption(options.senderAddressSize, QStringLiteral("差出人の住所サイズ"));
    const int recipientRight =
        shiftOption(options.recipientRight, QStringLiteral("宛名の郵便番号の位置（横）"));
    const int recipientDown =
        shiftOption(options.recipientDown, QStringLiteral("宛名の郵便番号の位置（縦）"));
    const int senderRight =
        shiftOption(options.senderRight, QStringLiteral("差出人の郵便番号の位置（横）"));
    const int senderDown =
        shiftOption(options.senderDown, QStringLiteral("差出人の郵便番号の位置（縦）"));

    // Every run starts from the layout's own places and paper: a run before moved boxes per card.
    const TfrxReport layoutTemplate = makeCardTemplate(layout);
    report.boxes = layoutTemplate.boxes;
    report.Page1 = layoutTemplate.Page1;
    const LayoutFacts& facts = layoutFacts(layout);
    // The fixed places are the postcard's; an envelope's name is always composed.
    const bool classic = options.classicLayout && !facts.envelope;
    const bool printSender = !facts.envelope || options.senderOnEnvelope;
    // Where no frame is printed, a hyphen stands between the third and fourth digits.
    TextBox* recipientHyphen = report.FindObject(QStringLiteral("Memo42"));
    // The sizes are chosen for a card; a larger paper sets them larger in proportion.
    auto scaled = [&facts](int points) { return static_cast<int>(points * facts.textScale + 0.5); };
    setFont(report, {"Memo2", "Memo3"}, options.addressFont, scaled(addressSize));
    // Joint names and their honorifics take the addressee's face and size: a joint name
    // printed larger than the addressee is wrong on a card.
    setFont(report, {"Memo4", "Memo5", "Memo6", "Memo12", "Memo13", "Memo14", "Memo15"},
            options.nameFont, scaled(nameSize));
    setFont(report, {"Memo9", "Memo10"}, options.senderAddressFont, scaled(senderAddressSize));
    setFont(report, {"Memo11", "Memo18", "Memo16", "Memo17"}, options.senderNameFont,
            scaled(senderNameSize));

    NameArea nameArea = nameAreaOf(report);
    if (!printSender) // the name may use the room the sender's block would take
        nameArea.senderRight = 0;
    const NameBoxes nameBoxes = nameBoxesOf(report, options.nameFont);
    const std::array<TextBox*, 7> recipientDigits = digitBoxes(report, kRecipientDigits);
    const int nameEm = std::abs(report.FindObject(QStringLiteral("Memo4"))->FontHeight);
    const int senderNameEm = std::abs(report.FindObject(QStringLiteral("Memo11"))->FontHeight);
    for (TextBox& box : report.boxes)
        box.FitText = options.fitText && box.Rotation == 270;
    // A name, its 連名 and their 敬称 are drawn at one size, as is the sender's name.
    for (const char* name : {"Memo4", "Memo5", "Memo6", "Memo12", "Memo13", "Memo14", "Memo15"})
        report.FindObject(QString::fromLatin1(name))->FitGroup = QStringLiteral("name");
    for (const char* name : {"Memo11", "Memo18", "Memo16", "Memo17"})
        report.FindObject(QString::fromLatin1(name))->FitGroup = QStringLiteral("sender");
    // An address too long for its column may go on in the second address column when empty.
    report.FindObject(QStringLiteral("Memo2"))->ContinueIn =
        options.fitText ? QStringLiteral("Memo3") : QString();
    report.FindObject(QStringLiteral("Memo9"))->ContinueIn =
        options.fitText ? QStringLiteral("Memo10") : QString();
    // A long surname goes on down the column where the given name would stand, when there is none.
    report.FindObject(QStringLiteral("Memo4"))->ContinueIn =
        options.fitText ? QStringLiteral("Memo5") : QString();

    // An address is one block: both lines at one size and one pitch; the building line starts
    // clearly lower than the first (two characters), for the recipient and the sender alike.
    struct AddressBlock {
        TextBox *first, *building;
        double top, height; // the building line's box in the template
    };
    AddressBlock addressBlocks[2];
    for (int i = 0; i < 2; ++i) {
        TextBox* first = report.FindObject(QLatin1String(i == 0 ? "Memo2" : "Memo9"));
        TextBox* building = report.FindObject(QLatin1String(i == 0 ? "Memo3" : "Memo10"));
        first->FitGroup = building->FitGroup =
            i == 0 ? QStringLiteral("address") : QStringLiteral("senderAddress");
        building->CharSpacing = first->CharSpacing;
        first->DigitPairs = building->DigitPairs = options.numbers == NumberStyle::UprightPairs;
        // A long address narrows (長体) before it is drawn smaller; the fixed places shrink.
        first->CondenseFloor = building->CondenseFloor = classic ? 1.0 : kCondenseFloor;
        addressBlocks[i] = {first, building, building->Top, building->Height};
    }
    // Indents the building line of a block that has one; a block without keeps the template's
    // box (an address's first line may go on in it).
    auto indentBuildingLine = [](const AddressBlock& block, bool hasBuilding) {
        const double indented = block.first->Top + 2 * std::abs(block.building->FontHeight);
        block.building->Top = hasBuilding ? std::max(block.top, indented) : block.top;
        block.building->Height = block.top + block.height - block.building->Top;
    };

    // The code digits stand on the whole units nearest the layout's boxes, moved by the shifts
    // (whole units, as 位置調整 moves them); the sender's in the face of the sender's block.
    auto shift = [](TextBox* box, int right, int down) {
        box->Left = std::round(box->Left) + right;
        box->Top = std::round(box->Top) + down;
    };
    const std::array<TextBox*, 7> senderDigits = digitBoxes(report, kSenderDigits);
    TextBox* hyphen = report.FindObject(QStringLiteral("Memo31"));
    for (TextBox* digit : digitBoxes(report, kRecipientDigits))
        shift(digit, recipientRight, recipientDown);
    for (TextBox* digit : senderDigits) {
        shift(digit, senderRight, senderDown);
        digit->FontName = options.senderAddressFont;
    }
    shift(hyphen, senderRight, senderDown);
    hyphen->FontName = options.senderAddressFont;
    const double senderRow = senderDigits[0]->Top;

    // The sender does not change during a run: read once, not once per card.
    const SenderRecord sender = cards.size == 0 ? SenderRecord{} : SenderStore(dm).read();
    QStringList codes;
    codes.reserve(cards.size);
    for (qsizetype i = 0; i < cards.size; ++i)
        codes.append(postalDigits(cards.postalCode(i)));
    const PostalCheck postal = cards.size == 0 ? PostalCheck() : PostalCheck(dm, codes);
    codes.clear();
    // The same name and address twice in one run (two cards to one person), each kept as a
    // digest: a run of 100,000 holds a few megabytes.
    QSet<QByteArray> seen;
    PreparedPage previous;
    // The sender is the same on every card: set, composed and seated once.
    hyphen->Text = options.senderHyphen ? QStringLiteral("-") : QStringLiteral(" ");
    // The hyphen box stands between digits 3 and 4; a stored hyphen takes no digit box.
    distribute(senderDigits, postalDigits(sender.postalCode));
    report.FindObject(QStringLiteral("Memo9"))->Text = addressText(sender.address1, options);
    report.FindObject(QStringLiteral("Memo10"))->Text = addressText(sender.address2, options);
    report.FindObject(QStringLiteral("Memo11"))->Text = widened(sender.surname);
    report.FindObject(QStringLiteral("Memo18"))->Text = widened(sender.givenName);
    for (auto [name, joint] :
         {std::pair{"Memo16", &sender.jointName1}, {"Memo17", &sender.jointName2}}) {
        TextBox* box = report.FindObject(QString::fromLatin1(name));
        box->Text = widened(*joint);
        box->Visible = !joint->isEmpty();
    }
    indentBuildingLine(addressBlocks[1], !sender.address2.trimmed().isEmpty());
    const QStringList senderRefusals =
        classic || cards.size == 0 || !printSender
            ? QStringList()
            : composeSenderName(report, options.senderNameFont, senderNameEm);
    // With a barcode along the foot, the sender's block stands above it instead.
    const double barcodeTop = mmToUnits(
        facts.barcodeMm.y() - BarcodeGeometry{kBarcodeSize}.longBar() - report.Page1.TopMargin);
    seatSender(report, options.barcode ? std::min(senderRow, barcodeTop) : senderRow);
    if (!printSender)
        for (TextBox* box : senderBoxes(report))
            box->Visible = false;
    QHash<QString, QVector<PostalTown>> townsOfCode; // one lookup a code for the run
    for (qsizetype index = 0; index < cards.size; ++index) {
        const CardRecipient& card = cards.card(index);
        QStringList refusals = senderRefusals;
        if (classic)
            placeFixedNames(report, card);
        else
            refusals = composeNameBlock(nameBoxes, card, options, nameArea, nameEm);
        const QString digits = postalDigits(card.postalCode);
        distribute(recipientDigits, digits);
        if (recipientHyphen)
            recipientHyphen->Text = digits.isEmpty() ? QString() : QStringLiteral("－");
        addressBlocks[0].first->Text = addressText(card.address1, options);
        addressBlocks[0].building->Text = addressText(card.address2, options);
        indentBuildingLine(addressBlocks[0], !card.address2.trimmed().isEmpty());
        const NameParts name = mainName(card);
        previous = report.currentPage(
            name.family + (name.given.isEmpty() ? QString() : QLatin1Char(' ') + name.given) +
                (name.honorific.isEmpty() ? QString() : QLatin1Char(' ') + name.honorific),
            &previous);
        QStringList problems;
        if (const QString problem = postal.problem(digits, card.address1.trimmed());
            !problem.isEmpty())
            problems.append(problem);
        QStringList unprinted; // 連名3–5: the fixed places have columns for two
        for (const QString& joint : card.details.moreJointNames)
            if (classic && !joint.trimmed().isEmpty())
                unprinted.append(joint.trimmed());
        if (!unprinted.isEmpty())
            problems.append(QStringLiteral("連名3 以降（%1）はこの配置では印刷されません")
                                .arg(unprinted.join(QStringLiteral("、"))));
        if (const QByteArray key =
                duplicateDigest(card.surname, card.givenName, card.address1, card.address2);
            seen.contains(key))
            problems.append(QStringLiteral("同じ名前と住所のはがきがこの中にもう一枚あります"));
        else
            seen.insert(key);
        if (options.barcode) {
            auto towns = townsOfCode.find(digits);
            if (towns == townsOfCode.end())
                towns = townsOfCode.insert(digits, lookUpPostalCode(dm, digits));
            const BarcodeAddress split = splitForBarcode(*towns, digits, card.address1.trimmed());
            if (digits.isEmpty())
                problems.append(QStringLiteral("郵便番号がないためバーコードは印刷しません"));
            else if (!split.problem.isEmpty())
                problems.append(
                    QStringLiteral("%1（バーコードは印刷しません）").arg(split.problem));
            else
                previous.paths = barcodePaths(
                    customerBarcodeSymbols(
                        digits, addressNumber(split.addressB + QLatin1Char(' ') + card.address2)),
                    facts.barcodeMm);
        }
        // Each note after the card's name, naming what is printed (an envelope is not はがき).
        auto titled = [&](QStringList notes) {
            for (QString& note : notes) {
                if (facts.envelope)
                    note.replace(QStringLiteral("はがき"), QStringLiteral("封筒"));
                note = previous.title + QStringLiteral(": ") + note;
            }
            return notes;
        };
        if (!sink(previous, {titled(problems), titled(refusals)}))
            return false;

        for (TextBox* box : {recipientDigits[0], addressBlocks[0].first, addressBlocks[0].building,
                             nameBoxes.family, nameBoxes.given, nameBoxes.honorific})
            box->Text.clear();
    }
    return true;
}

bool composeCards(TfrxReport& report, CardLayout layout, const CardOptions& options,
                  const QList<CardRecipient>& cards, TDM& dm, const Progress& progress,
                  QList<qsizetype>* made) {
    report.PreviewPagesClear();
    if (made)
        made->clear();
    QStringList warnings;
    qsizetype composed = 0;
    auto keep = [&](const PreparedPage& page, const CardNotes& notes) {
        if (progress && !progress(composed, cards.size()))
            return false;
        // Laid out once here to find what does not fit or overprints; the preview lays out
        // again only what it shows.
        QStringList cut = notes.refusals + overflowWarnings(page, layOutPage(page));
        if (cut.isEmpty() || options.allowOverflow) {
            report.appendPage(page);
            if (made)
                made->append(composed);
        } else {
            cut.last() += leftOutNote(layout);
        }
        ++composed;
        warnings += cut;
        warnings += notes.problems;
        return true;
    };
    const bool whole = streamCards(report, layout, options, cards, dm, keep);
    if (!whole) {
        report.PreviewPagesClear();
        return false;
    }
    report.Warnings = warnings;
    return true;
}

std::pair<QString, QString> printedName(const QString& surname, const QString& givenName) {
    static const QRegularExpression space(QStringLiteral("[ 　]+"));
    const QString trimmed = surname.trimmed();
    const qsizetype at = trimmed.indexOf(space);
    if (!givenName.trimmed().isEmpty() || at <= 0)
        return {surname, givenName};
    const QRegularExpressionMatch match = space.match(trimmed, at);
    const QString rest = trimmed.mid(at + match.capturedLength());
    // 「株式会社山田商事 御中」: a 敬称 after the space is no given name.
    if (honorificChoices().contains(rest))
        return {surname, givenName};
    return {trimmed.left(at), rest};
}

namespace {

QString boxCaption(const QString& name) {
    static const QHash<QString, QString> captions = {{"Memo2", "住所1"},
                                                     {"Memo3", "住所2"},
                                                     {"Memo4", "姓"},
                                                     {"Memo5", "名"},
                                                     {"Memo6", "様"},
                                                     {"Memo12", "連名1"},
                                                     {"Memo13", "連名2"},
                                                     {"Memo14", "連名1の様"},
                                                     {"Memo15", "連名2の様"},
                                                     {"Memo32", "連名3"},
                                                     {"Memo33", "連名4"},
                                                     {"Memo34", "連名5"},
                                                     {"Memo35", "連名3の様"},
                                                     {"Memo36", "連名4の様"},
                                                     {"Memo37", "連名5の様"},
                                                     {"Memo38", "会社名"},
                                                     {"Memo39", "部署名1"},
                                                     {"Memo40", "部署名2"},
                                                     {"Memo41", "役職"},
                                                     {"Memo9", "差出人の住所1"},
                                                     {"Memo10", "差出人の住所2"},
                                                     {"Memo11", "差出人の姓"},
                                                     {"Memo18", "差出人の名"},
                                                     {"Memo16", "差出人の連名1"},
                                                     {"Memo17", "差出人の連名2"},
                                                     {"Memo31", "差出人の郵便番号"}};
    // A label's boxes: Label1Code, Label1Address, Label1Name …
    if (name.startsWith(QLatin1String("Label")))
        return name.endsWith(QLatin1String("Address")) ? QStringLiteral("住所")
               : name.endsWith(QLatin1String("Name"))  ? QStringLiteral("名前")
                                                       : QStringLiteral("郵便番号");
    return captions.value(name, QStringLiteral("郵便番号"));
}

// 姓, 名 and the 敬称 as the card prints them.
QString cardName(const PreparedPage& page) {
    QStringList parts;
    for (const char* boxName : {"Memo4", "Memo5", "Memo6"})
        for (qsizetype i = 0; i < page.boxCount(); ++i)
            if (page.frame(i).Name == QLatin1String(boxName) && !page.text(i).isEmpty())
                parts.append(page.text(i));
    return parts.join(QLatin1Char(' '));
}

} // namespace

QStringList overflowWarnings(const PreparedPage& page, const QVector<LaidOutBox>& laid) {
    QStringList problems;
    for (const LaidOutBox& box : laid) {
        if (box.overflows)
            problems.append(QStringLiteral("%1 が枠に収まりません").arg(boxCaption(box.name)));
        // A character no installed face has would print as an empty box.
        for (const PlacedGlyph& glyph : box.glyphs)
            if (glyph.glyph == 0)
                problems.append(QStringLiteral("%1 の「%2」を印刷できる書体がありません")
                                    .arg(boxCaption(box.name), glyph.text));
    }
    // Ink stays within a hair of its box: only boxes that meet can print over each other, and
    // only their glyphs' outlines are compared.
    constexpr double kTouch = 0.05 * kUnitsPerMm; // ink that only touches is no overprint
    const double reach = 1.0 * kUnitsPerMm;
    struct Ink {
        QVector<QRectF> glyphs;
        QRectF bounds; // of them all: most pairs of boxes are told apart by it alone
        bool measured = false;
    };
    QVector<Ink> inks(laid.size());
    auto inkOf = [&](qsizetype i) -> const Ink& {
        Ink& ink = inks[i];
        if (!ink.measured) {
            ink.glyphs = glyphInks(laid[i]);
            for (const QRectF& glyph : ink.glyphs)
                ink.bounds |= glyph;
            ink.measured = true;
        }
        return ink;
    };
    auto inner = [](const QRectF& ink) { return ink.adjusted(kTouch, kTouch, -kTouch, -kTouch); };
    auto overprints = [&](const Ink& first, const Ink& second) {
        if (!inner(first.bounds).intersects(second.bounds))
            return false;
        for (const QRectF& one : first.glyphs)
            if (inner(one).intersects(second.bounds))
                for (const QRectF& other : second.glyphs)
                    if (inner(one).intersects(other))
                        return true;
        return false;
    };
    QVarLengthArray<qsizetype, 64> inked; // the boxes with glyphs
    for (qsizetype i = 0; i < laid.size(); ++i)
        if (!laid[i].glyphs.isEmpty())
            inked.append(i);
    for (qsizetype x = 0; x < inked.size(); ++x) {
        const qsizetype a = inked[x];
        const QRectF near = laid[a].clip.adjusted(-reach, -reach, reach, reach);
        for (qsizetype y = x + 1; y < inked.size(); ++y) {
            const qsizetype b = inked[y];
            if (!near.intersects(laid[b].clip))
                continue;
            if (overprints(inkOf(a), inkOf(b)))
                problems.append(QStringLiteral("%1 と %2 が重なります")
                                    .arg(boxCaption(laid[a].name), boxCaption(laid[b].name)));
        }
    }
    if (problems.isEmpty())
        return {};
    // A card is named by its name boxes; a label, which has none, by its title.
    const QString named = cardName(page);
    const QString card = named.isEmpty() ? page.title : named;
    for (QString& problem : problems)
        problem = card + QStringLiteral(": ") + problem;
    return problems;
}

} // namespace velta
