// The stored playlist: one string value per entry in the "Playlist" key,
// named by its decimal index; "LastPlItem" in the settings key holds the
// highest index in use.
#pragma once

#include "settings/registry.h"

namespace vimbo {

class PlaylistStore
{
public:
    PlaylistStore(RegistryKey settings, RegistryKey playlist);

    // The path of entry `index`, or "" when there is none.
    QString ReadPlaylistEntry(qint32 index) const;
    qint32 LastPlItem() const;
    // Stores `path` as entry LastPlItem + 1 (the counter is written first)
    // and returns that index.
    qint32 Append(const QString& path);

private:
    RegistryKey m_settings;
    RegistryKey m_playlist;
};

} // namespace vimbo
