// Audio CD tracks: the device over libcdio with BIN/CUE images standing in
// for discs, its sound through SDL's disk driver, and the main window's
// ".cda" entries, poll and "Audio CD..." command.
#include "playback/cdplayer.h"
#include "ui/skincontrols.h"
#include "support/discimage.h"
#include "support/playerfixture.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace vimbo;

namespace {

const QList<int> kTones = {440, 1000, 2500};

QString diskAudio(const QString& file)
{
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(file));
    qunsetenv("SDL_DISKAUDIODELAY"); // in real time
    return file;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool waitFor(const std::function<bool()>& done, int ms = 5000)
{
    return QTest::qWaitFor(done, ms);
}

} // namespace

TEST(CdNames, TrackNumbersTimesAndSources)
{
    const struct
    {
        const char* name;
        qint32 track;
    } names[] = {{"Track03.cda", 3}, {"Track99.cda", 99}, {"00.cda", 0}, {"Intro.cda", -1},
                 {"Track3.cda", -1}, {"3.cda", -1},      {".cda", -1},   {"Trackx1.cda", -1}};
    for (const auto& n : names)
        EXPECT_EQ(CdTrackNumberOf(n.name), n.track) << n.name;

    // Minutes in the lowest byte, seconds in the next, frames above.
    EXPECT_EQ(PackMsf(0), 0u);
    EXPECT_EQ(PackMsf(75 * 61 + 7), 1u | 1u << 8 | 7u << 16);
    EXPECT_EQ(MsfSectors(PackMsf(75 * 754 + 74)), 75 * 754 + 74);
    EXPECT_EQ(MsfSeconds(PackMsf(75 * 125 + 30)), 125);
    EXPECT_EQ(PackMsf(-5), 0u);

    QTemporaryDir dir;
    const QString cue = makeDiscImage(dir.filePath("d"), {440}, 1);
    EXPECT_EQ(CdSourceOf(cue + "/Track01.cda"), cue) << "an image names its disc";
    // This machine has no drive: the default drive is none.
    ASSERT_TRUE(DefaultCdDrive().isEmpty());
    EXPECT_EQ(CdSourceOf("D:\\Track01.cda"), "");
    EXPECT_EQ(CdSourceOf(dir.filePath("d") + "/Track01.cda"), "") << "a folder means the default drive";
    EXPECT_TRUE(CdTrackFileExists(cue + "/Track05.cda")) << "the file system is asked, not the disc";
    EXPECT_FALSE(CdTrackFileExists(dir.filePath("gone.cue") + "/Track01.cda"));
    EXPECT_FALSE(CdTrackFileExists("D:\\Track01.cda"));
}

TEST(CdDiscs, TableOfContentsTitlesAndBrokenImages)
{
    QTemporaryDir dir;
    const QString cue = makeDiscImage(dir.filePath("d"), {440, 1000}, 2, true);
    CdDisc disc;
    QString error;
    ASSERT_TRUE(ReadCdDisc(cue, disc, error)) << error.toStdString();
    EXPECT_EQ(disc.title, "Tone Disc");
    ASSERT_EQ(disc.tracks.size(), 2u) << "the data track is left out";
    EXPECT_EQ(disc.tracks[0].number, 1);
    EXPECT_EQ(disc.tracks[0].start, 0);
    EXPECT_EQ(disc.tracks[0].sectors, 150);
    EXPECT_EQ(disc.tracks[1].start, 150);
    EXPECT_EQ(disc.tracks[1].title, "Tone 2");

    // Broken sources fail with a text naming them.
    const QString shortCue = makeDiscImage(dir.filePath("short"), {440, 1000}, 2);
    QFile::resize(dir.filePath("short/disc.bin"), 2352 * 100);
    const QString noBin = makeDiscImage(dir.filePath("nobin"), {440}, 1);
    QFile::remove(dir.filePath("nobin/disc.bin"));
    QFile text(dir.filePath("text.cue"));
    text.open(QIODevice::WriteOnly);
    text.write("this is no cue sheet\n\xff\xfe");
    text.close();
    for (const QString& source : {noBin, dir.filePath("text.cue"), dir.filePath("none.cue"), dir.path()}) {
        EXPECT_FALSE(ReadCdDisc(source, disc, error)) << source.toStdString();
        EXPECT_TRUE(error.contains(source)) << error.toStdString();
    }
    ASSERT_TRUE(ReadCdDisc(shortCue, disc, error));
    ASSERT_EQ(disc.tracks.size(), 1u) << "a track the short .bin does not reach is not on the disc";
    EXPECT_EQ(disc.tracks[0].sectors, 100);
}

TEST(CdDevice, PlaysTheChosenTrackAloneAtItsVolume)
{
    QTemporaryDir dir;
    const QString cue = makeDiscImage(dir.filePath("d"), kTones, 3);
    const QString out = diskAudio(dir.filePath("out.raw"));
    std::vector<QString> errors;
    std::mutex errorsMutex;
    {
        TCdPlayer cd;
        cd.OnError = [&](const QString& text, bool) {
            std::lock_guard lock(errorsMutex);
            errors.push_back(text);
        };
        cd.FileName = cue + "/Track02.cda";
        cd.Open();
        cd.SetVolume(100);
        cd.SeekTrack(2);
        cd.Play();
        ASSERT_TRUE(waitFor([&] { return cd.SectorsPlayed() >= 40; }));
        EXPECT_EQ(cd.Mode(), TCdMode::Playing);
        EXPECT_EQ(cd.TrackStartPosition(2), PackMsf(225));
        EXPECT_EQ(cd.TrackLength(3), PackMsf(225));
        const qint32 at = MsfSectors(cd.Position());
        EXPECT_GE(at, 225);
        EXPECT_LT(at, 450);
        cd.Stop();
        ASSERT_TRUE(waitFor([&] { return cd.Mode() == TCdMode::Stopped; }));
        const QByteArray full = readFile(out);
        EXPECT_EQ(toneHeard(full, kTones), 1000) << "track 2's tone";
        EXPECT_EQ(toneHeard(full, {440, 2500}), 0) << "and nothing else";

        // The same sound at half the slider: (1/2)^3 of the amplitude.
        cd.SetVolume(50);
        cd.SeekTrack(2);
        cd.Play();
        ASSERT_TRUE(waitFor([&] { return cd.SectorsPlayed() >= 40; }));
        cd.Stop();
        ASSERT_TRUE(waitFor([&] { return cd.Mode() == TCdMode::Stopped; }));
        const QByteArray half = readFile(out);
        const auto loud = [&](const QByteArray& pcm) {
            int16_t peak = 0;
            const auto* s = reinterpret_cast<const int16_t*>(pcm.constData());
            for (qsizetype i = 0; i < pcm.size() / 2; ++i)
                peak = std::max<int16_t>(peak, s[i]);
            return peak;
        };
        EXPECT_NEAR(loud(half) / double(loud(full)), 0.125, 0.01);

        // A track beyond the disc is refused, and nothing plays.
        cd.SeekTrack(9);
        cd.Play();
        ASSERT_TRUE(waitFor([&] {
            std::lock_guard lock(errorsMutex);
            return !errors.empty();
        }));
        QTest::qWait(100);
        EXPECT_EQ(cd.Mode(), TCdMode::Stopped);
        EXPECT_TRUE(errors.front().contains("Track 9")) << errors.front().toStdString();
        EXPECT_TRUE(cd.IsOpen());
    }
    qputenv("SDL_AUDIODRIVER", "dummy");
}

TEST(CdDevice, PlaysOnToTheEndOfTheDiscAndSurvivesAShortImage)
{
    QTemporaryDir dir;
    qputenv("SDL_AUDIODRIVER", "dummy");
    const QString cue = makeDiscImage(dir.filePath("d"), {440, 1000}, 1);
    TCdPlayer cd;
    cd.FileName = cue + "/Track01.cda";
    cd.Open();
    cd.SeekTrack(2);
    cd.Play();
    ASSERT_TRUE(waitFor([&] { return cd.Mode() == TCdMode::Playing; }));
    // No end position: the device plays to the end of the disc and stops there.
    ASSERT_TRUE(waitFor([&] { return cd.Mode() == TCdMode::Stopped; }, 4000));
    EXPECT_EQ(MsfSectors(cd.Position()), 150);
    // A play at the end starts the disc over.
    cd.Play();
    ASSERT_TRUE(waitFor([&] { return cd.Mode() == TCdMode::Playing; }));
    EXPECT_LT(MsfSectors(cd.Position()), 75);

    // The image shrinks under the player (a disc taken out): the device
    // stops, it does not hang or crash.
    QFile::resize(dir.filePath("d/disc.bin"), 2352 * 80);
    ASSERT_TRUE(waitFor([&] { return cd.Mode() == TCdMode::Stopped; }, 4000));
    cd.Close();
    ASSERT_TRUE(waitFor([&] { return !cd.IsOpen(); }));
}

class CdPlayerTest : public ReadyPlayerFixture
{
protected:
    CdPlayerTest() { pilot.answers = {QMessageBox::No, QMessageBox::No, QMessageBox::No}; }
    void TearDown() override { qputenv("SDL_AUDIODRIVER", "dummy"); }

    QString errorTexts() const { return pilot.texts().join(" | "); }
    QTemporaryDir media;
};

TEST_F(CdPlayerTest, ATrackStartsShowsItsTimeAndPausesStopsAndRestarts)
{
    const QString cue = makeDiscImage(media.filePath("disc"), kTones, 3);
    const QString track3 = cue + "/Track03.cda";
    const qint32 index = form->PlaylistView.AddPlaylistEntry(track3);
    form->Playback.CurrentIndex = index;
    form->Playback.PlayItem();
    EXPECT_EQ(form->FileLabel->text(), "Track03");
    EXPECT_EQ(form->Playback.MediaKind, mkCd);
    EXPECT_TRUE(form->Playback.CdOpen);
    ASSERT_TRUE(waitFor([&] { return form->TimeLabel->text() == "00:01"; })) << form->TimeLabel->text().toStdString();
    EXPECT_TRUE(form->Playback.IsPlaying);
    EXPECT_EQ(form->DurationLabel->text(), "00:03") << "track 3's length";
    EXPECT_EQ(form->BitrateLabel->text(), "-");
    EXPECT_EQ(form->PositionRange, 3);
    EXPECT_EQ(form->PositionValue, 1) << "seconds into the track, not into the disc";

    // Paused: the poll keeps IsPlaying and still shows the paused place.
    form->Playback.Pause();
    ASSERT_TRUE(waitFor([&] { return form->CdPlayer.Mode() == TCdMode::Paused; }));
    QTest::qWait(250);
    EXPECT_TRUE(form->Playback.IsPlaying);
    const QString pausedAt = form->TimeLabel->text();
    QTest::qWait(1100);
    EXPECT_EQ(form->TimeLabel->text(), pausedAt);
    form->Playback.Pause();
    ASSERT_TRUE(waitFor([&] { return form->CdPlayer.Mode() == TCdMode::Playing; }));

    // Stop leaves the device open; Play starts the entry from its start.
    form->Playback.Stop();
    ASSERT_TRUE(waitFor([&] { return form->CdPlayer.Mode() == TCdMode::Stopped; }));
    QTest::qWait(150);
    EXPECT_FALSE(form->Playback.IsPlaying);
    EXPECT_TRUE(form->Playback.CdOpen);
    EXPECT_TRUE(form->CdPlayer.IsOpen());
    form->PlayBtn->OnClick();
    ASSERT_TRUE(waitFor([&] { return form->CdPlayer.Mode() == TCdMode::Playing; }));
    EXPECT_LT(MsfSectors(form->CdPlayer.Position()) - 450, 40) << "from the start of track 3";
    EXPECT_TRUE(errorTexts().isEmpty()) << errorTexts().toStdString();
}

class CdSoundTest : public PlayerFixture
{
protected:
    CdSoundTest()
    {
        settings().writeString("FirstRun2", "no");
        pilot.answers = {QMessageBox::No};
    }
    void TearDown() override { qputenv("SDL_AUDIODRIVER", "dummy"); }
    QTemporaryDir media;
};

TEST_F(CdSoundTest, ABadNameStepsOnAndAnMp3AfterTheDiscIsHeardAlone)
{
    // The decoder takes its sound driver when it starts: the disk driver
    // from the start, for both.
    const QString out = diskAudio(media.filePath("out.raw"));
    const auto form = create();
    const QString cue = makeDiscImage(media.filePath("disc"), kTones, 3);
    form->PlaylistView.AddPlaylistEntry(media.filePath("Intro.cda"));
    form->PlaylistView.AddPlaylistEntry(cue + "/Track02.cda");
    form->Playback.CurrentIndex = 1;
    form->Playback.PlayItem();
    ASSERT_EQ(pilot.seen.size(), 1u);
    EXPECT_EQ(pilot.seen[0].text, "The file \"Intro.cda\" is not a valid CDA file and/or has no valid "
                                  "filename.\nRemove it from your playlist if you don't want it to be played "
                                  "anymore...");
    EXPECT_EQ(form->Playback.CurrentIndex, 2) << "the next entry started";
    EXPECT_EQ(form->FileLabel->text(), "Track02");
    ASSERT_TRUE(waitFor([&] { return form->Playback.IsPlaying; }));

    ASSERT_TRUE(waitFor([&] { return toneHeard(readFile(out), kTones) == 1000; }));

    // Track 1 of another disc is that disc's, not the open one's.
    const QString other = makeDiscImage(media.filePath("other"), {2500}, 2);
    form->Playback.PlayFile(other + "/Track01.cda");
    ASSERT_TRUE(waitFor([&] { return readFile(out).size() > 0 && toneHeard(readFile(out), kTones) == 2500; }));
    EXPECT_TRUE(form->Playback.CdOpen);

    const QString mp3 = makeMp3(makeToneWav(media.filePath("song.wav"), 2, {440}), media.filePath("song.mp3"));
    // An MP3 after it: the disc is stopped and closed first, and its output
    // with it, so the decoder is heard alone.
    form->Playback.PlayFile(mp3);
    EXPECT_FALSE(form->Playback.CdOpen);
    ASSERT_TRUE(waitFor([&] { return !form->CdPlayer.IsOpen(); }));
    EXPECT_EQ(form->Playback.MediaKind, mkMp3);
    ASSERT_TRUE(waitFor([&] { return readFile(out).size() > 44100 * 4; }));
    form->Playback.Stop();
    const QByteArray heard = readFile(out);
    EXPECT_EQ(toneHeard(heard, kTones), 440);
    EXPECT_EQ(toneHeard(heard, {1000, 2500}), 0) << "nothing of the discs";
}

TEST_F(CdPlayerTest, DevicesThatCannotOpenAreReportedAndTheWindowGoesOn)
{
    const QString noBin = makeDiscImage(media.filePath("nobin"), {440}, 1);
    QFile::remove(media.filePath("nobin/disc.bin"));
    form->FileLabel->setText("before");
    // Started as a command would be: through the event loop, where the
    // application's error dialog catches what the start throws.
    QTimer::singleShot(0, form.get(), [&] { form->Playback.PlayFile(noBin + "/Track01.cda"); });
    ASSERT_TRUE(waitFor([&] { return !pilot.seen.empty(); })) << "no error was shown";
    EXPECT_TRUE(errorTexts().contains(noBin)) << errorTexts().toStdString();
    EXPECT_EQ(form->FileLabel->text(), "before") << "the labels keep their texts";
    EXPECT_FALSE(form->Playback.CdOpen);
    EXPECT_EQ(form->Playback.MediaKind, mkCd);

    // The poll does nothing, and Pause tells there is no device.
    QTest::qWait(250);
    QTimer::singleShot(0, form.get(), [&] { form->Playback.Pause(); });
    ASSERT_TRUE(waitFor([&] { return pilot.seen.size() >= 2; }));
    EXPECT_TRUE(pilot.seen[1].text.contains("No MCI device open")) << pilot.seen[1].text.toStdString();

    // A track beyond the disc: told, and nothing plays.
    const QString cue = makeDiscImage(media.filePath("disc"), {440}, 1);
    form->Playback.IsPaused = false;
    form->Playback.PlayFile(cue + "/Track07.cda");
    ASSERT_TRUE(waitFor([&] { return pilot.seen.size() >= 3; }));
    EXPECT_TRUE(pilot.seen[2].text.contains("Track 7")) << pilot.seen[2].text.toStdString();
    QTest::qWait(300);
    EXPECT_FALSE(form->Playback.IsPlaying);
    EXPECT_NE(form->CdPlayer.Mode(), TCdMode::Playing);
}

TEST_F(CdPlayerTest, AudioCdAddsTheImagesTracksWithTheirTitles)
{
    const QString cue = makeDiscImage(media.filePath("My Disc"), {440, 1000}, 1, true);
    // No drive here: the command asks for an image.
    auto* timer = new QTimer(form.get());
    bool answered = false;
    QObject::connect(timer, &QTimer::timeout, [&, timer] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(cue);
        QMetaObject::invokeMethod(dialog, "accept");
        answered = true;
    });
    timer->start(10);
    form->AudioCd2->trigger(); // the main menu's Add
    ASSERT_TRUE(waitFor([&] { return answered && PlaylistStore(form->SettingsKey(), form->PlaylistKey()).LastPlItem() == 2; }));
    EXPECT_EQ(form->PlaylistView.ReadPlaylistEntry(1), cue + "/Track01.cda");
    EXPECT_EQ(form->PlaylistView.ReadPlaylistEntry(2), cue + "/Track02.cda");
    EXPECT_EQ(form->Playlist->topLevelItem(0)->text(0),
              form->PlaylistView.MakeDisplayNames(cue + "/Track01.cda").folder);
    EXPECT_EQ(form->FileLabel->text(), "Track01") << "the first track plays";
    EXPECT_EQ(settings().readString("LastDir"), media.filePath("My Disc") + "/");

    // The pop-up over an entry names the track by its CD-Text title, also
    // after a rebuild (titles read again from the image).
    form->Playlist->expandAll();
    const QTreeWidgetItem* second = form->Playlist->topLevelItem(0)->child(1);
    const QRect box = form->Playlist->visualItemRect(second);
    form->ListMouseMove(box.center().x(), box.center().y());
    EXPECT_EQ(form->LastInfoText, "Tone 2");
    form->RebuildPlaylist();
    EXPECT_EQ(PlaylistStore(form->SettingsKey(), form->PlaylistKey()).LastPlItem(), 2) << "the tracks outlive a rebuild";

    // The Open button's menu has it too.
    EXPECT_TRUE(form->AddMenu->actions().contains(form->AudioCd1));
    EXPECT_EQ(form->AudioCd1->text(), "Audio &CD...");
}
