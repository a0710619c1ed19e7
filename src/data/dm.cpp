#include "dm.h"

#include "connect_settings.h"
#include "cp932.h"
#include "firebird_client.h"
#include "sql_parameters.h"

#include <ibase.h>

#include <QRegularExpression>

#include <cmath>
#include <cstring>
#include <vector>

namespace velta {

using namespace Firebird;

namespace {

std::function<void(bool)>& busyIndicator() {
    static std::function<void(bool)> indicator;
    return indicator;
}

// Shows the program busy while a connection is made or a statement runs.
struct Busy {
    Busy() {
        if (busyIndicator())
            busyIndicator()(true);
    }
    ~Busy() {
        if (busyIndicator())
            busyIndicator()(false);
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
};

PasswordPrompt& passwordPrompt() {
    static PasswordPrompt prompt;
    return prompt;
}
constexpr int kLockWaitSeconds = 10;

QStringList paramValues(const QStringList& params, const QString& name) {
    QStringList values;
    for (const QString& entry : params) {
        const qsizetype equals = entry.indexOf(QLatin1Char('='));
        if (equals > 0 && entry.left(equals).compare(name, Qt::CaseInsensitive) == 0)
            values.append(entry.mid(equals + 1));
    }
    return values;
}

// Where a name occurs twice the later entry is in force.
QString paramValue(const QStringList& params, const QString& name) {
    const QStringList values = paramValues(params, name);
    return values.isEmpty() ? QString() : values.last();
}

QByteArray buildTpb(const QStringList& params) {
    QByteArray tpb(1, static_cast<char>(isc_tpb_version3));
    for (const QString& item : params) {
        if (item == QLatin1String("read_committed"))
            tpb.append(static_cast<char>(isc_tpb_read_committed));
        else if (item == QLatin1String("no_rec_version"))
            tpb.append(static_cast<char>(isc_tpb_no_rec_version));
        else if (item == QLatin1String("rec_version"))
            tpb.append(static_cast<char>(isc_tpb_rec_version));
        else if (item == QLatin1String("wait"))
            tpb.append(static_cast<char>(isc_tpb_wait));
        else if (item == QLatin1String("nowait"))
            tpb.append(static_cast<char>(isc_tpb_nowait));
        else if (item == QLatin1String("concurrency"))
            tpb.append(static_cast<char>(isc_tpb_concurrency));
        else if (item.startsWith(QLatin1String("lock_timeout="))) {
            const quint32 seconds = item.mid(13).toUInt();
            tpb.append(static_cast<char>(isc_tpb_lock_timeout));
            tpb.append(static_cast<char>(4));
            for (int shift = 0; shift < 32; shift += 8)
                tpb.append(static_cast<char>((seconds >> shift) & 0xFF));
        } else
            throw DbError(
                QStringLiteral("トランザクションの設定「%1」は使用できません。").arg(item));
    }
    return tpb;
}

bool isTextType(unsigned type) {
    return type == SQL_TEXT || type == SQL_VARYING;
}

int bytesPerCharacter(unsigned characterSet) {
    switch (characterSet & 0xFF) {
    case 3: // UNICODE_FSS
        return 3;
    case 4: // UTF8
        return 4;
    case 5: // SJIS_0208
    case 6: // EUCJ_0208
        return 2;
    default:
        return 1;
    }
}

qint64 scaledInteger(qint64 raw, int scale) {
    if (scale >= 0)
        return raw;
    return static_cast<qint64>(std::llround(static_cast<double>(raw) * std::pow(10.0, scale)));
}

QString scaledText(qint64 raw, int scale) {
    if (scale >= 0)
        return QString::number(raw);
    const bool negative = raw < 0;
    QString digits =
        QString::number(negative ? -raw : raw).rightJustified(1 - scale, QLatin1Char('0'));
    digits.insert(digits.size() + scale, QLatin1Char('.'));
    return negative ? QLatin1Char('-') + digits : digits;
}

// One column or parameter of a message: where its value and null flag sit in the buffer.
struct Slot {
    unsigned type = 0;
    int scale = 0;
    unsigned length = 0;
    unsigned characterSet = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
    QString name;
};

std::vector<Slot> slotsOf(IMessageMetadata* metadata, bool withNames) {
    return fb::call([&](ThrowStatusWrapper* s) {
        std::vector<Slot> result(metadata->getCount(s));
        for (unsigned i = 0; i < result.size(); ++i) {
            Slot& slot = result[i];
            slot.type = metadata->getType(s, i) & ~1u;
            slot.scale = metadata->getScale(s, i);
            slot.length = metadata->getLength(s, i);
            slot.characterSet = metadata->getCharSet(s, i);
            slot.offset = metadata->getOffset(s, i);
            slot.nullOffset = metadata->getNullOffset(s, i);
            if (withNames)
                slot.name = QString::fromUtf8(metadata->getAlias(s, i)).trimmed();
        }
        return result;
    });
}

// The value of one input parameter, encoded as it will be sent.
struct Bound {
    enum Kind { Null, Integer, Text, Timestamp } kind = Null;
    qint64 integer = 0;
    QByteArray bytes;
    unsigned characterSet = 0;
    ISC_TIMESTAMP timestamp{};
};

// The text of a connection: Shift-JIS by the code page 932 rules, or UTF-8 (UTF8 databases).
QByteArray encodeText(const QString& text, const QString& name, cp932::TextUse use, bool unicode) {
    return unicode ? utf8::encode(text, name, use) : cp932::encode(text, name, use);
}

QString decodeText(const QByteArray& bytes, bool unicode) {
    return unicode ? QString::fromUtf8(bytes) : cp932::decode(bytes);
}

Bound bindValue(const ParamValue& value, const Slot& target, const QString& name,
                cp932::TextUse use, bool unicode) {
    Bound bound;
    if (const auto* integer = std::get_if<qint64>(&value)) {
        if (isTextType(target.type))
            return bindValue(ParamValue(QString::number(*integer)), target, name, use, unicode);
        bound.kind = Bound::Integer;
        bound.integer = *integer;
    } else if (const auto* text = std::get_if<QString>(&value)) {
        if (!isTextType(target.type) && text->isEmpty())
            return bound; // empty text stores NULL in a column that is not text
        bound.kind = Bound::Text;
        bound.bytes = encodeText(*text, name, use, unicode);
        if (isTextType(target.type)) {
            const int limit =
                static_cast<int>(target.length) / bytesPerCharacter(target.characterSet);
            const int count =
                unicode ? utf8::characterCount(bound.bytes) : cp932::characterCount(bound.bytes);
            if (count > limit)
                throw ValueRefused(
                    QStringLiteral("「%1」の文字数（%2 文字）が上限の %3 文字を超えています。")
                        .arg(name)
                        .arg(count)
                        .arg(limit));
            bound.characterSet = target.characterSet;
        }
    } else if (const auto* dateTime = std::get_if<QDateTime>(&value)) {
        bound.kind = Bound::Timestamp;
        const QDate date = dateTime->date();
        const QTime time = dateTime->time();
        bound.timestamp.timestamp_date = fb::util()->encodeDate(static_cast<unsigned>(date.year()),
                                                                static_cast<unsigned>(date.month()),
                                                                static_cast<unsigned>(date.day()));
        bound.timestamp.timestamp_time = fb::util()->encodeTime(
            static_cast<unsigned>(time.hour()), static_cast<unsigned>(time.minute()),
            static_cast<unsigned>(time.second()), static_cast<unsigned>(time.msec() * 10));
    }
    return bound;
}

} // namespace

// ---------------------------------------------------------------- connection

TIBDatabase::TIBDatabase() = default;
TIBDatabase::~TIBDatabase() = default;

bool TIBDatabase::Connected() const {
    return attachment_ && *attachment_;
}

void TIBDatabase::Open() {
    if (Connected())
        return;
    if (!SettingsProblem.isEmpty())
        throw DbError(SettingsProblem);
    if (DatabaseName.isEmpty())
        throw DbError(
            QStringLiteral("データベース名が設定されていません。\n"
                           "connect.ini の [SECTION] の Mode と Server_SYS を確認してください。"));
    const Busy busy;
    // Which databases are UTF8 is learnt on their first attachment, so later ones attach once.
    static QHash<QString, bool> unicodeDatabases;
    QStringList characterSets = paramValues(Params, QStringLiteral("lc_ctype"));
    const auto known = unicodeDatabases.constFind(DatabaseName);
    if (known != unicodeDatabases.constEnd() && *known)
        characterSets.append(QStringLiteral("UTF8"));
    attach(characterSets);
    if (known == unicodeDatabases.constEnd()) {
        const bool unicode = fb::databaseCharacterSet(*attachment_) == QLatin1String("UTF8");
        unicodeDatabases.insert(DatabaseName, unicode);
        if (unicode && characterSets.value(characterSets.size() - 1) != QLatin1String("UTF8")) {
            attachment_->detach();
            characterSets.append(QStringLiteral("UTF8"));
            attach(characterSets);
        }
    }
    unicode_ = characterSets.value(characterSets.size() - 1) == QLatin1String("UTF8");
}

void TIBDatabase::attach(const QStringList& characterSets) {
    const QByteArray dpb =
        fb::buildDpb(paramValue(Params, QStringLiteral("user_name")),
                     paramValue(Params, QStringLiteral("password")), characterSets, EmbeddedOnly,
                     fb::isServerName(DatabaseName));
    attachment_ = std::make_unique<fb::Attachment>(fb::Attachment::attach(DatabaseName, dpb));
    ++generation_;
}

void TIBDatabase::Close() {
    if (!Connected())
        return;
    releaseResults();
    try {
        const fb::CallDeadline bound = deadline();
        if (transaction_ && transaction_->InTransaction())
            transaction_->Commit();
        attachment_->detach();
    } catch (...) {
        Abandon();
        throw;
    }
}

void TIBDatabase::releaseResults() noexcept {
    for (TIBQuery* query : queries_)
        query->Close();
}

void TIBDatabase::Abandon() noexcept {
    releaseResults();
    if (transaction_)
        transaction_->Rollback();
    attachment_.reset();
}

fb::CallDeadline TIBDatabase::deadline() {
    // The embedded engine answers in this process; only a server may stop answering.
    return fb::CallDeadline(EmbeddedOnly || !Connected() ? nullptr : attachment_->get(),
                            fb::kCallTimeoutSeconds);
}

fb::Attachment& TIBDatabase::attachment() {
    Open();
    return *attachment_;
}

// ---------------------------------------------------------------- transaction

TIBTransaction::TIBTransaction() = default;
TIBTransaction::~TIBTransaction() = default;

bool TIBTransaction::InTransaction() const {
    return transaction_ && *transaction_;
}

void TIBTransaction::StartTransaction() {
    if (InTransaction())
        return;
    const QByteArray tpb = buildTpb(Params);
    fb::Attachment& attachment = DefaultDatabase->attachment();
    transaction_ = std::make_unique<fb::Transaction>(fb::call([&](ThrowStatusWrapper* s) {
        return attachment.get()->startTransaction(
            s, static_cast<unsigned>(tpb.size()),
            reinterpret_cast<const unsigned char*>(tpb.constData()));
    }));
}

void TIBTransaction::Commit() {
    if (InTransaction())
        transaction_->commit();
}

void TIBTransaction::Rollback() noexcept {
    transaction_.reset();
}

fb::Transaction& TIBTransaction::handle() {
    StartTransaction();
    return *transaction_;
}

// ---------------------------------------------------------------- statement

struct TIBQuery::Impl {
    fb::Statement statement;
    QString preparedText;
    QStringList parameterNames;
    quint64 preparedGeneration = 0;
    bool isQuery = false;
    std::vector<Slot> inputSlots;
    quint64 prepareCount = 0;

    fb::ResultSet cursor;
    fb::Metadata outputMetadata;
    std::vector<Slot> columns;
    QByteArray row;
    bool hasRow = false;
    bool unicode = false; // the connection's text is UTF-8

    int columnIndex(const QString& name) const {
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return static_cast<int>(i);
        throw DbError(QStringLiteral("列「%1」が見つかりません。").arg(name));
    }

    const Slot* column(int index) const {
        if (index < 0 || static_cast<size_t>(index) >= columns.size())
            throw DbError(QStringLiteral("列番号 %1 は範囲外です。").arg(index));
        const Slot& slot = columns[static_cast<size_t>(index)];
        if (!hasRow || *reinterpret_cast<const short*>(row.constData() + slot.nullOffset) != 0)
            return nullptr;
        return &slot;
    }

    QString text(int index) const;
    qint64 integer(int index) const;
};

QString TIBQuery::Impl::text(int index) const {
    const Slot* slot = column(index);
    if (!slot)
        return {};
    const char* data = row.constData() + slot->offset;
    switch (slot->type) {
    case SQL_TEXT:
        return decodeText(QByteArray(data, slot->length), unicode);
    case SQL_VARYING: {
        const auto length = *reinterpret_cast<const unsigned short*>(data);
        return decodeText(QByteArray(data + 2, length), unicode);
    }
    case SQL_SHORT:
        return scaledText(*reinterpret_cast<const qint16*>(data), slot->scale);
    case SQL_LONG:
        return scaledText(*reinterpret_cast<const qint32*>(data), slot->scale);
    case SQL_INT64:
        return scaledText(*reinterpret_cast<const qint64*>(data), slot->scale);
    case SQL_FLOAT:
        return QString::number(*reinterpret_cast<const float*>(data));
    case SQL_DOUBLE:
        return QString::number(*reinterpret_cast<const double*>(data));
    case SQL_BOOLEAN:
        return *data ? QStringLiteral("True") : QStringLiteral("False");
    case SQL_TYPE_DATE:
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIME: {
        unsigned year = 0, month = 0, day = 0, hours = 0, minutes = 0, seconds = 0, fractions = 0;
        const ISC_TIMESTAMP* stamp = reinterpret_cast<const ISC_TIMESTAMP*>(data);
        if (slot->type != SQL_TYPE_TIME)
            fb::util()->decodeDate(stamp->timestamp_date, &year, &month, &day);
        const ISC_TIME time = slot->type == SQL_TYPE_TIME ? *reinterpret_cast<const ISC_TIME*>(data)
                              : slot->type == SQL_TIMESTAMP ? stamp->timestamp_time
                                                            : 0;
        fb::util()->decodeTime(time, &hours, &minutes, &seconds, &fractions);
        const QDate date(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
        const QTime clock(static_cast<int>(hours), static_cast<int>(minutes),
                          static_cast<int>(seconds));
        if (slot->type == SQL_TYPE_DATE)
            return date.toString(QStringLiteral("yyyy/MM/dd"));
        if (slot->type == SQL_TYPE_TIME)
            return clock.toString(QStringLiteral("HH:mm:ss"));
        return QDateTime(date, clock).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    }
    default:
        throw DbError(
            QStringLiteral("列「%1」の型（%2）は読み取れません。").arg(slot->name).arg(slot->type));
    }
}

qint64 TIBQuery::Impl::integer(int index) const {
    const Slot* slot = column(index);
    if (!slot)
        return 0;
    const char* data = row.constData() + slot->offset;
    switch (slot->type) {
    case SQL_SHORT:
        return scaledInteger(*reinterpret_cast<const qint16*>(data), slot->scale);
    case SQL_LONG:
        return scaledInteger(*reinterpret_cast<const qint32*>(data), slot->scale);
    case SQL_INT64:
        return scaledInteger(*reinterpret_cast<const qint64*>(data), slot->scale);
    default: {
        const QString value = text(index).trimmed();
        bool ok = false;
        const qint64 number = value.toLongLong(&ok);
        if (!ok)
            throw DbError(
                QStringLiteral("「%1」は整数ではありません（列「%2」）。").arg(value, slot->name));
        return number;
    }
    }
}

TIBQuery::TIBQuery() : d(std::make_unique<Impl>()) {}
TIBQuery::~TIBQuery() = default;

void TIBQuery::Clear() {
    Close();
    lines_.clear();
    params_.clear();
    captions_.clear();
}

void TIBQuery::Add(const QString& line) {
    Close();
    lines_.append(line);
}

void TIBQuery::setInteger(const QString& name, qint64 value) {
    params_[name.toUpper()] = value;
}
void TIBQuery::setCaption(const QString& name, const QString& caption, bool search) {
    captions_[name.toUpper()] = {caption, search};
}

void TIBQuery::setString(const QString& name, const QString& value) {
    params_[name.toUpper()] = value;
}
void TIBQuery::setDateTime(const QString& name, const QDateTime& value) {
    params_[name.toUpper()] = value;
}

void TIBQuery::setValue(const QString& name, const ParamValue& value) {
    params_[name.toUpper()] = value;
}

void TIBQuery::Open() {
    run(Run::Open);
}
void TIBQuery::ExecSQL() {
    run(Run::Execute);
}
void TIBQuery::Check() {
    run(Run::Check);
}

void TIBQuery::Close() noexcept {
    d->hasRow = false;
    if (d->cursor) {
        try {
            d->cursor.close();
        } catch (...) {
            d->cursor.discard(); // a cursor that will not close cannot hold anything we need
        }
    }
}

bool TIBQuery::Eof() const {
    return !d->hasRow;
}

void TIBQuery::Next() {
    if (!d->cursor || !d->hasRow)
        return;
    try {
        const fb::CallDeadline deadline = Database->deadline();
        d->hasRow = fb::call([&](ThrowStatusWrapper* s) {
                        return d->cursor.get()->fetchNext(s, d->row.data());
                    }) == IStatus::RESULT_OK;
    } catch (...) {
        Database->Abandon();
        throw;
    }
}

void TIBQuery::run(Run mode) {
    Close();
    try {
        const PositionalSql sql = toPositional(lines_.join(QLatin1Char('\n')));
        Database->Open();
        const Busy busy;
        fb::Attachment& attachment = Database->attachment();
        d->unicode = Database->unicode();
        const fb::CallDeadline deadline = Database->deadline();
        fb::Transaction& transaction = Transaction->handle();

        if (!d->statement || d->preparedText != sql.text ||
            d->preparedGeneration != Database->generation()) {
            d->statement = fb::Statement();
            d->outputMetadata = fb::Metadata();
            const QByteArray text = encodeText(sql.text, QStringLiteral("SQL"),
                                               cp932::TextUse::Store, Database->unicode());
            d->statement = fb::Statement(fb::call([&](ThrowStatusWrapper* s) {
                return attachment.get()->prepare(
                    s, transaction.get(), static_cast<unsigned>(text.size()), text.constData(),
                    SQL_DIALECT_V6, IStatement::PREPARE_PREFETCH_METADATA);
            }));
            ++d->prepareCount;
            d->preparedText = sql.text;
            d->parameterNames = sql.names;
            d->preparedGeneration = Database->generation();
            d->isQuery = fb::call([&](ThrowStatusWrapper* s) {
                             return d->statement.get()->getType(s);
                         }) == isc_info_sql_stmt_select;
            fb::Metadata input(fb::call(
                [&](ThrowStatusWrapper* s) { return d->statement.get()->getInputMetadata(s); }));
            d->inputSlots = slotsOf(input.get(), false);
            d->outputMetadata = fb::Metadata(fb::call(
                [&](ThrowStatusWrapper* s) { return d->statement.get()->getOutputMetadata(s); }));
            d->columns = slotsOf(d->outputMetadata.get(), true);
        }

        // Encode every value (and refuse what cannot be stored) before anything runs.
        std::vector<Bound> values;
        values.reserve(d->inputSlots.size());
        for (size_t i = 0; i < d->inputSlots.size(); ++i) {
            const QString name = i < static_cast<size_t>(d->parameterNames.size())
                                     ? d->parameterNames[static_cast<qsizetype>(i)]
                                     : QString::number(i + 1);
            const QString key = name.toUpper();
            const auto [caption, search] = captions_.value(key, {key, false});
            values.push_back(bindValue(params_.value(key), d->inputSlots[i], caption,
                                       search ? cp932::TextUse::Search : cp932::TextUse::Store,
                                       Database->unicode()));
        }

        fb::Metadata inputMetadata(fb::call([&](ThrowStatusWrapper* s) {
            IMetadataBuilder* builder =
                fb::master()->getMetadataBuilder(s, static_cast<unsigned>(values.size()));
            struct Release {
                IMetadataBuilder* b;
                ~Release() { b->release(); }
            } release{builder};
            for (unsigned i = 0; i < values.size(); ++i) {
                const Bound& value = values[i];
                switch (value.kind) {
                case Bound::Null:
                case Bound::Text:
                    builder->setType(s, i, SQL_VARYING + 1);
                    builder->setLength(
                        s, i, static_cast<unsigned>(qMax<qsizetype>(value.bytes.size(), 1)));
                    builder->setCharSet(s, i, value.characterSet);
                    break;
                case Bound::Integer:
                    builder->setType(s, i, SQL_INT64 + 1);
                    builder->setLength(s, i, sizeof(qint64));
                    builder->setScale(s, i, 0);
                    break;
                case Bound::Timestamp:
                    builder->setType(s, i, SQL_TIMESTAMP + 1);
                    builder->setLength(s, i, sizeof(ISC_TIMESTAMP));
                    break;
                }
            }
            return builder->getMetadata(s);
        }));
        const std::vector<Slot> inputs = slotsOf(inputMetadata.get(), false);
        QByteArray message(static_cast<qsizetype>(fb::call([&](ThrowStatusWrapper* s) {
                               return inputMetadata.get()->getMessageLength(s);
                           })),
                           '\0');
        for (size_t i = 0; i < values.size(); ++i) {
            const Bound& value = values[i];
            char* data = message.data() + inputs[i].offset;
            *reinterpret_cast<short*>(message.data() + inputs[i].nullOffset) =
                value.kind == Bound::Null ? -1 : 0;
            if (value.kind == Bound::Text) {
                *reinterpret_cast<unsigned short*>(data) =
                    static_cast<unsigned short>(value.bytes.size());
                std::memcpy(data + 2, value.bytes.constData(),
                            static_cast<size_t>(value.bytes.size()));
            } else if (value.kind == Bound::Integer) {
                std::memcpy(data, &value.integer, sizeof value.integer);
            } else if (value.kind == Bound::Timestamp) {
                std::memcpy(data, &value.timestamp, sizeof value.timestamp);
            }
        }

        if (mode == Run::Check)
            return;

        IMessageMetadata* output = d->outputMetadata.get();
        d->row = QByteArray(static_cast<qsizetype>(output ? fb::call([&](ThrowStatusWrapper* s) {
                                return output->getMessageLength(s);
                            })
                                                          : 0),
                            '\0');
        if (d->isQuery) {
            d->cursor = fb::ResultSet(fb::call([&](ThrowStatusWrapper* s) {
                return d->statement.get()->openCursor(s, transaction.get(), inputMetadata.get(),
                                                      message.data(), output, 0);
            }));
            d->hasRow = fb::call([&](ThrowStatusWrapper* s) {
                            return d->cursor.get()->fetchNext(s, d->row.data());
                        }) == IStatus::RESULT_OK;
            if (mode != Run::Open)
                Close();
        } else {
            // EXECUTE PROCEDURE and friends may return one row of outputs.
            fb::call([&](ThrowStatusWrapper* s) {
                d->statement.get()->execute(s, transaction.get(), inputMetadata.get(),
                                            message.data(), output,
                                            output ? d->row.data() : nullptr);
            });
            d->hasRow = output && !d->columns.empty();
        }
    } catch (const ValueRefused&) {
        throw; // refused before anything was sent: the transaction is as it was
    } catch (...) {
        // Nothing of an operation that failed may be committed by a later close.
        d->cursor.discard();
        d->hasRow = false;
        Database->Abandon();
        throw;
    }
}

QString TIBQuery::fieldString(const QString& name) const {
    return d->text(d->columnIndex(name));
}
qint64 TIBQuery::fieldInteger(const QString& name) const {
    return d->integer(d->columnIndex(name));
}
QString TIBQuery::fieldString(int index) const {
    return d->text(index);
}
qint64 TIBQuery::fieldInteger(int index) const {
    return d->integer(index);
}
ParamValue TIBQuery::fieldValue(const QString& name) const {
    const int index = d->columnIndex(name);
    const Slot* slot = d->column(index);
    if (!slot)
        return {};
    switch (slot->type) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        if (slot->scale == 0)
            return d->integer(index);
        break;
    case SQL_TIMESTAMP: {
        const ISC_TIMESTAMP* stamp =
            reinterpret_cast<const ISC_TIMESTAMP*>(d->row.constData() + slot->offset);
        unsigned year = 0, month = 0, day = 0, hours = 0, minutes = 0, seconds = 0, fractions = 0;
        fb::util()->decodeDate(stamp->timestamp_date, &year, &month, &day);
        fb::util()->decodeTime(stamp->timestamp_time, &hours, &minutes, &seconds, &fractions);
        return QDateTime(
            QDate(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)),
            QTime(static_cast<int>(hours), static_cast<int>(minutes), static_cast<int>(seconds),
                  static_cast<int>(fractions / 10)));
    }
    default:
        break;
    }
    return d->text(index);
}

quint64 TIBQuery::prepareCount() const {
    return d->prepareCount;
}

// ---------------------------------------------------------------- data module

void setPasswordPrompt(PasswordPrompt prompt) {
    passwordPrompt() = std::move(prompt);
}

TDM::TDM(const QString& workingDirectory) {
    DatabaseLocation location = resolveDatabaseLocation(workingDirectory);
    if (location.askPassword && location.problem.isEmpty()) {
        static QHash<QString, QString> answered; // asked once while the program runs
        const QString key = location.user + QLatin1Char('@') + location.name;
        if (!answered.contains(key) && passwordPrompt())
            answered.insert(key, passwordPrompt()(location.user, location.name));
        if (answered.contains(key))
            location.password = answered.value(key);
        else
            location.problem = QStringLiteral("connect.ini の User「%1」のパスワードがありません。"
                                              "PasswordFile に本人だけが読めるファイルを指定して"
                                              "ください。")
                                   .arg(location.user);
    }
    setUp(location.name, location.local, location.user, location.password);
    IBDatabase1.SettingsProblem = location.problem;
}

TDM::TDM(const QString& databaseName, bool embeddedOnly) {
    setUp(databaseName, embeddedOnly, QStringLiteral("SYSDBA"), defaultPassword());
}

TDM::~TDM() {
    // Whatever is still uncommitted at exit is rolled back: only a close commits.
    IBDatabase1.Abandon();
}

void TDM::setUp(const QString& databaseName, bool embeddedOnly, const QString& user,
                const QString& password) {
    IBDatabase1.DatabaseName = databaseName;
    IBDatabase1.EmbeddedOnly = embeddedOnly;
    IBDatabase1.Params = {QStringLiteral("user_name=") + user,
                          QStringLiteral("password=") + password, QStringLiteral("lc_ctype=UTF8")};
    IBQuery1.Database = &IBDatabase1;
    IBQuery1.Transaction = &IBTransaction1;
    IBDatabase1.addQuery(&IBQuery1);
    IBDatabase1.Params.append(QStringLiteral("lc_ctype=SJIS_0208"));
    // A row another program holds is waited for, but not for ever.
    IBTransaction1.Params = {QStringLiteral("read_committed"), QStringLiteral("no_rec_version"),
                             QStringLiteral("wait"),
                             QStringLiteral("lock_timeout=") + QString::number(kLockWaitSeconds)};
    IBTransaction1.DefaultDatabase = &IBDatabase1;
    IBDatabase1.setDefaultTransaction(&IBTransaction1);
    IBQuery1.Clear();
    IBDatabase1.Abandon();
}

void TDM::open() {
    IBDatabase1.Open();
}
void TDM::close() {
    IBDatabase1.Close();
}

namespace {

template <class Read> auto readFirstRow(TDM& dm, const QString& sql, Read read) {
    TIBQuery& query = dm.IBQuery1;
    query.Clear();
    query.Add(sql);
    query.Open();
    const auto value = read(query);
    query.Close();
    return value;
}

} // namespace

void setDatabaseBusyIndicator(std::function<void(bool)> indicator) {
    busyIndicator() = std::move(indicator);
}

void shutDownDatabaseEngine() noexcept {
    fb_shutdown(1000, fb_shutrsn_app_stopped);
}

QString readString(TDM& dm, const QString& sql, const QString& column) {
    return readFirstRow(dm, sql, [&](const TIBQuery& query) { return query.fieldString(column); });
}

qint64 readInteger(TDM& dm, const QString& sql, const QString& column) {
    return readFirstRow(dm, sql, [&](const TIBQuery& query) { return query.fieldInteger(column); });
}

void readInKeyOrder(TDM& dm, const QStringList& statement, const QString& textParameter,
                    const QString& pattern, const std::function<bool(const TIBQuery&)>& onRow) {
    static const QRegularExpression perKey(QStringLiteral("KEY1\\s*=\\s*:KEY1\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    TIBQuery& query = dm.IBQuery1;
    query.Clear();
    for (const QString& line : statement)
        query.Add(QString(line).replace(perKey, QStringLiteral("KEY1 >= :KEY1")));
    query.Add(QStringLiteral("ORDER BY KEY1"));
    query.setInteger(QStringLiteral("KEY1"), 1);
    if (!textParameter.isEmpty()) {
        query.setString(textParameter, pattern);
        query.setCaption(textParameter, QStringLiteral("検索"), true);
    }
    for (query.Open(); !query.Eof() && onRow(query); query.Next()) {
    }
    query.Close();
}

StoreStatement::StoreStatement(TDM& dm) : dm_(dm) {
    Database = &dm.IBDatabase1;
    Transaction = &dm.IBTransaction1;
    dm.IBDatabase1.addQuery(this);
}

StoreStatement::~StoreStatement() {
    Close();
    dm_.IBDatabase1.removeQuery(this);
}

UnitOfWork::UnitOfWork(TDM& dm) : dm_(dm) {
    dm_.open();
}

UnitOfWork::~UnitOfWork() {
    if (!committed_)
        dm_.IBDatabase1.Abandon();
}

void UnitOfWork::commit() {
    dm_.close();
    committed_ = true;
}

} // namespace velta
