// Timed lyrics in the running player: lines shown on position reports of real
// tracks and of a disc image, the attach question at start-up, the lyrics
// generator driven through its buttons, and LRC files handed to the player.
#include "lyrics/attachform.h"
#include "lyrics/lyricsform.h"
#include "platform/profile.h"
#include "playback/cdplayer.h"
#include "support/audiofixtures.h"
#include "support/discimage.h"
#include "support/playerfixture.h"
#include "support/testfiles.h"
#include "ui/trackinfo.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace vimbo;

namespace {

bool waitFor(const std::function<bool()>& done, int ms = 8000)
{
    return QTest::qWaitFor(done, ms);
}

// Every showing of the track pop-up, with the text it showed.
class ShownLines : public QObject
{
public:
    explicit ShownLines(TTrackInfo* info) : m_info(info) { info->installEventFilter(this); }
    QStringList texts;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            texts << m_info->NameLabel->text();
        return false;
    }

private:
    TTrackInfo* m_info;
};

class LyricsWindowTest : public PlayerFixture
{
protected:
    LyricsWindowTest()
    {
        settings().writeString("FirstRun2", "no");
        pilot.answers = {QMessageBox::No, QMessageBox::No, QMessageBox::No};
    }
    void TearDown() override { qputenv("SDL_AUDIODRIVER", "dummy"); }

    QString lyricsFolder() const { return options.folders.program + "Lyrics/"; }
    QString lyric(const QString& name, const QByteArray& content)
    {
        QDir().mkpath(lyricsFolder());
        QFile f(lyricsFolder() + name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return f.fileName();
    }
    QTemporaryDir media;
};

TEST_F(LyricsWindowTest, ReportsShowTheirExactKeysOnceAtTheTopOfTheScreen)
{
    auto form = create();
    const QString wav = makeToneWav(media.filePath("song.wav"), 3, {440});
    lyric("song.sly", "[Timers]\r\n120=first\r\n455=second\r\n500=chorus\r\n510=chorus\r\n600=\r\n"
                      "[Settings]\r\nAttachedTo=" + wav.toUtf8() + "\r\n");
    form->Playback.PlayFile(wav);
    ASSERT_TRUE(form->Lyrics.LyricsActive());
    EXPECT_EQ(form->LyricsForm->PlayingLabel->text(), "song");

    ShownLines shown(form->TrackInfo);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // What the decoder's position notifications call, with positions the
    // three-second track never reaches by itself.
    form->TrackPosition(119, 1000);
    EXPECT_TRUE(shown.texts.isEmpty());
    form->TrackPosition(120, 1000);
    EXPECT_EQ(shown.texts, QStringList{"first"});
    EXPECT_NEAR(form->TrackInfo->geometry().center().x(), screen.center().x(), 1);
    EXPECT_EQ(form->TrackInfo->geometry().top(), screen.top() + 10);
    form->TrackPosition(121, 1000);
    form->TrackPosition(455, 1000);
    form->TrackPosition(500, 1000);
    EXPECT_EQ(shown.texts, (QStringList{"first", "second", "chorus"}));
    // The same text again is not shown again, even once the pop-up is gone.
    form->TrackInfo->hide();
    form->TrackPosition(510, 1000);
    form->TrackPosition(600, 1000);
    EXPECT_EQ(shown.texts.size(), 3);
    EXPECT_FALSE(form->TrackInfo->isVisible());
    EXPECT_EQ(form->LyricsForm->PosLabel->text(), "600") << "the generator follows every report";
}

TEST_F(LyricsWindowTest, AnLrcBesideARealTrackIsShownWhileItPlaysInTenthsOfASecond)
{
    auto form = create();
    const QString mp3 = makeMp3(makeToneWav(media.filePath("tone.wav"), 3, {440}), media.filePath("Tone.mp3"));
    makeFile(media, "Tone.lrc", "[ti:Tone]\r\n[00:00.50]Hello\r\n[00:01.00]World\r\n");
    ShownLines shown(form->TrackInfo);
    form->Playback.PlayFile(mp3);
    ASSERT_TRUE(waitFor([&] { return shown.texts.contains("World"); })) << shown.texts.join("|").toStdString();
    EXPECT_EQ(shown.texts, (QStringList{"Hello", "World"}));

    // The unit lyric keys are written in: tenths of a second of the track.
    form->Playback.PlayFile(media.filePath("tone.wav"));
    ASSERT_TRUE(waitFor([&] { return form->PositionValue >= 5 && form->PositionValue < 30; }));
    EXPECT_EQ(form->PositionRange, 30) << "a three-second WAV";
    form->Playback.Stop();
}

TEST_F(LyricsWindowTest, ACdLineIsShownOnceOverTheSecondsPolls)
{
    auto form = create();
    const QString cue = makeDiscImage(media.filePath("disc"), {440}, 78);
    const QString track = cue + "/Track01.cda";
    lyric("disc.sly", "[Settings]\r\nAttachedTo=" + track.toUtf8() + "\r\n[Timers]\r\n75=one minute fifteen\r\n");
    form->Playback.CurrentIndex = form->PlaylistView.AddPlaylistEntry(track);
    form->Playback.PlayItem();
    ASSERT_TRUE(form->Lyrics.LyricsActive());
    ShownLines shown(form->TrackInfo);
    ASSERT_TRUE(waitFor([&] { return form->PositionValue >= 1; }));
    form->Playback.SeekCd(74);
    form->Playback.ResumeCd();
    ASSERT_TRUE(waitFor([&] { return form->PositionValue >= 76; })) << form->PositionValue;
    EXPECT_EQ(shown.texts, QStringList{"one minute fifteen"});
    form->Playback.Stop();
}

TEST_F(LyricsWindowTest, StartUpAsksForEachUnattachedLyricUntilItIsAttached)
{
    const QString longName = "a_very-long_name of a song that goes on and on.mp3";
    PlaylistStore store(settings(), RegistryKey(this->store(), kPlaylistKeyPath));
    store.Append("/music/first_song.mp3");
    store.Append("/music/" + longName);
    store.Delete(store.Append("/music/deleted.mp3"));
    const qint32 last = store.Append("/music/dir/last-one.wav");
    const QString sly = lyric("made.sly", "[Timers]\r\n10=hello\r\n");

    QStringList subjects;
    QList<QStringList> lists;
    int pick = -1; // the row to attach, or -1 for Cancel
    pilot.other = [&](QWidget* modal) {
        auto* attach = qobject_cast<TAttachForm*>(modal);
        if (!attach)
            return;
        subjects << attach->LyricLabel->text();
        QStringList items;
        for (int i = 0; i < attach->FilesBox->count(); ++i)
            items << attach->FilesBox->item(i)->text();
        lists << items;
        EXPECT_TRUE(attach->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(attach->windowTitle(), "Attach Lyric");
        if (pick < 0) {
            QTest::mouseClick(attach->Button1, Qt::LeftButton);
            return;
        }
        QTest::mouseClick(attach->AttachBtn, Qt::LeftButton); // nothing chosen: nothing happens
        ASSERT_TRUE(attach->isVisible());
        attach->FilesBox->setCurrentRow(pick);
        QTest::mouseClick(attach->AttachBtn, Qt::LeftButton);
    };

    create();
    ASSERT_EQ(subjects, QStringList{"made.sly"});
    EXPECT_EQ(lists[0], (QStringList{"First Song", "A Very-Long Name Of A Song That Goes On ...", "Last-One"}));
    EXPECT_EQ(ProfileFile(sly).value("Settings", "AttachedTo"), QString()) << "Cancel is written as empty";
    EXPECT_EQ(ProfileFile(sly).readString("Timers", "10"), "hello");

    pick = 2;
    create();
    EXPECT_EQ(subjects.size(), 2) << "asked again at the next start";
    EXPECT_EQ(ProfileFile(sly).readString("Settings", "AttachedTo"), store.ReadPlaylistEntry(last));

    create();
    EXPECT_EQ(subjects.size(), 2) << "an attached file is not asked about";

    // The close box means Cancel too.
    const QString other = lyric("other.sly", "[Timers]\r\n1=x\r\n");
    pilot.other = [&](QWidget* modal) {
        if (auto* attach = qobject_cast<TAttachForm*>(modal)) {
            subjects << attach->LyricLabel->text();
            attach->close();
        }
    };
    TAttachForm::AttachChoice = "/stale/choice.mp3";
    create();
    EXPECT_EQ(subjects.last(), "other.sly");
    EXPECT_EQ(ProfileFile(other).value("Settings", "AttachedTo"), QString());
}

TEST_F(LyricsWindowTest, OpenedLrcFilesAreImportedAndAttached)
{
    auto form = create();
    const QString track = makeFile(media, "album/Night Song.mp3", "ID3");
    const QString lrc = makeFile(media, "album/Night Song.lrc", "[00:02.00]by night\n");
    QStringList asked;
    pilot.other = [&](QWidget* modal) {
        if (auto* attach = qobject_cast<TAttachForm*>(modal)) {
            asked << attach->LyricLabel->text();
            QTest::mouseClick(attach->Button1, Qt::LeftButton);
        }
    };
    form->OpenFileMessage(lrc); // as a second instance hands it over
    const QString sly = lyricsFolder() + "Night Song.sly";
    EXPECT_EQ(ProfileFile(sly).readString("Settings", "AttachedTo"), track);
    EXPECT_TRUE(asked.isEmpty());
    form->Lyrics.TrackStarted(track);
    EXPECT_EQ(form->Lyrics.AttachedLyric(), sly);
    EXPECT_EQ(form->Lyrics.LineAt(20), "by night");

    // Without a track of its name beside it, the attach dialog asks.
    form->OpenFileMessage(makeFile(media, "loose/Alone.lrc", "[00:01.00]x\n"));
    EXPECT_EQ(asked, QStringList{"Alone.sly"});
    EXPECT_EQ(ProfileFile(lyricsFolder() + "Alone.sly").value("Settings", "AttachedTo"), QString());

    // An 8-bit lyric file that cannot hold the chosen name says so.
    PlaylistStore store(settings(), RegistryKey(this->store(), kPlaylistKeyPath));
    const QString polish = QString::fromUtf8("/music/Pie\xc5\x9b\xc5\x84.mp3");
    store.Append(polish);
    const QString latin = lyric("latin.sly", "[Timers]\r\n1=caf\xE9\r\n");
    pilot.other = [&](QWidget* modal) {
        if (auto* attach = qobject_cast<TAttachForm*>(modal)) {
            attach->FilesBox->setCurrentRow(0);
            QTest::mouseClick(attach->AttachBtn, Qt::LeftButton);
        }
    };
    pilot.seen.clear();
    EXPECT_EQ(form->ReadLyricAttachment(latin), "");
    ASSERT_EQ(pilot.seen.size(), 1u);
    EXPECT_TRUE(pilot.seen[0].text.contains("could not be attached")) << pilot.seen[0].text.toStdString();
}

class GeneratorTest : public LyricsWindowTest
{
protected:
    GeneratorTest()
    {
        form = create();
        gen = form->LyricsForm;
        pilot.other = [this](QWidget* modal) {
            if (auto* input = qobject_cast<QInputDialog*>(modal)) {
                prompts << input->windowTitle() + "|" + input->labelText() + "|" + input->textValue();
                if (answer) {
                    input->setTextValue(*answer);
                    input->accept();
                } else {
                    input->reject();
                }
            } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                files->findChild<QLineEdit*>("fileNameEdit")->setText(exportTo);
                QMetaObject::invokeMethod(files, "accept");
            }
        };
    }
    void click(QPushButton* button)
    {
        ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Which of Set Output, Release, Record, Stop and Set Timed Line are enabled.
    QString enabled() const
    {
        QString out;
        for (QPushButton* b : {gen->SetOutputBtn, gen->ReleaseBtn, gen->RecordBtn, gen->StopBtn, gen->SetTimedLineBtn})
            out += b->isEnabled() ? '1' : '0';
        return out;
    }

    std::unique_ptr<TVimboForm> form;
    TLyricsForm* gen = nullptr;
    QStringList prompts;
    std::optional<QString> answer;
    QString exportTo;
};

TEST_F(GeneratorTest, ThreePressesWriteThreeKeysAndStopAfterTheLast)
{
    const QString wav = makeToneWav(media.filePath("tone.wav"), 30, {440});
    form->PlaylistView.AddPlaylistEntry(wav);
    form->LyricsGenerator1->trigger();
    ASSERT_TRUE(gen->isVisible());
    EXPECT_EQ(gen->windowTitle(), "Lyrics Generator");
    EXPECT_TRUE(gen->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(enabled(), "10000");
    EXPECT_EQ(gen->FileLabel->text(), "None");

    // Nothing played yet: the name offered is "None".
    answer = std::nullopt;
    click(gen->SetOutputBtn);
    EXPECT_EQ(prompts, QStringList{"Set Output File|Name to write timed lyrics to:|None"});
    EXPECT_EQ(enabled(), "10000") << "cancelled";
    answer = "None";
    click(gen->SetOutputBtn);
    EXPECT_EQ(gen->LyricOutputPath(), lyricsFolder() + "None.sly");
    EXPECT_EQ(enabled(), "01100");
    EXPECT_TRUE(gen->ExportBtn->isEnabled());

    click(gen->RecordBtn);
    EXPECT_EQ(pilot.texts(), QStringList{"No lines inserted in the lyrics textbox!"});
    EXPECT_EQ(enabled(), "01100");

    gen->LyricsBox->setPlainText("one\n\nthree\n");
    click(gen->RecordBtn);
    EXPECT_EQ(enabled(), "01011");
    EXPECT_TRUE(gen->LyricsBox->isReadOnly());
    EXPECT_TRUE(waitFor([&] { return form->Playback.IsPlaying; })) << "recording plays the track";
    EXPECT_EQ(gen->PlayingLabel->text(), "tone");

    for (const qint32 at : {120, 240, 360}) {
        form->TrackPosition(at, 300); // a report, then the press at once
        click(gen->SetTimedLineBtn);
    }
    const ProfileFile written(gen->LyricOutputPath());
    EXPECT_EQ(written.entries("Timers"),
              (QList<std::pair<QString, QString>>{{"120", "one"}, {"240", ""}, {"360", "three"}}));
    EXPECT_FALSE(written.value("Settings", "AttachedTo").has_value()) << "the generator does not attach";
    QStringList done;
    for (int i = 0; i < gen->DoneLinesBox->count(); ++i)
        done << gen->DoneLinesBox->item(i)->text();
    EXPECT_EQ(done, (QStringList{"three", "", "one"}));
    EXPECT_EQ(gen->AddedLabel->text(), "3");
    EXPECT_EQ(gen->LeftLabel->text(), "0");
    EXPECT_EQ(enabled(), "01100") << "stopped after the last line";
    EXPECT_FALSE(gen->LyricsBox->isReadOnly());
    EXPECT_FALSE(form->Playback.IsPlaying);

    exportTo = media.filePath("out.lrc");
    click(gen->ExportBtn);
    QFile lrc(exportTo);
    ASSERT_TRUE(lrc.open(QIODevice::ReadOnly));
    EXPECT_EQ(lrc.readAll(), "[00:12.00]one\r\n[00:24.00]\r\n[00:36.00]three\r\n");
}

TEST_F(GeneratorTest, BadNamesUnwritableFilesAndReleaseWhileRecording)
{
    form->PlaylistView.AddPlaylistEntry(makeToneWav(media.filePath("tone.wav"), 30, {440}));
    form->ShowLyricsGen();
    for (const QString& bad : {QString("a/b"), QString(".."), QString(), QString("x") + QChar(0) + "y"}) {
        SCOPED_TRACE(bad.toStdString());
        pilot.seen.clear();
        answer = bad;
        click(gen->SetOutputBtn);
        ASSERT_EQ(pilot.seen.size(), 1u);
        EXPECT_EQ(pilot.seen[0].icon, QMessageBox::Critical);
        EXPECT_EQ(enabled(), "10000");
    }
    EXPECT_EQ(QDir(lyricsFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{});

    // A file that cannot be written ends the recording with a message.
    QDir().mkpath(lyricsFolder() + "blocked.sly");
    answer = "blocked";
    click(gen->SetOutputBtn);
    gen->LyricsBox->setPlainText("one\ntwo");
    click(gen->RecordBtn);
    pilot.seen.clear();
    click(gen->SetTimedLineBtn);
    ASSERT_EQ(pilot.seen.size(), 1u);
    EXPECT_TRUE(pilot.seen[0].text.contains("blocked.sly")) << pilot.seen[0].text.toStdString();
    EXPECT_EQ(enabled(), "01100");
    EXPECT_EQ(gen->LyricsBox->toPlainText(), "one\ntwo") << "no line was used up";

    // Release while recording stops the recording first.
    click(gen->RecordBtn);
    EXPECT_EQ(enabled(), "01011");
    click(gen->ReleaseBtn);
    EXPECT_EQ(enabled(), "10000");
    EXPECT_EQ(gen->FileLabel->text(), "None");
    EXPECT_FALSE(gen->LyricsBox->isReadOnly());
    EXPECT_FALSE(form->Playback.IsPlaying);
}

} // namespace
