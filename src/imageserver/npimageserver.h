// The now-playing picture server: a listening socket on the main thread and
// one worker thread per connection (at most a fixed number at once). The
// last picture drawn is kept with the state it shows and answers every
// request for that state; a new state is drawn once, whoever asks first.
#pragma once

#include "imageserver/nowplayingimage.h"
#include "imageserver/requestscan.h"

#include <QMutex>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class TVimboThread;

// A picture as it goes on the wire.
struct TNpPicture
{
    QByteArray jpeg;
    QByteArray bmp; // left empty when only the JPEG is asked for
};

class TNpImageServer : public QTcpServer
{
    Q_OBJECT
public:
    // Called from the worker threads: the player's state at this moment.
    using Snapshot = std::function<vimbo::NowPlaying()>;
    // Called from the worker threads: the picture for a state, drawn anew.
    using Renderer = std::function<TNpPicture(const vimbo::NowPlaying&, bool withBmp)>;

    static constexpr int kMaxWorkers = 64;
    // The largest HTTP request head read; a longer one closes the connection.
    static constexpr int kMaxRequestHead = vimbo::kMaxRequestHead;
    // The most requests a connection may have waiting behind the one being
    // answered (sent before their answers were read); with more, the
    // connection closes once these are answered.
    static constexpr int kMaxQueuedRequests = 16;

    // The port the server listens on: 120, or $VIMBO_NP_PORT when set.
    static quint16 configuredPort();
    static TNpPicture RenderPicture(const vimbo::NowPlaying& state, bool withBmp);

    // `idleTimeoutMs`: a client silent this long is let go (the player: 60 s).
    explicit TNpImageServer(int idleTimeoutMs, QObject* parent = nullptr);
    ~TNpImageServer() override;

    Snapshot CurrentState; // what the pictures show; a blank state without it
    Renderer Render = &TNpImageServer::RenderPicture;
    const int IdleTimeoutMs;
    int MaxWorkers = kMaxWorkers;

    // Starts listening on every interface. Throws EVimboError when the port
    // cannot be opened (in use, or below 1024 without the right to bind it).
    void Start(quint16 port);
    // Closes the socket and ends every worker (waiting for them).
    void Stop();
    bool IsActive() const { return isListening(); }
    quint16 Port() const { return serverPort(); }
    // Workers running, and connections accepted whose worker is about to start.
    int ActiveWorkers() const { return int(m_threads.size() + m_waiting.size()); }

    // Any thread: the picture (JPEG and BMP) for `state`. The one kept is
    // handed out while the state is the same; otherwise it is drawn with
    // Render, one drawing at a time, and kept. A worker asking meanwhile
    // for the state being drawn waits for that drawing, not for a second.
    std::shared_ptr<const TNpPicture> PictureFor(const vimbo::NowPlaying& state);

protected:
    void incomingConnection(qintptr socketDescriptor) override;
    // Makes the worker for an accepted connection and starts it.
    TVimboThread* ServerThread(qintptr socketDescriptor);

private:
    friend class TVimboThread;
    void stopWorkers();
    // One turn of starting waiting workers and freeing ended ones.
    void startAndFreeWorkers();
    // Workers started, and ended ones freed, in one turn of the event loop
    // (each can cost milliseconds while many threads want the processors).
    static constexpr int kWorkersPerTurn = 1;

    int m_stopSignal = -1; // readable once the workers must end
    QList<QThread*> m_threads;
    QList<int> m_waiting;     // accepted connections whose worker starts next
    QList<QThread*> m_ended;  // workers that have finished, to be freed
    QTimer m_housekeeping;    // runs startAndFreeWorkers while either list holds any

    QMutex m_keptLock; // the picture kept and its state, swapped together
    std::optional<vimbo::NowPlaying> m_keptState;
    std::shared_ptr<const TNpPicture> m_kept;
    QMutex m_drawLock; // held while a picture is drawn
};

// Serves one connection until the client goes quiet or away.
class TVimboThread : public QThread
{
    Q_OBJECT
public:
    TVimboThread(TNpImageServer& server, qintptr socket);
    ~TVimboThread() override;

protected:
    void run() override;

private:
    enum class Request { None, Raw, Get, Head };
    void ServeClient();
    Request readRequest(bool& keepOpen);
    // How far below the GUI thread a worker runs, in nice steps (64 busy
    // clients left the window waiting up to 60 ms at the same priority).
    static constexpr int kWorkerNiceness = 5;
    // How long the rest of a request line may take to arrive.
    static constexpr int kPieceWaitMs = 1000;
    // Waits for the connection to be readable (true) or for the idle time,
    // the server's stop or the client's close (false).
    bool waitReadable(int timeoutMs);
    bool readMore();
    // `more`: another piece of the same answer follows at once.
    bool sendAll(const QByteArray& bytes, bool more = false);

    TNpImageServer& m_server;
    const TNpImageServer::Snapshot m_state;
    const int m_idleMs;
    const int m_stopSignal;
    int m_socket;
    QByteArray m_pending; // bytes received and not yet part of an answered request
    int m_queued = 0;     // requests answered in a row from bytes already received
};
