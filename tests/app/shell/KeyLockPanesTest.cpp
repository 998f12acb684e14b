#include "KeyLockPanes.h"

#include "GrabWhenAsked.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QStatusBar>
#include <QThread>

#ifdef BRUNOVELT_X11
#include <X11/XKBlib.h>
#include <X11/keysym.h>
#endif

namespace {

#ifdef BRUNOVELT_X11
// Waits, handling events, until the pane of `lock` shows `text`; false after five seconds.
bool PaneShows(const CKeyLockPanes& panes, CKeyLockPanes::Lock lock, const char* text)
{
    QElapsedTimer clock;
    clock.start();
    while (panes.PaneText(lock) != QLatin1String(text) && clock.elapsed() < 5000) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return panes.PaneText(lock) == QLatin1String(text);
}
#endif

// On an X display (the test runs on Xvfb too) the panes show the X server's indicators and follow
// them when another client turns a lock on or off, with no key or activation in this program.
TEST(KeyLockPanes, FollowTheXServersIndicators)
{
#ifndef BRUNOVELT_X11
    GTEST_SKIP() << "built without X11";
#else
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display())
        GTEST_SKIP() << "not on an X display";
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const unsigned numLock = XkbKeysymToModifiers(other, XK_Num_Lock);
    ASSERT_NE(numLock, 0u);
    const auto lock = [other](unsigned mask, unsigned values) {
        XkbLockModifiers(other, XkbUseCoreKbd, mask, values);
        XSync(other, False);
    };
    lock(LockMask | numLock, 0);

    QStatusBar bar;
    auto* panes = new CKeyLockPanes(bar); // the bar owns it
    bar.show();
    EXPECT_EQ(panes->PaneText(CKeyLockPanes::Caps), QString());

    lock(LockMask, LockMask);
    EXPECT_TRUE(PaneShows(*panes, CKeyLockPanes::Caps, "CAP"));
    lock(numLock, numLock);
    EXPECT_TRUE(PaneShows(*panes, CKeyLockPanes::Num, "NUM"));
    GrabWhenAsked(bar, QStringLiteral("key-lock-panes.png"));
    lock(LockMask, 0);
    EXPECT_TRUE(PaneShows(*panes, CKeyLockPanes::Caps, ""));
    EXPECT_EQ(panes->PaneText(CKeyLockPanes::Num), QStringLiteral("NUM"));

    lock(LockMask | numLock, 0);
    XCloseDisplay(other);
#endif
}

} // namespace
