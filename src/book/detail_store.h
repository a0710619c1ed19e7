#pragma once

#include "recipient_details.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <map>
#include <memory>

namespace velta {

class TDM;
class StoreStatement;

// The user's groups of a new book.
const QStringList& startingGroups(); // 家族, 親戚, 友人, 会社

// Makes the detail tables a database lacks, each committed on its own (a book made by an older
// build gets them on the first save of a detail). Call with no unit of work open.
void ensureDetailTables(TDM& dm);
bool hasDetailTables(TDM& dm);

// Why a group name cannot be used (empty, too long, holding 、); empty when it can.
QString groupNameProblem(const QString& name);

// A change of one mark for many recipients, with what they held before, so it can be undone.
struct MarkChange {
    int year = 0;
    QList<std::pair<qint64, YearMarks>> before;
};

// The details of recipients, in the caller's unit of work. Reads of a book without the tables
// give the defaults; writes need the tables (ensureDetailTables).
// Records one mark of a year for the recipients in a unit of work of its own (the tables made
// first if need be) and returns what they held, for undoMark.
MarkChange recordMark(TDM& dm, const QList<qint64>& keys, int year, bool YearMarks::*mark);
void undoMark(TDM& dm, const MarkChange& change);

class DetailStore {
public:
    explicit DetailStore(TDM& dm);
    ~DetailStore();
    DetailStore(const DetailStore&) = delete;
    DetailStore& operator=(const DetailStore&) = delete;

    RecipientDetails read(qint64 key);
    // Every recipient that has a detail other than the defaults, by key.
    QHash<qint64, RecipientDetails> readAll();
    // Refuses (ValueRefused, naming the field) what write would refuse, writing nothing; a book
    // without the tables refuses only bad group names. Call it before anything else of the
    // recipient is written.
    void check(const RecipientDetails& details);
    // Replaces everything stored for the key (what a deleted recipient may have left under it
    // included), the details having been checked.
    void write(qint64 key, const RecipientDetails& details);
    void remove(qint64 key);

    // The groups in the user's order; a new book starts with startingGroups.
    QStringList groupNames();
    void addGroup(const QString& name);    // refused with groupNameProblem's text
    void removeGroup(const QString& name); // and every membership of it

    // Sets one mark (&YearMarks::nengaSent, …) of a year for the recipients.
    MarkChange setMark(const QList<qint64>& keys, int year, bool YearMarks::*mark, bool value);
    void undo(const MarkChange& change);

private:
    // A statement of the store's own for the text, prepared once while the store lives (an
    // import writes many rows through the same few).
    StoreStatement& statement(const QString& text);
    StoreStatement& bindDetailRow(qint64 key, const RecipientDetails& details);
    StoreStatement& bindMember(qint64 key, const QString& group);
    StoreStatement& bindYear(qint64 key, const YearMarks& marks);
    YearMarks readYear(qint64 key, int year);
    void writeYear(qint64 key, const YearMarks& marks);
    bool available();
    TDM& dm_;
    int available_ = -1;
    std::map<QString, std::unique_ptr<StoreStatement>> statements_;
};

} // namespace velta
