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
            cdTrackFailed(P);
            return; // the rest of the start is for a track that plays
        }
    } else if (ext == QLatin1String(".mp3") || ext == QLatin1String(".wav")) {
        CloseCdIfOpen();
        MediaKind = ext == QLatin1String(".mp3") ? mkMp3 : mkWav;
        m_streamEnded = false;
        m_player.InputOpen(P);
        m_player.Play();
        m_player.SetOutputVolume(-1, VolumeLevel, -1);
        call(ApplyEqualizer);
    }
    call(TrackStarted, P);
    const QString name = bareName(P);
    m_view.SetFileLabel(CapitalizeName(name, 32));
    m_view.SetPlayingLabel(name);
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
            call(ResumeCd);
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
    // Between tracks the stream has ended: there is nothing to pause, and
    // flipping IsPaused would make the next track need two presses.
    if (MediaKind != mkCd && m_streamEnded)
        return;
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

void PlaybackControl::CloseCdIfOpen()
{
    if (CdOpen) {
        call(CloseCd);
        CdOpen = false;
    }
}

void PlaybackControl::cdTrackFailed(const QString& failed)
{
    // Step on past a bad CD track file, but never onto the file that just
    // failed: at the end of the list Next would choose it again, and again.
    // It is told by its path: a file started by path (added files) need
    // not be entry CurrentIndex.
    if (lastPlItem() <= 1) {
        m_view.SetFileLabel(kNoFiles);
        return;
    }
    const qint32 next = nextIndex();
    if (m_store.ReadPlaylistEntry(next) == failed)
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

namespace {

// Further draws of one choice before the unchosen entries are listed.
constexpr int kFreeDraws = 32;

void mark(std::vector<bool>& bits, qint32 index)
{
    if (index < 0)
        return;
    if (size_t(index) >= bits.size())
        bits.resize(size_t(index) + 1, false);
    bits[size_t(index)] = true;
}

bool marked(const std::vector<bool>& bits, qint32 index)
{
    return index >= 0 && size_t(index) < bits.size() && bits[size_t(index)];
}

// The indices of a shuffle history ("3;12;7;"), in order.
QList<qint32> historyIndices(const QString& history)
{
    QList<qint32> indices;
    for (const QStringView token : QStringView(history).split(';', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint32 index = token.toInt(&ok);
        if (ok)
            indices.append(index);
    }
    return indices;
}

} // namespace

void PlaybackControl::FollowRenumbering(const QHash<qint32, qint32>& renumbered)
{
    CurrentIndex = renumbered.value(CurrentIndex, 0);
    ComingUpIndex = renumbered.value(ComingUpIndex, 0);
    PreviousIndex = renumbered.value(PreviousIndex, 0);
    QString history;
    qint32 count = 0;
    for (const qint32 index : historyIndices(ShuffleHistory)) {
        if (renumbered.contains(index)) {
            history += QString::number(renumbered.value(index)) + ';';
            ++count;
        }
    }
    ShuffleHistory = history;
    ShuffleCount = count;
    // Read the cycle and the gaps anew at the next choice.
    m_chosenFrom = -1;
    m_gaps.clear();
}

void PlaybackControl::syncChosen(qint32 last)
{
    if (last != m_gapsLast) {
        // The playlist changed: what was found empty may not be any more.
        m_gaps.clear();
        m_gapsLast = last;
    }
    if (ShuffleHistory.size() == m_chosenFrom)
        return;
    // The history was changed from outside: read it again.
    m_chosen.clear();
    m_chosenCount = 0;
    for (const qint32 index : historyIndices(ShuffleHistory)) {
        if (!marked(m_chosen, index)) {
            mark(m_chosen, index);
            if (index >= 1 && index <= last)
                ++m_chosenCount;
        }
    }
    m_chosenFrom = ShuffleHistory.size();
}

bool PlaybackControl::isChosen(qint32 index) const
{
    return marked(m_chosen, index);
}

bool PlaybackControl::isFresh(qint32 index)
{
    if (isChosen(index) || marked(m_gaps, index))
        return false;
    if (m_store.EntryExists(index))
        return true;
    mark(m_gaps, index);
    return false;
}

qint32 PlaybackControl::drawAgain(qint32 last)
{
    // The generator goes on without waiting for the clock to move; while
    // many entries are unchosen a few more draws find one.
    const qint32 unchosen = last - m_chosenCount;
    for (int draw = 0; draw < kFreeDraws && qint64(unchosen) * 8 >= last; ++draw) {
        const qint32 c = Random.Draw(last);
        if (isFresh(c))
            return c;
    }
    return pickUnchosen(last);
}

qint32 PlaybackControl::pickUnchosen(qint32 last)
{
    // Few left: draw among the unchosen ones themselves. 0 when every
    // existing entry has been chosen in this cycle.
    std::vector<qint32> unchosen;
    for (qint32 n = 1; n <= last; ++n) {
        if (!isChosen(n) && !marked(m_gaps, n))
            unchosen.push_back(n);
    }
    while (!unchosen.empty()) {
        const size_t at = size_t(Random.Draw(qint32(unchosen.size()) - 1));
        if (isFresh(unchosen[at]))
            return unchosen[at];
        unchosen[at] = unchosen.back();
        unchosen.pop_back();
    }
    return 0;
}

void PlaybackControl::ChooseComingUp()
{
    const qint32 last = lastPlItem();
    bool exhausted = last <= ShuffleCount;
    syncChosen(last);
    if (ShuffleOn) {
        // The first draw of each choice is seeded from the clock.
        Random.Randomize();
        qint32 c = Random.Draw(last);
        if (!exhausted && !isFresh(c)) {
            const qint32 other = drawAgain(last);
            if (other > 0)
                c = other;
            else
                exhausted = true; // every existing entry was chosen (gaps keep the count low)
        }
        ComingUpIndex = c;
    }
    if (!exhausted) {
        ShuffleHistory += QString::number(ComingUpIndex) + ';';
        ++ShuffleCount;
        if (!isChosen(ComingUpIndex) && ComingUpIndex >= 1 && ComingUpIndex <= last)
            ++m_chosenCount;
        mark(m_chosen, ComingUpIndex);
    } else {
        ShuffleCount = 0;
        ShuffleHistory.clear();
        m_chosen.clear();
        m_chosenCount = 0;
        m_gaps.clear();
    }
    m_chosenFrom = ShuffleHistory.size();
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
        m_streamEnded = false;
        IsPlaying = false;
        m_player.InputSeek(0, 1);
        break;
    case MP3_PLAYER_STATE_PLAYING:
    case MP3_PLAYER_STATE_PAUSED:
        m_streamEnded = false;
        IsPlaying = true;
        break;
    case MP3_PLAYER_STATE_EOS:
        m_streamEnded = true;
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
