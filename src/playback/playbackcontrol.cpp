#include "playbackcontrol.h"

#include "platform/paths.h"
#include "playlist/displaynames.h"

#include <QDateTime>

namespace vimbo {

const QString PlaybackControl::kNoFiles = QStringLiteral("No files added to the playlist...");
const QString PlaybackControl::kFirstFileText = QStringLiteral("Vimbo Multimedia Player");

namespace {

template <typename F> void call(const F& hook)
{
    if (hook)
        hook();
}

template <typename F> void call(const F& hook, const QString& arg)
{
    if (hook)
        hook(arg);
}

// The file's name without its last four characters (the extension for the
// three-letter extensions the playlist holds).
QString bareName(const QString& path)
{
    QString name = extractFileName(path);
    name.chop(4);
    return name;
}

} // namespace

quint32 ShuffleRandom::utcMillisecondsOfDay()
{
    return quint32(QDateTime::currentDateTimeUtc().time().msecsSinceStartOfDay());
}

qint32 ShuffleRandom::Draw(qint32 highest)
{
    State = State * 134775813u + 1u;
    return qint32((quint64(quint32(highest) + 1u) * State) >> 32);
}

PlaybackControl::PlaybackControl(PlaylistStore& store, RegistryKey settings, TMp3DecPlayer& player,
                                 PlaybackView& view)
    : m_store(store), m_settings(std::move(settings)), m_player(player), m_view(view)
{
    m_endOfTrack.setSingleShot(true);
    QObject::connect(&m_endOfTrack, &QTimer::timeout, [this] { endOfTrack(); });
}

void PlaybackControl::PlayFile(const QString& P)
{
    // A start of any kind replaces a pending end-of-track step.
    m_endOfTrack.stop();
    const QString ext = extractFileExt(P);
    if (ext == QLatin1String(".cda")) {
        m_player.Stop();
        MediaKind = mkCd;
        if (StartCdTrack && !StartCdTrack(P)) {
            cdTrackFailed();
            return; // the rest of the start is for a track that plays
        }
    } else if (ext == QLatin1String(".mp3") || ext == QLatin1String(".wav")) {
        if (CdOpen) {
            call(StopCd);
            CdOpen = false;
        }
        MediaKind = ext == QLatin1String(".mp3") ? mkMp3 : mkWav;
        m_player.InputOpen(P);
        m_player.Play();
        m_player.SetOutputVolume(-1, VolumeLevel, -1);
        call(ApplyEqualizer);
    }
    call(TrackStarted, P);
    const QString name = bareName(P);
    m_view.SetFileLabel(CapitalizeName(name, 32));
    CurrentTitle = name;
    ChooseComingUp();
}

void PlaybackControl::PlayItem()
{
    PlayFile(m_store.ReadPlaylistEntry(CurrentIndex));
}

void PlaybackControl::PlaySelected()
{
    if (m_view.FileLabelText() == kFirstFileText) {
        const qint32 last = lastPlItem();
        CurrentIndex = -1;
        do
            ++CurrentIndex;
        while (!m_store.EntryExists(CurrentIndex) && CurrentIndex <= last);
        if (CurrentIndex > last)
            m_view.SetFileLabel(kNoFiles);
        else
            PlayItem();
        return;
    }
    if (MediaKind == mkCd) {
        if (IsPaused)
            call(PlayCd);
        else
            PlayItem();
        return;
    }
    if (!IsPaused)
        m_player.InputSeek(0, 1);
    PlayItem();
}

void PlaybackControl::Pause()
{
    if (IsPaused) {
        if (MediaKind == mkCd)
            call(PlayCd);
        else
            m_player.Play();
        IsPaused = false;
    } else {
        if (MediaKind == mkCd)
            call(PauseOrResumeCd);
        else
            m_player.Pause();
        IsPaused = true;
    }
}

void PlaybackControl::Stop()
{
    m_endOfTrack.stop();
    m_player.Stop();
    if (CdOpen)
        call(StopCd);
    IsPlaying = false;
}

qint32 PlaybackControl::nextIndex()
{
    if (ShuffleOn) {
        PreviousIndex = CurrentIndex;
        return ComingUpIndex;
    }
    const qint32 last = lastPlItem();
    qint32 index = CurrentIndex;
    do
        ++index;
    while (!m_store.EntryExists(index) && index <= last);
    return index > last ? last : index;
}

void PlaybackControl::Next()
{
    if (lastPlItem() <= 1) {
        m_view.SetFileLabel(kNoFiles);
        return;
    }
    CurrentIndex = nextIndex();
    PlayItem();
}

void PlaybackControl::cdTrackFailed()
{
    // Step on past a bad CD track file, but never onto the entry that just
    // failed: at the end of the list Next would choose it again, and again.
    if (lastPlItem() <= 1) {
        m_view.SetFileLabel(kNoFiles);
        return;
    }
    const qint32 failed = CurrentIndex;
    const qint32 next = nextIndex();
    if (next == failed)
        return;
    CurrentIndex = next;
    PlayItem();
}

void PlaybackControl::Prev()
{
    const qint32 last = lastPlItem();
    if (last <= 1) {
        m_view.SetFileLabel(kNoFiles);
        return;
    }
    if (ShuffleOn) {
        CurrentIndex = PreviousIndex;
    } else {
        do
            --CurrentIndex;
        while (!m_store.EntryExists(CurrentIndex) && CurrentIndex >= 1);
        if (CurrentIndex < 1)
            CurrentIndex = last;
    }
    PlayItem();
}

bool PlaybackControl::inHistory(qint32 index) const
{
    const QString token = QString::number(index) + ';';
    // Tokens follow each other with no separator but their ';', so compare whole tokens.
    qsizetype from = 0;
    while ((from = ShuffleHistory.indexOf(token, from)) >= 0) {
        if (from == 0 || ShuffleHistory[from - 1] == ';')
            return true;
        ++from;
    }
    return false;
}

bool PlaybackControl::cycleExhausted() const
{
    // Every existing entry has been chosen in this cycle (gaps keep the count
    // below LastPlItem, so the count alone cannot tell).
    const qint32 last = lastPlItem();
    for (qint32 n = 0; n <= last; ++n) {
        if (m_store.EntryExists(n) && !inHistory(n))
            return false;
    }
    return true;
}

void PlaybackControl::ChooseComingUp()
{
    const qint32 last = lastPlItem();
    bool exhausted = last <= ShuffleCount;
    if (ShuffleOn) {
        qint32 c = 0;
        for (int attempt = 1;; ++attempt) {
            Random.Randomize();
            c = Random.Draw(last);
            if (exhausted || (m_store.EntryExists(c) && !inHistory(c)))
                break;
            // Draws in the same millisecond repeat themselves; now and then
            // make sure an unchosen entry is left to find at all.
            if (attempt % 64 == 0 && cycleExhausted()) {
                exhausted = true;
                break;
            }
        }
        ComingUpIndex = c;
    }
    if (!exhausted) {
        ShuffleHistory += QString::number(ComingUpIndex) + ';';
        ++ShuffleCount;
    } else {
        ShuffleCount = 0;
        ShuffleHistory.clear();
    }
    QString n = bareName(m_store.ReadPlaylistEntry(ComingUpIndex));
    if (n.isEmpty())
        n = QStringLiteral("None");
    m_view.SetComingUpLabel(CapitalizeName(QStringLiteral("Coming up ::  ") + n, 32));
}

void PlaybackControl::SetShuffle()
{
    if (ShuffleOn) {
        ShuffleOn = false;
        m_settings.writeString(QStringLiteral("Shuffle"), QStringLiteral("off"));
        m_view.SetComingUpLabel(QStringLiteral("Coming Up :: None"));
        ComingUpIndex = 0;
    } else {
        ShuffleOn = true;
        m_settings.writeString(QStringLiteral("Shuffle"), QStringLiteral("on"));
        ChooseComingUp();
    }
}

void PlaybackControl::SetRepeat()
{
    RepeatOn = !RepeatOn;
    m_settings.writeString(QStringLiteral("Repeat1"), RepeatOn ? QStringLiteral("on") : QStringLiteral("off"));
}

void PlaybackControl::PlayerState(int State)
{
    switch (State) {
    case MP3_PLAYER_STATE_STOPPED:
        IsPlaying = false;
        m_player.InputSeek(0, 1);
        break;
    case MP3_PLAYER_STATE_PLAYING:
    case MP3_PLAYER_STATE_PAUSED:
        IsPlaying = true;
        break;
    case MP3_PLAYER_STATE_EOS:
        if (lastPlItem() <= 1) {
            m_view.SetFileLabel(kNoFiles);
            return;
        }
        // The pause before the next track keeps the window responsive.
        m_endOfTrack.start(EndOfTrackDelayMs);
        break;
    default:
        break;
    }
}

void PlaybackControl::endOfTrack()
{
    if (RepeatOn)
        PlayItem();
    else
        Next();
}

void PlaybackControl::FastTimer()
{
    TickerText = CapitalizeName(QString(44, ' ') + CurrentTitle, 250);
    if (TickerPos >= TickerText.size())
        TickerPos = 1;
    m_view.SetApplicationTitle(TickerText.mid(TickerPos - 1));
    ++TickerPos;
    if (MediaKind == mkCd)
        call(PollCd);
}

} // namespace vimbo
