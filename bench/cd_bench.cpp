// Audio CD playback from a 60-minute BIN/CUE image: CPU per minute of audio
// against cd-paranoia reading the same track, the time from Play and from a
// seek to the first sound handed to the output, and peak memory.
//
//   SDL_AUDIODRIVER=dummy build/bench/cd_bench [SECONDS_PLAYED]
#include "peakmemory.h"
#include "playback/cdplayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>

using namespace vimbo;

namespace {

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A one-track image of `minutes` of a tone.
QString makeImage(const QString& folder, int minutes)
{
    const QString bin = folder + "/long.bin";
    QProcess sox;
    sox.start("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", "-e", "signed", "-L", "-t", "raw", bin, "synth",
                      QString::number(minutes * 60), "sine", "440", "vol", "0.4"});
    sox.waitForFinished(-1);
    QFile cue(folder + "/long.cue");
    cue.open(QIODevice::WriteOnly);
    cue.write("FILE \"long.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    return cue.fileName();
}

// Milliseconds from `start` until the output has taken sound.
double untilSound(TCdPlayer& cd, const std::function<void()>& start)
{
    cd.Stop();
    while (cd.Mode() == TCdMode::Playing)
        QThread::usleep(200);
    QElapsedTimer clock;
    clock.start();
    start();
    while (cd.SectorsPlayed() == 0 && clock.elapsed() < 5000)
        QThread::usleep(100);
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        qputenv("SDL_AUDIODRIVER", "dummy");
    const int played = argc > 1 ? std::max(5, atoi(argv[1])) : 30;
    QTemporaryDir dir;
    std::printf("making a 60-minute image...\n");
    const QString cue = makeImage(dir.path(), 60);

    TCdPlayer cd;
    cd.FileName = cue + "/Track01.cda";
    cd.Open();
    cd.SetVolume(80);
    double first[5], seek[5];
    for (int i = 0; i < 5; ++i) {
        first[i] = untilSound(cd, [&] {
            cd.SeekTrack(1);
            cd.Play();
        });
        seek[i] = untilSound(cd, [&] {
            cd.Seek(PackMsf((10 + 7 * i) * 60 * kCdSectorsPerSecond));
            cd.Play();
        });
    }
    std::sort(first, first + 5);
    std::sort(seek, seek + 5);
    std::printf("Play to first sound: median %.1f ms, worst %.1f ms\n", first[2], first[4]);
    std::printf("seek + Play to first sound: median %.1f ms, worst %.1f ms\n", seek[2], seek[4]);

    cd.SeekTrack(1);
    const double before = cpuSeconds(RUSAGE_SELF);
    cd.Play();
    QThread::sleep(played);
    const double ours = (cpuSeconds(RUSAGE_SELF) - before) / (played / 60.0);
    cd.Stop();
    std::printf("Vimbo playing: %.3f CPU s per minute of audio (over %d s)\n", ours, played);

    const QString paranoia = QStandardPaths::findExecutable("cd-paranoia");
    if (paranoia.isEmpty()) {
        std::printf("cd-paranoia: not installed (apt-get install cd-paranoia), no ratio\n");
    } else {
        const double childBefore = cpuSeconds(RUSAGE_CHILDREN);
        QProcess reader;
        reader.setStandardOutputFile(QProcess::nullDevice());
        reader.setStandardErrorFile(QProcess::nullDevice());
        reader.start(paranoia, {"-d", cue, "1", "-"});
        reader.waitForFinished(-1);
        const double theirs = (cpuSeconds(RUSAGE_CHILDREN) - childBefore) / 60.0;
        std::printf("cd-paranoia -d IMAGE 1 - > /dev/null: %.3f CPU s per minute of audio (exit %d)\n", theirs,
                    reader.exitCode());
        if (theirs > 0)
            std::printf("ratio Vimbo / cd-paranoia: %.2f\n", ours / theirs);
    }
    std::printf("peak memory: %.1f MB\n", peakMemoryKiB() / 1024.0);
    return 0;
}
