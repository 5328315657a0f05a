#include "playlist/playlist.h"
#include "support/qtprint.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <csignal>

using namespace vimbo;

namespace {

class PlaylistTest : public ::testing::Test
{
protected:
    PlaylistTest()
        : db(RegistryDatabase::open(dir.filePath("registry.db"))), settings(db, kSettingsKeyPath),
          entries(db, kPlaylistKeyPath), store(settings, entries), playlist(store, &tree)
    {
        tree.resize(182, 213);
    }

    QString makeFile(const QString& name) { return ::makeFile(dir, name); }

    // The tree as "folder[index]: file[index], ..." lines.
    QStringList treeText() const
    {
        QStringList out;
        for (int i = 0; i < tree.topLevelItemCount(); ++i) {
            const QTreeWidgetItem* folder = tree.topLevelItem(i);
            QStringList files;
            for (int j = 0; j < folder->childCount(); ++j)
                files << QString("%1[%2]").arg(folder->child(j)->text(0)).arg(folder->child(j)->data(0, Qt::UserRole).toInt());
            out << QString("%1[%2]: %3").arg(folder->text(0)).arg(folder->data(0, Qt::UserRole).toInt()).arg(files.join(", "));
        }
        return out;
    }

    QTemporaryDir dir;
    std::shared_ptr<RegistryDatabase> db;
    RegistryKey settings;
    RegistryKey entries;
    PlaylistStore store;
    QTreeWidget tree;
    TPlaylist playlist;
};

TEST_F(PlaylistTest, AddSharesFolderNodesAndKeepsDuplicates)
{
    const QString a = makeFile("Music/Best/a.mp3");
    const QString b = makeFile("Other/Best/b.wav");
    const QString c = makeFile("Music/Rock/c.mp3");
    EXPECT_EQ(playlist.AddPlaylistEntry(a), 1);
    EXPECT_EQ(playlist.AddPlaylistEntry(c), 2);
    EXPECT_EQ(playlist.AddPlaylistEntry(b), 3);
    EXPECT_EQ(playlist.AddPlaylistEntry(a), 4);
    EXPECT_EQ(playlist.AddPlaylistEntry(""), 5) << "an empty path takes an index but makes no node";
    EXPECT_EQ(treeText(), (QStringList{"Best[1]: a[1], b[3], a[4]", "Rock[2]: c[2]"}));
    EXPECT_EQ(store.LastPlItem(), 5);
    EXPECT_FALSE(tree.topLevelItem(0)->isExpanded());
}

TEST_F(PlaylistTest, DeleteLowersTheCounterOnlyForTheLastEntry)
{
    for (int i = 0; i < 9; ++i)
        store.Append(QString("/x/%1.mp3").arg(i));
    playlist.DeletePlaylistEntry(5);
    EXPECT_EQ(store.LastPlItem(), 9);
    EXPECT_EQ(store.ReadPlaylistEntry(5), "");
    playlist.DeletePlaylistEntry(9);
    EXPECT_EQ(store.LastPlItem(), 8);
    playlist.DeletePlaylistEntry(9); // missing: no error, and 9 is no longer the last
    EXPECT_EQ(store.LastPlItem(), 8);
}

TEST_F(PlaylistTest, RebuildRenumbersInPathOrderAndDropsMissingFiles)
{
    entries.writeString("9", makeFile("b/Zulu.mp3"));
    entries.writeString("4", makeFile("a/alpha.wav"));
    entries.writeString("1", makeFile("b/beta.mp3"));
    entries.writeString("6", dir.filePath("gone/missing.mp3"));
    entries.writeString("12", makeFile("beyond/last.mp3")); // above LastPlItem: never read
    settings.writeInteger("LastPlItem", 9);

    const QHash<qint32, qint32> renumbered = playlist.RebuildPlaylist();
    EXPECT_EQ(store.LastPlItem(), 3);
    EXPECT_EQ(store.ReadPlaylistEntry(1), dir.filePath("a/alpha.wav"));
    EXPECT_EQ(store.ReadPlaylistEntry(2), dir.filePath("b/beta.mp3"));
    EXPECT_EQ(store.ReadPlaylistEntry(3), dir.filePath("b/Zulu.mp3")) << "case-insensitive order";
    for (const char* gone : {"4", "6", "9"})
        EXPECT_FALSE(entries.valueExists(gone)) << gone;
    EXPECT_EQ(entries.readString("12"), dir.filePath("beyond/last.mp3"));
    EXPECT_EQ(renumbered, (QHash<qint32, qint32>{{4, 1}, {1, 2}, {9, 3}}));
    EXPECT_EQ(treeText(), (QStringList{"a[1]: alpha[1]", "b[2]: beta[2], Zulu[3]"}));
    EXPECT_FALSE(tree.viewport()->isHidden()) << "the list shows again";

    // An empty store: nothing listed, the counter written as 0.
    settings.writeInteger("LastPlItem", 0);
    entries.deleteValue("1");
    playlist.RebuildPlaylist();
    EXPECT_TRUE(treeText().isEmpty());
    EXPECT_EQ(settings.valueType("LastPlItem"), RegistryType::Integer);
    EXPECT_EQ(store.LastPlItem(), 0);
}

TEST_F(PlaylistTest, RebuildLeavesTheStoreToOthersWhileItLooks)
{
    for (const char* name : {"d.mp3", "c.mp3", "b.mp3", "a.mp3"})
        playlist.AddPlaylistEntry(makeFile(QString("m/") + name));
    entries.writeInteger("2x", 7);  // not an entry's name: never read
    settings.writeInteger("LastPlItem", 5);
    entries.writeInteger("5", 12);  // not a path: no entry, and the rebuild drops it
    const QString handedOver = makeFile("z/handed over.mp3");

    int storeToolExit = -1;
    playlist.OnRebuildProgress = [&](TPlaylist::RebuildStage stage, qsizetype done, qsizetype) {
        if (stage != TPlaylist::RebuildStage::Looking || done != 2 || storeToolExit != -1)
            return;
        // What window events may do while the rebuild looks: an entry comes
        // in, one goes, a setting changes; and another process writes.
        playlist.AddPlaylistEntry(handedOver);
        playlist.DeletePlaylistEntry(2); // c.mp3
        settings.writeString("OnTop", "on");
        const RegistryKey elsewhere(RegistryDatabase::open(dir.filePath("registry.db")), kSettingsKeyPath);
        EXPECT_EQ(elsewhere.readString("OnTop"), "on") << "a setting is written at once";
        storeToolExit = QProcess::execute(VIMBO_STORETOOL, {dir.filePath("registry.db"), "set", "Opened", "/x.mp3"});
    };
    const QHash<qint32, qint32> renumbered = playlist.RebuildPlaylist();

    EXPECT_EQ(storeToolExit, 0) << "another process can write during a rebuild";
    EXPECT_EQ(settings.readString("Opened"), "/x.mp3");
    EXPECT_EQ(store.LastPlItem(), 4);
    const QStringList expected{dir.filePath("m/a.mp3"), dir.filePath("m/b.mp3"), dir.filePath("m/d.mp3"), handedOver};
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(store.ReadPlaylistEntry(i + 1), expected[i]) << i + 1;
    EXPECT_FALSE(entries.valueExists("5"));
    EXPECT_EQ(entries.readInteger("2x"), 7);
    EXPECT_EQ(renumbered, (QHash<qint32, qint32>{{4, 1}, {3, 2}, {1, 3}, {6, 4}}));
    EXPECT_EQ(treeText(), (QStringList{"m[1]: a[1], b[2], d[3]", "z[4]: handed over[4]"}));

    // An append after the rebuild takes the next free number.
    EXPECT_EQ(playlist.AddPlaylistEntry(makeFile("m/e.mp3")), 5);
}

TEST_F(PlaylistTest, DoubleClickPlaysTheNodesEntryAndOpensAFolder)
{
    playlist.AddPlaylistEntry(makeFile("m/one.mp3"));
    playlist.AddPlaylistEntry(makeFile("m/two.mp3"));
    QList<qint32> played;
    playlist.OnPlayIndex = [&](qint32 index) { played << index; };
    playlist.PlaylistClick(); // nothing selected
    EXPECT_TRUE(played.isEmpty());

    // Real double clicks, as the window system delivers them: press,
    // release, press (a double click), release.
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    const auto doubleClick = [&](QTreeWidgetItem* node) {
        const QPoint at = tree.viewport()->mapTo(&tree, tree.visualItemRect(node).center());
        QTest::mouseDClick(tree.windowHandle(), Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
    };
    QTreeWidgetItem* folder = tree.topLevelItem(0);
    doubleClick(folder);
    EXPECT_TRUE(folder->isExpanded()) << "the folder opens, and stays open";
    doubleClick(folder->child(1));
    EXPECT_EQ(played, (QList<qint32>{1, 2})) << "a folder node plays its first-added file";
    EXPECT_TRUE(folder->isExpanded());
}

TEST_F(PlaylistTest, KilledRebuildLeavesTheOldListWhole)
{
    // 20,000 entries at odd indices, so that every entry changes its number.
    const QString song = makeFile("m/song.mp3");
    constexpr int kCount = 20000;
    db->transaction([&] {
        for (int i = 0; i < kCount; ++i)
            entries.writeString(QString::number(2 * i + 1), song);
        settings.writeInteger("LastPlItem", 2 * kCount - 1);
    });

    // Killed half-way through writing the new numbers.
    QProcess rebuild;
    rebuild.start(VIMBO_REBUILDTOOL, {dir.filePath("registry.db"), "5000"});
    ASSERT_TRUE(rebuild.waitForStarted());
    QByteArray output;
    while (!output.contains("writing 5000")) {
        ASSERT_TRUE(rebuild.waitForReadyRead(30000)) << "no progress: " << output.toStdString();
        output += rebuild.readAllStandardOutput();
    }
    ::kill(pid_t(rebuild.processId()), SIGKILL);
    rebuild.waitForFinished();

    // A fresh connection sees the old list, all of it.
    auto again = RegistryDatabase::open(dir.filePath("registry.db"));
    const RegistryKey oldEntries(again, kPlaylistKeyPath);
    EXPECT_EQ(RegistryKey(again, kSettingsKeyPath).readInteger("LastPlItem"), 2 * kCount - 1);
    EXPECT_EQ(oldEntries.valueNames().size(), kCount);
    EXPECT_EQ(oldEntries.readString("1"), song);
    EXPECT_EQ(oldEntries.readString(QString::number(2 * kCount - 1)), song);
    EXPECT_FALSE(oldEntries.valueExists("2"));

    // And a rebuild that runs to its end leaves the whole new list.
    QProcess complete;
    complete.start(VIMBO_REBUILDTOOL, {dir.filePath("registry.db")});
    ASSERT_TRUE(complete.waitForFinished(120000));
    EXPECT_TRUE(complete.readAllStandardOutput().contains(QByteArray("done ") + QByteArray::number(kCount)));
    EXPECT_EQ(RegistryKey(again, kSettingsKeyPath).readInteger("LastPlItem"), kCount);
    EXPECT_EQ(oldEntries.valueNames().size(), kCount);
    EXPECT_EQ(oldEntries.readString(QString::number(kCount)), song);
    EXPECT_FALSE(oldEntries.valueExists(QString::number(kCount + 1)));
}

} // namespace
