// The main window as the media bus's host: what the bus reads of playback
// and the commands it sends, each the one a button or slider runs.
#include "app/vimboform.h"

#include "playlist/displaynames.h"
#include "playlist/id3tags.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QFontMetrics>
#include <QTreeWidget>

using namespace vimbo;

namespace {

class FormMprisHost : public MprisHost
{
public:
    explicit FormMprisHost(TVimboForm& form) : f(form) {}

    MprisState MprisCurrent() const override
    {
        MprisState s;
        const qint32 last = f.PlaylistView.Store().LastPlItem();
        s.status = status(last);
        s.repeat = f.Playback.RepeatOn;
        s.shuffle = f.Playback.ShuffleOn;
        s.volume = f.Playback.VolumeLevel;
        // A single entry plays, but playback control has nothing to step to
        // from it.
        s.canPlay = last >= 1;
        s.canGoNext = s.canGoPrevious = last > 1;
        s.track = f.PlayingTrack;
        return s;
    }

    qint64 MprisPosition() const override { return f.PositionMicroseconds(); }

    void MprisRaise() override { f.BringToFront(); }
    void MprisQuit() override { f.CloseProgram(); }
    void MprisNext() override { f.Playback.Next(); }
    void MprisPrevious() override { f.Playback.Prev(); }

    void MprisPlay() override
    {
        switch (MprisCurrent().status) {
        case MprisStatus::Playing: return;
        case MprisStatus::Paused: setPaused(false); return;
        case MprisStatus::Stopped: f.Playback.PlaySelected(); return;
        }
    }

    void MprisPause() override
    {
        if (MprisCurrent().status == MprisStatus::Playing)
            setPaused(true);
    }

    void MprisStop() override { f.Playback.Stop(); }

    void MprisSeekTo(qint64 positionUs) override
    {
        PlaybackControl& p = f.Playback;
        if (p.MediaKind == mkCd) {
            const bool playing = f.CdPlayer.Mode() == TCdMode::Playing;
            const qint32 seconds = qint32(positionUs / 1000000);
            if (p.SeekCd)
                p.SeekCd(seconds);
            // A seek leaves the drive stopped; a playing track plays on.
            if (playing && p.PlayCd)
                p.PlayCd();
            f.PositionValue = seconds;
        } else {
            const qint64 lengthUs = std::max<qint64>(1, f.PlayingTrack.lengthUs);
            // Milliseconds of the length: the decoder takes the ratio.
            f.Player.InputSeek(int(positionUs / 1000), int(std::max<qint64>(1, lengthUs / 1000)));
            f.PositionValue = qint32(positionUs / 100000);
        }
        f.RedrawSlider(QStringLiteral("Track"));
    }

    void MprisSetRepeat(bool on) override
    {
        if (f.Playback.RepeatOn != on)
            f.Playback.SetRepeat();
    }

    void MprisSetShuffle(bool on) override
    {
        if (f.Playback.ShuffleOn != on)
            f.Playback.SetShuffle();
    }

    void MprisSetVolume(int level) override
    {
        f.Playback.VolumeLevel = std::clamp(level, 0, 100);
        f.SettingsKey().writeInteger(QStringLiteral("Volume"), f.Playback.VolumeLevel);
        f.ApplyVolume();
        f.RedrawSlider(QStringLiteral("Volume"));
    }

    void MprisOpenFile(const QString& path) override { f.OpenFileMessage(path); }

private:
    // `last` is the playlist's highest entry.
    MprisStatus status(qint32 last) const
    {
        const PlaybackControl& p = f.Playback;
        if (p.MediaKind == mkCd) {
            if (!p.CdOpen)
                return MprisStatus::Stopped;
            switch (f.CdPlayer.Mode()) {
            case TCdMode::Playing:
            case TCdMode::Seeking: return MprisStatus::Playing;
            case TCdMode::Paused: return MprisStatus::Paused;
            default: return MprisStatus::Stopped;
            }
        }
        switch (f.DecoderState) {
        case MP3_PLAYER_STATE_PLAYING: return MprisStatus::Playing;
        case MP3_PLAYER_STATE_PAUSED: return MprisStatus::Paused;
        // Between two tracks: the next one starts after the pause.
        case MP3_PLAYER_STATE_EOS:
            return last > 1 ? MprisStatus::Playing : MprisStatus::Stopped;
        default: return MprisStatus::Stopped;
        }
    }

    // Pause flips between paused and playing, and its flag is left as it
    // was by a start (so that after a pause and a new start one press
    // resumes): a flag that already says `paused` is brought in line first.
    void setPaused(bool paused)
    {
        if (f.Playback.IsPaused == paused)
            f.Playback.Pause();
        f.Playback.Pause();
    }

    TVimboForm& f;
};

} // namespace

qint64 TVimboForm::PositionMicroseconds() const
{
    if (PlayingTrack.lengthUs <= 0)
        return 0;
    const qint64 unit = Playback.MediaKind == mkCd ? 1000000 : 100000;
    return std::clamp<qint64>(qint64(PositionValue) * unit, 0, PlayingTrack.lengthUs);
}

void TVimboForm::startMpris()
{
    if (qEnvironmentVariable("VIMBO_MPRIS") == QLatin1String("0"))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return; // no session bus: a desktop without media keys
    m_mprisHost = std::make_unique<FormMprisHost>(*this);
    m_mpris = std::make_unique<MprisService>(*m_mprisHost);
    if (!m_mpris->Start(bus)) {
        qWarning("The media bus name %s and this player's own are both taken", MprisService::kServiceName);
        m_mpris.reset();
    }
}

void TVimboForm::describePlayingTrack(const QString& path)
{
    MprisTrack track;
    track.entry = Playback.CurrentIndex;
    track.path = path;
    const DisplayNames names = MakeDisplayNames(path, QFontMetrics(Playlist->font()), 1 << 24);
    if (extractFileExt(path) == QLatin1String(".mp3")) {
        const Id3Tags tags = ReadId3Tags(path);
        track.title = tags.title;
        track.artist = tags.artist;
    } else if (extractFileExt(path) == QLatin1String(".cda")) {
        track.title = CdTrackTitle(path);
    }
    // The name the labels show, tidied but not cut.
    if (track.title.isEmpty())
        track.title = CapitalizeName(names.name, int(names.name.size()) + 2);
    track.album = names.folder;
    // The same entry started again (Play, a repeat) is the same track gone
    // back to its start, not a new one.
    const bool again = track.entry == PlayingTrack.entry && track.path == PlayingTrack.path;
    if (again)
        track.lengthUs = PlayingTrack.lengthUs;
    PlayingTrack = track;
    if (m_mpris) {
        m_mpris->RefreshSoon();
        if (again)
            m_mpris->Seeked(0);
    }
}
