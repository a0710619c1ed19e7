#pragma once

// Move-only owners of the Firebird OO API handles. Private to src/data and tools: the public
// headers of the data layer never include the Firebird headers.

#include "errors.h"

#include <firebird/Interface.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>

namespace velta::fb {

Firebird::IMaster* master();
Firebird::IUtil* util();

QString formatStatus(Firebird::IStatus* status);
int sqlCode(Firebird::IStatus* status);
// The message a user reads: a Japanese first line saying what failed and that nothing was
// saved, then the server's own text as the detail.
QString describeError(Firebird::IStatus* status);

// Runs one API call with a throwing status; a Firebird error becomes a DbError carrying the
// server's formatted text and SQL code.
template <class Call> auto call(Call&& apiCall) {
    Firebird::ThrowStatusWrapper status(master()->getStatus());
    struct Dispose {
        Firebird::ThrowStatusWrapper& s;
        ~Dispose() { s.dispose(); }
    } dispose{status};
    try {
        return apiCall(&status);
    } catch (const Firebird::FbException& error) {
        throw DbError(describeError(error.getStatus()), sqlCode(error.getStatus()));
    }
}

template <class Interface, class Derived> class Handle {
public:
    Handle() = default;
    explicit Handle(Interface* pointer) : pointer_(pointer) {}
    Handle(Handle&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            discard();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ~Handle() { discard(); }

    // Error path: drop the handle without a closing call and without throwing.
    void discard() noexcept {
        if (pointer_)
            Derived::drop(std::exchange(pointer_, nullptr));
    }

    Interface* get() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

protected:
    Interface* take() { return std::exchange(pointer_, nullptr); }
    static void drop(Interface* pointer) noexcept { pointer->release(); }
    friend Derived;

private:
    Interface* pointer_ = nullptr;
};

class Attachment : public Handle<Firebird::IAttachment, Attachment> {
public:
    using Handle::Handle;
    static Attachment attach(const QString& name, const QByteArray& dpb);
    static Attachment create(const QString& name, const QByteArray& dpb);
    void detach();
    void dropDatabase();
    // Dropped without a closing call: detach quietly, release if even that fails.
    static void drop(Firebird::IAttachment* attachment) noexcept;
};

class Transaction : public Handle<Firebird::ITransaction, Transaction> {
public:
    using Handle::Handle;
    void commit();
    void rollback();
    // A transaction dropped while active is rolled back, never committed.
    static void drop(Firebird::ITransaction* transaction) noexcept;
};

class Statement : public Handle<Firebird::IStatement, Statement> {
public:
    using Handle::Handle;
    void free();
};

class ResultSet : public Handle<Firebird::IResultSet, ResultSet> {
public:
    using Handle::Handle;
    void close();
};

class Metadata : public Handle<Firebird::IMessageMetadata, Metadata> {
public:
    using Handle::Handle;
};

// While it lives, a call on the attachment that takes longer than `seconds` has the
// connection cut on the client side (a server that stopped answering would otherwise hold
// the program for minutes); the call then ends in an error.
class CallDeadline {
public:
    CallDeadline(Firebird::IAttachment* attachment, int seconds);
    ~CallDeadline();
    CallDeadline(const CallDeadline&) = delete;
    CallDeadline& operator=(const CallDeadline&) = delete;

private:
    quint64 id_ = 0;
};

constexpr int kConnectTimeoutSeconds = 10;
// The longest a single call on a server connection may take before it is cut.
constexpr int kCallTimeoutSeconds = 12;

// A database parameter block with our credentials and connection character set. Over a
// network the connection must be encrypted (a server that cannot is refused), so a password
// and an address book never cross the LAN in the clear.
QByteArray buildDpb(const QString& user, const QString& password, const QStringList& characterSets,
                    bool embeddedOnly, bool overNetwork = false);

// A name a server opens (host:path, host/port:path) rather than a local file.
bool isServerName(const QString& name);

// Runs statements that take no parameters and return no rows, each in its own transaction.
void executeImmediate(Attachment& attachment, const QString& sql);
// The default character set of the attached database ("SJIS_0208", "UTF8", …; empty: NONE).
QString databaseCharacterSet(Attachment& attachment);

} // namespace velta::fb
