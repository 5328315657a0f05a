// Playback control over a real store and the real decoder library.
#include "playback/playbackcontrol.h"
#include "playlist/displaynames.h"
#include "shell/embeddedfiles.h"
#include "support/audiofixtures.h"
#include "support/qtprint.h"
#include "support/testfiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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

} // namespace
