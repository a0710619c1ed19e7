#include "recipient_details.h"

#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace velta {

const QStringList& honorificChoices() {
    static const QStringList choices = {QStringLiteral("様"),    QStringLiteral("殿"),
                                        QStringLiteral("御中"),  QStringLiteral("先生"),
                                        QStringLiteral("各位"),  QStringLiteral("くん"),
                                        QStringLiteral("ちゃん")};
    return choices;
}

YearMarks RecipientDetails::marksFor(int year) const {
    for (const YearMarks& marks : years)
        if (marks.year == year)
            return marks;
    YearMarks none;
    none.year = year;
    return none;
}

void RecipientDetails::setMarks(const YearMarks& marks) {
    years.removeIf([&](const YearMarks& kept) { return kept.year == marks.year; });
    if (marks.isEmpty())
        return;
    const auto at =
        std::lower_bound(years.begin(), years.end(), marks.year,
                         [](const YearMarks& kept, int year) { return kept.year < year; });
    years.insert(at, marks);
}

bool RecipientDetails::isDefault() const {
    return *this == RecipientDetails{};
}

int greetingYear(const QDate& day) {
    return day.month() >= 10 ? day.year() + 1 : day.year();
}

QString printedHonorific(const QString& name, const QString& honorific) {
    static const QRegularExpression endsInOnchu(QStringLiteral("御中\\s*$"));
    if (endsInOnchu.match(name).hasMatch())
        return {};
    return honorific;
}

bool RecipientFilter::matches(const RecipientDetails& details) const {
    if (!group.isEmpty() && !details.groups.contains(group))
        return false;
    if (unsentYear && details.marksFor(unsentYear).nengaSent)
        return false;
    if (skipMourningYear && details.marksFor(skipMourningYear).mourning)
        return false;
    if (receivedUnsentYear) {
        const YearMarks marks = details.marksFor(receivedUnsentYear);
        if (!marks.nengaReceived || marks.nengaSent)
            return false;
    }
    return true;
}

QString marksText(const YearMarks& marks) {
    QStringList parts;
    if (marks.nengaSent)
        parts.append(QStringLiteral("出"));
    if (marks.nengaReceived)
        parts.append(QStringLiteral("受"));
    if (marks.mourning)
        parts.append(QStringLiteral("喪中"));
    if (marks.kanchuSent)
        parts.append(QStringLiteral("寒中出"));
    if (marks.kanchuReceived)
        parts.append(QStringLiteral("寒中受"));
    return parts.join(QLatin1Char(' '));
}

namespace {

int jointIndex(DetailField field, DetailField first) {
    return static_cast<int>(field) - static_cast<int>(first);
}

bool inRange(DetailField field, DetailField first, int count) {
    const int index = jointIndex(field, first);
    return index >= 0 && index < count;
}

bool YearMarks::*yearFlag(DetailField field) {
    switch (field) {
    case DetailField::NengaSentYears:
        return &YearMarks::nengaSent;
    case DetailField::NengaReceivedYears:
        return &YearMarks::nengaReceived;
    case DetailField::KanchuSentYears:
        return &YearMarks::kanchuSent;
    case DetailField::KanchuReceivedYears:
        return &YearMarks::kanchuReceived;
    case DetailField::MourningYears:
        return &YearMarks::mourning;
    default:
        return nullptr;
    }
}

QString* textField(RecipientDetails& details, DetailField field) {
    switch (field) {
    case DetailField::Honorific:
        return &details.honorific;
    case DetailField::Company:
        return &details.company;
    case DetailField::Department1:
        return &details.department1;
    case DetailField::Department2:
        return &details.department2;
    case DetailField::Title:
        return &details.title;
    default:
        break;
    }
    if (inRange(field, DetailField::JointName3, 3))
        return &details.moreJointNames[jointIndex(field, DetailField::JointName3)];
    if (inRange(field, DetailField::JointHonorific1, 5))
        return &details.joints[jointIndex(field, DetailField::JointHonorific1)].honorific;
    if (inRange(field, DetailField::JointReading1, 5))
        return &details.joints[jointIndex(field, DetailField::JointReading1)].reading;
    return nullptr;
}

// A year as people write it in a file: four ASCII or full-width digits.
std::optional<int> readYear(const QString& text) {
    const QString folded = text.normalized(QString::NormalizationForm_KC).trimmed();
    static const QRegularExpression fourDigits(QStringLiteral("^[0-9]{4}$"));
    if (!fourDigits.match(folded).hasMatch())
        return std::nullopt;
    return folded.toInt();
}

} // namespace

QString detailHeader(DetailField field) {
    switch (field) {
    case DetailField::Honorific:
        return QStringLiteral("敬称");
    case DetailField::Company:
        return QStringLiteral("会社名");
    case DetailField::Department1:
        return QStringLiteral("部署名1");
    case DetailField::Department2:
        return QStringLiteral("部署名2");
    case DetailField::Title:
        return QStringLiteral("役職");
    case DetailField::Groups:
        return QStringLiteral("グループ");
    case DetailField::NengaSentYears:
        return QStringLiteral("年賀状を出した年");
    case DetailField::NengaReceivedYears:
        return QStringLiteral("年賀状を受け取った年");
    case DetailField::KanchuSentYears:
        return QStringLiteral("寒中見舞い・喪中はがきを出した年");
    case DetailField::KanchuReceivedYears:
        return QStringLiteral("寒中見舞い・喪中はがきを受け取った年");
    case DetailField::MourningYears:
        return QStringLiteral("喪中の年");
    case DetailField::MourningNotes:
        return QStringLiteral("喪中のメモ");
    default:
        break;
    }
    if (inRange(field, DetailField::JointName3, 3))
        return QStringLiteral("連名%1").arg(jointIndex(field, DetailField::JointName3) + 3);
    if (inRange(field, DetailField::JointHonorific1, 5))
        return QStringLiteral("連名%1の敬称")
            .arg(jointIndex(field, DetailField::JointHonorific1) + 1);
    return QStringLiteral("連名%1のふりがな")
        .arg(jointIndex(field, DetailField::JointReading1) + 1);
}

QString detailText(const RecipientDetails& details, DetailField field) {
    if (const QString* text = textField(const_cast<RecipientDetails&>(details), field))
        return *text;
    if (field == DetailField::Groups)
        return details.groups.join(kGroupSeparator);
    if (field == DetailField::MourningNotes) {
        QStringList lines;
        for (const YearMarks& marks : details.years)
            if (!marks.mourningNote.isEmpty())
                lines.append(QStringLiteral("%1: %2").arg(marks.year).arg(marks.mourningNote));
        return lines.join(QLatin1Char('\n'));
    }
    QStringList years;
    const auto flag = yearFlag(field);
    for (const YearMarks& marks : details.years)
        if (flag && marks.*flag)
            years.append(QString::number(marks.year));
    return years.join(QLatin1Char(' '));
}

QString setDetailText(RecipientDetails& details, DetailField field, const QString& text) {
    if (QString* target = textField(details, field)) {
        *target = text;
        return {};
    }
    RecipientDetails changed = details;
    if (field == DetailField::Groups) {
        changed.groups.clear();
        for (const QString& group : text.split(kGroupSeparator, Qt::SkipEmptyParts))
            if (const QString name = group.trimmed();
                !name.isEmpty() && !changed.groups.contains(name))
                changed.groups.append(name);
        changed.groups.sort();
    } else if (field == DetailField::MourningNotes) {
        for (YearMarks& marks : changed.years)
            marks.mourningNote.clear();
        changed.years.removeIf([](const YearMarks& marks) { return marks.isEmpty(); });
        for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const qsizetype colon = line.indexOf(QRegularExpression(QStringLiteral("[:：]")));
            const std::optional<int> year = colon < 0 ? std::nullopt : readYear(line.left(colon));
            if (!year)
                return QStringLiteral("%1「%2」は「2027: メモ」の形ではありません。")
                    .arg(detailHeader(field), line);
            YearMarks marks = changed.marksFor(*year);
            marks.mourningNote = line.mid(colon + 1).trimmed();
            changed.setMarks(marks);
        }
    } else {
        const auto flag = yearFlag(field);
        for (YearMarks& marks : changed.years)
            marks.*flag = false;
        changed.years.removeIf([](const YearMarks& marks) { return marks.isEmpty(); });
        static const QRegularExpression separators(QStringLiteral("[\\s,、，]+"));
        for (const QString& word : text.split(separators, Qt::SkipEmptyParts)) {
            const std::optional<int> year = readYear(word);
            if (!year)
                return QStringLiteral("%1「%2」は年ではありません。")
                    .arg(detailHeader(field), word);
            YearMarks marks = changed.marksFor(*year);
            marks.*flag = true;
            changed.setMarks(marks);
        }
    }
    details = changed;
    return {};
}

} // namespace velta
