// A server that stops answering ends the operation with a Japanese message within the bound,
// instead of holding the program for minutes: a listener that never answers, and a real
// server whose connection goes silent in the middle of a listing.
#include "dm.h"
#include "errors.h"
#include "test_database.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace velta;

namespace {

constexpr qint64 kBoundMs = 15000;

// A loopback listener; the kernel completes connections though nothing is ever accepted.
class Listener {
public:
    Listener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, 8);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Listener() { ::close(fd_); }
    int fd() const { return fd_; }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// Relays one connection to the test server until it is told to go silent; then it keeps the
// sockets open and forwards nothing, as a server that was stopped.
class FreezingProxy {
public:
    FreezingProxy() {
        thread_ = std::thread([this] { run(); });
    }
    ~FreezingProxy() {
        done_ = true;
        thread_.join();
    }
    int port() const { return listener_.port(); }
    void freeze() { frozen_ = true; }

private:
    void run() {
        pollfd waiting{listener_.fd(), POLLIN, 0};
        while (!done_ && ::poll(&waiting, 1, 100) <= 0) {
        }
        if (done_)
            return;
        const int client = ::accept(listener_.fd(), nullptr, nullptr);
        const int server = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(velta::test::serverPort()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address);
        pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        char buffer[65536];
        while (!done_) {
            if (frozen_ || ::poll(ends, 2, 100) <= 0)
                continue;
            for (int i = 0; i < 2; ++i)
                if (ends[i].revents & POLLIN) {
                    const ssize_t n = ::read(ends[i].fd, buffer, sizeof buffer);
                    if (n <= 0 || frozen_)
                        continue;
                    if (::write(ends[1 - i].fd, buffer, static_cast<size_t>(n)) != n)
                        done_ = true;
                }
        }
        ::close(client);
        ::close(server);
    }
    Listener listener_;
    std::atomic<bool> done_{false}, frozen_{false};
    std::thread thread_;
};

// The message opening the database ends with; empty when it opened.
QString openingError(TDM& dm) {
    try {
        dm.open();
    } catch (const DbError& error) {
        return error.message();
    }
    return {};
}

} // namespace

TEST(BoundedWaits, ListenerThatNeverAnswersEndsWithAMessage) {
    Listener silent;
    TDM dm(QString("127.0.0.1/%1:/srv/velta/DATA.GDB").arg(silent.port()), false);
    QElapsedTimer timer;
    timer.start();
    const QString message = openingError(dm);
    EXPECT_TRUE(message.startsWith("データベース")) << message.toStdString();
    EXPECT_TRUE(message.contains("何も保存されていません"));
    EXPECT_LT(timer.elapsed(), kBoundMs);
}

TEST(BoundedWaits, ServerGoingSilentMidListEndsWithAMessage) {
    if (velta::test::serverDirectory().isEmpty())
        GTEST_SKIP() << "VELTA_TEST_SERVER_DIR is not set (scripts/test.sh starts the server)";
    velta::test::TestDatabase database(velta::test::Backend::Server);
    FreezingProxy proxy;
    const QString path = database.name().section(':', 1);
    TDM dm(QString("127.0.0.1/%1:%2").arg(proxy.port()).arg(path), false);
    dm.IBQuery1.Add("select count(*) from RDB$RELATIONS");
    dm.IBQuery1.Open();
    ASSERT_GT(dm.IBQuery1.fieldInteger(0), 0);
    proxy.freeze();
    QElapsedTimer timer;
    timer.start();
    try {
        dm.IBQuery1.Clear();
        dm.IBQuery1.Add("select RDB$RELATION_NAME from RDB$RELATIONS");
        dm.IBQuery1.Open();
        FAIL() << "a silent server answered";
    } catch (const DbError& error) {
        EXPECT_TRUE(error.message().startsWith("データベースとの接続が切れたか"))
            << error.message().toStdString();
    }
    EXPECT_LT(timer.elapsed(), kBoundMs);
    EXPECT_FALSE(dm.IBDatabase1.Connected());
}

TEST(BoundedWaits, WriteOnAServerThatGoesSilentAtAnyStepKeepsTheOldValues) {
    if (velta::test::serverDirectory().isEmpty())
        GTEST_SKIP() << "VELTA_TEST_SERVER_DIR is not set (scripts/test.sh starts the server)";
    velta::test::TestDatabase database(velta::test::Backend::Server);
    database.execute("insert into MST_KOKYAKU (KEY1, NAMAE, MEMO) values (0, '山田', '古い')");
    const QString path = database.name().section(':', 1);
    // The server goes silent before the statement, before the commit.
    for (int silentAt = 0; silentAt < 2; ++silentAt) {
        auto proxy = std::make_unique<FreezingProxy>();
        TDM dm(QString("127.0.0.1/%1:%2").arg(proxy->port()).arg(path), false);
        dm.open();
        if (silentAt == 0)
            proxy->freeze();
        QElapsedTimer timer;
        timer.start();
        try {
            dm.IBQuery1.Add("update MST_KOKYAKU set MEMO = '新しい' where KEY1 = 1");
            dm.IBQuery1.ExecSQL();
            proxy->freeze();
            dm.close(); // the commit
            FAIL() << "a silent server took the write";
        } catch (const DbError& error) {
            EXPECT_TRUE(error.message().contains("何も保存されていません"));
        }
        EXPECT_LT(timer.elapsed(), 2 * kBoundMs);
        proxy.reset(); // the server sees the connection go and rolls its work back
        QThread::msleep(300);
        EXPECT_EQ(database.scalar("select count(*) from MST_KOKYAKU where MEMO = '古い'"), 1)
            << "silent at step " << silentAt;
    }
}

TEST(BoundedWaits, DatabaseFaultsSayInJapaneseWhatFailed) {
    TDM missing("/no/such/folder/DATA.GDB", true);
    const QString notFound = openingError(missing);
    EXPECT_TRUE(notFound.startsWith("データベースファイルが見つかりません。"))
        << notFound.toStdString();
    EXPECT_TRUE(notFound.contains("詳細: ")); // the engine's own text follows
    QTemporaryDir folder;
    QFile garbage(folder.filePath("DATA.GDB"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(65536, 'x'));
    garbage.close();
    TDM corrupt(folder.filePath("DATA.GDB"), true);
    const QString broken = openingError(corrupt);
    EXPECT_TRUE(broken.startsWith("データベースファイルが壊れているか")) << broken.toStdString();
}
