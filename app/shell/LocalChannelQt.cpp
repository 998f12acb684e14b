#include "LocalChannel.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <utility>

bool FitsLocalChannelName(const QString& name)
{
    return !name.isEmpty();
}

bool IsLocalChannelListening(const QString& name)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    return socket.waitForConnected(100);
}

QByteArray AskLocalChannel(const QString& name, const QByteArray& request, const QByteArray& answer,
                           int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return {}; // nobody there, or a pipe left by a program that has ended
    socket.write(request);
    if (!socket.waitForBytesWritten(timeoutMs))
        return {};
    QByteArray received;
    while (received.size() < answer.size() && socket.waitForReadyRead(timeoutMs))
        received += socket.readAll();
    return received;
}

struct CLocalListener::CState
{
    std::function<QByteArray(const QByteArray&)> onRequest;
    QLocalServer server;
};

CLocalListener::CLocalListener(std::function<QByteArray(const QByteArray&)> onRequest)
    : m_state(std::make_unique<CState>())
{
    m_state->onRequest = std::move(onRequest);
    m_state->server.setSocketOptions(QLocalServer::UserAccessOption);
}

CLocalListener::~CLocalListener() = default;

CLocalListener::EListen CLocalListener::Listen(const QString& name)
{
    QLocalServer& server = m_state->server;
    if (!server.listen(name))
        return server.serverError() == QAbstractSocket::AddressInUseError ? EListen::NameInUse
                                                                          : EListen::Failed;
    CState* state = m_state.get();
    QObject::connect(&server, &QLocalServer::newConnection, &server, [state] {
        while (QLocalSocket* client = state->server.nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(client, &QLocalSocket::readyRead, client, [state, client] {
                if (client->bytesAvailable() > static_cast<qint64>(kLongestRequest)) {
                    client->abort(); // no request is that long
                    return;
                }
                if (!client->canReadLine())
                    return;
                const QByteArray reply = state->onRequest(client->readLine());
                if (!reply.isEmpty()) {
                    client->write(reply);
                    client->flush();
                }
                client->disconnectFromServer();
            });
        }
    });
    return EListen::Listening;
}

void CLocalListener::RemoveStale(const QString& name)
{
    QLocalServer::removeServer(name);
}
