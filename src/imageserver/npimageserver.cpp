#include "npimageserver.h"

#include "platform/errors.h"

#include <QTcpServer>
#include <QTcpSocket>

quint16 TNpImageServer::configuredPort()
{
    bool ok = false;
    const uint port = qEnvironmentVariable("VIMBO_NP_PORT").toUInt(&ok);
    return ok && port <= 65535 ? quint16(port) : quint16(120);
}

TNpImageServer::TNpImageServer(QObject* parent) : QObject(parent), m_server(new QTcpServer(this))
{
    // Until pictures are served, a client is let go at once rather than left waiting.
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* client = m_server->nextPendingConnection()) {
            client->disconnectFromHost();
            connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        }
    });
}

void TNpImageServer::Start(quint16 port)
{
    if (!m_server->listen(QHostAddress::Any, port))
        throw EVimboError(m_server->errorString());
}

bool TNpImageServer::IsActive() const
{
    return m_server->isListening();
}

quint16 TNpImageServer::Port() const
{
    return m_server->serverPort();
}
