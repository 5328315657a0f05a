#include "app/errorreport.h"
#include "app/vimboform.h"
#include "app/windowplacement.h"
#include "lyrics/attachform.h"
#include "platform/errors.h"
#include "support/audiofixtures.h"
#include "support/dialogpilot.h"
#include "support/playerfixture.h"
#include "support/qtprint.h"
#include "support/testfiles.h"
#include "ui/skincontrols.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QTcpServer>
#include <QTreeWidget>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <functional>

using namespace vimbo;

namespace {

const QString kServerHint = "Dear first time user,\n\nIf you want other people to know which track you are";
const QString kAssociate = "Do you want to associate media files, skins and lyrics with the Vimbo Media player?";
const QString kLogoHint = "Dear first time user,\n\nYou can click on the vimbo logo to popup a main menu";
const QString kServerFailed = "Couldn't start the NP Image server at port ";
const QString kSoundFailed = "Failure while initializing the sound player!\nIf you keep having this problem, "
                             "try rebooting your computer...";

using StartupTest = PlayerFixture;

TEST_F(StartupTest, FirstRunAsksThreeThingsInOrderAndOnlyOnce)
{
    {
        auto form = create();
        EXPECT_TRUE(form->FirstRun);
        ASSERT_EQ(pilot.seen.size(), 3u) << pilot.texts().join("\n---\n").toStdString();
        EXPECT_TRUE(pilot.seen[0].text.startsWith(kServerHint));
        EXPECT_TRUE(pilot.seen[0].text.contains(QString("http://ip_address:%1/.").arg(form->ImageServer.Port())));
        EXPECT_EQ(pilot.seen[1].text, kAssociate);
        EXPECT_EQ(pilot.seen[1].icon, QMessageBox::Question);
        EXPECT_TRUE(pilot.seen[2].text.startsWith(kLogoHint));
        EXPECT_TRUE(form->ImageServer.IsActive());
        EXPECT_EQ(settings().readString("FirstRun2"), "no");
        EXPECT_TRUE(QFile::exists(dir.filePath("xdg-data/applications/vimbo.desktop"))) << "Yes associates";
    }
    pilot.seen.clear();
    auto again = create();
    EXPECT_FALSE(again->FirstRun);
    EXPECT_TRUE(pilot.seen.empty()) << pilot.texts().join("\n").toStdString();
}

TEST_F(StartupTest, ServerThatCannotStartIsReportedFirstAndStartUpGoesOn)
{
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::Any, 0));
    options.imageServerPort = occupant.serverPort();
    pilot.answers = {QMessageBox::No};
    auto form = create();
    ASSERT_EQ(pilot.seen.size(), 3u) << pilot.texts().join("\n---\n").toStdString();
    EXPECT_EQ(pilot.seen[0].text, kServerFailed + QString::number(occupant.serverPort()) + "...");
    EXPECT_EQ(pilot.seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(pilot.seen[1].text, kAssociate);
    EXPECT_TRUE(pilot.seen[2].text.startsWith(kLogoHint));
    EXPECT_FALSE(form->ImageServer.IsActive());
    EXPECT_TRUE(form->Player.PlayerCreated());
}

TEST_F(StartupTest, WritesTheThreeFilesOnceAndLoadsTheLibrary)
{
    settings().writeString("FirstRun2", "no");
    auto form = create();
    EXPECT_FALSE(form->TerminateRequested());
    EXPECT_EQ(form->DecoderPath, options.folders.data + "mp3dec.dll");
    EXPECT_TRUE(form->Player.PlayerCreated());
    EXPECT_EQ(form->Player.GetVersion(0), 1);
    EXPECT_EQ(form->Player.Priority(), 5u);
    for (const char* name : {"mp3dec.dll", "Fonts/Vimbo_font1.ttf", "Fonts/Vimbo_font2.ttf"})
        EXPECT_TRUE(QFile::exists(options.folders.data + name)) << name;
    EXPECT_TRUE(QDir(options.folders.program + "Skins").exists());
    EXPECT_TRUE(QDir(options.folders.program + "Lyrics").exists());
    EXPECT_TRUE(QFontDatabase::families().contains("QSwitch Ax"));
    EXPECT_TRUE(QFontDatabase::families().contains("Seraphic Organism"));
    EXPECT_TRUE(pilot.seen.empty());
}

TEST_F(StartupTest, InstalledSkinsReachTheSkinsFolderBeforeTheSkinIsPutOn)
{
    settings().writeString("FirstRun2", "no");
    settings().writeString("Skin", "Glass");
    options.folders.shippedSkins = dir.filePath("share/vimbo/Skins/");
    QDir().mkpath(options.folders.shippedSkins);
    for (const char* ext : {".ssk", ".bmp", ".msk"})
        QFile::copy(QString(VIMBO_ASSETS "/skins/Glass") + ext, options.folders.shippedSkins + "Glass" + ext);
    auto form = create();
    form->show();
    runEventsFor(50);
    for (const char* ext : {".ssk", ".bmp", ".msk"})
        EXPECT_TRUE(QFile::exists(options.folders.program + "Skins/Glass" + ext)) << ext;
    EXPECT_EQ(form->size(), QSize(480, 288)) << "the copied skin is worn, not the built-in one";
    EXPECT_TRUE(pilot.seen.empty()) << pilot.texts().join("\n").toStdString();
}

TEST_F(StartupTest, LibraryOfAnotherBuildIsReplaced)
{
    settings().writeString("FirstRun2", "no");
    QFile built(VIMBO_DECODER_LIBRARY);
    ASSERT_TRUE(built.open(QIODevice::ReadOnly));
    const QByteArray ours = built.readAll();
    QByteArray sameSize = ours;
    sameSize[sameSize.size() / 2] = char(~sameSize[sameSize.size() / 2]);
    const QDateTime longAgo(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
    const struct
    {
        const char* name;
        QByteArray found;
        bool replaced;
    } cases[] = {
        {"another size", "not a shared library", true},
        {"the same size, other bytes", sameSize, true},
        {"the same bytes", ours, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        pilot.seen.clear();
        QTemporaryDir data; // a path of its own: the loader would hand back a library it holds
        options.folders.data = data.path() + "/";
        QFile found(options.folders.data + "mp3dec.dll");
        ASSERT_TRUE(found.open(QIODevice::WriteOnly));
        found.write(c.found);
        ASSERT_TRUE(found.setFileTime(longAgo, QFileDevice::FileModificationTime));
        found.close();

        auto form = create();
        EXPECT_TRUE(pilot.seen.empty()) << pilot.texts().join("\n").toStdString();
        EXPECT_TRUE(form->Player.PlayerCreated());
        ASSERT_TRUE(found.open(QIODevice::ReadOnly));
        EXPECT_TRUE(found.readAll() == ours);
        EXPECT_EQ(QFileInfo(found).lastModified() != longAgo, c.replaced);
        found.close();
    }
}

TEST_F(StartupTest, UnloadableLibraryEndsStartUpBeforeTheFonts)
{
    settings().writeString("FirstRun2", "no");
    // A folder of that name: it cannot be replaced, nor loaded.
    QDir().mkpath(options.folders.data + "mp3dec.dll/inside");

    auto form = create();
    ASSERT_EQ(pilot.texts(), QStringList{kSoundFailed});
    EXPECT_TRUE(form->TerminateRequested());
    EXPECT_FALSE(QFile::exists(options.folders.data + "Fonts/Vimbo_font1.ttf"));
    EXPECT_FALSE(settings().valueExists("Opened"));
    EXPECT_TRUE(QFileInfo(options.folders.data + "mp3dec.dll/inside").isDir()) << "left as it was";
}

TEST_F(StartupTest, UnwritableDataFolderShowsTheErrorAndRunsNoLaterStep)
{
    settings().writeString("FirstRun2", "no");
    QFile blocker(dir.filePath("data")); // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    pilot.answers = {QMessageBox::No};

    auto form = create();
    ASSERT_EQ(pilot.seen.size(), 1u);
    EXPECT_TRUE(pilot.seen[0].text.contains("Message: Cannot create file \"" + options.folders.data + "mp3dec.dll\""))
        << pilot.seen[0].text.toStdString();
    EXPECT_TRUE(pilot.seen[0].text.contains("ClassName: EFCreateError"));
    EXPECT_FALSE(form->Player.PlayerCreated());
    EXPECT_FALSE(form->TerminateRequested());
    EXPECT_FALSE(settings().valueExists("Opened"));
}

TEST_F(StartupTest, SettingOfTheWrongTypeStopsAtThatStep)
{
    settings().writeString("FirstRun2", "no");
    settings().writeString("Volume", "50");
    pilot.answers = {QMessageBox::No};
    auto form = create();
    ASSERT_EQ(pilot.seen.size(), 1u);
    EXPECT_TRUE(pilot.seen[0].text.contains("Message: Invalid data type for 'Volume'\nClassName: ERegistryException"));
    EXPECT_TRUE(form->Player.PlayerCreated()) << "steps before the failing read ran";
    EXPECT_FALSE(settings().valueExists("Opened")) << "steps after it did not";
}

TEST_F(StartupTest, StoredLevelsAndSwitches)
{
    struct Case
    {
        const char* name;
        std::function<void(RegistryKey&)> store;
        std::function<void(const TVimboForm&)> check;
    };
    const Case cases[] = {
        {"fresh account: defaults",
         [](RegistryKey&) {},
         [](const TVimboForm& f) {
             EXPECT_EQ(f.Playback.VolumeLevel, 50);
             EXPECT_EQ(f.Bass, 80);
             EXPECT_EQ(f.Treble2, 80);
             EXPECT_FALSE(f.Playback.RepeatOn);
             EXPECT_FALSE(f.Playback.ShuffleOn);
             EXPECT_FALSE(f.OnTop->isChecked());
             EXPECT_FALSE(f.windowFlags() & Qt::WindowStaysOnTopHint);
         }},
        {"zero means missing, other values unaltered",
         [](RegistryKey& k) {
             k.writeInteger("Volume", 0);
             k.writeInteger("Mid", 0);
             k.writeInteger("Bass", 170);
             k.writeInteger("Treble", -3);
         },
         [](const TVimboForm& f) {
             EXPECT_EQ(f.Playback.VolumeLevel, 50);
             EXPECT_EQ(f.Mid, 80);
             EXPECT_EQ(f.Bass, 170);
             EXPECT_EQ(f.Treble, -3);
         }},
        {"switches compare exactly",
         [](RegistryKey& k) {
             k.writeString("Repeat1", "On");
             k.writeString("Shuffle", "on");
             k.writeString("OnTop", "on");
         },
         [](const TVimboForm& f) {
             EXPECT_FALSE(f.Playback.RepeatOn);
             EXPECT_TRUE(f.Playback.ShuffleOn);
             EXPECT_TRUE(f.OnTop->isChecked());
             EXPECT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir config;
        options.folders.config = config.path() + "/";
        RegistryKey key(RegistryDatabase::open(options.folders.config + kRegistryFileName), kSettingsKeyPath);
        key.writeString("FirstRun2", "no");
        c.store(key);
        TVimboForm form(options, key.database());
        form.FormCreate();
        EXPECT_TRUE(pilot.seen.empty()) << pilot.texts().join("\n").toStdString();
        c.check(form);
        EXPECT_TRUE(form.VolumeSlider->Vertical && form.BassSlider->Vertical && !form.TrackSlider->Vertical);
        EXPECT_EQ(form.Playback.CurrentTitle, "Vimbo Media Player");
        EXPECT_EQ(form.Playback.TickerPos, 1);
        EXPECT_EQ(form.PositionValue, 1);
        EXPECT_EQ(form.PositionRange, 1);
    }
}

TEST_F(StartupTest, PassedFilesByExtension)
{
    settings().writeString("FirstRun2", "no");
    const auto makeFile = [&](const QString& name, const QByteArray& content) {
        return ::makeFile(dir, "incoming/" + name, content);
    };
    options.firstArgument = makeFile("song.mp3", "ID3");
    auto form = create();
    EXPECT_TRUE(form->OpenOnShow);
    EXPECT_EQ(settings().readString("Opened"), options.firstArgument);
    EXPECT_EQ(settings().readInteger("LastPlItem"), 1);
    EXPECT_EQ(RegistryKey(store(), kPlaylistKeyPath).readString("1"), options.firstArgument);
    EXPECT_EQ(form->Playback.CurrentIndex, 1);

    const struct
    {
        QString path;
        qint32 lastPlItem;
        QString copiedTo;
    } handedOver[] = {
        {makeFile("two words & more.wav", "RIFF"), 2, {}},
        {makeFile("SONG.MP3", "ID3"), 2, {}},
        {makeFile("track01.cda", "CDDA"), 3, {}},
        {makeFile("Look.ssk", "[Colors]"), 3, options.folders.program + "Skins/Look.ssk"},
        {makeFile("song.sly", "[Lyrics]"), 3, options.folders.program + "Lyrics/song.sly"},
        {makeFile("notes.txt", "text"), 3, {}},
    };
    // The lyric file is not attached to anything: the attach dialog asks.
    QStringList asked;
    pilot.other = [&](QWidget* modal) {
        if (auto* attach = qobject_cast<TAttachForm*>(modal)) {
            asked << attach->LyricLabel->text();
            attach->Button1->click();
        }
    };
    for (const auto& h : handedOver) {
        SCOPED_TRACE(h.path.toStdString());
        settings().writeString("Opened", h.path);
        form->OpenPassedFile(false, false);
        EXPECT_EQ(settings().readInteger("LastPlItem"), h.lastPlItem);
        EXPECT_EQ(settings().readString("Opened"), h.path) << "the hand-over value is not cleared";
        if (!h.copiedTo.isEmpty()) {
            EXPECT_TRUE(QFile::exists(h.copiedTo));
        }
    }
    EXPECT_EQ(asked, QStringList{"song.sly"});
    // With Reindex the list is rebuilt: renumbered in path order, shown in the tree.
    form->OpenPassedFile(true, false);
    const RegistryKey entries(store(), kPlaylistKeyPath);
    EXPECT_EQ(entries.readString("1"), dir.filePath("incoming/song.mp3"));
    EXPECT_EQ(entries.readString("2"), dir.filePath("incoming/track01.cda"));
    EXPECT_EQ(entries.readString("3"), dir.filePath("incoming/two words & more.wav"));
    ASSERT_EQ(form->Playlist->topLevelItemCount(), 1);
    EXPECT_EQ(form->Playlist->topLevelItem(0)->text(0), "incoming");
    EXPECT_EQ(form->Playlist->topLevelItem(0)->childCount(), 3);

    // A skin already in the program's folder is kept, not replaced.
    QFile mine(options.folders.program + "Skins/Look.ssk");
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("[Colors]\nBackground=#112233\n");
    mine.close();
    settings().writeString("Opened", dir.filePath("incoming/Look.ssk"));
    form->OpenPassedFile(false, false);
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), "[Colors]\nBackground=#112233\n");
    // The handed-over skin has no picture in the Skins folder: said each time it is applied.
    ASSERT_EQ(pilot.seen.size(), 2u);
    EXPECT_EQ(pilot.texts().value(0), "A needed file from skin \"Look\" is missing!\nIf you have downloaded this "
                                      "file, please download it again...");
}

TEST_F(StartupTest, HandedOverFileStaysCurrentThroughTheRenumbering)
{
    settings().writeString("FirstRun2", "no");
    auto form = create();
    RegistryKey entries(store(), kPlaylistKeyPath);
    QDir().mkpath(dir.filePath("music"));
    entries.writeString("4", makeToneWav(dir.filePath("music/b.wav"), 0.2, {440}));
    entries.writeString("9", makeToneWav(dir.filePath("music/c.wav"), 0.2, {440}));
    settings().writeInteger("LastPlItem", 9);
    const QString handed = makeToneWav(dir.filePath("music/a.wav"), 0.2, {440});

    form->OpenFileMessage(handed); // stored as 10, started, then renumbered first
    EXPECT_EQ(entries.readString("1"), handed);
    EXPECT_EQ(form->Playback.CurrentIndex, 1);

    // Every later rebuild keeps it too; a file that went away leaves none current.
    form->Playback.CurrentIndex = 3;
    QFile::remove(dir.filePath("music/a.wav"));
    form->RefreshList();
    EXPECT_EQ(entries.readString("2"), dir.filePath("music/c.wav"));
    EXPECT_EQ(form->Playback.CurrentIndex, 2);
    form->Playback.CurrentIndex = 1;
    QFile::remove(dir.filePath("music/b.wav"));
    form->RefreshList();
    EXPECT_EQ(form->Playback.CurrentIndex, 0);
    EXPECT_TRUE(pilot.seen.empty()) << pilot.texts().join("\n").toStdString();
}

TEST_F(StartupTest, ErrorInAHandlerIsShownAndThePlayerGoesOn)
{
    settings().writeString("FirstRun2", "no");
    auto form = create();
    pilot.answers = {QMessageBox::No};
    bool laterEventRan = false;
    QTimer::singleShot(0, form.get(), [] { throw EReadError("Stream read error & more"); });
    QTimer::singleShot(20, form.get(), [&] { laterEventRan = true; });
    QElapsedTimer clock;
    clock.start();
    while (!laterEventRan && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(laterEventRan);
    ASSERT_EQ(pilot.seen.size(), 1u);
    EXPECT_EQ(pilot.seen[0].text, errorReportText("Stream read error & more", "EReadError"));
}

TEST(WindowPlacement, SavedEdgesOnAScreen)
{
    const QRect screen(0, 0, 1280, 1024);
    const QSize window(449, 289);
    const struct
    {
        const char* name;
        int top, left;
        QPoint expected; // (left, top)
    } cases[] = {
        {"both zero: centred", 0, 0, {640 - 224, 512 - 144}},
        {"top zero only", 0, 100, {100, 368}},
        {"left zero only", 200, 0, {416, 200}},
        {"kept as saved", 30, 40, {40, 30}},
        {"top past the bottom", 5000, 40, {40, 1024 - 289}},
        {"top exactly at the bottom", 1024, 40, {40, 735}},
        {"left at the right edge", 30, 1280, {1280 - 449, 30}},
        {"just inside stays", 1023, 1279, {1279, 1023}},
        {"negative edges are kept", -20, -300, {-300, -20}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(placeMainWindow(c.top, c.left, screen, window), c.expected);
    }
    // Odd sizes: each half truncates on its own.
    EXPECT_EQ(placeMainWindow(0, 0, QRect(0, 0, 1025, 769), QSize(101, 51)), QPoint(512 - 50, 384 - 25));

    // A primary screen right of and below the desktop's origin.
    const QRect moved(1920, 200, 1280, 1024);
    const struct
    {
        const char* name;
        int top, left;
        QPoint expected;
    } offset[] = {
        {"centred on it", 0, 0, {1920 + 640 - 224, 200 + 512 - 144}},
        {"kept on it", 300, 2000, {2000, 300}},
        {"past its bottom and right", 1224, 3200, {3200 - 449, 1224 - 289}},
        {"inside its far edges stays", 1223, 3199, {3199, 1223}},
        {"on the screen to its left stays", 300, 100, {100, 300}},
    };
    for (const auto& c : offset) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(placeMainWindow(c.top, c.left, moved, window), c.expected);
    }
}

TEST(ErrorReport, TextAndEncodedMailLink)
{
    const QString text = errorReportText("Invalid data type for 'Volume'", "ERegistryException");
    EXPECT_TRUE(text.startsWith("An error was raised while trying to start the application!\n\n"
                                "Message: Invalid data type for 'Volume'\nClassName: ERegistryException\n\n"
                                "To help us solve to solve this error"));
    EXPECT_TRUE(text.endsWith("etcetra...\nWould you like to send an email now?"));

    const struct
    {
        QString message;
        QString className;
    } cases[] = {
        {"Access violation", "EAccessViolation"},
        {"Tom & Jerry #1? 100% sure", "EReadError"},
        {"a=b&body=spoofed", "std::runtime_error"},
        {"Ünïcödé \"quotes\" <tag>", "E"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        const QUrl url = errorReportMailUrl(c.message, c.className);
        ASSERT_TRUE(url.isValid()) << url.errorString().toStdString();
        EXPECT_EQ(url.scheme(), "mailto");
        const QString encoded = QString::fromLatin1(url.toEncoded());
        EXPECT_FALSE(encoded.contains(' '));
        const QUrlQuery query(url);
        EXPECT_EQ(query.queryItems().size(), 2);
        EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded),
                  "Vimbo Player - Error: " + c.message + " (" + c.className + ")");
        EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded),
                  "Please explain shortly what you were doing before the error was raised:");
    }
}

TEST(ErrorReport, ClassNamesOfOursAndOthers)
{
    EXPECT_EQ(exceptionClassName(ERegistryException("x")), "ERegistryException");
    EXPECT_EQ(exceptionClassName(EFCreateError("x")), "EFCreateError");
    EXPECT_EQ(exceptionClassName(std::out_of_range("x")), "std::out_of_range");
}

} // namespace
