#include "playlist.h"

#include "app/startupscherm.h"
#include "playback/cdplayer.h"

#include <QCollator>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTreeWidget>

#include <algorithm>
#include <climits>

namespace vimbo {

namespace {

// A CD track has no file of its own: it is there while its disc's drive
// or image is.
bool entryFileExists(const QString& path)
{
    if (path.endsWith(QLatin1String(".cda")))
        return CdTrackFileExists(path);
    return QFileInfo::exists(path);
}

constexpr int kIndexRole = Qt::UserRole;

QTreeWidgetItem* makeNode(const QString& text, qint32 index)
{
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, kIndexRole, index);
    return item;
}

} // namespace

TPlaylist::TPlaylist(PlaylistStore& store, QTreeWidget* tree) : m_store(store), m_tree(tree)
{
    // A double click plays and opens the node itself; the view's own toggle,
    // which follows the click, would close the folder again.
    m_tree->setExpandsOnDoubleClick(false);
    QObject::connect(m_tree, &QTreeWidget::itemDoubleClicked, m_tree, [this] { PlaylistClick(); });
}

DisplayNames TPlaylist::MakeDisplayNames(const QString& path) const
{
    return vimbo::MakeDisplayNames(path, QFontMetrics(m_tree->font()), m_tree->width());
}

qint32 TPlaylist::AddPlaylistEntry(const QString& path)
{
    const qint32 index = m_store.Append(path);
    const QString stored = m_store.ReadPlaylistEntry(index);
    if (!stored.isEmpty())
        addNode(index, stored);
    return index;
}

void TPlaylist::addNode(qint32 index, const QString& path)
{
    const DisplayNames names = MakeDisplayNames(path);
    QTreeWidgetItem*& folder = m_folders[names.folder];
    if (!folder) {
        folder = makeNode(names.folder, index);
        m_tree->addTopLevelItem(folder);
    }
    folder->addChild(makeNode(names.name, index));
}

void TPlaylist::clearTree()
{
    m_tree->clear();
    m_folders.clear();
}

void TPlaylist::BeginBulkChange()
{
    if (m_bulkDepth++ == 0)
        m_tree->viewport()->hide();
}

void TPlaylist::EndBulkChange()
{
    if (m_bulkDepth > 0 && --m_bulkDepth == 0)
        m_tree->viewport()->show();
}

namespace {

class BulkChange
{
public:
    explicit BulkChange(TPlaylist& playlist) : m_playlist(playlist) { m_playlist.BeginBulkChange(); }
    ~BulkChange() { m_playlist.EndBulkChange(); }
    BulkChange(const BulkChange&) = delete;
    BulkChange& operator=(const BulkChange&) = delete;

private:
    TPlaylist& m_playlist;
};

} // namespace

QHash<qint32, qint32> TPlaylist::RebuildPlaylist()
{
    // Window events run during a rebuild; a second one asked for meanwhile
    // runs once this one is over, on what it left.
    if (m_rebuilding) {
        m_rebuildAgain = true;
        return {};
    }
    m_rebuilding = true;
    const auto done = qScopeGuard([this] { m_rebuilding = false; });
    const BulkChange bulk(*this);
    QHash<qint32, qint32> remap;
    bool first = true;
    do {
        m_rebuildAgain = false;
        const QHash<qint32, qint32> pass = rebuildOnce();
        if (first) {
            remap = pass;
        } else {
            // Follow the first pass's numbers through the later ones.
            QHash<qint32, qint32> followed;
            for (auto it = remap.cbegin(); it != remap.cend(); ++it) {
                if (pass.contains(it.value()))
                    followed.insert(it.key(), pass.value(it.value()));
            }
            remap = followed;
        }
        first = false;
    } while (m_rebuildAgain);
    return remap;
}

struct TPlaylist::Renumbering
{
    QStringList paths; // the new list: entry i + 1 is paths[i]
    QHash<qint32, qint32> remap;
};

QHash<qint32, qint32> TPlaylist::rebuildOnce()
{
    struct Entry
    {
        qint32 index;
        QString path;
        std::unique_ptr<QCollatorSortKey> key; // QCollatorSortKey has no default constructor
    };
    // The status window is made for this one operation and goes with it.
    std::unique_ptr<TStartupScherm> status(new TStartupScherm);
    status->Status->setText(QStringLiteral("Re-indexing playlist entries..."));
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    // Keep the window alive; a turn every few milliseconds is enough for
    // that and leaves the time to the work.
    const auto letEventsRun = [&] {
        if (sinceEvents.elapsed() >= 8) {
            QCoreApplication::processEvents();
            sinceEvents.restart();
        }
    };

    // Looking: the list is read at once, then checked against the disk and
    // sorted while window events run. Nothing holds the store meanwhile, so
    // settings, picture requests and other processes go on as usual.
    const QList<std::pair<qint32, QString>> entries = m_store.ReadEntries(m_store.LastPlItem());
    QHash<qint32, QString> looked;
    looked.reserve(entries.size());
    status->Progress->setMaximum(int(std::min<qsizetype>(entries.size(), INT_MAX)));
    status->show();
    // Locale-aware, case-insensitive order through sort keys: computed
    // once per path, compared cheaply. Sort keys ignore the collator's
    // case setting on some back ends, so the paths are case-folded first.
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<Entry> work;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const auto& [index, path] = entries[i];
        looked.insert(index, path);
        if (entryFileExists(path))
            work.push_back({index, path, std::make_unique<QCollatorSortKey>(collator.sortKey(path.toCaseFolded()))});
        status->Progress->setValue(int(std::min<qsizetype>(i + 1, INT_MAX)));
        if (OnRebuildProgress)
            OnRebuildProgress(RebuildStage::Looking, i + 1, entries.size());
        letEventsRun();
    }
    std::stable_sort(work.begin(), work.end(),
                     [](const Entry& a, const Entry& b) { return a.key->compare(*b.key) < 0; });
    QList<std::pair<qint32, QString>> sorted;
    sorted.reserve(qsizetype(work.size()));
    for (const Entry& e : work)
        sorted.append({e.index, e.path});
    work.clear();

    const Renumbering renumbered = commitRenumbering(looked, sorted);
    if (OnRenumbered)
        OnRenumbered(renumbered.remap);

    // Showing: the tree anew from the numbers just written. An entry added
    // meanwhile is appended after them and gets its node as usual.
    clearTree();
    const quint64 clears = m_clears;
    for (qsizetype i = 0; i < renumbered.paths.size() && m_clears == clears; ++i) {
        addNode(qint32(i + 1), renumbered.paths[i]);
        letEventsRun();
    }
    status->hide();
    return renumbered.remap;
}

TPlaylist::Renumbering TPlaylist::commitRenumbering(const QHash<qint32, QString>& looked,
                                                    const QList<std::pair<qint32, QString>>& sorted)
{
    // No window events in here: the transaction is short and nothing else
    // can change the list half-way.
    Renumbering r;
    m_store.database()->transaction([&] {
        const QList<std::pair<qint32, QString>> now = m_store.ReadEntries(m_store.LastPlItem());
        QHash<qint32, QString> current;
        current.reserve(now.size());
        for (const auto& [index, path] : now)
            current.insert(index, path);
        // Entries deleted while we looked are gone from `current`.
        for (const auto& [index, path] : sorted) {
            const auto it = current.constFind(index);
            if (it == current.cend() || *it != path)
                continue;
            r.paths << path;
            r.remap.insert(index, qint32(r.paths.size()));
        }
        // Entries added while we looked (a hand-over, an add, a number
        // freed and taken again), in the order they were added.
        for (const auto& [index, path] : now) {
            const auto it = looked.constFind(index);
            if (it != looked.cend() && *it == path)
                continue;
            r.paths << path;
            r.remap.insert(index, qint32(r.paths.size()));
        }
        m_store.WriteRenumbered(r.paths, current, [&](qsizetype written) {
            if (OnRebuildProgress)
                OnRebuildProgress(RebuildStage::Writing, written, r.paths.size());
        });
    });
    return r;
}

qint32 TPlaylist::IndexOf(const QTreeWidgetItem* node)
{
    return node ? node->data(0, kIndexRole).toInt() : 0;
}

void TPlaylist::DeleteSelectedNode()
{
    QTreeWidgetItem* node = m_tree->currentItem();
    if (!node || !node->isSelected())
        return;
    // A folder node carries its first file's index. Once that file's node
    // was deleted on its own, the number may have been freed and taken by a
    // file elsewhere: a folder's index is deleted only while one of its own
    // files carries it.
    bool ownIndexIsAFile = node->parent() != nullptr;
    for (int i = 0; i < node->childCount() && !ownIndexIsAFile; ++i)
        ownIndexIsAFile = IndexOf(node->child(i)) == IndexOf(node);
    m_store.database()->transaction([&] {
        if (ownIndexIsAFile)
            DeletePlaylistEntry(IndexOf(node));
        for (int i = 0; i < node->childCount(); ++i)
            DeletePlaylistEntry(IndexOf(node->child(i)));
    });
    // A folder node goes from the index of folders too, so a file added
    // later to that folder gets a node of its own again.
    if (!node->parent() && m_folders.value(node->text(0)) == node)
        m_folders.remove(node->text(0));
    delete node; // its children with it
}

void TPlaylist::ClearPlaylist()
{
    m_store.Clear();
    clearTree();
    ++m_clears;
}

void TPlaylist::PlaylistClick()
{
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || !item->isSelected() || !item->data(0, kIndexRole).isValid())
        return;
    const qint32 index = item->data(0, kIndexRole).toInt();
    if (OnPlayIndex)
        OnPlayIndex(index);
    item->setExpanded(true);
}

} // namespace vimbo
