#include "QuitSignals.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <csignal>
#include <vector>

namespace {

std::vector<int> g_oldHandlerCalls;

void OldHandler(int signal)
{
    g_oldHandlerCalls.push_back(signal);
}

// Runs the event loop until `done` or two seconds have passed.
template <typename Done> bool RunLoopUntil(Done done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

TEST(QuitSignals, ArriveThroughTheEventLoop)
{
    std::vector<int> received;
    const CQuitSignals quit([&received](int signal) { received.push_back(signal); });
    ASSERT_TRUE(quit.IsInstalled());

    ASSERT_EQ(std::raise(SIGTERM), 0);
    EXPECT_TRUE(received.empty()); // not from inside the handler
    ASSERT_TRUE(RunLoopUntil([&] { return received.size() == 1; }));
    EXPECT_EQ(received, std::vector<int>{SIGTERM});

    // Several before the loop runs: each one arrives, in order.
    ASSERT_EQ(std::raise(SIGHUP), 0);
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_TRUE(RunLoopUntil([&] { return received.size() == 3; }));
    EXPECT_EQ(received, (std::vector<int>{SIGTERM, SIGHUP, SIGTERM}));
}

TEST(QuitSignals, PutThePreviousHandlersBack)
{
    g_oldHandlerCalls.clear();
    const auto oldTerm = std::signal(SIGTERM, OldHandler);
    const auto oldHup = std::signal(SIGHUP, OldHandler);
    {
        int calls = 0;
        const CQuitSignals quit([&calls](int) { ++calls; });
        ASSERT_TRUE(quit.IsInstalled());
        // Only one at a time has the signals.
        const CQuitSignals second([](int) {});
        EXPECT_FALSE(second.IsInstalled());
        ASSERT_EQ(std::raise(SIGHUP), 0);
        ASSERT_TRUE(RunLoopUntil([&] { return calls == 1; }));
        EXPECT_TRUE(g_oldHandlerCalls.empty());
    }
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_EQ(std::raise(SIGHUP), 0);
    EXPECT_EQ(g_oldHandlerCalls, (std::vector<int>{SIGTERM, SIGHUP}));
    std::signal(SIGTERM, oldTerm);
    std::signal(SIGHUP, oldHup);

    // And a new instance may take them again.
    const CQuitSignals again([](int) {});
    EXPECT_TRUE(again.IsInstalled());
}

} // namespace
