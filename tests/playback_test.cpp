// Playback control over a real store and the real decoder library.
#include "playback/playbackcontrol.h"
#include "playlist/displaynames.h"
#include "shell/embeddedfiles.h"
#include "support/audiofixtures.h"
#include "support/qtprint.h"
#include "support/testfiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vimbo;

namespace {

struct RecordingView : PlaybackView
{
    QString file = PlaybackControl::kFirstFileText;
    QString comingUp;
    QString title;
    QString FileLabelText() const override { return file; }
    void SetFileLabel(const QString& text) override { file = text; }
    void SetComingUpLabel(const QString& text) override { comingUp = text; }
    void SetApplicationTitle(const QString& text) override { title = text; }
};

QString writtenLibrary()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath("mp3dec.dll");
        writeEmbeddedFileIfMissing(EmbeddedFiles::fromExecutable().DecoderData, p);
        return p;
    }();
    return path;
}

class PlaybackTest : public ::testing::Test
{
protected:
    PlaybackTest()
        : db(RegistryDatabase::open(dir.filePath("registry.db"))), settings(db, kSettingsKeyPath),
          entries(db, kPlaylistKeyPath), store(settings, entries), control(store, settings, player, view)
    {
        qputenv("SDL_AUDIODRIVER", "dummy");
        player.Mp3DecPath = writtenLibrary();
        player.OnNotifyPlayerState = [this](TMp3DecPlayer*, int state) { control.PlayerState(state); };
    }

    // Entries named trackN.mp3 at the given indices; LastPlItem as given.
    void seed(const QList<int>& indices, int last)
    {
        for (int i : indices)
            entries.writeString(QString::number(i), QString("/music/track%1.mp3").arg(i));
        settings.writeInteger("LastPlItem", last);
    }

    QTemporaryDir dir;
    std::shared_ptr<RegistryDatabase> db;
    RegistryKey settings;
    RegistryKey entries;
    PlaylistStore store;
    TMp3DecPlayer player;
    RecordingView view;
    PlaybackControl control;
};

TEST_F(PlaybackTest, StepsThroughPlaylistsWithGaps)
{
    enum Step { Next, Prev, EndOfTrack };
    const struct
    {
        const char* name;
        QList<int> indices;
        int last;
        int current;
        bool repeat;
        Step step;
        int expected;
    } cases[] = {
        {"next at the end starts the last again", {1, 2, 3}, 3, 3, false, Next, 3},
        {"previous at the start wraps", {1, 2, 3}, 3, 1, false, Prev, 3},
        {"next skips a gap", {1, 3}, 3, 1, false, Next, 3},
        {"previous skips a gap", {1, 3}, 3, 3, false, Prev, 1},
        {"next past trailing gaps stops at LastPlItem", {2, 4}, 6, 4, false, Next, 6},
        {"previous below the first wraps to LastPlItem", {2, 4}, 6, 2, false, Prev, 6},
        {"end of track goes on", {1, 2, 3}, 3, 1, false, EndOfTrack, 2},
        {"end of track with repeat replays", {1, 2, 3}, 3, 2, true, EndOfTrack, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The store is shared between rows: clear it.
        for (const QString& name : entries.valueNames())
            entries.deleteValue(name);
        seed(c.indices, c.last);
        control.CurrentIndex = c.current;
        control.RepeatOn = c.repeat;
        control.EndOfTrackDelayMs = 10;
        if (c.step == Next)
            control.Next();
        else if (c.step == Prev)
            control.Prev();
        else {
            control.PlayerState(MP3_PLAYER_STATE_EOS);
            runEventsFor(60);
        }
        EXPECT_EQ(control.CurrentIndex, c.expected);
        const QString expectedName = store.EntryExists(c.expected) ? QString("Track%1").arg(c.expected) : "";
        EXPECT_EQ(view.file, expectedName);
        if (store.EntryExists(c.expected)) {
            EXPECT_EQ(control.MediaKind, mkMp3);
        }
    }
}

TEST_F(PlaybackTest, NothingToStepTo)
{
    const struct
    {
        QList<int> indices;
        int last;
    } cases[] = {{{}, 0}, {{1}, 1}};
    for (const auto& c : cases) {
        seed(c.indices, c.last);
        view.file = "something";
        control.Next();
        EXPECT_EQ(view.file, PlaybackControl::kNoFiles);
        view.file = "something";
        control.Prev();
        EXPECT_EQ(view.file, PlaybackControl::kNoFiles);
        view.file = "something";
        control.RepeatOn = true;
        control.PlayerState(MP3_PLAYER_STATE_EOS);
        EXPECT_EQ(view.file, PlaybackControl::kNoFiles);
    }
}

TEST_F(PlaybackTest, PlaySelectedBeforeAnythingWasPlayed)
{
    control.PlaySelected();
    EXPECT_EQ(view.file, PlaybackControl::kNoFiles) << "an empty playlist";

    view.file = PlaybackControl::kFirstFileText;
    seed({3, 5}, 5);
    control.PlaySelected();
    EXPECT_EQ(control.CurrentIndex, 3) << "the first entry that exists";
    EXPECT_EQ(view.file, "Track3");
    EXPECT_EQ(control.CurrentTitle, "track3");
}

TEST_F(PlaybackTest, ShuffleDrawsACycleThenOneUncheckedNumber)
{
    seed({1, 2, 3}, 3);
    quint32 now = 1000;
    control.Random = ShuffleRandom([&now] { return now++; });
    control.ShuffleOn = true;
    QSet<int> drawn;
    for (int i = 0; i < 3; ++i) {
        control.ChooseComingUp();
        drawn << control.ComingUpIndex;
    }
    EXPECT_EQ(drawn, (QSet<int>{1, 2, 3}));
    EXPECT_EQ(control.ShuffleCount, 3);
    control.ChooseComingUp();
    EXPECT_GE(control.ComingUpIndex, 0);
    EXPECT_LE(control.ComingUpIndex, 3);
    EXPECT_EQ(control.ShuffleCount, 0) << "a new cycle begins";
    EXPECT_TRUE(control.ShuffleHistory.isEmpty());
    const QString expected =
        control.ComingUpIndex == 0 ? "Coming Up ::  None" : QString("Coming Up ::  Track%1").arg(control.ComingUpIndex);
    EXPECT_EQ(view.comingUp, expected);

    // Next takes the coming-up entry; Previous goes back one step.
    control.ChooseComingUp();
    const int next = control.ComingUpIndex;
    control.CurrentIndex = 2;
    control.Next();
    EXPECT_EQ(control.CurrentIndex, next);
    control.Prev();
    EXPECT_EQ(control.CurrentIndex, 2);
}

TEST_F(PlaybackTest, ShuffleOverGapsEndsTheCycleInsteadOfSpinning)
{
    seed({1, 3}, 3); // two entries, but LastPlItem 3
    quint32 now = 0;
    control.Random = ShuffleRandom([&now] { return now++; });
    control.ShuffleOn = true;
    control.ChooseComingUp();
    control.ChooseComingUp();
    EXPECT_EQ(control.ShuffleCount, 2);
    control.ChooseComingUp(); // every existing entry was chosen: must return
    EXPECT_EQ(control.ShuffleCount, 0);
}

TEST_F(PlaybackTest, RenumberedEntriesKeepTheirPlacesInPlayback)
{
    // 2, 5, 7 and 9 become 1, 2, 3 and 4; 4 was dropped.
    seed({1, 2, 3, 4}, 4);
    control.ShuffleOn = true;
    control.CurrentIndex = 5;
    control.ComingUpIndex = 9;
    control.PreviousIndex = 4;
    control.ShuffleHistory = "7;4;9;";
    control.ShuffleCount = 3;
    control.FollowRenumbering({{2, 1}, {5, 2}, {7, 3}, {9, 4}});
    EXPECT_EQ(control.CurrentIndex, 2);
    EXPECT_EQ(control.ComingUpIndex, 4);
    EXPECT_EQ(control.PreviousIndex, 0) << "a dropped entry is none";
    EXPECT_EQ(control.ShuffleHistory, "3;4;");
    EXPECT_EQ(control.ShuffleCount, 2);
    // The cycle goes on from the renumbered history: only 1 and 2 are left.
    QSet<qint32> next;
    for (int i = 0; i < 2; ++i) {
        control.ChooseComingUp();
        next << control.ComingUpIndex;
    }
    EXPECT_EQ(next, (QSet<qint32>{1, 2}));
}

TEST_F(PlaybackTest, ShuffleReadsTheClockOncePerChoice)
{
    // The first draw is seeded from the clock as always: seed 12345 over 0..9 draws 3 first.
    seed({1, 2, 3, 4, 5, 6, 7, 8, 9}, 9);
    control.Random = ShuffleRandom([] { return 12345u; });
    control.ShuffleOn = true;
    control.ChooseComingUp();
    EXPECT_EQ(control.ComingUpIndex, 3);

    // A clock that moves on only every thousand readings (draws within one
    // millisecond) and a list with gaps: every entry once per cycle, and the
    // clock read once a call.
    for (const QString& name : entries.valueNames())
        entries.deleteValue(name);
    QList<int> indices;
    for (int i = 1; i <= 300; ++i)
        if (i % 3 != 0)
            indices << i;
    seed(indices, 300);
    int reads = 0;
    control.Random = ShuffleRandom([&reads] { return 777u + quint32(reads++ / 1000); });
    control.ShuffleCount = 0;
    control.ShuffleHistory.clear();
    QSet<int> chosen;
    for (qsizetype call = 0; call < indices.size(); ++call) {
        control.ChooseComingUp();
        ASSERT_TRUE(store.EntryExists(control.ComingUpIndex)) << call;
        chosen << control.ComingUpIndex;
    }
    EXPECT_EQ(chosen.size(), indices.size()) << "no repeats within a cycle";
    EXPECT_EQ(reads, indices.size());
    control.ChooseComingUp();
    EXPECT_EQ(control.ShuffleCount, 0) << "every entry was chosen: a new cycle";
}

TEST_F(PlaybackTest, RandomSequenceOfAFixedSeed)
{
    ShuffleRandom random([] { return 12345u; });
    random.Randomize();
    QList<int> draws;
    for (int i = 0; i < 5; ++i)
        draws << random.Draw(9);
    EXPECT_EQ(draws, (QList<int>{3, 2, 0, 5, 6}));
    random.State = 0;
    EXPECT_EQ(random.Draw(3), 0);
    EXPECT_EQ(random.Draw(3), 0);
    EXPECT_EQ(random.Draw(3), 3);
}

TEST_F(PlaybackTest, ShuffleAndRepeatSwitchesAreStored)
{
    seed({1}, 1);
    control.SetRepeat();
    control.SetRepeat();
    EXPECT_EQ(settings.readString("Repeat1"), "off") << "a missing value is off after two clicks";
    control.SetShuffle();
    EXPECT_EQ(settings.readString("Shuffle"), "on");
    control.SetShuffle();
    EXPECT_EQ(settings.readString("Shuffle"), "off");
    EXPECT_EQ(view.comingUp, "Coming Up :: None");
    EXPECT_EQ(control.ComingUpIndex, 0);
}

TEST_F(PlaybackTest, BadCdTrackAtTheEndDoesNotRepeatForever)
{
    entries.writeString("1", "/music/track1.mp3");
    entries.writeString("2", "E:\\Track02.cda");
    entries.writeString("3", "E:\\Track03.cda");
    settings.writeInteger("LastPlItem", 3);
    QStringList tried;
    control.StartCdTrack = [&](const QString& path) {
        tried << path;
        return false; // no such disc
    };
    control.CurrentIndex = 2;
    control.PlayItem();
    EXPECT_EQ(tried, (QStringList{"E:\\Track02.cda", "E:\\Track03.cda"}));
    EXPECT_EQ(control.CurrentIndex, 3);
    EXPECT_EQ(control.MediaKind, mkCd);
}

TEST_F(PlaybackTest, BadCdTrackStartedByPathStepsOnFromTheCurrentEntry)
{
    // Added files start by path: the failed file need not be entry CurrentIndex.
    entries.writeString("1", "/music/track1.mp3");
    entries.writeString("2", "E:\\Intro.cda");
    settings.writeInteger("LastPlItem", 2);
    QStringList tried;
    control.StartCdTrack = [&](const QString& path) {
        tried << path;
        return false;
    };
    control.CurrentIndex = 1;
    control.PlayFile("E:\\Intro.cda");
    EXPECT_EQ(tried, QStringList{"E:\\Intro.cda"}) << "Next chose the file that failed: no second try";
}

TEST_F(PlaybackTest, CdHooksRunAtTheirMoments)
{
    seed({1}, 1);
    QStringList calls;
    control.StopCd = [&] { calls << "stop"; };
    control.CloseCd = [&] { calls << "close"; };
    control.PlayCd = [&] { calls << "play"; };
    control.ResumeCd = [&] { calls << "resume"; };
    control.PauseOrResumeCd = [&] { calls << "pause or resume"; };
    control.SeekCd = [&](qint32 s) { calls << QString("seek %1").arg(s); };
    control.StartCdTrack = [&](const QString&) { return calls << "start", control.CdOpen = true; };
    view.file = "Track01";

    const struct
    {
        const char* name;
        std::function<void()> act;
        QStringList expected;
        bool cdOpenAfter;
    } cases[] = {
        {"a CD track starts", [&] { control.PlayFile("E:\\Track01.cda"); }, {"start"}, true},
        {"pause", [&] { control.Pause(); }, {"pause or resume"}, true},
        {"play while paused resumes", [&] { control.PlaySelected(); }, {"resume"}, true},
        {"pause while paused plays on", [&] { control.Pause(); }, {"play"}, true},
        {"stop keeps the device open", [&] { control.Stop(); }, {"stop"}, true},
        {"an MP3 closes the device", [&] { control.PlayFile("/music/track1.mp3"); }, {"close"}, false},
        {"a second MP3 has nothing to close", [&] { control.PlayFile("/music/track1.mp3"); }, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        calls.clear();
        c.act();
        EXPECT_EQ(calls, c.expected);
        EXPECT_EQ(control.CdOpen, c.cdOpenAfter);
    }
    control.CdOpen = true;
    calls.clear();
    control.CloseCdIfOpen(); // the shutdown's step
    EXPECT_EQ(calls, QStringList{"close"});
    EXPECT_FALSE(control.CdOpen);
}

TEST_F(PlaybackTest, TitleTickerScrolls)
{
    control.CurrentTitle = "my_song";
    control.FastTimer();
    EXPECT_EQ(view.title, QString(44, ' ') + "My Song");
    control.FastTimer();
    EXPECT_EQ(view.title, QString(43, ' ') + "My Song");
    control.TickerPos = 51; // the text's length: back to the start
    control.FastTimer();
    EXPECT_EQ(view.title, QString(44, ' ') + "My Song");
}

TEST_F(PlaybackTest, RealTrackPlaysToItsEndThenRepeatsOrMovesOn)
{
    QTemporaryDir audio;
    const QString first = makeToneWav(audio.filePath("first.wav"), 0.4, {440});
    const QString second = makeToneWav(audio.filePath("second.wav"), 0.4, {660});
    entries.writeString("1", first);
    entries.writeString("2", second);
    settings.writeInteger("LastPlItem", 2);
    ASSERT_TRUE(player.Init());
    QStringList started;
    control.TrackStarted = [&](const QString& path) { started << QFileInfo(path).fileName(); };

    control.RepeatOn = true;
    control.CurrentIndex = 1;
    control.PlayItem();
    QElapsedTimer t;
    t.start();
    while (started.size() < 2 && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_GE(t.elapsed(), 1000) << "one second's pause after the end";
    EXPECT_EQ(started, (QStringList{"first.wav", "first.wav"}));

    control.RepeatOn = false;
    while (started.size() < 3 && t.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(started.value(2), "second.wav");
    EXPECT_EQ(control.CurrentIndex, 2);
    // The decoder reports playing a moment after the start.
    while (!control.IsPlaying && t.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_TRUE(control.IsPlaying);
}

TEST_F(PlaybackTest, ANewTrackOverAPlayingOneIsNotRewound)
{
    QTemporaryDir audio;
    const QString first = makeToneWav(audio.filePath("first.wav"), 3.0, {440});
    const QString second = makeToneWav(audio.filePath("second.wav"), 1.0, {660});
    ASSERT_TRUE(player.Init());
    QList<int> states;
    QList<quint32> secondOffsets; // the second file is the one with range 10
    player.OnNotifyPlayerState = [&](TMp3DecPlayer*, int state) {
        states << state;
        control.PlayerState(state);
    };
    player.OnNotifyInputPosition = [&](TMp3DecPlayer*, quint32 offset, quint32 range) {
        if (range == 10)
            secondOffsets << offset;
    };
    control.PlayFile(first);
    QElapsedTimer t;
    t.start();
    while (!control.IsPlaying && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    runEventsFor(300);
    states.clear();
    control.PlayFile(second);
    while (!states.contains(MP3_PLAYER_STATE_EOS) && t.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_FALSE(states.contains(MP3_PLAYER_STATE_STOPPED)) << "replacing a stream is no stop";
    QList<quint32> expected;
    for (quint32 i = 0; i <= 10; ++i)
        expected << i;
    EXPECT_EQ(secondOffsets, expected) << "from the start to the end, once";
}

TEST_F(PlaybackTest, PauseBetweenTracksPausesNothing)
{
    QTemporaryDir audio;
    entries.writeString("1", makeToneWav(audio.filePath("first.wav"), 0.3, {440}));
    entries.writeString("2", makeToneWav(audio.filePath("second.wav"), 3.0, {660}));
    settings.writeInteger("LastPlItem", 2);
    ASSERT_TRUE(player.Init());
    QList<int> states;
    player.OnNotifyPlayerState = [&](TMp3DecPlayer*, int state) {
        states << state;
        control.PlayerState(state);
    };
    QStringList started;
    control.TrackStarted = [&](const QString& path) { started << QFileInfo(path).fileName(); };
    control.EndOfTrackDelayMs = 300;
    control.CurrentIndex = 1;
    control.PlayItem();
    QElapsedTimer t;
    t.start();
    while (!states.contains(MP3_PLAYER_STATE_EOS) && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_EQ(started.size(), 1) << "in the gap after the first track";
    control.Pause();
    EXPECT_FALSE(control.IsPaused);

    while (started.size() < 2 && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    runEventsFor(200);
    states.clear();
    control.Pause(); // one press pauses the next track
    EXPECT_TRUE(control.IsPaused);
    while (!states.contains(MP3_PLAYER_STATE_PAUSED) && t.elapsed() < 15000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_TRUE(states.contains(MP3_PLAYER_STATE_PAUSED));
    control.Stop();
}

} // namespace
