#pragma once

#include "X11KeyLocks.h"

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <array>
#include <optional>

class QEvent;
class QLabel;
class QStatusBar;

// The key-state panes of the status bar: "ｶﾅ", "CAP", "NUM" and "SCRL", each showing its text
// only while its lock is on. Qt itself cannot tell lock states, so they are read from the
// platform: on Windows from the keyboard state (all four); on an X display from the X server's
// keyboard indicators (CX11KeyLocks), which also answer over a remote display or from a
// container; elsewhere from the keyboard LEDs under /sys/class/leds ("::kana", "::capslock",
// "::numlock", "::scrolllock"), which the kernel keeps for every keyboard it drives. Where none
// answers the panes stay empty.
class CKeyLockPanes : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    enum Lock { Kana, Caps, Num, Scroll, LockCount }; // ORDER CX11KeyLocks::Lock

    // Adds the four panes to the right end of `bar` and keeps them up to date: they are read
    // again after every key the program receives, whenever it becomes active and, on an X
    // display, whenever the server reports that an indicator changed.
    explicit CKeyLockPanes(QStatusBar& bar);
    ~CKeyLockPanes() override;

    // Reads the locks again and shows what they are.
    void Refresh();
    // The text each pane shows now.
    QString PaneText(Lock lock) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    std::array<bool, LockCount> ReadLocks() const;

    std::array<QLabel*, LockCount> m_panes{};
    std::optional<CX11KeyLocks> m_x11; // while the display is an X server's with XKB
};
