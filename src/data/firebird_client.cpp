#include "firebird_client.h"

#include <ibase.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace velta::fb {

using namespace Firebird;

namespace {

// The embedded engine keeps its lock files in a folder that every process opening the same
// database must share. Its default (/tmp/firebird) belongs to root and the firebird group, so
// a desktop user could not open the database at all: each user gets a folder of their own.
void useUserLockFolder() {
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK"))
        return;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder =
        !runtime.isEmpty() && QFileInfo(runtime).isWritable()
            ? runtime + QStringLiteral("/velta-firebird")
            : QDir::tempPath() + QStringLiteral("/velta-firebird-") + QString::number(getuid());
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ExeOwner);
    qputenv("FIREBIRD_LOCK", QFile::encodeName(folder));
}

} // namespace

IMaster* master() {
    static IMaster* instance = [] {
        useUserLockFolder();
        return fb_get_master_interface();
    }();
    return instance;
}

IUtil* util() {
    return master()->getUtilInterface();
}

QString formatStatus(IStatus* status) {
    char buffer[2048];
    util()->formatStatus(buffer, sizeof buffer, status);
    return QString::fromLocal8Bit(buffer);
}

int sqlCode(IStatus* status) {
    return static_cast<int>(isc_sqlcode(reinterpret_cast<const ISC_STATUS*>(status->getErrors())));
}

namespace {

IProvider* dispatcher() {
    static IProvider* instance = master()->getDispatcher();
    return instance;
}

QByteArray fileName(const QString& name) {
    return QFile::encodeName(name);
}

} // namespace

Attachment Attachment::attach(const QString& name, const QByteArray& dpb) {
    const QByteArray file = fileName(name);
    return Attachment(call([&](ThrowStatusWrapper* s) {
        return dispatcher()->attachDatabase(
            s, file.constData(), static_cast<unsigned>(dpb.size()),
            reinterpret_cast<const unsigned char*>(dpb.constData()));
    }));
}

Attachment Attachment::create(const QString& name, const QByteArray& dpb) {
    const QByteArray file = fileName(name);
    return Attachment(call([&](ThrowStatusWrapper* s) {
        return dispatcher()->createDatabase(
            s, file.constData(), static_cast<unsigned>(dpb.size()),
            reinterpret_cast<const unsigned char*>(dpb.constData()));
    }));
}

void Attachment::detach() {
    call([&](ThrowStatusWrapper* s) { get()->detach(s); });
    take();
}

void Attachment::dropDatabase() {
    call([&](ThrowStatusWrapper* s) { get()->dropDatabase(s); });
    take();
}

void Attachment::drop(IAttachment* attachment) noexcept {
    CheckStatusWrapper status(master()->getStatus());
    attachment->detach(&status);
    if (status.getState() & IStatus::STATE_ERRORS)
        attachment->release();
    status.dispose();
}

void Transaction::commit() {
    call([&](ThrowStatusWrapper* s) { get()->commit(s); });
    take();
}

void Transaction::rollback() {
    call([&](ThrowStatusWrapper* s) { get()->rollback(s); });
    take();
}

void Transaction::drop(ITransaction* transaction) noexcept {
    CheckStatusWrapper status(master()->getStatus());
    transaction->rollback(&status);
    if (status.getState() & IStatus::STATE_ERRORS)
        transaction->release();
    status.dispose();
}

void Statement::free() {
    call([&](ThrowStatusWrapper* s) { get()->free(s); });
    take();
}

void ResultSet::close() {
    call([&](ThrowStatusWrapper* s) { get()->close(s); });
    take();
}

QByteArray buildDpb(const QString& user, const QString& password, const QStringList& characterSets,
                    bool embeddedOnly) {
    return call([&](ThrowStatusWrapper* s) {
        IXpbBuilder* builder = util()->getXpbBuilder(s, IXpbBuilder::DPB, nullptr, 0);
        struct Dispose {
            IXpbBuilder* b;
            ~Dispose() { b->dispose(); }
        } dispose{builder};
        builder->insertString(s, isc_dpb_user_name, user.toUtf8().constData());
        builder->insertString(s, isc_dpb_password, password.toUtf8().constData());
        // Later entries win, as with a repeated item in the connection parameters.
        for (const QString& characterSet : characterSets)
            builder->insertString(s, isc_dpb_lc_ctype, characterSet.toLatin1().constData());
        builder->insertInt(s, isc_dpb_sql_dialect, 3);
        if (embeddedOnly)
            builder->insertString(s, isc_dpb_config, "Providers = Engine12");
        return QByteArray(reinterpret_cast<const char*>(builder->getBuffer(s)),
                          static_cast<qsizetype>(builder->getBufferLength(s)));
    });
}

void executeImmediate(Attachment& attachment, const QString& sql) {
    const QByteArray text = sql.toUtf8();
    Transaction transaction(call(
        [&](ThrowStatusWrapper* s) { return attachment.get()->startTransaction(s, 0, nullptr); }));
    call([&](ThrowStatusWrapper* s) {
        attachment.get()->execute(s, transaction.get(), 0, text.constData(), SQL_DIALECT_V6,
                                  nullptr, nullptr, nullptr, nullptr);
    });
    transaction.commit();
}

} // namespace velta::fb
