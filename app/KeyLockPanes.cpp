#include "KeyLockPanes.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

constexpr const char* kTexts[CKeyLockPanes::LockCount] = {"ｶﾅ", "CAP", "NUM", "SCRL"};

#ifndef Q_OS_WIN
// The brightness files of the LEDs of one lock, found once: keyboards come and go rarely.
const QStringList& LedFiles(CKeyLockPanes::Lock lock)
{
    static const std::array<QStringList, CKeyLockPanes::LockCount> files = [] {
        constexpr const char* kSuffixes[] = {"::kana", "::capslock", "::numlock", "::scrolllock"};
        std::array<QStringList, CKeyLockPanes::LockCount> found;
        const QDir leds(QStringLiteral("/sys/class/leds"));
        for (int i = 0; i < CKeyLockPanes::LockCount; ++i) {
            const QStringList names =
                leds.entryList({QStringLiteral("*") + QLatin1String(kSuffixes[i])},
                               QDir::AllEntries | QDir::System);
            for (const QString& name : names)
                found[static_cast<std::size_t>(i)].append(leds.filePath(name) + "/brightness");
        }
        return found;
    }();
    return files[lock];
}
#endif

} // namespace

bool IsKeyLockOn(CKeyLockPanes::Lock lock)
{
#ifdef Q_OS_WIN
    constexpr int kKeys[] = {VK_KANA, VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};
    return (GetKeyState(kKeys[lock]) & 1) != 0;
#else
    for (const QString& path : LedFiles(lock)) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray value = file.read(16).trimmed();
            if (!value.isEmpty() && value != "0")
                return true;
        }
    }
    return false;
#endif
}

CKeyLockPanes::CKeyLockPanes(QStatusBar& bar) : QObject(&bar)
{
    for (int i = 0; i < LockCount; ++i) {
        auto* pane = new QLabel(&bar);
        const QString text = QString::fromUtf8(kTexts[i]);
        pane->setMinimumWidth(QFontMetrics(pane->font()).horizontalAdvance(text) + 8);
        pane->setAlignment(Qt::AlignCenter);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar.addPermanentWidget(pane);
        m_panes[static_cast<std::size_t>(i)] = pane;
    }
    QCoreApplication::instance()->installEventFilter(this);
    Refresh();
}

bool CKeyLockPanes::eventFilter(QObject* watched, QEvent* event)
{
    // A lock changes with a key, in this program or, while it was inactive, in another one.
    if (event->type() == QEvent::ApplicationActivate || event->type() == QEvent::KeyRelease)
        Refresh();
    return QObject::eventFilter(watched, event);
}

void CKeyLockPanes::Refresh()
{
    for (int i = 0; i < LockCount; ++i) {
        const auto lock = static_cast<Lock>(i);
        m_panes[static_cast<std::size_t>(i)]->setText(
            IsKeyLockOn(lock) ? QString::fromUtf8(kTexts[i]) : QString());
    }
}
