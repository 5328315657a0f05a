// Test and benchmark helper: rebuilds the playlist of a settings store in a
// process of its own, so a test can kill it half-way.
//   vimbo-rebuildtool DB
// prints "progress N" after every 1000 entries and "done K" at the end.
#include "playlist/playlist.h"

#include <QApplication>
#include <QTreeWidget>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DB\n", argv[0]);
        return 2;
    }
    try {
        auto db = vimbo::RegistryDatabase::open(QString::fromLocal8Bit(argv[1]));
        vimbo::PlaylistStore store(vimbo::RegistryKey(db, vimbo::kSettingsKeyPath),
                                   vimbo::RegistryKey(db, vimbo::kPlaylistKeyPath));
        QTreeWidget tree;
        tree.resize(182, 213);
        vimbo::TPlaylist playlist(store, &tree);
        playlist.OnRebuildProgress = [](qsizetype done, qsizetype) {
            if (done % 1000 == 0) {
                std::printf("progress %lld\n", static_cast<long long>(done));
                std::fflush(stdout);
            }
        };
        const auto renumbered = playlist.RebuildPlaylist();
        std::printf("done %lld\n", static_cast<long long>(renumbered.size()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
