#pragma once

#include <QString>
#include <stdexcept>

namespace velta {

// The one exception type of the data layer: the message is shown to the user as it stands
// (the server's formatted text, or our own Japanese text for checks made on the client).
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& message, int sqlCode = 0)
        : std::runtime_error(message.toStdString()), message_(message), sqlCode_(sqlCode) {}

    const QString& message() const { return message_; }
    int sqlCode() const { return sqlCode_; }

private:
    QString message_;
    int sqlCode_;
};

// A value refused on the client before anything reached the database (a character the
// character set cannot hold, a text longer than its column, a control character): the
// transaction is left as it was, so the caller may go on without the value.
class ValueRefused : public DbError {
public:
    using DbError::DbError;
};

} // namespace velta
