// Playback control: starts files by playlist index, steps forward and back
// (in order or shuffled), repeats, follows the decoder's end of track and
// scrolls the title through the taskbar text.
#pragma once

#include "playback/mp3decplayer.h"
#include "playlist/playliststore.h"

#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <vector>

namespace vimbo {

enum TMediaKind : quint8 { mkWav = 0, mkMp3 = 1, mkCd = 2 };

// What playback control shows; the main window implements it.
class PlaybackView
{
public:
    virtual ~PlaybackView() = default;
    virtual QString FileLabelText() const = 0;
    virtual void SetFileLabel(const QString& text) = 0;
    virtual void SetComingUpLabel(const QString& text) = 0;
    // The application's title: its taskbar text.
    virtual void SetApplicationTitle(const QString& text) = 0;
    // The lyrics generator's "Song Playing:" (the name, untidied).
    virtual void SetPlayingLabel(const QString&) {}
};

// The shuffle's random numbers: a 32-bit linear congruential generator,
// re-seeded from the time of day before every draw.
class ShuffleRandom
{
public:
    // Milliseconds since midnight UTC.
    using Clock = std::function<quint32()>;
    static quint32 utcMillisecondsOfDay();

    explicit ShuffleRandom(Clock clock = &utcMillisecondsOfDay) : m_clock(std::move(clock)) {}
    void Randomize() { State = m_clock(); }
    // A number from 0 to `highest` inclusive.
    qint32 Draw(qint32 highest);

    quint32 State = 0;

private:
    Clock m_clock;
};

class PlaybackControl
{
public:
    static const QString kNoFiles;       // "No files added to the playlist..."
    static const QString kFirstFileText; // FileLabel's text until a file is started

    PlaybackControl(PlaylistStore& store, RegistryKey settings, TMp3DecPlayer& player, PlaybackView& view);

    void PlayFile(const QString& P);
    void PlayItem();
    void PlaySelected();
    void Pause();
    void Stop();
    void Next();
    void Prev();
    void SetShuffle();
    void SetRepeat();
    void ResetComingUp() { ChooseComingUp(); }
    // The playlist was renumbered (old index -> new index of every entry
    // kept): the current, coming-up and previous entries and the shuffle
    // cycle go on naming the same files; an entry that was dropped is none.
    void FollowRenumbering(const QHash<qint32, qint32>& renumbered);
    void ChooseComingUp();
    void PlayerState(int State);
    void FastTimer();

    // State, changed on the GUI thread only. CurrentIndex is also read by the
    // image server's threads (with the store, which is safe across threads).
    std::atomic<qint32> CurrentIndex = 0;
    qint32 ComingUpIndex = 0;
    qint32 PreviousIndex = 0;
    QString ShuffleHistory;
    qint32 ShuffleCount = 0;
    bool ShuffleOn = false;
    bool RepeatOn = false;
    TMediaKind MediaKind = mkWav;
    bool IsPlaying = false;
    bool IsPaused = false;
    bool CdOpen = false;
    QString CurrentTitle = QStringLiteral("Vimbo Media Player");
    QString TickerText;
    qint32 TickerPos = 1;
    qint32 VolumeLevel = 50;
    ShuffleRandom Random;
    // The pause between the end of a track and the next start.
    int EndOfTrackDelayMs = 1000;

    // Work of other subsystems that starting a file calls into.
    std::function<void()> ApplyEqualizer;
    std::function<void(const QString& path)> TrackStarted; // the lyric look-up
    // Starts a CD track file; false when it is not a valid one (the CD
    // player has told the user by then).
    std::function<bool(const QString& path)> StartCdTrack;
    std::function<void()> StopCd;          // stop; the device stays open
    std::function<void()> CloseCd;         // stop and close the device
    std::function<void()> PlayCd;          // play on from the current position
    std::function<void()> ResumeCd;        // resume (play when resuming fails)
    std::function<void()> PauseOrResumeCd; // pause when playing, resume when paused
    std::function<void(qint32 seconds)> SeekCd;
    std::function<void()> PollCd;

    // Stops and closes the CD device when it is open (an MP3/WAV start, shutdown).
    void CloseCdIfOpen();

private:
    qint32 lastPlItem() const { return m_store.LastPlItem(); }
    // The entry Next moves to (in order or the coming-up one), without starting it.
    qint32 nextIndex();
    void cdTrackFailed(const QString& failed);
    void endOfTrack();
    // Shuffle bookkeeping kept beside ShuffleHistory, so a draw is checked
    // without searching the text.
    void syncChosen(qint32 last);
    bool isChosen(qint32 index) const;
    bool isFresh(qint32 index);
    qint32 drawAgain(qint32 last);
    qint32 pickUnchosen(qint32 last);

    PlaylistStore& m_store;
    RegistryKey m_settings;
    TMp3DecPlayer& m_player;
    PlaybackView& m_view;
    QTimer m_endOfTrack;
    // A decoder stream has played to its end and nothing has started since.
    bool m_streamEnded = false;
    std::vector<bool> m_chosen;   // index -> in ShuffleHistory
    qint32 m_chosenCount = 0;     // distinct indices 1..last in it
    qsizetype m_chosenFrom = -1;  // length of ShuffleHistory that m_chosen reflects
    std::vector<bool> m_gaps;     // indices found empty in this cycle
    qint32 m_gapsLast = -1;       // LastPlItem when they were found
};

} // namespace vimbo
