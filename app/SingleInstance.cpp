#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

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
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kAnswerMs))
        return false; // nobody there, or a socket left by a program that has ended
    socket.write(kRequest);
    if (!socket.waitForBytesWritten(kAnswerMs))
        return false;
    QByteArray answer;
    while (answer.size() < kAnswer.size() && socket.waitForReadyRead(kAnswerMs))
        answer += socket.readAll();
    return answer.startsWith(kAnswer);
}

void CSingleInstance::Serve(const QString& path)
{
    if (path == m_path && (m_server || path.isEmpty()))
        return;
    m_server.reset();
    m_path = path;
    if (path.isEmpty())
        return;
    const QString name = SocketName(path);
    if (name.isEmpty())
        return;
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name)) {
        // A socket file left by a program that ended without closing it: nobody answers on it.
        if (server->serverError() != QAbstractSocket::AddressInUseError || ActivateRunning(path))
            return;
        QLocalServer::removeServer(name);
        if (!server->listen(name))
            return;
    }
    QLocalServer* listener = server.get();
    QObject::connect(listener, &QLocalServer::newConnection, listener, [this, listener] {
        while (QLocalSocket* client = listener->nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(client, &QLocalSocket::readyRead, client, [this, client] {
                if (client->bytesAvailable() > 64) {
                    client->abort(); // no request is that long
                    return;
                }
                if (!client->canReadLine())
                    return;
                if (client->readLine() == kRequest) {
                    client->write(kAnswer);
                    client->flush();
                    if (m_activate)
                        m_activate();
                }
                client->disconnectFromServer();
            });
        }
    });
    m_server = std::move(server);
}
