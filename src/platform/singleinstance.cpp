#include "singleinstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <cstring>

namespace vimbo {

namespace {
// One request a line: "open <base64 of the UTF-8 path>", "raise"; answered "done".
constexpr const char* kOpenFile = "open ";
constexpr const char* kActivate = "raise";
constexpr const char* kDone = "done\n";
constexpr qsizetype kMaxRequest = 64 * 1024;
} // namespace

SingleInstance::SingleInstance(const QString& runtimeFolder, QObject* parent)
    : QObject(parent), m_socketPath(QDir(runtimeFolder).filePath(QStringLiteral("vimbo.sock"))),
      m_lock(QDir(runtimeFolder).filePath(QStringLiteral("vimbo.lock")))
{
    QDir().mkpath(runtimeFolder);
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Role SingleInstance::claim()
{
    // The lock makes "is anyone listening? then listen" one step, so two
    // players started together cannot both become the first.
    m_lock.lock();
    auto client = std::make_unique<QLocalSocket>();
    client->connectToServer(m_socketPath);
    if (client->waitForConnected(2000)) {
        m_client = std::move(client);
        m_lock.unlock();
        return Role::Second;
    }
    // Nobody answers: whatever socket file is there was left by a dead instance.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const bool listening = m_server->listen(m_socketPath);
    m_lock.unlock();
    if (!listening)
        qWarning("Cannot listen on %s: %s", qPrintable(m_socketPath),
                 qPrintable(m_server->errorString()));
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] { serve(client); });
        }
    });
    return Role::First;
}

void SingleInstance::startServing()
{
    m_serving = true;
    for (const QByteArray& line : std::exchange(m_pending, {}))
        carryOut(line);
}

void SingleInstance::carryOut(const QByteArray& line)
{
    if (line.startsWith(kOpenFile) && onOpenFile)
        onOpenFile(QString::fromUtf8(QByteArray::fromBase64(line.mid(qsizetype(strlen(kOpenFile))))));
    else if (line == kActivate && onActivate)
        onActivate();
}

void SingleInstance::serve(QLocalSocket* socket)
{
    // A request may open a dialog, whose event loop runs while the user
    // answers; a second instance that stops waiting meanwhile disconnects,
    // and its socket is deleted before the dialog returns.
    const QPointer<QLocalSocket> client(socket);
    while (client && client->canReadLine()) {
        const QByteArray line = client->readLine(kMaxRequest).trimmed();
        // During start-up the request waits here, and the second instance
        // need not wait for dialogs the user may not answer for a while.
        if (m_serving)
            carryOut(line);
        else
            m_pending.append(line);
        if (!client)
            return;
        client->write(kDone);
        client->flush();
    }
    // Nothing we speak is this long: drop a client that sends noise.
    if (client && client->bytesAvailable() > kMaxRequest)
        client->abort();
}

bool SingleInstance::request(const QByteArray& command, int timeoutMs)
{
    if (!m_client || m_client->state() != QLocalSocket::ConnectedState)
        return false;
    m_client->write(command);
    if (!m_client->waitForBytesWritten(timeoutMs))
        return false;
    while (!m_client->canReadLine()) {
        if (!m_client->waitForReadyRead(timeoutMs))
            return false;
    }
    return m_client->readLine(kMaxRequest) == kDone;
}

bool SingleInstance::sendOpenFile(const QString& path, int timeoutMs)
{
    return request(kOpenFile + path.toUtf8().toBase64() + '\n', timeoutMs);
}

bool SingleInstance::sendActivate(int timeoutMs)
{
    return request(QByteArray(kActivate) + '\n', timeoutMs);
}

} // namespace vimbo
