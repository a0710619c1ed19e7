#include "composition.h"

#include "dm.h"
#include "errors.h"
#include "page_renderer.h"
#include "postal_code.h"
#include "postal_dictionary.h"
#include "width_conversion.h"

namespace velta {
namespace {

const QStringList kNameSearchLines = {"SELECT",
                                      "  KEY1,",
                                      "  IDNUM,",
                                      "  NAMAE,",
                                      "  NAMAE2,",
                                      "  YUBINNO,",
                                      "  JYUSYO,",
                                      "  JYUSYO2,",
                                      "  MEMO,",
                                      "  YEAR1,",
                                      "  MONTH1,",
                                      "  DAY1,",
                                      "  LTIME,",
                                      "  KEY2,",
                                      "  hurigana,",
                                      "  renmei1,",
                                      "  renmei2,",
                                      "  tel",
                                      "FROM",
                                      "  MST_KOKYAKU",
                                      "WHERE",
                                      "  (KEY1       = :KEY1    and  ",
                                      "   namae      Like :namae      )"};
const QStringList kOtherSearchLines = {
    "SELECT",        "  KEY1,",       "  IDNUM,",
    "  NAMAE,",      "  NAMAE2,",     "  YUBINNO,",
    "  JYUSYO,",     "  JYUSYO2,",    "  K_SHITU,",
    "  SEIBETU,",    "  SEI_JEL,",    "  SEI_MUUSU,",
    "  SEI_SUPURE,", "  SEI_SONOTA,", "  SORI_AGO,",
    "  SORI_MAYU,",  "  MEMO,",       "  YEAR1,",
    "  MONTH1,",     "  DAY1,",       "  LTIME,",
    "  KEY2,",       "  hurigana,",   "  renmei1,",
    "  renmei2,",    "  tel",         "FROM",
    "  MST_KOKYAKU", "WHERE",         "  (KEY1       = :KEY1    and  "};

const char* const kRecipientDigits[] = {"Memo1",  "Memo19", "Memo20", "Memo21",
                                        "Memo22", "Memo23", "Memo24"};
const char* const kSenderDigits[] = {"Memo8",  "Memo25", "Memo26", "Memo27",
                                     "Memo28", "Memo29", "Memo30"};
const int kRecipientBase[2][7] = {{152, 178, 204, 233, 259, 284, 310},
                                  {153, 179, 205, 233, 260, 285, 311}};
const int kSenderBase[2][7] = {{4, 20, 35, 54, 69, 84, 100}, {4, 19, 35, 54, 69, 84, 99}};
const int kSenderRow[2] = {486, 429};

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
    return SinglebyteToDoublebyte(replaceDashes(text));
}

struct Sender {
    QString postalCode, surname, givenName, address1, address2, joint1, joint2;
};

Sender readSender(TDM& dm) {
    TIBQuery& query = dm.IBQuery1;
    query.Clear();
    for (const char* line : {"SELECT",     "  KEY1,",
                             "  NAMAE,",   "  NAMAE2,",
                             "  YUBINNO,", "  JYUSYO,",
                             "  LMONEY,",  "  MEMO,",
                             "  YEAR1,",   "  MONTH1,",
                             "  DAY1,",    "  LTIME,",
                             "  TEL,",     "  KEY2,",
                             "  JYUSYO2,", "  RENMEI1,",
                             "  RENMEI2,", "  HURIGANA",
                             "FROM",       "  MST_SASIDASI",
                             "WHERE",      "  (KEY1       = :KEY1      )"})
        query.Add(QString::fromLatin1(line));
    query.Close();
    query.setInteger(QStringLiteral("KEY1"), 1);
    query.Open();
    Sender sender{
        query.fieldString(QStringLiteral("YUBINNO")), query.fieldString(QStringLiteral("NAMAE")),
        query.fieldString(QStringLiteral("NAMAE2")),  query.fieldString(QStringLiteral("JYUSYO")),
        query.fieldString(QStringLiteral("JYUSYO2")), query.fieldString(QStringLiteral("RENMEI1")),
        query.fieldString(QStringLiteral("RENMEI2"))};
    query.Close();
    return sender;
}

// Characters 1 to 7 into seven boxes; positions past the end leave a box empty.
void distribute(TfrxReport& report, const char* const (&boxes)[7], const QString& characters) {
    for (int i = 0; i < 7; ++i)
        report.FindObject(QString::fromLatin1(boxes[i]))->Text = characters.mid(i, 1);
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

QStringList cardGridHeaders() {
    return {"KEY",        "",      "郵便番号", "住所1", "住所2",   "姓（苗字）",
            "名（名前）", "連名1", "連名2",    "メモ",  "ふりがな"};
}

QList<QStringList> fillCardRows(TDM& dm, CardSearch search, const QString& text,
                                const Progress& progress) {
    QStringList lines = search == CardSearch::Surname ? kNameSearchLines : kOtherSearchLines;
    QString parameter = QStringLiteral("namae");
    if (search == CardSearch::Address1) {
        lines.append(QStringLiteral("   JYUSYO      Like :JYUSYO      )"));
        parameter = QStringLiteral("JYUSYO");
    } else if (search == CardSearch::Address2) {
        lines.append(QStringLiteral("   JYUSYO2      Like :JYUSYO2      )"));
        parameter = QStringLiteral("JYUSYO2");
    } else if (search == CardSearch::Memo) {
        lines.append(QStringLiteral("   MEMO      Like :MEMO      )"));
        parameter = QStringLiteral("MEMO");
    }
    const bool addressSearch = search == CardSearch::Address1 || search == CardSearch::Address2;
    auto orSpace = [](const QString& value) {
        return value.isEmpty() ? QStringLiteral("　") : value;
    };
    QList<QStringList> rows;
    qint64 read = 0;
    bool stopped = false;
    readInKeyOrder(
        dm, lines, parameter, QLatin1Char('%') + text + QLatin1Char('%'), [&](const TIBQuery& q) {
            if ((stopped = progress && !progress(++read, -1)))
                return false;
            if (q.fieldString(QStringLiteral("NAMAE")).isEmpty())
                return true;
            rows.append(
                {q.fieldString(QStringLiteral("KEY1")), QString(),
                 spacedPostalCode(q.fieldString(QStringLiteral("YUBINNO")), addressSearch),
                 orSpace(q.fieldString(QStringLiteral("JYUSYO"))),
                 orSpace(q.fieldString(QStringLiteral("JYUSYO2"))),
                 q.fieldString(QStringLiteral("NAMAE")), q.fieldString(QStringLiteral("NAMAE2")),
                 q.fieldString(QStringLiteral("renmei1")), q.fieldString(QStringLiteral("renmei2")),
                 q.fieldString(QStringLiteral("MEMO")), q.fieldString(QStringLiteral("hurigana"))});
            return true;
        });
    return stopped ? QList<QStringList>() : rows;
}

bool streamCards(TfrxReport& report, CardLayout layout, const CardOptions& options,
                 const QList<QStringList>& cardRows, TDM& dm, const PageSink& sink) {
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

    setFont(report, {"Memo2", "Memo3"}, options.addressFont, addressSize);
    // Joint names and their honorifics take the addressee's face and size: a joint name
    // printed larger than the addressee is wrong on a card.
    setFont(report, {"Memo4", "Memo5", "Memo6", "Memo12", "Memo13", "Memo14", "Memo15"},
            options.nameFont, nameSize);
    setFont(report, {"Memo9", "Memo10"}, options.senderAddressFont, senderAddressSize);
    setFont(report, {"Memo11", "Memo18", "Memo16", "Memo17"}, options.senderNameFont,
            senderNameSize);

    for (TextBox& box : report.boxes)
        box.FitText = options.fitText && box.Rotation == 270;
    // An address too long for its column may go on in the second address column when empty.
    report.FindObject(QStringLiteral("Memo2"))->ContinueIn =
        options.fitText ? QStringLiteral("Memo3") : QString();
    report.FindObject(QStringLiteral("Memo9"))->ContinueIn =
        options.fitText ? QStringLiteral("Memo10") : QString();

    const int type = layout == CardLayout::Type1 ? 0 : 1;
    for (int i = 0; i < 7; ++i) {
        TextBox* digit = report.FindObject(QString::fromLatin1(kRecipientDigits[i]));
        digit->Left = kRecipientBase[type][i] + recipientRight;
        digit->Top = 10 + recipientDown;
        TextBox* senderDigit = report.FindObject(QString::fromLatin1(kSenderDigits[i]));
        senderDigit->Left = kSenderBase[type][i] + senderRight;
        senderDigit->Top = kSenderRow[type] + senderDown;
    }
    TextBox* hyphen = report.FindObject(QStringLiteral("Memo31"));
    hyphen->Left = 46 + senderRight;
    hyphen->Top = kSenderRow[type] - 1 + senderDown;

    // The sender does not change during a run: read once, not once per card.
    const Sender sender = cardRows.isEmpty() ? Sender{} : readSender(dm);
    QStringList codes;
    for (const QStringList& row : cardRows)
        codes.append(digitsFromSpacedCell(row.value(2)));
    const PostalCheck postal = cardRows.isEmpty() ? PostalCheck() : PostalCheck(dm, codes);
    PreparedPage previous;
    for (const QStringList& row : cardRows) {
        hyphen->Text = options.senderHyphen ? QStringLiteral("-") : QStringLiteral(" ");
        // The hyphen box stands between digits 3 and 4; a stored hyphen takes no digit box.
        distribute(report, kSenderDigits, postalDigits(sender.postalCode));
        report.FindObject(QStringLiteral("Memo9"))->Text = widened(sender.address1);
        report.FindObject(QStringLiteral("Memo18"))->Text =
            SinglebyteToDoublebyte(sender.givenName);
        report.FindObject(QStringLiteral("Memo10"))->Text = widened(sender.address2);
        report.FindObject(QStringLiteral("Memo11"))->Text = sender.surname;
        for (auto [name, joint] :
             {std::pair{"Memo16", &sender.joint1}, {"Memo17", &sender.joint2}}) {
            TextBox* box = report.FindObject(QString::fromLatin1(name));
            box->Text = *joint;
            box->Visible = !joint->isEmpty();
        }

        bool anyJoint = false;
        const struct {
            int column;
            const char* heading;
            const char* name;
            const char* honorific;
            int left;
        } joints[] = {{7, "連名1", "Memo12", "Memo14", 131}, {8, "連名2", "Memo13", "Memo15", 96}};
        for (const auto& joint : joints) {
            const QString text = row.value(joint.column);
            const bool present = !text.isEmpty() && text != QString::fromUtf8(joint.heading);
            TextBox* box = report.FindObject(QString::fromLatin1(joint.name));
            TextBox* honorific = report.FindObject(QString::fromLatin1(joint.honorific));
            box->Text = present ? text : QString();
            honorific->Visible = present;
            if (present) {
                box->Left = joint.left;
                honorific->Left = joint.left + 3;
            }
            anyJoint = anyJoint || present;
        }
        const int nameLeft = anyJoint ? 170 : 130;
        report.FindObject(QStringLiteral("Memo4"))->Left = nameLeft;
        report.FindObject(QStringLiteral("Memo5"))->Left = nameLeft + 3;
        report.FindObject(QStringLiteral("Memo6"))->Left = nameLeft + 9;

        QString digits = postalDigits(digitsFromSpacedCell(row.value(2)));
        if (digits == QLatin1String(".")) // the address search's placeholder for "no postal code"
            digits.clear();
        distribute(report, kRecipientDigits, digits);
        report.FindObject(QStringLiteral("Memo2"))->Text = widened(row.value(3));
        report.FindObject(QStringLiteral("Memo3"))->Text = widened(row.value(4));
        report.FindObject(QStringLiteral("Memo4"))->Text = widened(row.value(5));
        report.FindObject(QStringLiteral("Memo5"))->Text = widened(row.value(6));
        const QString given = row.value(6);
        previous = report.currentPage(row.value(5) +
                                          (given.isEmpty() ? QString() : QLatin1Char(' ') + given) +
                                          QStringLiteral(" 様"),
                                      &previous);
        QStringList problems;
        if (const QString problem = postal.problem(digits, row.value(3).trimmed());
            !problem.isEmpty())
            problems.append(previous.title + QStringLiteral(": ") + problem);
        if (!sink(previous, problems))
            return false;

        for (const char* name : {"Memo1", "Memo2", "Memo3", "Memo4", "Memo5", "Memo6"})
            report.FindObject(QString::fromLatin1(name))->Text.clear();
        report.FindObject(QStringLiteral("Memo6"))->Text = QStringLiteral("様");
    }
    return true;
}

bool composeCards(TfrxReport& report, CardLayout layout, const CardOptions& options,
                  const QList<QStringList>& cardRows, TDM& dm, const Progress& progress) {
    report.PreviewPagesClear();
    QStringList warnings;
    const bool whole =
        streamCards(report, layout, options, cardRows, dm,
                    [&](const PreparedPage& page, const QStringList& problems) {
                        if (progress && !progress(report.PreviewPages().size(), cardRows.size()))
                            return false;
                        report.appendPage(page);
                        // Laid out once here to find what does not fit; the preview lays out only
                        // what it shows.
                        warnings += overflowWarnings(page, layOutPage(page, Layout::FittingOnly));
                        warnings += problems;
                        return true;
                    });
    if (!whole) {
        report.PreviewPagesClear();
        return false;
    }
    report.Warnings = warnings;
    return true;
}

QStringList overflowWarnings(const PreparedPage& page, const QVector<LaidOutBox>& laid) {
    static const QHash<QString, QString> captions = {{"Memo2", "住所1"},
                                                     {"Memo3", "住所2"},
                                                     {"Memo4", "姓"},
                                                     {"Memo5", "名"},
                                                     {"Memo6", "様"},
                                                     {"Memo12", "連名1"},
                                                     {"Memo13", "連名2"},
                                                     {"Memo14", "連名1の様"},
                                                     {"Memo15", "連名2の様"},
                                                     {"Memo9", "差出人の住所1"},
                                                     {"Memo10", "差出人の住所2"},
                                                     {"Memo11", "差出人の姓"},
                                                     {"Memo18", "差出人の名"},
                                                     {"Memo16", "差出人の連名1"},
                                                     {"Memo17", "差出人の連名2"},
                                                     {"Memo31", "差出人の郵便番号"}};
    QStringList warnings;
    QString card;
    for (const LaidOutBox& box : laid) {
        if (!box.overflows)
            continue;
        if (card.isEmpty()) {
            for (qsizetype i = 0; i < page.boxCount(); ++i)
                if (const TextBox name = page.box(i);
                    name.Name == QLatin1String("Memo4") || name.Name == QLatin1String("Memo5"))
                    card += name.Text.isEmpty() ? QString() : name.Text + QLatin1Char(' ');
            card += QStringLiteral("様");
        }
        warnings.append(QStringLiteral("%1: %2 が枠に収まりません")
                            .arg(card, captions.value(box.name, QStringLiteral("郵便番号"))));
    }
    return warnings;
}

} // namespace velta
