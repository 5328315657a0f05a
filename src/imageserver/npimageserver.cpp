#include "npimageserver.h"

#include "imageserver/requestscan.h"
#include "platform/errors.h"
#include "skins/skinbitmap.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cxxabi.h>

quint16 TNpImageServer::configuredPort()
{
    bool ok = false;
    const uint port = qEnvironmentVariable("VIMBO_NP_PORT").toUInt(&ok);
    return ok && port <= 65535 ? quint16(port) : quint16(120);
}

TNpPicture TNpImageServer::RenderPicture(const vimbo::NowPlaying& state, bool withBmp)
{
    const QImage image = vimbo::DrawNowPlayingImage(state);
    return {vimbo::EncodeJpeg(image), withBmp ? vimbo::EncodeBmp(image) : QByteArray()};
}

std::shared_ptr<const TNpPicture> TNpImageServer::PictureFor(const vimbo::NowPlaying& state)
{
    const auto kept = [&]() -> std::shared_ptr<const TNpPicture> {
        QMutexLocker lock(&m_keptLock);
        return m_keptState == state ? m_kept : nullptr;
    };
    if (auto picture = kept())
        return picture;
    QMutexLocker drawing(&m_drawLock);
    // Drawn by another worker while this one waited?
    if (auto picture = kept())
        return picture;
    auto picture = std::make_shared<const TNpPicture>(Render(state, true));
    QMutexLocker lock(&m_keptLock);
    m_keptState = state;
    m_kept = picture;
    return picture;
}

TNpImageServer::TNpImageServer(int idleTimeoutMs, QObject* parent) : QTcpServer(parent), IdleTimeoutMs(idleTimeoutMs)
{
    // A timer of 1 ms, not posted calls or a zero timer: posted calls made
    // while posted events are delivered are delivered in the same pass, and
    // zero timers run ahead of the others, so the window's own timers would
    // wait for the whole burst. A new connection's worker starts within a
    // millisecond.
    m_housekeeping.setInterval(1);
    connect(&m_housekeeping, &QTimer::timeout, this, &TNpImageServer::startAndFreeWorkers);
    m_stopSignal = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

TNpImageServer::~TNpImageServer()
{
    Stop();
    if (m_stopSignal >= 0)
        ::close(m_stopSignal);
}

void TNpImageServer::Stop()
{
    close();
    stopWorkers();
}

void TNpImageServer::stopWorkers()
{
    // Every worker waits on this signal too: once it is set, all of them end.
    if (m_stopSignal >= 0) {
        const quint64 one = 1;
        [[maybe_unused]] const auto written = ::write(m_stopSignal, &one, sizeof one);
    }
    for (QThread* t : std::as_const(m_threads) + std::as_const(m_ended)) {
        t->wait();
        delete t;
    }
    m_threads.clear();
    m_ended.clear();
    for (int socket : std::as_const(m_waiting))
        ::close(socket);
    m_waiting.clear();
    m_housekeeping.stop();
}

void TNpImageServer::Start(quint16 port)
{
    if (m_stopSignal < 0)
        throw EVimboError(QStringLiteral("no wake-up signal for the server's workers"));
    if (!listen(QHostAddress::Any, port))
        throw EVimboError(errorString());
}

void TNpImageServer::incomingConnection(qintptr socketDescriptor)
{
    // One accept round can bring more connections than there are places:
    // those beyond the bound are closed; the rest wait in the listen queue
    // while accepting is paused.
    if (ActiveWorkers() >= MaxWorkers) {
        ::close(int(socketDescriptor));
        pauseAccepting();
        return;
    }
    // Starting a thread takes the GUI thread up to milliseconds when the
    // processors are busy; the workers of a burst of connections are
    // started a few per turn of the event loop (and freed so when they
    // end), the window's events running in between.
    m_waiting.append(int(socketDescriptor));
    m_housekeeping.start();
    if (ActiveWorkers() >= MaxWorkers)
        pauseAccepting();
}

void TNpImageServer::startAndFreeWorkers()
{
    for (int started = 0; started < kWorkersPerTurn && !m_waiting.isEmpty(); ++started)
        ServerThread(m_waiting.takeFirst());
    for (int freed = 0; freed < kWorkersPerTurn && !m_ended.isEmpty(); ++freed) {
        QThread* worker = m_ended.takeFirst();
        worker->wait(); // past its last instruction before it goes
        delete worker;
    }
    if (m_waiting.isEmpty() && m_ended.isEmpty())
        m_housekeeping.stop();
}

TVimboThread* TNpImageServer::ServerThread(qintptr socketDescriptor)
{
    auto* worker = new TVimboThread(*this, socketDescriptor);
    m_threads.append(worker);
    connect(worker, &QThread::finished, this, [this, worker] {
        m_threads.removeOne(worker);
        m_ended.append(worker);
        m_housekeeping.start();
        if (ActiveWorkers() < MaxWorkers)
            resumeAccepting();
    });
    worker->start();
    return worker;
}

TVimboThread::TVimboThread(TNpImageServer& server, qintptr socket)
    : m_server(server), m_state(server.CurrentState), m_idleMs(server.IdleTimeoutMs),
      m_stopSignal(server.m_stopSignal), m_socket(int(socket))
{
}

TVimboThread::~TVimboThread()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

bool TVimboThread::waitReadable(int timeoutMs)
{
    pollfd fds[2] = {{m_socket, POLLIN, 0}, {m_stopSignal, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0 && !(fds[1].revents & POLLIN) && (fds[0].revents & (POLLIN | POLLHUP | POLLERR));
    }
}

bool TVimboThread::readMore()
{
    char chunk[16 * 1024];
    for (;;) {
        const ssize_t n = ::recv(m_socket, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            m_pending.append(chunk, qsizetype(n));
            return true;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return false; // closed by the client, or an error
    }
}

bool TVimboThread::sendAll(const QByteArray& bytes, bool more)
{
    const int flags = MSG_NOSIGNAL | MSG_DONTWAIT | (more ? MSG_MORE : 0);
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(m_socket, bytes.constData() + sent, size_t(bytes.size() - sent), flags);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A client that stops reading is given the idle time, then let go.
            pollfd fds[2] = {{m_socket, POLLOUT, 0}, {m_stopSignal, POLLIN, 0}};
            if (::poll(fds, 2, m_idleMs) <= 0 || (fds[1].revents & POLLIN))
                return false;
            continue;
        }
        return false;
    }
    return true;
}

TVimboThread::Request TVimboThread::readRequest(bool& keepOpen)
{
    keepOpen = true;
    // A client may send requests before it has read the answers; a few are
    // answered in turn, but a stream of them (thousands in one packet) would
    // keep this worker drawing for one client alone.
    if (m_pending.isEmpty()) {
        m_queued = 0;
        if (!(waitReadable(m_idleMs) && readMore()))
            return Request::None;
    } else if (++m_queued > TNpImageServer::kMaxQueuedRequests) {
        m_pending.clear();
        return Request::None;
    }
    using Kind = vimbo::RequestScan::Kind;
    vimbo::RequestStage stalledAt = vimbo::RequestStage::None;
    vimbo::RequestScan scan;
    for (;;) {
        scan = vimbo::ScanRequest(m_pending, stalledAt);
        if (scan.kind != Kind::More)
            break;
        // The request line may come in pieces, each soon after the last; the
        // headers of a request under way are given the idle time.
        const int waitMs = scan.waitFor == vimbo::RequestStage::Head ? m_idleMs : kPieceWaitMs;
        stalledAt = waitReadable(waitMs) && readMore() ? vimbo::RequestStage::None : scan.waitFor;
    }
    switch (scan.kind) {
    case Kind::Raw:
        // Whatever came is one request; what is already on its way with it
        // too (within reason: a client that never pauses is answered anyway).
        for (int reads = 0; reads < 64 && waitReadable(0) && readMore(); ++reads) {
            if (m_pending.size() > TNpImageServer::kMaxRequestHead)
                m_pending.clear();
        }
        m_pending.clear();
        return Request::Raw;
    case Kind::Get:
    case Kind::Head:
        m_pending.remove(0, scan.used);
        keepOpen = scan.keepOpen;
        return scan.kind == Kind::Get ? Request::Get : Request::Head;
    case Kind::More:
    case Kind::None:
        break;
    }
    return Request::None;
}

void TVimboThread::run()
{
    // The player's own window comes first: with many clients at once the
    // workers take the time the GUI thread leaves (Linux keeps a nice value
    // per thread; only this worker's is raised).
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, 0);
    if (errno == 0)
        ::setpriority(PRIO_PROCESS, id_t(::gettid()), std::min(nice + kWorkerNiceness, 19));
    // Whatever goes wrong while one client is served (a playlist entry of
    // the wrong type in the store, no memory for a picture) ends this
    // worker alone: the connection closes, the server and the player go on.
    try {
        ServeClient();
    } catch (abi::__forced_unwind&) {
        throw; // the thread is being cancelled: let it unwind
    } catch (const std::exception& e) {
        qWarning("NP Image server: a client's worker ended: %s", e.what());
    } catch (...) {
        qWarning("NP Image server: a client's worker ended on an unknown error");
    }
    ::shutdown(m_socket, SHUT_RDWR);
}

void TVimboThread::ServeClient()
{
    for (;;) {
        bool keepOpen = true;
        const Request request = readRequest(keepOpen);
        if (request == Request::None)
            break;
        const vimbo::NowPlaying state = m_state ? m_state() : vimbo::NowPlaying{};
        // Shared with the other workers, and never changed once made: the
        // JPEG and the BMP sent are always of one picture.
        const std::shared_ptr<const TNpPicture> picture = m_server.PictureFor(state);
        bool sent = false;
        if (request == Request::Raw) {
            sent = sendAll(picture->jpeg, true) && sendAll(picture->bmp);
        } else {
            const QByteArray head =
                QByteArrayLiteral("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: ") +
                QByteArray::number(picture->jpeg.size()) +
                QByteArrayLiteral("\r\nCache-Control: no-store\r\nConnection: ") +
                (keepOpen ? QByteArrayLiteral("keep-alive") : QByteArrayLiteral("close")) +
                QByteArrayLiteral("\r\n\r\n");
            sent = request == Request::Get ? sendAll(head, true) && sendAll(picture->jpeg) : sendAll(head);
        }
        if (!sent || !keepOpen)
            break;
    }
}
