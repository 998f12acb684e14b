#include "AfterFirstPaint.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QWidget>
#include <QWindow>

#include <vector>

namespace {

// Lets the event loop run until `done` or `ms` milliseconds have passed.
template <typename Done> bool RunLoopUntil(Done done, int ms = 2000)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace

TEST(AfterFirstPaint, WorksWaitForTheFirstPaintAndKeepTheirOrder)
{
    QWidget window;
    new QPlainTextEdit(&window);
    std::vector<int> ran;
    bool painted = false;
    window.show(); // not painted before the event loop runs
    RunAfterFirstPaint(window, [&] {
        painted = window.windowHandle() && window.windowHandle()->isExposed();
        ran.push_back(1);
    });
    RunAfterFirstPaint(window, [&] { ran.push_back(2); });
    EXPECT_TRUE(ran.empty()); // nothing runs before the event loop
    ASSERT_TRUE(RunLoopUntil([&] { return ran.size() == 2; }));
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_TRUE(painted);
}

TEST(AfterFirstPaint, AWindowPaintedAlreadyGetsTheWorkAtTheNextTurnOfTheLoop)
{
    QWidget window;
    window.show();
    window.repaint();
    ASSERT_TRUE(RunLoopUntil([&] { return window.windowHandle()->isExposed(); }));
    int ran = 0;
    RunAfterFirstPaint(window, [&] { ++ran; });
    EXPECT_EQ(ran, 0); // not from within the call
    ASSERT_TRUE(RunLoopUntil([&] { return ran == 1; }));
    RunLoopUntil([] { return false; }, 100); // a little more of the loop
    EXPECT_EQ(ran, 1);                       // once
}
