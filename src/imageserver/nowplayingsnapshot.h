// The player's state for the now-playing picture, taken by the server's
// threads without waiting on the GUI thread or on a transaction it holds
// open (a rebuild's): the entry and skin name as last committed to the
// store, the playlist view's look as last handed over.
#pragma once

#include "imageserver/nowplayingimage.h"
#include "settings/registry.h"

#include <QElapsedTimer>
#include <QFont>
#include <QMutex>

namespace vimbo {

class NowPlayingSnapshots
{
public:
    // Another process's writes to the store are not counted by ours; what
    // was read is read again after this long at the latest.
    static constexpr int kRereadMs = 250;

    NowPlayingSnapshots(RegistryKey settings, RegistryKey playlist);

    // GUI thread: the playlist view's font and width, which cut the names.
    void SetPlaylistLook(const QFont& font, int width);
    // Any thread: the track line of entry `index` and the skin name (the
    // colours are the caller's). The store is read only when something was
    // written since the last read; the names are cut only when the entry
    // or the look changed. Throws ERegistryException as the store does.
    NowPlaying Take(qint32 index) const;

private:
    RegistryKey m_settings;
    RegistryKey m_playlist;

    mutable QMutex m_lookLock; // the view's look, written by the GUI thread
    QFont m_font;
    int m_width = 0;
    quint64 m_lookVersion = 1;

    // What the last Take found, and what it was found for.
    struct Copy
    {
        bool valid = false;
        qint32 index = 0;
        quint64 commits = 0;
        qint64 readAtMs = 0;
        quint64 lookVersion = 0;
        QString path, skin, trackLine;
        QFont font;
        int width = 0;
    };
    mutable QMutex m_copyLock;
    mutable Copy m_copy;
    QElapsedTimer m_clock;
};

} // namespace vimbo
