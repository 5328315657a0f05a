// Timed lyrics: which lyric file belongs to the track that starts, and the
// line it holds for a position report. Keys are the player's position values
// as they are reported: the decoder's offsets (tenths of a second) for MP3
// and WAV tracks, whole seconds for CD tracks.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

namespace vimbo {

class ProfileFile;

// The lines of one lyric file by key. A line is found only by its exact key.
class LyricLines
{
public:
    // The "Timers" section of a ".sly" (of two copies of a key, the first).
    static LyricLines FromProfile(const ProfileFile& file);
    // A ".lrc" file's lines, keyed in tenths of a second.
    static LyricLines FromLrc(const QByteArray& bytes);

    // The line stored for `position`; "" when there is none.
    QString LineAt(qint32 position) const { return m_lines.value(QString::number(position)); }
    qsizetype size() const { return m_lines.size(); }

private:
    QHash<QString, QString> m_lines;
};

// The lyric folder ("Lyrics/" of the program folder): only ".sly" files
// directly in it count.
class LyricLibrary
{
public:
    explicit LyricLibrary(QString folder) : m_folder(std::move(folder)) {}

    // The look-up when `path` starts playing: the first ".sly" in the order the
    // folder lists them whose "AttachedTo" is exactly `path` (case and every
    // character); without one, "<track without extension>.lrc" beside the track.
    void TrackStarted(const QString& path);
    bool LyricsActive() const { return m_active; }
    // The lyric file in use for the playing track ("" for none).
    const QString& AttachedLyric() const { return m_attached; }
    // The line for a position report of the playing track; "" when no lyric
    // is active or it holds no line for exactly this position. A lyric file
    // changed on disk while the track plays is read again.
    QString LineAt(qint32 position);

    // "Settings"/"AttachedTo" of a lyric file ("" when missing or empty).
    static QString AttachedTo(const QString& lyricFile);
    // Lyric files are read whole; one larger than this is no lyric file and is
    // not read at all, so a stray huge file cannot stall a track start.
    static constexpr qint64 kLargestLyricFile = 64 * 1024 * 1024;
    // The audio file an LRC belongs to: the ".mp3" or ".wav" of its base name
    // beside it, or "" when there is none.
    static QString AudioFileBeside(const QString& lrcFile);
    // Makes "<folder>/<base name of the LRC>.sly" from an LRC file, attached
    // to `attachedTo` ("" leaves it for the attach dialog). A lyric file of
    // that name already there is kept as it is. Returns the ".sly" path, or
    // "" when the LRC cannot be read or the lyric file not written.
    static QString ImportLrc(const QString& lrcFile, const QString& folder, const QString& attachedTo);

private:
    void load();
    // "AttachedTo" of a file in the folder, read again only when it changed.
    QString attachedToOf(const QString& file);

    struct Known
    {
        QDateTime modified;
        qint64 size = -1;
        QString attachedTo;
    };
    QString m_folder;
    QHash<QString, Known> m_known;
    bool m_active = false;
    QString m_attached;
    bool m_lrc = false;
    QDateTime m_loadedModified;
    qint64 m_loadedSize = -1;
    LyricLines m_lines;
};

} // namespace vimbo
