// Now-playing server load, run on demand:
//   QT_QPA_PLATFORM=offscreen build/bench/np_bench [REQUESTS]
// Bounded load clients on 127.0.0.1 (1, 8 and 64 at once, REQUESTS each on
// a kept connection, raw wire) against the player's own server (a main
// window over a store of its own, its snapshot and its kept picture), and
// against a server answering a picture rendered once, in the same run.
// Reports pictures per second, p50/p99 latency, and the longest gap in the
// GUI thread's event loop meanwhile (the player keeps serving its window
// while the server works). Then the first picture after each of a number of
// track changes, and pictures while the GUI thread holds the store in a
// transaction (as a rebuild does).
#include "guiturns.h"
#include "imageserver/npimageserver.h"
#include "readyform.h"
#include "support/pictureclient.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// One client: connects, then sends a request and reads one whole answer
// (JPEG + BMP, sized by the BMP header), `requests` times.
std::vector<double> runClient(quint16 port, int requests)
{
    std::vector<double> ms;
    const int fd = connectLoopback(port);
    if (fd < 0)
        return ms;
    QByteArray got;
    char buf[65536];
    for (int i = 0; i < requests; ++i) {
        QElapsedTimer t;
        t.start();
        ::send(fd, "x", 1, MSG_NOSIGNAL);
        got.clear();
        while (!hasWholeRawAnswer(got)) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) {
                ::close(fd);
                return ms;
            }
            got.append(buf, qsizetype(n));
        }
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    ::close(fd);
    return ms;
}

// Runs the GUI thread's event loop, as the player's runs, until `over`
// says so: the thread sleeps between events, and wakes for its timers and
// the server's connections (spinning through events instead would make the
// thread compete with every worker for the processors).
void waitInEventLoop(const std::function<bool()>& over)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (over())
            loop.quit();
    });
    check.start(2);
    loop.exec();
}

void measure(const char* what, TNpImageServer& server, int clients, int requests)
{
    GuiTurns turns;

    std::vector<double> all;
    std::mutex lock;
    std::atomic<int> done{0};
    QElapsedTimer wall;
    wall.start();
    // The clients are started from a thread of their own: the GUI thread
    // does what the player's does, and nothing for the clients.
    const quint16 port = server.Port();
    std::thread launcher([&] {
        std::vector<std::thread> threads;
        for (int c = 0; c < clients; ++c)
            threads.emplace_back([&] {
                const std::vector<double> ms = runClient(port, requests);
                std::lock_guard<std::mutex> g(lock);
                all.insert(all.end(), ms.begin(), ms.end());
                ++done;
            });
        for (auto& t : threads)
            t.join();
    });
    waitInEventLoop([&] { return done == clients; });
    launcher.join();
    const double seconds = wall.nsecsElapsed() / 1e9;
    turns.stop();
    std::sort(all.begin(), all.end());
    const auto pct = [&](double p) { return all.empty() ? 0.0 : all[std::min(all.size() - 1, size_t(p * all.size()))]; };
    std::printf("%s %d clients: %6zu pictures, %8.1f pictures/s, p50 %6.2f ms, p99 %6.2f ms, longest GUI gap %lld ms\n",
                what, clients, all.size(), all.size() / seconds, pct(0.5), pct(0.99), static_cast<long long>(turns.longest));
}

// The time of one request and its answer on a connection of its own, made
// on another thread while this one serves the server's events.
double timedPicture(quint16 port)
{
    std::atomic<bool> done{false};
    double ms = -1;
    std::thread t([&] {
        const std::vector<double> one = runClient(port, 1);
        ms = one.empty() ? -1 : one.front();
        done = true;
    });
    waitInEventLoop([&] { return done.load(); });
    t.join();
    return ms;
}

void report(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%s: %zu pictures, p50 %.2f ms, longest %.2f ms\n", what, ms.size(), ms.empty() ? 0.0 : ms[ms.size() / 2],
                ms.empty() ? 0.0 : ms.back());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int requests = argc > 1 ? std::atoi(argv[1]) : 200;

    // The player, its window shown (the built-in skin's colours), two entries.
    QTemporaryDir dir;
    std::unique_ptr<TVimboForm> form = makeReadyForm(dir);
    form->show();
    QDir().mkpath(dir.filePath("Music/Some Artist"));
    const qint32 first = form->PlaylistView.AddPlaylistEntry(dir.filePath("Music/Some Artist/A Rather Long Song Title.mp3"));
    const qint32 second = form->PlaylistView.AddPlaylistEntry(dir.filePath("Music/Other Artist/Another Song.mp3"));
    form->Playback.CurrentIndex = first;
    QCoreApplication::processEvents();

    TNpImageServer prerendered(60000);
    const TNpPicture once = TNpImageServer::RenderPicture(form->NowPlayingSnapshot(), true);
    prerendered.Render = [&](const vimbo::NowPlaying&, bool) { return once; };
    prerendered.Start(0);
    std::vector<double> drawing;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        TNpImageServer::RenderPicture(form->NowPlayingSnapshot(), true);
        drawing.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(drawing.begin(), drawing.end());
    std::printf("picture: JPEG %lld bytes, BMP %lld bytes; drawn and encoded in %.2f ms (median of 50)\n",
                static_cast<long long>(once.jpeg.size()), static_cast<long long>(once.bmp.size()), drawing[25]);
    for (int clients : {1, 8, 64}) {
        measure("player", form->ImageServer, clients, requests);
        measure("pre-rendered", prerendered, clients, requests);
    }

    const quint16 port = form->ImageServer.Port();
    std::vector<double> changes;
    for (int i = 0; i < 40; ++i) {
        form->Playback.CurrentIndex = i % 2 ? first : second;
        changes.push_back(timedPicture(port));
    }
    report("first picture after a track change, new connection", changes);
    changes.clear();
    {
        // A client that keeps its connection (a page reloading its picture).
        const int fd = connectLoopback(port);
        for (int i = 0; i < 40; ++i) {
            form->Playback.CurrentIndex = i % 2 ? first : second;
            std::atomic<bool> done{false};
            std::thread t([&] {
                QElapsedTimer timer;
                timer.start();
                ::send(fd, "x", 1, MSG_NOSIGNAL);
                QByteArray got;
                char buf[65536];
                while (!hasWholeRawAnswer(got)) {
                    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                    if (n <= 0)
                        break;
                    got.append(buf, qsizetype(n));
                }
                changes.push_back(timer.nsecsElapsed() / 1e6);
                done = true;
            });
            waitInEventLoop([&] { return done.load(); });
            t.join();
        }
        ::close(fd);
    }
    report("first picture after a track change, kept connection", changes);

    std::vector<double> held;
    form->PlaylistKey().database()->transaction([&] {
        form->PlaylistKey().writeString(QString::number(first), dir.filePath("Music/Held/Not Yet Committed.mp3"));
        for (int i = 0; i < 40; ++i)
            held.push_back(timedPicture(port));
    });
    report("picture while the store is held in a transaction", held);
    return 0;
}
