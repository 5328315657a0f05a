// Lets one player run per user: the first process listens on a local socket
// in the user's runtime folder; a later process finds it there and hands its
// request over instead of starting.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace vimbo {

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `runtimeFolder` holds the socket and the lock that makes claiming it atomic.
    explicit SingleInstance(const QString& runtimeFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Role { First, Second };
    // Becomes the first instance (listening) unless a live one answers. A
    // socket left by an instance that died is removed and taken over.
    Role claim();
    QString serverName() const { return m_socketPath; }

    // Second instance: asks the first to take in `path` (also stored in
    // "Opened") and waits until it has. False when the first did not answer in time.
    bool sendOpenFile(const QString& path, int timeoutMs);
    // Second instance: asks the first to come to the front.
    bool sendActivate(int timeoutMs);

    // First instance: what to do on each request. Once the player is ready
    // each runs to its end before the second instance is answered; a request
    // that comes during start-up is answered at once and carried out, in
    // order, when startServing() is called.
    std::function<void(const QString& path)> onOpenFile;
    std::function<void()> onActivate;
    void startServing();

private:
    bool request(const QByteArray& command, int timeoutMs);
    void serve(QLocalSocket* client);
    void carryOut(const QByteArray& line);

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
    bool m_serving = false;
    QList<QByteArray> m_pending; // requests that came during start-up
    std::unique_ptr<QLocalSocket> m_client;
};

} // namespace vimbo
