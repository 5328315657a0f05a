// Test and benchmark helper: rebuilds the playlist of a settings store in a
// process of its own, so a test can kill it half-way.
//   vimbo-rebuildtool DB [STALL]
// prints "progress N" after every 1000 entries looked at, "writing N" after
// every 1000 written and "done K" at the end. With STALL, it stops for good
// once STALL entries are written (inside the rebuild's transaction), for the
// test to kill it there.
#include "playlist/playlist.h"

#include <QApplication>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s DB [STALL]\n", argv[0]);
        return 2;
    }
    const long long stallAt = argc == 3 ? std::atoll(argv[2]) : -1;
    try {
        auto db = vimbo::RegistryDatabase::open(QString::fromLocal8Bit(argv[1]));
        vimbo::PlaylistStore store(vimbo::RegistryKey(db, vimbo::kSettingsKeyPath),
                                   vimbo::RegistryKey(db, vimbo::kPlaylistKeyPath));
        QTreeWidget tree;
        tree.resize(182, 213);
        vimbo::TPlaylist playlist(store, &tree);
        using Stage = vimbo::TPlaylist::RebuildStage;
        playlist.OnRebuildProgress = [stallAt](Stage stage, qsizetype done, qsizetype) {
            if (done % 1000 == 0) {
                std::printf("%s %lld\n", stage == Stage::Looking ? "progress" : "writing",
                            static_cast<long long>(done));
                std::fflush(stdout);
            }
            if (stage == Stage::Writing && done == stallAt)
                for (;;)
                    pause();
        };
        const auto renumbered = playlist.RebuildPlaylist();
        std::printf("done %lld\n", static_cast<long long>(renumbered.size()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
