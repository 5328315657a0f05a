// Lyrics benchmark, run on demand:
//   build/bench/lyrics_bench
// The look-up on a position report with a 1,000-line lyric file attached
// (goal: under 50 us; every report of a 100-second stretch, hits and misses),
// and the look-up at a track start with 500 lyric files in the folder (goal:
// under 20 ms added to the start), the first start after the program began
// (every file read) and the starts after it.
#include "lyrics/lyrics.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void writeLyric(const QString& path, const QString& attachedTo, int lines)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return;
    QByteArray content = "[Timers]\r\n";
    for (int i = 0; i < lines; ++i)
        content += QByteArray::number(i * 37 + 12) + "=a line of the song, number " + QByteArray::number(i) + "\r\n";
    content += "[Settings]\r\nAttachedTo=" + attachedTo.toUtf8() + "\r\n";
    f.write(content);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString folder = dir.filePath("Lyrics");
    QDir().mkpath(folder);
    const QString track = "/music/Artist/Album/The Track.mp3";

    // One file of 1,000 lines attached to the track.
    writeLyric(folder + "/attached.sly", track, 1000);
    vimbo::LyricLibrary library(folder);
    library.TrackStarted(track);
    std::vector<double> reports;
    QElapsedTimer t;
    int shown = 0;
    for (int round = 0; round < 10; ++round) {
        for (qint32 position = 0; position < 1000; ++position) {
            t.start();
            shown += library.LineAt(position).isEmpty() ? 0 : 1;
            reports.push_back(double(t.nsecsElapsed()) / 1000.0);
        }
    }
    std::printf("report look-up, 1,000-line file: median %.2f us, worst %.1f us over %zu reports (%d lines found)\n",
                median(reports), *std::max_element(reports.begin(), reports.end()), reports.size(), shown / 10);

    // 500 files of 60 lines, one of them attached to the track.
    QDir(folder).remove("attached.sly");
    for (int i = 0; i < 499; ++i)
        writeLyric(folder + QString("/song %1.sly").arg(i), QString("/music/other/song %1.mp3").arg(i), 60);
    writeLyric(folder + "/zz.sly", track, 60);
    vimbo::LyricLibrary fresh(folder);
    // A track no file names: every file is read, at the first start of all.
    t.start();
    fresh.TrackStarted(QString("/music/not attached.mp3"));
    const double first = double(t.nsecsElapsed()) / 1e6;
    std::vector<double> later;
    for (int i = 0; i < 20; ++i) {
        t.start();
        fresh.TrackStarted(i % 2 == 0 ? QString("/music/not attached.mp3") : track);
        later.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("track start, 500 lyric files: first %.2f ms (every file read), later median %.2f ms, worst %.2f ms"
                " (found: %s)\n",
                first, median(later), *std::max_element(later.begin(), later.end()),
                fresh.LyricsActive() ? "yes" : "no");
    return 0;
}
