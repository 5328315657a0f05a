// Playlist benchmark, run on demand:
//   build/bench/playlist_bench
// Rebuilds stores of 10,000 and 100,000 entries (all files present), adds
// 10,000 entries one by one, and reports the times, the longest stretch the
// event loop went without a turn (the window's responsiveness) and peak memory.
// Then the player's own window rebuilds 100,000 entries while four clients
// fetch now-playing pictures and a setting is written: pictures per second
// during the rebuild, and how soon another connection sees the setting.
#include "peakmemory.h"
#include "readyform.h"
#include "support/pictureclient.h"
#include "playlist/playlist.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <poll.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

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

// Fetches raw pictures over one connection until `stop`; counts whole answers.
void fetchPictures(quint16 port, const std::atomic<bool>& stop, std::atomic<int>& count)
{
    const int fd = connectLoopback(port);
    if (fd < 0)
        return;
    QByteArray got;
    char buf[65536];
    while (!stop) {
        ::send(fd, "x", 1, MSG_NOSIGNAL);
        got.clear();
        while (!hasWholeRawAnswer(got)) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) {
                if (stop)
                    break;
                continue;
            }
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) {
                ::close(fd);
                return;
            }
            got.append(buf, qsizetype(n));
        }
        if (!stop)
            ++count;
    }
    ::close(fd);
}

void rebuildUnderLoad(const QTemporaryDir& dir, const QStringList& files)
{
    constexpr int kCount = 100000;
    auto form = makeReadyForm(dir);
    form->show();
    QCoreApplication::processEvents();
    const QString dbPath = dir.filePath("config/") + vimbo::kRegistryFileName;
    auto db = vimbo::RegistryDatabase::open(dbPath);
    vimbo::RegistryKey settings(db, vimbo::kSettingsKeyPath), entries(db, vimbo::kPlaylistKeyPath);
    db->transaction([&] {
        for (int i = 0; i < kCount; ++i)
            entries.writeString(QString::number(i + 1), files[(i * 7919) % files.size()]);
        settings.writeInteger("LastPlItem", kCount);
    });
    form->Playback.CurrentIndex = 1;

    std::atomic<bool> stop{false};
    std::atomic<int> pictures{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < 4; ++c)
        clients.emplace_back(fetchPictures, form->ImageServer.Port(), std::cref(stop), std::ref(pictures));
    // Half-way through looking, the player writes a setting; a connection of
    // another process's kind waits for it to show.
    qint64 seenAfterMs = -1;
    form->PlaylistView.OnRebuildProgress = [&](vimbo::TPlaylist::RebuildStage stage, qsizetype done, qsizetype) {
        if (stage != vimbo::TPlaylist::RebuildStage::Looking || done != kCount / 2)
            return;
        form->SettingsKey().writeString("OnTop", "on");
        QElapsedTimer seen;
        seen.start();
        while (vimbo::RegistryKey(db, vimbo::kSettingsKeyPath).readString("OnTop") != "on" && seen.elapsed() < 20000)
            QThread::msleep(1);
        seenAfterMs = seen.elapsed();
    };
    QElapsedTimer t;
    t.start();
    const int before = pictures;
    form->RebuildPlaylist();
    const double seconds = t.nsecsElapsed() / 1e9;
    const int during = pictures - before;
    stop = true;
    for (auto& c : clients)
        c.join();
    std::printf("player window rebuilding %d entries: %.2f s; 4 clients got %d pictures meanwhile (%.1f pictures/s); "
                "a setting written half-way was seen by another connection after %lld ms\n",
                kCount, seconds, during, during / seconds, static_cast<long long>(seenAfterMs));
}

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
        // Every start rebuilds a list that is in order already.
        watch.start();
        t.restart();
        playlist.RebuildPlaylist();
        const qint64 again = t.elapsed();
        std::printf("  the same list rebuilt again: %6lld ms, longest wait for the event loop %lld ms\n",
                    static_cast<long long>(again), static_cast<long long>(watch.stop()));
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
    rebuildUnderLoad(dir, files);
    return 0;
}
