// The stored playlist: one string value per entry in the "Playlist" key,
// named by its decimal index; "LastPlItem" in the settings key holds the
// highest index in use. Gaps (deleted entries) are normal.
#pragma once

#include "settings/registry.h"

#include <QHash>

#include <functional>

namespace vimbo {

class PlaylistStore
{
public:
    PlaylistStore(RegistryKey settings, RegistryKey playlist);

    // The path of entry `index`, or "" when there is none.
    QString ReadPlaylistEntry(qint32 index) const;
    bool EntryExists(qint32 index) const { return !ReadPlaylistEntry(index).isEmpty(); }
    qint32 LastPlItem() const;
    void SetLastPlItem(qint32 value);
    // Stores `path` as entry LastPlItem + 1 (the counter is written first)
    // and returns that index.
    qint32 Append(const QString& path);
    // Removes entry `index` (no error when missing); lowers LastPlItem by one
    // when it named that entry.
    void Delete(qint32 index);
    // Removes the value only, leaving LastPlItem alone.
    void DeleteValue(qint32 index);
    // Removes every entry value (whatever its name) and sets LastPlItem to 0,
    // all at once.
    void Clear();
    // Every entry from 0 to `last` that holds a path, in index order, read at once.
    QList<std::pair<qint32, QString>> ReadEntries(qint32 last) const;
    // Makes `paths` the whole list, as entries 1..k, and LastPlItem k: every
    // value named by an index up to the old LastPlItem goes (whatever its
    // type); values above it stay unread, as ever. `current` is what
    // ReadEntries gives now: an entry that already holds its new path is not
    // written again. One transaction; `written` runs after each entry (inside it).
    void WriteRenumbered(const QStringList& paths, const QHash<qint32, QString>& current,
                         const std::function<void(qsizetype done)>& written = {});

    const std::shared_ptr<RegistryDatabase>& database() const { return m_settings.database(); }

private:
    RegistryKey m_settings;
    RegistryKey m_playlist;
};

} // namespace vimbo
