#include "KeyLockPanes.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>

#include <cstdint>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

constexpr const char* kTexts[CKeyLockPanes::LockCount] = {"ｶﾅ", "CAP", "NUM", "SCRL"};
static_assert(int(CKeyLockPanes::LockCount) == int(CX11KeyLocks::LockCount));

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

bool IsLedOn(CKeyLockPanes::Lock lock)
{
    for (const QString& path : LedFiles(lock)) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray value = file.read(16).trimmed();
            if (!value.isEmpty() && value != "0")
                return true;
        }
    }
    return false;
}
#endif

} // namespace

std::array<bool, CKeyLockPanes::LockCount> CKeyLockPanes::ReadLocks() const
{
    std::array<bool, LockCount> on{};
#ifdef Q_OS_WIN
    constexpr int kKeys[] = {VK_KANA, VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};
    for (int i = 0; i < LockCount; ++i)
        on[static_cast<std::size_t>(i)] = (GetKeyState(kKeys[i]) & 1) != 0;
#else
#ifdef BRUNOVELT_X11
    if (m_x11)
        return m_x11->Read();
#endif
    for (int i = 0; i < LockCount; ++i)
        on[static_cast<std::size_t>(i)] = IsLedOn(static_cast<Lock>(i));
#endif
    return on;
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
#ifdef BRUNOVELT_X11
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        m_x11.emplace(x11->display());
        if (m_x11->IsAvailable()) {
            m_x11->WatchChanges();
            QCoreApplication::instance()->installNativeEventFilter(this);
        } else {
            m_x11.reset();
        }
    }
#endif
    Refresh();
}

CKeyLockPanes::~CKeyLockPanes()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
}

bool CKeyLockPanes::nativeEventFilter(const QByteArray& eventType, void* message,
                                      qintptr* /*result*/)
{
#ifdef BRUNOVELT_X11
    // An X event begins with its type and, for an XKB event, the kind of XKB event.
    if (m_x11 && eventType == "xcb_generic_event_t") {
        const auto* bytes = static_cast<const std::uint8_t*>(message);
        if (m_x11->IsIndicatorChange(bytes[0], bytes[1]))
            Refresh();
    }
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
#endif
    return false; // Qt goes on with every event
}

bool CKeyLockPanes::eventFilter(QObject* watched, QEvent* event)
{
    // A lock changes with a key, in this program or, while it was inactive, in another one. An
    // X server reports each change itself, so its answer is not asked for at every key.
    if (event->type() == QEvent::ApplicationActivate ||
        (event->type() == QEvent::KeyRelease && !m_x11))
        Refresh();
    return QObject::eventFilter(watched, event);
}

void CKeyLockPanes::Refresh()
{
    const std::array<bool, LockCount> on = ReadLocks();
    for (std::size_t i = 0; i < LockCount; ++i)
        m_panes[i]->setText(on[i] ? QString::fromUtf8(kTexts[i]) : QString());
}

QString CKeyLockPanes::PaneText(Lock lock) const
{
    return m_panes[static_cast<std::size_t>(lock)]->text();
}
