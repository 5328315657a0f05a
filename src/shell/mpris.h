// The player on the desktop's media bus (MPRIS 2): media keys, the
// desktop's player widget and the lock screen read and drive playback
// through it. The service knows nothing of the window: it asks its host
// what is playing and hands every command to the host, which runs the
// same commands the buttons do.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

namespace vimbo {

enum class MprisStatus { Stopped, Playing, Paused };

// The track the player has started last.
struct MprisTrack
{
    qint32 entry = -1;     // its playlist entry; -1 before any start
    QString path;
    QString title;
    QString artist;
    QString album;
    qint64 lengthUs = 0;   // 0 while the length is unknown
    QString lyricLine;     // the lyric line shown last, "" for none
    bool operator==(const MprisTrack&) const = default;
};

struct MprisState
{
    MprisStatus status = MprisStatus::Stopped;
    bool repeat = false;
    bool shuffle = false;
    int volume = 0;        // the volume slider's level, 0..100
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canPlay = false;
    MprisTrack track;
    bool operator==(const MprisState&) const = default;
};

class MprisHost
{
public:
    virtual ~MprisHost() = default;
    virtual MprisState MprisCurrent() const = 0;
    // Where the playing track is, in microseconds from its start.
    virtual qint64 MprisPosition() const = 0;

    virtual void MprisRaise() = 0;
    virtual void MprisQuit() = 0;
    virtual void MprisNext() = 0;
    virtual void MprisPrevious() = 0;
    // Resumes a paused track, or starts one when nothing plays.
    virtual void MprisPlay() = 0;
    // Pauses a playing track; nothing else.
    virtual void MprisPause() = 0;
    virtual void MprisStop() = 0;
    // Moves the started track to `positionUs`, inside its length.
    virtual void MprisSeekTo(qint64 positionUs) = 0;
    virtual void MprisSetRepeat(bool on) = 0;
    virtual void MprisSetShuffle(bool on) = 0;
    virtual void MprisSetVolume(int level) = 0;
    // Opens a local file as if another program had handed it over.
    virtual void MprisOpenFile(const QString& path) = 0;
};

class MprisService : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.vimbo";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

    explicit MprisService(MprisHost& host, QObject* parent = nullptr);
    ~MprisService() override;

    // Puts the player on `bus` under its name, or under the per-process
    // name when another player holds it. False (nothing registered) when
    // the bus cannot be reached.
    bool Start(QDBusConnection bus);
    // The bus name taken by Start, "" before.
    QString ServiceName() const { return m_serviceName; }

    // Tells clients what changed since the last call. Cheap when nothing did.
    void Refresh();
    // Asks for a Refresh once the current event has been handled; several
    // requests in one turn make one.
    void RefreshSoon();
    // The track jumped to `positionUs` (a seek, the track slider).
    void Seeked(qint64 positionUs);

    MprisHost& Host() { return m_host; }
    // The metadata map of `track`.
    static QVariantMap Metadata(const MprisTrack& track);
    static QString TrackId(const MprisTrack& track);

private:
    void emitChanges(const MprisState& before, const MprisState& now);

    MprisHost& m_host;
    QDBusConnection m_bus{QString()};
    QString m_serviceName;
    MprisState m_told;
    QTimer m_refresh;
    QObject* m_root = nullptr;
    QObject* m_player = nullptr;
};

// The bus name a player of process `pid` takes when the plain one is taken.
QString MprisInstanceName(qint64 pid);

} // namespace vimbo
