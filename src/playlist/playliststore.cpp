#include "playliststore.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace vimbo {

namespace {
const QString kLastPlItem = QStringLiteral("LastPlItem");
}

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
    return m_settings.readInteger(kLastPlItem);
}

void PlaylistStore::SetLastPlItem(qint32 value)
{
    m_settings.writeInteger(kLastPlItem, value);
}

qint32 PlaylistStore::Append(const QString& path)
{
    qint32 index = 0;
    // One transaction, so a second process appending at the same moment
    // cannot take the same index.
    database()->transaction([&] {
        index = LastPlItem() + 1;
        SetLastPlItem(index);
        m_playlist.writeString(QString::number(index), path);
    });
    return index;
}

void PlaylistStore::Delete(qint32 index)
{
    DeleteValue(index);
    if (index == LastPlItem())
        SetLastPlItem(index - 1);
}

void PlaylistStore::Clear()
{
    database()->transaction([&] {
        for (const QString& name : m_playlist.valueNames())
            m_playlist.deleteValue(name);
        SetLastPlItem(0);
    });
}

void PlaylistStore::DeleteValue(qint32 index)
{
    m_playlist.deleteValue(QString::number(index));
}

namespace {

// Only the names ReadPlaylistEntry would read: plain decimal, no sign or
// leading zeros, within 0..last.
std::optional<qint32> entryIndex(const QString& name, qint32 last)
{
    bool ok = false;
    const qint32 index = name.toInt(&ok);
    if (ok && index >= 0 && index <= last && name == QString::number(index))
        return index;
    return std::nullopt;
}

} // namespace

QList<std::pair<qint32, QString>> PlaylistStore::ReadEntries(qint32 last) const
{
    QList<std::pair<qint32, QString>> entries;
    for (const auto& [name, path] : m_playlist.readAllStrings()) {
        if (const auto index = entryIndex(name, last); index && !path.isEmpty())
            entries.append({*index, path});
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return entries;
}

void PlaylistStore::WriteRenumbered(const QStringList& paths, const QHash<qint32, QString>& current,
                                    const std::function<void(qsizetype done)>& written)
{
    const qint32 count = qint32(std::min<qsizetype>(paths.size(), std::numeric_limits<qint32>::max()));
    database()->transaction([&] {
        const qint32 last = LastPlItem();
        // Values 1..count are overwritten below; every other entry value goes.
        for (const QString& name : m_playlist.valueNames()) {
            const auto index = entryIndex(name, last);
            if (index && (*index < 1 || *index > count))
                m_playlist.deleteValue(name);
        }
        SetLastPlItem(count);
        for (qint32 i = 0; i < count; ++i) {
            // A list rebuilt again (every start does) mostly keeps its numbers.
            if (const auto it = current.constFind(i + 1); it == current.cend() || *it != paths[i])
                m_playlist.writeString(QString::number(i + 1), paths[i]);
            if (written)
                written(i + 1);
        }
    });
}

} // namespace vimbo
