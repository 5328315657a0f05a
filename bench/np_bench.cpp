// Now-playing server load, run on demand:
//   QT_QPA_PLATFORM=offscreen build/bench/np_bench [REQUESTS]
// Bounded load clients on 127.0.0.1 (1, 8 and 64 at once, REQUESTS each on
// a kept connection, raw wire) against the real server drawing every picture
// anew, and against the same server answering a picture rendered once, in
// the same run. Reports pictures per second, p50/p99 latency, and the
// longest gap in the GUI thread's event loop meanwhile (the player keeps
// serving its window while the server works).
#include "imageserver/npimageserver.h"
#include "support/pictureclient.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
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

void measure(const char* what, TNpImageServer& server, int clients, int requests)
{
    // The GUI thread's turns: a 1 ms timer notes the longest wait.
    qint64 longest = 0;
    QElapsedTimer sinceTurn;
    sinceTurn.start();
    QTimer turns;
    QObject::connect(&turns, &QTimer::timeout, [&] { longest = std::max(longest, sinceTurn.restart()); });
    turns.start(1);

    std::vector<double> all;
    std::mutex lock;
    std::atomic<int> done{0};
    QElapsedTimer wall;
    wall.start();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&] {
            const std::vector<double> ms = runClient(server.Port(), requests);
            std::lock_guard<std::mutex> g(lock);
            all.insert(all.end(), ms.begin(), ms.end());
            ++done;
        });
    while (done < clients)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    for (auto& t : threads)
        t.join();
    const double seconds = wall.nsecsElapsed() / 1e9;
    turns.stop();
    std::sort(all.begin(), all.end());
    const auto pct = [&](double p) { return all.empty() ? 0.0 : all[std::min(all.size() - 1, size_t(p * all.size()))]; };
    std::printf("%-12s %2d clients: %6zu pictures, %8.1f pictures/s, p50 %6.2f ms, p99 %6.2f ms, longest GUI gap %lld ms\n",
                what, clients, all.size(), all.size() / seconds, pct(0.5), pct(0.99), static_cast<long long>(longest));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int requests = argc > 1 ? std::atoi(argv[1]) : 200;
    vimbo::NowPlaying state;
    state.trackLine = "Some Artist :: A Rather Long Song Title";
    state.skinName = "Ember";
    state.unactive = 0x202630;
    state.border = 0x24467A;
    state.text = 0x66BAFF;
    state.clicked = 0x8CD6FF;
    state.over = 0x48A0FA;

    TNpImageServer drawing(60000);
    drawing.CurrentState = [&] { return state; };
    drawing.Start(0);
    TNpImageServer prerendered(60000);
    const TNpPicture once = TNpImageServer::RenderPicture(state, true);
    prerendered.Render = [&](const vimbo::NowPlaying&, bool) { return once; };
    prerendered.Start(0);
    std::printf("picture: JPEG %lld bytes, BMP %lld bytes\n", static_cast<long long>(once.jpeg.size()),
                static_cast<long long>(once.bmp.size()));
    for (int clients : {1, 8, 64}) {
        measure("drawn anew", drawing, clients, requests);
        measure("pre-rendered", prerendered, clients, requests);
    }
    return 0;
}
