// Adding a folder tree, run on demand:
//   QT_QPA_PLATFORM=offscreen build/bench/add_bench [FILES]
// Makes a tree of FILES audio files (10,000 by default; some with upper-case
// extensions, among other files and hidden folders), then times
// - the folder search alone, against `find DIR -iname '*.mp3' -o ...` on the
//   same tree (the floor of any search: one pass over every directory);
// - the whole "Add > Directory..." command of a real main window, folder
//   dialog answered, every entry stored and shown with the window's events
//   run per entry;
// and reports the peak memory of the process.
#include "peakmemory.h"
#include "playlist/directoryscan.h"
#include "readyform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

void makeTree(const QString& root, int files)
{
    const char* extensions[] = {".mp3", ".wav", ".MP3", ".cda", ".Mp3"};
    for (int i = 0; i < files; ++i) {
        // 20 artists, 25 albums each, 20 tracks an album.
        const QString folder = QString("%1/Artist %2/Album %3/").arg(root).arg(i / 500).arg((i / 20) % 25);
        if (i % 20 == 0) {
            QDir().mkpath(folder);
            QDir().mkpath(folder + ".thumbnails");
            QFile(folder + "cover.jpg").open(QIODevice::WriteOnly);
            QFile(folder + "notes.txt").open(QIODevice::WriteOnly);
        }
        QFile(folder + QString("Track %1").arg(i % 20, 2, 10, QChar('0')) + extensions[i % 5]).open(QIODevice::WriteOnly);
    }
}

template <typename F>
double bestMs(int runs, F&& work)
{
    double best = 1e18;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    QTemporaryDir dir;
    const QString root = dir.filePath("Music");
    makeTree(root, files);

    qsizetype found = 0;
    const double scanMs = bestMs(5, [&] {
        vimbo::SortedPathList list;
        vimbo::ScanDirectory(root + '/', list);
        found = list.Count();
    });
    const double findMs = bestMs(5, [&] {
        QProcess find;
        find.start("find", {root, "-iname", "*.mp3", "-o", "-iname", "*.wav", "-o", "-iname", "*.cda"});
        find.waitForFinished(-1);
        find.readAllStandardOutput();
    });
    std::printf("search of %d files: %.1f ms (found %lld), find: %.1f ms, ratio %.2f\n", files, scanMs,
                static_cast<long long>(found), findMs, scanMs / findMs);

    const std::unique_ptr<TVimboForm> window = makeReadyForm(dir);
    TVimboForm& form = *window;
    form.show();

    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            answer.stop();
            d->findChild<QLineEdit*>("fileNameEdit")->setText(root);
            QMetaObject::invokeMethod(d, "accept");
        }
    });
    answer.start(5);
    QElapsedTimer t;
    t.start();
    form.AddDirectory();
    const double addMs = t.nsecsElapsed() / 1e6;
    std::printf("Add > Directory... of %d files (search, store, tree, events per entry): %.0f ms; "
                "playlist entries %d; peak memory %ld KiB\n",
                files, addMs, int(form.PlaylistKey().valueNames().size()), peakMemoryKiB());
    return 0;
}
