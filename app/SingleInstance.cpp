#include "SingleInstance.h"

#include "LocalChannel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <utility>

namespace {

constexpr int kAnswerMs = 5000;
const QByteArray kRequest = "activate\n";
const QByteArray kAnswer = "ok\n";

// The socket for the document at `path`: the same file reached through links is one document.
QString SocketName(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QString identity = canonical.isEmpty() ? path : canonical;
#ifdef Q_OS_WIN
    // Pipe names live in a per-session namespace of their own there.
    return QStringLiteral("brunovelt-") + qEnvironmentVariable("USERNAME") + u'-' +
           QString::fromLatin1(
               QCryptographicHash::hash(identity.toLower().toUtf8(), QCryptographicHash::Sha256)
                   .toHex()
                   .left(24));
#else
    // The runtime folder belongs to the user alone (Qt makes one with mode 0700 when the system
    // names none), so no other user can answer or listen in his place.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return {};
    return folder + QStringLiteral("/brunovelt-") +
           QString::fromLatin1(
               QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha256)
                   .toHex()
                   .left(24));
#endif
}

} // namespace

CSingleInstance::CSingleInstance(std::function<void()> activate) : m_activate(std::move(activate))
{}

CSingleInstance::~CSingleInstance() = default;

bool CSingleInstance::ActivateRunning(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString name = SocketName(path);
    if (name.isEmpty())
        return false;
    return AskLocalChannel(name, kRequest, kAnswer, kAnswerMs).startsWith(kAnswer);
}

void CSingleInstance::Serve(const QString& path)
{
    if (path == m_path && (m_listener || path.isEmpty()))
        return;
    m_listener.reset();
    m_path = path;
    if (path.isEmpty())
        return;
    const QString name = SocketName(path);
    if (name.isEmpty())
        return;
    auto listener = std::make_unique<CLocalListener>([this](const QByteArray& request) {
        if (request != kRequest)
            return QByteArray();
        // After the answer is on its way.
        QTimer::singleShot(0, [activate = m_activate] {
            if (activate)
                activate();
        });
        return kAnswer;
    });
    CLocalListener::EListen listening = listener->Listen(name);
    // A socket file left by a program that ended without closing it: nobody answers on it.
    if (listening == CLocalListener::EListen::NameInUse && !ActivateRunning(path)) {
        CLocalListener::RemoveStale(name);
        listening = listener->Listen(name);
    }
    if (listening == CLocalListener::EListen::Listening)
        m_listener = std::move(listener);
}
