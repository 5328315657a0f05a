#include "mpris.h"

#include "shell/associations.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QUrl>

#include <algorithm>

#include <limits>

namespace vimbo {

namespace {

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kTrackPrefix = QStringLiteral("/org/vimbo/track/");

QString statusName(MprisStatus status)
{
    switch (status) {
    case MprisStatus::Playing: return QStringLiteral("Playing");
    case MprisStatus::Paused: return QStringLiteral("Paused");
    case MprisStatus::Stopped: break;
    }
    return QStringLiteral("Stopped");
}

bool hasTrack(const MprisState& s)
{
    return s.track.entry >= 0 && s.status != MprisStatus::Stopped;
}

// A jump needs a started track and its length.
bool canSeekIn(const MprisState& s)
{
    return hasTrack(s) && s.track.lengthUs > 0;
}

} // namespace

// org.mpris.MediaPlayer2: the application as a whole.
class MprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool CanSetFullscreen READ canSetFullscreen)
    Q_PROPERTY(bool Fullscreen READ fullscreen)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

public:
    MprisRootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), m_service(service) {}

    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool canSetFullscreen() const { return false; }
    bool fullscreen() const { return false; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Vimbo Media Player"); }
    QString desktopEntry() const { return QStringLiteral("vimbo"); }
    QStringList supportedUriSchemes() const { return {QStringLiteral("file")}; }
    // The sound types of the player's own file-type table.
    QStringList supportedMimeTypes() const
    {
        QStringList types;
        for (const PlayerFileType& t : playerFileTypes()) {
            if (QLatin1String(t.type).startsWith(QLatin1String("audio/")))
                types << QLatin1String(t.type);
        }
        return types;
    }

public slots:
    void Raise() { m_service->Host().MprisRaise(); }
    void Quit() { m_service->Host().MprisQuit(); }

private:
    MprisService* m_service;
};

// org.mpris.MediaPlayer2.Player: playback.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(bool Shuffle READ shuffle WRITE setShuffle)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)

public:
    MprisPlayerAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), m_service(service) {}

    MprisHost& host() const { return m_service->Host(); }
    MprisState now() const { return host().MprisCurrent(); }

    QString playbackStatus() const { return statusName(now().status); }
    QString loopStatus() const { return now().repeat ? QStringLiteral("Track") : QStringLiteral("None"); }
    void setLoopStatus(const QString& value)
    {
        // The player repeats one track or none; a whole-list loop it has not.
        if (value == QLatin1String("Track") || value == QLatin1String("None"))
            host().MprisSetRepeat(value == QLatin1String("Track"));
        m_service->RefreshSoon();
    }
    double rate() const { return 1.0; }
    void setRate(double value)
    {
        // Only the one rate; a rate of 0 is how clients ask for a pause.
        if (value == 0.0)
            host().MprisPause();
        m_service->RefreshSoon();
    }
    bool shuffle() const { return now().shuffle; }
    void setShuffle(bool on)
    {
        host().MprisSetShuffle(on);
        m_service->RefreshSoon();
    }
    QVariantMap metadata() const { return MprisService::Metadata(now().track); }
    double volume() const { return now().volume / 100.0; }
    void setVolume(double value)
    {
        // Out of range is the nearest end; NaN is no request at all.
        if (!(value == value))
            return;
        host().MprisSetVolume(int(std::clamp(value, 0.0, 1.0) * 100 + 0.5));
        m_service->RefreshSoon();
    }
    qlonglong position() const { return hasTrack(now()) ? host().MprisPosition() : 0; }
    bool canGoNext() const { return now().canGoNext; }
    bool canGoPrevious() const { return now().canGoPrevious; }
    bool canPlay() const { return now().canPlay; }
    bool canPause() const { return now().canPlay; }
    bool canSeek() const { return canSeekIn(now()); }
    bool canControl() const { return true; }

public slots:
    void Next() { command([this] { host().MprisNext(); }); }
    void Previous() { command([this] { host().MprisPrevious(); }); }
    void Pause() { command([this] { host().MprisPause(); }); }
    void PlayPause()
    {
        command([this] {
            if (now().status == MprisStatus::Playing)
                host().MprisPause();
            else
                host().MprisPlay();
        });
    }
    void Stop() { command([this] { host().MprisStop(); }); }
    void Play() { command([this] { host().MprisPlay(); }); }
    void Seek(qlonglong offset)
    {
        const MprisState s = now();
        if (!canSeekIn(s))
            return;
        const qint64 from = host().MprisPosition();
        // Saturating: an offset near the type's limits must not wrap around.
        const qint64 to = offset > 0 && from > std::numeric_limits<qint64>::max() - offset ? s.track.lengthUs + 1
                                                                                            : std::max<qint64>(0, from + offset);
        if (to > s.track.lengthUs) {
            command([this] { host().MprisNext(); });
            return;
        }
        host().MprisSeekTo(to);
        m_service->Seeked(to);
    }
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position)
    {
        const MprisState s = now();
        // A request for a track that is no longer playing is stale: ignored.
        if (!hasTrack(s) || trackId.path() != MprisService::TrackId(s.track) || position < 0 ||
            position > s.track.lengthUs)
            return;
        host().MprisSeekTo(position);
        m_service->Seeked(position);
    }
    void OpenUri(const QString& uri)
    {
        const QUrl url(uri);
        if (url.isLocalFile())
            command([this, path = url.toLocalFile()] { host().MprisOpenFile(path); });
    }

signals:
    void Seeked(qlonglong Position);

private:
    template <typename F>
    void command(F&& run)
    {
        run();
        m_service->RefreshSoon();
    }

    MprisService* m_service;
};

MprisService::MprisService(MprisHost& host, QObject* parent) : QObject(parent), m_host(host)
{
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(0);
    connect(&m_refresh, &QTimer::timeout, this, &MprisService::Refresh);
}

MprisService::~MprisService()
{
    if (!m_serviceName.isEmpty()) {
        m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
        m_bus.unregisterService(m_serviceName);
    }
}

QString MprisInstanceName(qint64 pid)
{
    return QString::fromLatin1(MprisService::kServiceName) + QStringLiteral(".instance") + QString::number(pid);
}

bool MprisService::Start(QDBusConnection bus)
{
    if (!bus.isConnected())
        return false;
    m_root = new MprisRootAdaptor(this);
    m_player = new MprisPlayerAdaptor(this);
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportAdaptors))
        return false;
    // Not queued: a name we do not get at once goes to the other player for good.
    QDBusConnectionInterface* names = bus.interface();
    const QString plain = QString::fromLatin1(kServiceName);
    const QString own = MprisInstanceName(QCoreApplication::applicationPid());
    for (const QString& name : {plain, own}) {
        const auto reply = names->registerService(name, QDBusConnectionInterface::DontQueueService,
                                                  QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
            m_bus = bus;
            m_serviceName = name;
            m_told = m_host.MprisCurrent();
            return true;
        }
    }
    bus.unregisterObject(QString::fromLatin1(kObjectPath));
    return false;
}

void MprisService::RefreshSoon()
{
    if (!m_serviceName.isEmpty() && !m_refresh.isActive())
        m_refresh.start();
}

void MprisService::Refresh()
{
    if (m_serviceName.isEmpty())
        return;
    const MprisState now = m_host.MprisCurrent();
    if (now == m_told)
        return;
    const MprisState before = std::exchange(m_told, now);
    emitChanges(before, now);
}

void MprisService::emitChanges(const MprisState& before, const MprisState& now)
{
    // One signal for everything that changed together, so that a client sees
    // a new track's metadata no later than the status it plays with.
    QVariantMap changed;
    if (before.track != now.track)
        changed.insert(QStringLiteral("Metadata"), Metadata(now.track));
    if (before.status != now.status)
        changed.insert(QStringLiteral("PlaybackStatus"), statusName(now.status));
    if (before.repeat != now.repeat)
        changed.insert(QStringLiteral("LoopStatus"), now.repeat ? QStringLiteral("Track") : QStringLiteral("None"));
    if (before.shuffle != now.shuffle)
        changed.insert(QStringLiteral("Shuffle"), now.shuffle);
    if (before.volume != now.volume)
        changed.insert(QStringLiteral("Volume"), now.volume / 100.0);
    if (before.canGoNext != now.canGoNext)
        changed.insert(QStringLiteral("CanGoNext"), now.canGoNext);
    if (before.canGoPrevious != now.canGoPrevious)
        changed.insert(QStringLiteral("CanGoPrevious"), now.canGoPrevious);
    if (before.canPlay != now.canPlay) {
        changed.insert(QStringLiteral("CanPlay"), now.canPlay);
        changed.insert(QStringLiteral("CanPause"), now.canPlay);
    }
    if (canSeekIn(before) != canSeekIn(now))
        changed.insert(QStringLiteral("CanSeek"), canSeekIn(now));
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    m_bus.send(signal);
}

void MprisService::Seeked(qint64 positionUs)
{
    if (auto* player = static_cast<MprisPlayerAdaptor*>(m_player))
        emit player->Seeked(positionUs);
}

QString MprisService::TrackId(const MprisTrack& track)
{
    return track.entry < 0 ? QString::fromLatin1(kNoTrack) : kTrackPrefix + QString::number(track.entry);
}

QVariantMap MprisService::Metadata(const MprisTrack& track)
{
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(TrackId(track))));
    if (track.entry < 0)
        return map;
    if (track.lengthUs > 0)
        map.insert(QStringLiteral("mpris:length"), qlonglong(track.lengthUs));
    map.insert(QStringLiteral("xesam:url"), QString::fromUtf8(QUrl::fromLocalFile(track.path).toEncoded()));
    map.insert(QStringLiteral("xesam:title"), track.title);
    if (!track.artist.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{track.artist});
    map.insert(QStringLiteral("xesam:album"), track.album);
    map.insert(QStringLiteral("xesam:asText"), track.lyricLine);
    return map;
}

} // namespace vimbo

#include "mpris.moc"
