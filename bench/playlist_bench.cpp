// Playlist benchmark, run on demand:
//   build/bench/playlist_bench
// Rebuilds stores of 10,000 and 100,000 entries (all files present), adds
// 10,000 entries one by one, and reports the times, the longest stretch the
// event loop went without a turn (the window's responsiveness) and peak memory.
#include "peakmemory.h"
#include "playlist/playlist.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace {

// Longest time between two turns of the event loop while it runs.
class TurnWatch
{
public:
    TurnWatch()
    {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_sinceLast.restart());
        });
    }
    void start()
    {
        m_longest = 0;
        m_sinceLast.start();
        m_timer.start();
    }
    qint64 stop()
    {
        m_timer.stop();
        return m_longest;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceLast;
    qint64 m_longest = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    // 1,000 real files in 50 folders, listed over and over.
    QStringList files;
    for (int i = 0; i < 1000; ++i) {
        const QString path = dir.filePath(QString("music/album %1/track_%2.mp3").arg(i % 50).arg(i));
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        files << path;
    }
    TurnWatch watch;
    for (int count : {10000, 100000}) {
        const QString dbPath = dir.filePath(QString("registry-%1.db").arg(count));
        auto db = vimbo::RegistryDatabase::open(dbPath);
        vimbo::RegistryKey settings(db, vimbo::kSettingsKeyPath), entries(db, vimbo::kPlaylistKeyPath);
        db->transaction([&] {
            for (int i = 0; i < count; ++i)
                entries.writeString(QString::number(2 * i + 1), files[(i * 7919) % files.size()]);
            settings.writeInteger("LastPlItem", 2 * count);
        });
        vimbo::PlaylistStore store(settings, entries);
        QTreeWidget tree;
        tree.resize(182, 213);
        tree.show();
        vimbo::TPlaylist playlist(store, &tree);
        QElapsedTimer t;
        watch.start();
        t.start();
        playlist.RebuildPlaylist();
        const qint64 ms = t.elapsed();
        const qint64 longest = watch.stop();
        std::printf("rebuild of %6d entries: %6lld ms, longest wait for the event loop %lld ms, %d entries after\n",
                    count, static_cast<long long>(ms), static_cast<long long>(longest), store.LastPlItem());
    }
    {
        auto db = vimbo::RegistryDatabase::open(dir.filePath("registry-add.db"));
        vimbo::PlaylistStore store(vimbo::RegistryKey(db, vimbo::kSettingsKeyPath),
                                   vimbo::RegistryKey(db, vimbo::kPlaylistKeyPath));
        QTreeWidget tree;
        tree.resize(182, 213);
        vimbo::TPlaylist playlist(store, &tree);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 10000; ++i)
            playlist.AddPlaylistEntry(files[i % files.size()]);
        std::printf("adding 10000 entries one by one (each its own committed write): %lld ms\n",
                    static_cast<long long>(t.elapsed()));
    }
    std::printf("peak memory (VmHWM): %ld KiB\n", peakMemoryKiB());
    return 0;
}
