#include "playliststore.h"

namespace vimbo {

PlaylistStore::PlaylistStore(RegistryKey settings, RegistryKey playlist)
    : m_settings(std::move(settings)), m_playlist(std::move(playlist))
{
}

QString PlaylistStore::ReadPlaylistEntry(qint32 index) const
{
    return m_playlist.readString(QString::number(index));
}

qint32 PlaylistStore::LastPlItem() const
{
    return m_settings.readInteger(QStringLiteral("LastPlItem"));
}

qint32 PlaylistStore::Append(const QString& path)
{
    qint32 index = 0;
    // One transaction, so a second process appending at the same moment
    // cannot take the same index.
    m_settings.database()->transaction([&] {
        index = LastPlItem() + 1;
        m_settings.writeInteger(QStringLiteral("LastPlItem"), index);
        m_playlist.writeString(QString::number(index), path);
    });
    return index;
}

} // namespace vimbo
