#include "playlist.h"

#include "app/startupscherm.h"

#include <QCollator>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>

#include <algorithm>

namespace vimbo {

namespace {

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
    if (stored.isEmpty())
        return index;
    const DisplayNames names = MakeDisplayNames(stored);
    QTreeWidgetItem*& folder = m_folders[names.folder];
    if (!folder) {
        folder = makeNode(names.folder, index);
        m_tree->addTopLevelItem(folder);
    }
    folder->addChild(makeNode(names.name, index));
    return index;
}

void TPlaylist::clearTree()
{
    m_tree->clear();
    m_folders.clear();
}

QHash<qint32, qint32> TPlaylist::RebuildPlaylist()
{
    // Window events run during a rebuild; a second one asked for meanwhile
    // runs once this one is over, on what it left.
    if (m_rebuilding) {
        m_rebuildAgain = true;
        return {};
    }
    m_rebuilding = true;
    QHash<qint32, qint32> remap;
    try {
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
    } catch (...) {
        m_rebuilding = false;
        m_tree->show();
        throw;
    }
    m_rebuilding = false;
    return remap;
}

QHash<qint32, qint32> TPlaylist::rebuildOnce()
{
    struct Entry
    {
        QString path;
        qint32 index;
        std::unique_ptr<QCollatorSortKey> key; // QCollatorSortKey has no default constructor
    };
    QHash<qint32, qint32> remap;
    m_tree->hide();
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
    m_store.database()->transaction([&] {
        std::vector<Entry> work;
        for (auto& [index, path] : m_store.ReadEntries(m_store.LastPlItem())) {
            m_store.DeleteValue(index);
            work.push_back({std::move(path), index, {}});
            letEventsRun();
        }
        // Locale-aware, case-insensitive order through sort keys: computed
        // once per path, compared cheaply. Sort keys ignore the collator's
        // case setting on some back ends, so the paths are case-folded first.
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        for (Entry& e : work) {
            e.key = std::make_unique<QCollatorSortKey>(collator.sortKey(e.path.toCaseFolded()));
            letEventsRun();
        }
        std::stable_sort(work.begin(), work.end(),
                         [](const Entry& a, const Entry& b) { return a.key->compare(*b.key) < 0; });
        clearTree();
        m_store.SetLastPlItem(0);

        status->Progress->setMaximum(int(work.size()));
        status->show();
        for (size_t i = 0; i < work.size(); ++i) {
            status->Progress->setValue(int(i + 1));
            letEventsRun();
            if (QFileInfo::exists(work[i].path))
                remap.insert(work[i].index, AddPlaylistEntry(work[i].path));
            if (OnRebuildProgress)
                OnRebuildProgress(i + 1, work.size());
        }
    });
    status->hide();
    m_tree->show();
    return remap;
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
    m_store.database()->transaction([&] {
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
    m_tree->clear();
    m_folders.clear();
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
