#include "nowplayingsnapshot.h"

namespace vimbo {

NowPlayingSnapshots::NowPlayingSnapshots(RegistryKey settings, RegistryKey playlist)
    : m_settings(std::move(settings)), m_playlist(std::move(playlist))
{
    m_clock.start();
}

void NowPlayingSnapshots::SetPlaylistLook(const QFont& font, int width)
{
    QMutexLocker lock(&m_lookLock);
    if (font == m_font && width == m_width)
        return;
    m_font = font;
    m_width = width;
    ++m_lookVersion;
}

NowPlaying NowPlayingSnapshots::Take(qint32 index) const
{
    // Taken before reading: a write after this point is seen by the next Take.
    const quint64 commits = m_settings.database()->commitCount();
    QMutexLocker lock(&m_copyLock);
    Copy next = m_copy;
    const qint64 now = m_clock.elapsed();
    if (!next.valid || index != next.index || commits != next.commits || now - next.readAtMs >= kRereadMs) {
        next.path = m_playlist.readCommittedString(QString::number(index));
        next.skin = m_settings.readCommittedString(QStringLiteral("Skin"));
        next.index = index;
        next.commits = commits;
        next.readAtMs = now;
    }
    bool lookChanged = false;
    {
        QMutexLocker look(&m_lookLock);
        if (m_lookVersion != next.lookVersion) {
            next.font = m_font;
            next.width = m_width;
            next.lookVersion = m_lookVersion;
            lookChanged = true;
        }
    }
    if (!next.valid || lookChanged || next.path != m_copy.path)
        next.trackLine = TrackLineFor(next.path, next.font, next.width);
    next.valid = true;
    m_copy = std::move(next);

    NowPlaying state;
    state.trackLine = m_copy.trackLine;
    state.skinName = m_copy.skin.isEmpty() ? QStringLiteral("Default") : m_copy.skin;
    return state;
}

} // namespace vimbo
