// Shuffle benchmark, run on demand:
//   build/bench/shuffle_bench
// Draws the coming-up entry through one whole shuffle cycle (every entry
// once, then the call that starts the next cycle) over playlists of 1,000 and
// 100,000 entries, without gaps and with every tenth index deleted, with the
// real clock. Reports the longest call and the median (goal: no call longer
// than 5 ms at 100,000 entries) and the whole cycle's time.
#include "playback/playbackcontrol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct SilentView : vimbo::PlaybackView
{
    QString FileLabelText() const override { return {}; }
    void SetFileLabel(const QString&) override {}
    void SetComingUpLabel(const QString&) override {}
    void SetApplicationTitle(const QString&) override {}
};

void runCycle(const QTemporaryDir& dir, int last, bool gaps)
{
    auto db = vimbo::RegistryDatabase::open(dir.filePath(QString("shuffle-%1-%2.db").arg(last).arg(gaps)));
    vimbo::RegistryKey settings(db, vimbo::kSettingsKeyPath), entries(db, vimbo::kPlaylistKeyPath);
    int count = 0;
    db->transaction([&] {
        for (int i = 1; i <= last; ++i) {
            if (gaps && i % 10 == 0)
                continue;
            entries.writeString(QString::number(i), QString("/music/album %1/track_%2.mp3").arg(i % 50).arg(i));
            ++count;
        }
        settings.writeInteger("LastPlItem", last);
    });
    vimbo::PlaylistStore store(settings, entries);
    TMp3DecPlayer player;
    SilentView view;
    vimbo::PlaybackControl control(store, settings, player, view);
    control.ShuffleOn = true;

    std::vector<qint64> micros;
    micros.reserve(size_t(count) + 1);
    QElapsedTimer whole, call;
    whole.start();
    // Every entry once, then the call that begins a new cycle.
    do {
        call.start();
        control.ChooseComingUp();
        micros.push_back(call.nsecsElapsed() / 1000);
    } while (control.ShuffleCount != 0 && micros.size() <= size_t(count) + 1);
    const qint64 total = whole.elapsed();
    std::vector<qint64> sorted = micros;
    std::sort(sorted.begin(), sorted.end());
    std::printf("%6d entries%s: %zu calls, longest %.2f ms, median %.3f ms, whole cycle %lld ms "
                "(goal: longest <= 5 ms)\n",
                count, gaps ? " (every tenth index a gap)" : "", micros.size(), double(sorted.back()) / 1000,
                double(sorted[sorted.size() / 2]) / 1000, static_cast<long long>(total));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    for (int last : {1000, 100000})
        for (bool gaps : {false, true})
            runCycle(dir, last, gaps);
    return 0;
}
