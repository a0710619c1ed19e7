#include "firebird_client.h"

#include <ibase.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

namespace velta::fb {

using namespace Firebird;

namespace {

// Why the embedded engine's lock folder cannot be used; empty when it can.
QString& lockFolderProblem() {
    static QString problem;
    return problem;
}

// The folder must be the user's own: a folder another local user made first (or a link to one)
// would let them see and disturb every lock of the user's databases.
QString checkOwnFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return QString::fromLocal8Bit(std::strerror(errno));
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (S_ISLNK(info.st_mode) || !S_ISDIR(info.st_mode))
        return QStringLiteral("フォルダーではなくリンクかファイルです");
    if (info.st_uid != ::getuid())
        return QStringLiteral("ほかのユーザーのフォルダーです");
    if ((info.st_mode & 0777) != 0700 && ::chmod(path.constData(), 0700) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

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
    if (const QString why = checkOwnFolder(folder); !why.isEmpty()) {
        lockFolderProblem() =
            QStringLiteral("データベースのロック用フォルダー「%1」を使えません（%2）。何も開いて"
                           "いません。フォルダーを確かめるか、環境変数 FIREBIRD_LOCK で自分だけの"
                           "フォルダーを指定してください。")
                .arg(folder, why);
        return;
    }
    qputenv("FIREBIRD_LOCK", QFile::encodeName(folder));
}

void checkLockFolderFor(const QString& name) {
    master();
    if (!lockFolderProblem().isEmpty() && !isServerName(name))
        throw DbError(lockFolderProblem());
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

namespace {

bool hasCode(const ISC_STATUS* vector, ISC_STATUS code) {
    for (const ISC_STATUS* item = vector; *item != isc_arg_end; item += 2)
        if (item[0] == isc_arg_gds && item[1] == code)
            return true;
    return false;
}

// The operating system's error number that came with an I/O error, or 0.
int systemError(const ISC_STATUS* vector) {
    for (const ISC_STATUS* item = vector; *item != isc_arg_end; item += 2)
        if (item[0] == isc_arg_unix)
            return static_cast<int>(item[1]);
    return 0;
}

QString japaneseSummary(const ISC_STATUS* v) {
    const int system = systemError(v);
    if (hasCode(v, isc_network_error) || hasCode(v, isc_net_connect_err) ||
        hasCode(v, isc_net_connect_listen_err) || hasCode(v, isc_connect_reject))
        return QStringLiteral("データベースサーバーに接続できません。サーバーが動いているか、"
                              "connect.ini の Server_SYS を確認してください。");
    if (hasCode(v, isc_net_read_err) || hasCode(v, isc_net_write_err) ||
        hasCode(v, isc_conn_lost) || hasCode(v, isc_lost_db_connection) ||
        hasCode(v, isc_att_shutdown) || hasCode(v, isc_shutdown) || hasCode(v, isc_cancelled))
        return QStringLiteral("データベースとの接続が切れたか、サーバーが応答しません。");
    if (hasCode(v, isc_already_opened) || hasCode(v, isc_io_access_err))
        return QStringLiteral("データベースはほかの VELTA またはプログラムが使用中です。");
    if (hasCode(v, isc_lock_timeout) || hasCode(v, isc_lock_conflict) || hasCode(v, isc_deadlock) ||
        hasCode(v, isc_update_conflict))
        return QStringLiteral("ほかの画面またはプログラムがこのデータを使用中のため、"
                              "待ちきれませんでした。");
    if (hasCode(v, isc_read_only_database) || system == EROFS)
        return QStringLiteral("データベースが読み取り専用のため書き込めません。");
    if (system == ENOSPC || system == EDQUOT)
        return QStringLiteral("ディスクがいっぱいで書き込めませんでした。");
    if (hasCode(v, isc_bad_db_format) || hasCode(v, isc_wrong_ods))
        return QStringLiteral("データベースファイルが壊れているか、VELTA のデータベースでは"
                              "ありません。");
    if (hasCode(v, isc_io_error) || hasCode(v, isc_io_open_err)) {
        if (system == ENOENT)
            return QStringLiteral("データベースファイルが見つかりません。");
        if (system == EACCES || system == EPERM)
            return QStringLiteral("データベースファイルを開く権限がありません。");
        return QStringLiteral("データベースファイルを読み書きできませんでした。");
    }
    return {};
}

} // namespace

QString describeError(IStatus* status) {
    const QString detail = formatStatus(status);
    const QString summary =
        japaneseSummary(reinterpret_cast<const ISC_STATUS*>(status->getErrors()));
    if (summary.isEmpty())
        return detail;
    return summary + QStringLiteral("\n何も保存されていません。\n\n詳細: ") + detail;
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
    checkLockFolderFor(name);
    const QByteArray file = fileName(name);
    return Attachment(call([&](ThrowStatusWrapper* s) {
        return dispatcher()->attachDatabase(
            s, file.constData(), static_cast<unsigned>(dpb.size()),
            reinterpret_cast<const unsigned char*>(dpb.constData()));
    }));
}

Attachment Attachment::create(const QString& name, const QByteArray& dpb) {
    checkLockFolderFor(name);
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

namespace {

// One thread watches the deadlines of every call in flight.
class Watchdog {
public:
    static Watchdog& instance() {
        static Watchdog* watchdog = new Watchdog; // lives until the process ends
        return *watchdog;
    }
    quint64 add(IAttachment* attachment, int seconds) {
        std::lock_guard lock(mutex_);
        const quint64 id = ++next_;
        calls_[id] = {attachment, Clock::now() + std::chrono::seconds(seconds)};
        wake_.notify_one();
        return id;
    }
    void remove(quint64 id) {
        std::lock_guard lock(mutex_); // waits for a cut in progress on this call
        calls_.erase(id);
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Call {
        IAttachment* attachment;
        Clock::time_point deadline;
    };
    Watchdog() {
        std::thread([this] { run(); }).detach();
    }
    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            auto next = Clock::time_point::max();
            for (auto it = calls_.begin(); it != calls_.end();) {
                if (it->second.deadline <= Clock::now()) {
                    CheckStatusWrapper status(master()->getStatus());
                    it->second.attachment->cancelOperation(&status, fb_cancel_abort);
                    status.dispose();
                    it = calls_.erase(it);
                } else {
                    next = std::min(next, it->second.deadline);
                    ++it;
                }
            }
            if (next == Clock::time_point::max())
                wake_.wait(lock);
            else
                wake_.wait_until(lock, next);
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    std::map<quint64, Call> calls_;
    quint64 next_ = 0;
};

} // namespace

CallDeadline::CallDeadline(IAttachment* attachment, int seconds) {
    if (attachment)
        id_ = Watchdog::instance().add(attachment, seconds);
}

CallDeadline::~CallDeadline() {
    if (id_)
        Watchdog::instance().remove(id_);
}

bool isServerName(const QString& name) {
    return !name.startsWith(QLatin1Char('/')) && name.contains(QLatin1Char(':'));
}

QByteArray buildDpb(const QString& user, const QString& password, const QStringList& characterSets,
                    bool embeddedOnly, bool overNetwork) {
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
        // A server that does not answer ends the attempt instead of holding it for minutes.
        builder->insertInt(s, isc_dpb_connect_timeout, kConnectTimeoutSeconds);
        if (embeddedOnly)
            builder->insertString(s, isc_dpb_config, "Providers = Engine12");
        else if (overNetwork)
            builder->insertString(s, isc_dpb_config, "WireCrypt = Required");
        return QByteArray(reinterpret_cast<const char*>(builder->getBuffer(s)),
                          static_cast<qsizetype>(builder->getBufferLength(s)));
    });
}

QString databaseCharacterSet(Attachment& attachment) {
    Transaction transaction(call(
        [&](ThrowStatusWrapper* s) { return attachment.get()->startTransaction(s, 0, nullptr); }));
    const char* sql = "select cast(trim(RDB$CHARACTER_SET_NAME) as varchar(63) character set "
                      "ascii) from RDB$DATABASE";
    Statement statement(call([&](ThrowStatusWrapper* s) {
        return attachment.get()->prepare(s, transaction.get(), 0, sql, SQL_DIALECT_V6,
                                         IStatement::PREPARE_PREFETCH_METADATA);
    }));
    Metadata output(
        call([&](ThrowStatusWrapper* s) { return statement.get()->getOutputMetadata(s); }));
    ResultSet cursor(call([&](ThrowStatusWrapper* s) {
        return statement.get()->openCursor(s, transaction.get(), nullptr, nullptr, output.get(), 0);
    }));
    QString name;
    call([&](ThrowStatusWrapper* s) {
        std::vector<char> row(output.get()->getMessageLength(s));
        if (cursor.get()->fetchNext(s, row.data()) != IStatus::RESULT_OK)
            return;
        const unsigned offset = output.get()->getOffset(s, 0);
        if (*reinterpret_cast<const short*>(row.data() + output.get()->getNullOffset(s, 0)))
            return;
        const auto length = *reinterpret_cast<const unsigned short*>(row.data() + offset);
        name = QString::fromLatin1(row.data() + offset + 2, length).trimmed();
    });
    cursor.close();
    statement.free();
    transaction.commit();
    return name;
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
