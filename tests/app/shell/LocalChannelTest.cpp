#include "LocalChannel.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>

#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The answer `AskLocalChannel` gets on another thread, while this one runs the event loop that
// serves the listener.
QByteArray AskWhileServing(const QString& name, const QByteArray& request, int timeoutMs = 3000)
{
    auto answer = std::async(std::launch::async, [name, request, timeoutMs] {
        return AskLocalChannel(name, request, "ok\n", timeoutMs);
    });
    while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return answer.get();
}

// A socket file such as a program killed while it listened leaves behind: bound, then closed.
void LeaveStaleSocket(const QString& name)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = name.toStdString();
    ASSERT_LT(path.size(), sizeof address.sun_path);
    path.copy(address.sun_path, path.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

class LocalChannelTest : public testing::Test
{
protected:
    QTemporaryDir folder;
    QString name = folder.filePath(QStringLiteral("channel"));
    int requests = 0;
    std::unique_ptr<CLocalListener> listener =
        std::make_unique<CLocalListener>([this](const QByteArray& request) {
            ++requests;
            return request == "activate\n" ? QByteArray("ok\n") : QByteArray();
        });
};

TEST_F(LocalChannelTest, ARequestGetsItsAnswerAndOthersGetNone)
{
    EXPECT_TRUE(AskWhileServing(name, "activate\n").isEmpty()); // nobody listens yet
    ASSERT_EQ(listener->Listen(name), CLocalListener::EListen::Listening);
    const struct
    {
        QByteArray request;
        QByteArray answer;
        int requests;
        int timeoutMs;
    } cases[] = {
        {"activate\n", "ok\n", 1, 3000},
        {"other\n", "", 1, 3000},
        {"activate", "", 0, 300}, // no whole line: the asker gives up
        {QByteArray(CLocalListener::kLongestRequest, 'a') + "\n", "", 0, 3000}, // too long: cut off
        {"activate\nactivate\n", "ok\n", 1, 3000}, // one request a connection
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request.toStdString());
        requests = 0;
        EXPECT_EQ(AskWhileServing(name, c.request, c.timeoutMs), c.answer);
        EXPECT_EQ(requests, c.requests);
    }
}

TEST_F(LocalChannelTest, AStaleSocketFileIsTakenOverAndTheFileGoesWithTheListener)
{
    LeaveStaleSocket(name);
    EXPECT_TRUE(AskWhileServing(name, "activate\n").isEmpty()); // refused at once
    EXPECT_EQ(listener->Listen(name), CLocalListener::EListen::NameInUse);
    CLocalListener::RemoveStale(name);
    ASSERT_EQ(listener->Listen(name), CLocalListener::EListen::Listening);
    EXPECT_EQ(AskWhileServing(name, "activate\n"), "ok\n");

    {
        CLocalListener other([](const QByteArray&) { return QByteArray("ok\n"); });
        EXPECT_EQ(other.Listen(name), CLocalListener::EListen::NameInUse); // a live listener
    }
    EXPECT_EQ(AskWhileServing(name, "activate\n"), "ok\n"); // the other one's failure left it
    listener.reset();
    EXPECT_FALSE(std::filesystem::exists(name.toStdString()));
}

// Connected clients that send nothing: each is closed after the idle time, the listener takes no
// more than its share at once, and it goes on answering (before, idle clients were kept for ever
// until the descriptors ran out and the event loop spun).
TEST_F(LocalChannelTest, IdleConnectionsAreCappedAndClosed)
{
    ASSERT_EQ(listener->Listen(name), CLocalListener::EListen::Listening);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = name.toStdString();
    path.copy(address.sun_path, path.size());
    std::vector<int> idle;
    for (int i = 0; i < 40; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        idle.push_back(fd);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const auto closedByListener = [&idle] {
        int closed = 0;
        for (const int fd : idle) {
            char byte = 0;
            closed += ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0 ? 1 : 0;
        }
        return closed;
    };
    EXPECT_GE(closedByListener(), 40 - static_cast<int>(CLocalListener::kMostConnections));

    // After the idle time every one of them is closed, and a request is answered again.
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(CLocalListener::kIdleMs * 2);
    while (closedByListener() < 40 && std::chrono::steady_clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(closedByListener(), 40);
    EXPECT_EQ(AskWhileServing(name, "activate\n"), "ok\n");
    for (const int fd : idle)
        ::close(fd);
}

} // namespace
