#pragma once

#include <QObject>

#include <array>

class QEvent;
class QLabel;
class QStatusBar;

// The key-state panes of the status bar: "ｶﾅ", "CAP", "NUM" and "SCRL", each showing its text
// only while its lock is on. Qt itself cannot tell lock states, so they are read from the
// platform: on Windows from the keyboard state (all four); on Linux from the keyboard LEDs
// under /sys/class/leds ("::kana", "::capslock", "::numlock", "::scrolllock"), which the kernel
// keeps for every keyboard it drives. Where neither answers (no LEDs there, as in a container
// or over a remote display) the panes stay empty.
class CKeyLockPanes : public QObject
{
    Q_OBJECT

public:
    enum Lock { Kana, Caps, Num, Scroll, LockCount };

    // Adds the four panes to the right end of `bar` and keeps them up to date: they are read
    // again after every key the program receives and whenever it becomes active.
    explicit CKeyLockPanes(QStatusBar& bar);

    // Reads the locks again and shows what they are.
    void Refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QLabel*, LockCount> m_panes{};
};

// Whether `lock` is on; false where the platform cannot tell.
bool IsKeyLockOn(CKeyLockPanes::Lock lock);
