// The playlist as the user sees it: the two-level tree (folder, file) over
// the stored entries, adding, deleting, the full rebuild and the double click.
#pragma once

#include "playlist/displaynames.h"
#include "playlist/playliststore.h"

#include <QHash>
#include <QString>

#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

namespace vimbo {

class TPlaylist
{
public:
    TPlaylist(PlaylistStore& store, QTreeWidget* tree);

    PlaylistStore& Store() { return m_store; }
    QTreeWidget* Tree() const { return m_tree; }

    QString ReadPlaylistEntry(qint32 index) const { return m_store.ReadPlaylistEntry(index); }
    DisplayNames MakeDisplayNames(const QString& path) const;
    // Appends `path` to the store and shows it under its folder node.
    // Returns the new index.
    qint32 AddPlaylistEntry(const QString& path);
    void DeletePlaylistEntry(qint32 index) { m_store.Delete(index); }
    // Renumbers the surviving entries 1..k in path order, drops entries whose
    // files are gone, and shows the list again. Window events run while the
    // entries are read, checked and sorted, with no hold on the store; the
    // new numbering is then written in one short transaction (interrupted,
    // the store keeps the old list whole). Entries added or deleted
    // meanwhile count: added ones follow the sorted ones. Returns old index
    // -> new index of every entry kept. A rebuild asked for while one runs is
    // done again after it.
    QHash<qint32, qint32> RebuildPlaylist();
    // Deletes the selected node's entry, and for a folder node the entries
    // of all its files, and takes the node from the tree. Nothing without a
    // selected node.
    void DeleteSelectedNode();
    // Every entry and every node gone.
    void ClearPlaylist();
    // The entry a node stands for (a folder node: its first-added file's).
    static qint32 IndexOf(const QTreeWidgetItem* node);

    // The double click: the selected node's index, or nothing.
    void PlaylistClick();

    // Bulk changes (a rebuild, a folder add) hide the list while they run, so
    // it is not redrawn per node; they may nest. Only the list's contents
    // hide: whether the view itself shows ("Playlist Visible", a skin) is
    // left to whoever set it.
    void BeginBulkChange();
    void EndBulkChange();

    // Runs with the index of the node the user double-clicked.
    std::function<void(qint32 index)> OnPlayIndex;
    // Runs the moment a rebuild's new numbers are written (old index -> new
    // index of every entry kept), before any window event can run on them:
    // whoever holds an entry's number follows it here.
    std::function<void(const QHash<qint32, qint32>& renumbered)> OnRenumbered;
    enum class RebuildStage { Looking, Writing };
    // Runs during a rebuild after each entry looked at (window events run
    // then), and after each entry written (inside the transaction).
    std::function<void(RebuildStage stage, qsizetype done, qsizetype total)> OnRebuildProgress;

private:
    struct Renumbering;
    QHash<qint32, qint32> rebuildOnce();
    Renumbering commitRenumbering(const QHash<qint32, QString>& looked, const QList<std::pair<qint32, QString>>& sorted);
    void addNode(qint32 index, const QString& path);
    void clearTree();

    PlaylistStore& m_store;
    QTreeWidget* m_tree;
    QHash<QString, QTreeWidgetItem*> m_folders; // root nodes by their exact text
    bool m_rebuilding = false;
    bool m_rebuildAgain = false;
    int m_bulkDepth = 0;
    quint64 m_clears = 0; // counts ClearPlaylist, so a fill in progress can tell
};

} // namespace vimbo
