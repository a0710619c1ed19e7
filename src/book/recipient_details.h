#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace velta {

// What a name is written with when nothing else was chosen.
inline const QString kDefaultHonorific = QStringLiteral("様");
// The entry window's list (free text is taken as well; empty text prints no 敬称).
const QStringList& honorificChoices();

// A 連名 beyond its name: the 敬称 it is addressed with and its reading.
struct JointDetail {
    QString honorific = kDefaultHonorific;
    QString reading;
    bool operator==(const JointDetail&) const = default;
};

// One year's marks. The year is the one a 年賀状 greets: in December 2026 the cards are for
// 2027, and 2027's 受 are the ones that come in January 2027.
struct YearMarks {
    int year = 0;
    bool nengaSent = false;      // 年賀状 出
    bool nengaReceived = false;  // 年賀状 受
    bool kanchuSent = false;     // 寒中見舞い・喪中はがき 出
    bool kanchuReceived = false; // 寒中見舞い・喪中はがき 受
    bool mourning = false;       // 喪中: no 年賀状 this year
    QString mourningNote;
    bool isEmpty() const {
        return !nengaSent && !nengaReceived && !kanchuSent && !kanchuReceived && !mourning &&
               mourningNote.isEmpty();
    }
    bool operator==(const YearMarks&) const = default;
};

// Everything the program keeps of a recipient beside MST_KOKYAKU's row.
struct RecipientDetails {
    QString honorific = kDefaultHonorific; // of the main name
    QString company, department1, department2, title;
    std::array<QString, 3> moreJointNames; // 連名3, 連名4, 連名5
    std::array<JointDetail, 5> joints;     // 連名1 … 連名5
    QStringList groups;                    // sorted as QStringList::sort sorts
    QList<YearMarks> years;                // ascending, none empty

    // The marks of that year (empty marks when there are none).
    YearMarks marksFor(int year) const;
    // Sets a year's marks; empty marks remove the year.
    void setMarks(const YearMarks& marks);
    // Nothing but defaults: no row needs to be stored.
    bool isDefault() const;
    bool operator==(const RecipientDetails&) const = default;
};

// The 年賀状 year of a day: from October the cards being prepared are next year's.
int greetingYear(const QDate& day);

// The 敬称 a name prints with: 「御中」 and 「様」 never together, so a company's 御中 already in
// the name (「株式会社山田商事 御中」) is printed once, with no 敬称 after it.
QString printedHonorific(const QString& name, const QString& honorific);

// Which recipients a list shows or a run prints. Zero years and an empty group select all.
struct RecipientFilter {
    QString group;
    int unsentYear = 0;         // 今年まだ出していない人: no 年賀状 出 that year
    int skipMourningYear = 0;   // 喪中を除く
    int receivedUnsentYear = 0; // 受け取ったが出していない人
    bool isEmpty() const {
        return group.isEmpty() && !unsentYear && !skipMourningYear && !receivedUnsentYear;
    }
    bool matches(const RecipientDetails& details) const;
};

// The marks of a year as the grids show them: 「出 受 喪中」, empty when there are none.
QString marksText(const YearMarks& marks);

} // namespace velta

namespace velta {

// The details as an exchange file writes them, one column each.
enum class DetailField {
    Honorific,
    Company,
    Department1,
    Department2,
    Title,
    JointName3,
    JointName4,
    JointName5,
    JointHonorific1,                     // … JointHonorific5 follow in order
    JointReading1 = JointHonorific1 + 5, // … JointReading5
    Groups = JointReading1 + 5,          // 「家族、友人」
    NengaSentYears,                      // 「2026 2027」
    NengaReceivedYears,
    KanchuSentYears,
    KanchuReceivedYears,
    MourningYears,
    MourningNotes, // 「2027: 祖父」, one year per line
    Count
};
// Our export's header of a field (敬称, 会社名, 連名3の敬称, 年賀状を出した年, …).
QString detailHeader(DetailField field);
QString detailText(const RecipientDetails& details, DetailField field);
// Sets a field from its text; the refusal (「年賀状を出した年「二〇二六」は年ではありません。」)
// when the text cannot be read, leaving the details as they were.
QString setDetailText(RecipientDetails& details, DetailField field, const QString& text);

// Separates the groups of a recipient in a file; a group's name cannot hold it.
inline const QChar kGroupSeparator = QChar(0x3001); // 、

} // namespace velta
