#pragma once

#include "card_layouts.h"
#include "page_renderer.h"
#include "progress.h"
#include "recipient_record.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace velta {

class TDM;

// How an address's numbers print: 「算用数字」 one upright digit per em, 「算用数字（縦中横）」
// two-digit runs side by side in one em, 「漢数字」 (十四) or 「漢数字（一四）」.
enum class NumberStyle { Upright, UprightPairs, Kanji, KanjiDigits };
const QStringList& numberStyleNames(); // in the enum's order

// The postcard window's options, as the texts of its controls.
struct CardOptions {
    QString nameSize = QStringLiteral("20"), addressSize = QStringLiteral("10");
    QString nameFont = QStringLiteral("HGP明朝E"), addressFont = QStringLiteral("HGP明朝E");
    QString senderNameSize = QStringLiteral("8"), senderAddressSize = QStringLiteral("7");
    QString senderNameFont = QStringLiteral("ＭＳ Ｐゴシック"),
            senderAddressFont = QStringLiteral("ＭＳ Ｐゴシック");
    QString recipientRight = QStringLiteral("0"), recipientDown = QStringLiteral("0");
    QString senderRight = QStringLiteral("0"), senderDown = QStringLiteral("0");
    bool senderHyphen = false;
    bool fitText = true; // "枠に収まるよう縮小": an overflowing text is drawn smaller
    // 「従来の配置」: 姓, 名 and 様 in the template's fixed places instead of one composed block.
    bool classicLayout = false;
    bool spreadName = false;     // 「均等割付」: 姓 and 名 fill the name column
    bool familyTogether = false; // 連名 the card cannot hold print as 「御家族御一同様」
    NumberStyle numbers = NumberStyle::Upright;
    // Japan Post's customer barcode along the card's foot (the sender's block above it).
    bool barcode = false;
    // On an envelope the sender goes on the back (not printed) unless asked for on the front.
    bool senderOnEnvelope = false;
    QChar kanjiDash = QChar(0x30FC); // between kanji address numbers: ー or の
    // A card with a text cut at its box or printed over another is left out and listed; with
    // this, it is made all the same (and still listed).
    bool allowOverflow = false;
};

// The postcard grid's header and the row that shows a recipient (12 cells: KEY, "", spaced
// postal code, address 1 and 2 ("　" when empty), surname, given name, joint names 1 and 2,
// memo, reading, and the marks of `markYear`). An address search shows a missing code as its
// placeholder.
QStringList cardGridHeaders();
QStringList cardGridRow(const CardRecipient& card, bool addressSearch, int markYear);

// Fills the template for every recipient and hands each card's page to the sink, which keeps or
// writes it (false from it stops the run: false), with what the postal-code dictionary finds
// wrong with the card (「山田 太郎 様: 郵便番号と住所が一致しません」; printing goes on) and a
// second card of the run to the same name and address. The
// options are checked before the first page; an invalid number stops the run with a message
// naming it.
// What streamCards finds wrong with a card: `problems` are said and the card is made;
// `refusals` (a name block the card cannot hold) leave it out as a text cut at its box does.
struct CardNotes {
    QStringList problems, refusals;
};
using PageSink = std::function<bool(const PreparedPage&, const CardNotes& notes)>;
bool streamCards(TfrxReport& report, CardLayout layout, const CardOptions& options,
                 const QList<CardRecipient>& cards, TDM& dm, const PageSink& sink);
// The cards of a run in order, each made when the run comes to it: a long run need not hold
// them all. A card given stays valid until the next is asked for.
struct CardSource {
    qsizetype size = 0;
    std::function<const CardRecipient&(qsizetype)> card;
    std::function<QString(qsizetype)> postalCode; // a card's code without making the card
};
bool streamCards(TfrxReport& report, CardLayout layout, const CardOptions& options,
                 const CardSource& cards, TDM& dm, const PageSink& sink);

// streamCards into the report's prepared pages. The report's Warnings list every card and
// field whose text still does not fit its box or is printed over another, and the postal-code
// problems; such a card is left out (「…（このはがきは作成していません）」) unless the options
// allow overflow. A progress that asks to stop leaves no pages (false).
// `made` gets, for each page in order, the index of its card in `cards`.
bool composeCards(TfrxReport& report, CardLayout layout, const CardOptions& options,
                  const QList<CardRecipient>& cards, TDM& dm, const Progress& progress = {},
                  QList<qsizetype>* made = nullptr);

// 「鈴木 美智子 様: 住所1 が枠に収まりません」 for every box of a laid-out page that cuts its text,
// 「…: 連名1 と 連名1の様 が重なります」 for every two boxes whose ink falls on the same place, and
// 「…: 姓 の「X」を印刷できる書体がありません」 for a character no face draws (the page laid out
// with its glyphs): what a card must not be printed with.
QStringList overflowWarnings(const PreparedPage& page, const QVector<LaidOutBox>& laid);
// What is said of a card (or an envelope) left out, after its problems.
inline QString leftOutNote(CardLayout layout) {
    return layoutFacts(layout).envelope ? QStringLiteral("（この封筒は作成していません）")
                                        : QStringLiteral("（このはがきは作成していません）");
}

// A 連名 written with the family's name (「山本 あかり」 beside 山本 太郎) prints as its given
// name: the family name stands once, with the addressee's.
QString withoutFamilyName(const QString& joint, const QString& surname);

// The name as a card prints it: a full name typed into 姓 with 名 left empty (「山田　太郎」, as
// many imports give it) is printed as its 姓 and 名.
std::pair<QString, QString> printedName(const QString& surname, const QString& givenName);

} // namespace velta
