// The now-playing image server's listening socket.
#pragma once

#include <QObject>

class QTcpServer;

class TNpImageServer : public QObject
{
    Q_OBJECT
public:
    // The port the server listens on: 120, or $VIMBO_NP_PORT when set.
    static quint16 configuredPort();

    explicit TNpImageServer(QObject* parent = nullptr);
    // Starts listening on every interface. Throws EVimboError when the port
    // cannot be opened (in use, or below 1024 without the right to bind it).
    void Start(quint16 port);
    bool IsActive() const;
    // The port actually bound (differs from the requested one only for port 0).
    quint16 Port() const;

private:
    QTcpServer* m_server;
};
