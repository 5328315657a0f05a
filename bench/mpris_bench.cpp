// What putting the player on the media bus adds to a start: connecting to
// the session bus and registering the service, timed in fresh processes (the
// first connection of a process is the one a start pays for). Run under a
// session bus: bench/mpris.sh does, or dbus-run-session -- build/bench/mpris_bench.
#include "shell/mpris.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Answers like an idle player; commands do nothing.
class IdleHost : public vimbo::MprisHost
{
public:
    vimbo::MprisState MprisCurrent() const override { return {}; }
    qint64 MprisPosition() const override { return 0; }
    void MprisRaise() override {}
    void MprisQuit() override {}
    void MprisNext() override {}
    void MprisPrevious() override {}
    void MprisPlay() override {}
    void MprisPause() override {}
    void MprisStop() override {}
    void MprisSeekTo(qint64) override {}
    void MprisSetRepeat(bool) override {}
    void MprisSetShuffle(bool) override {}
    void MprisSetVolume(int) override {}
    void MprisOpenFile(const QString&) override {}
};

int once(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QElapsedTimer t;
    t.start();
    IdleHost host;
    vimbo::MprisService service(host);
    if (!service.Start(QDBusConnection::sessionBus()))
        return 1;
    std::printf("%lld\n", static_cast<long long>(t.nsecsElapsed() / 1000));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--once") == 0)
        return once(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 31;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.start(QString::fromLocal8Bit(argv[0]), {"--once"});
        if (!p.waitForFinished(10000) || p.exitCode() != 0) {
            std::fprintf(stderr, "no session bus, or the name could not be had\n");
            return 1;
        }
        ms.push_back(p.readAllStandardOutput().trimmed().toDouble() / 1000);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("bus connection + service registration in a fresh process: median %.2f ms, min %.2f, max %.2f "
                "over %d runs (goal: under 10 ms)\n",
                ms[ms.size() / 2], ms.front(), ms.back(), runs);
    return 0;
}
