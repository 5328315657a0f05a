// The player on a session bus of its own, driven by the clients a desktop
// has: playerctl and busctl for commands and properties, and the bus's
// signals read here with QtDBus. The player runs as a process under Xvfb
// (with a tray host, so that it can hide in the tray), and its buttons are
// clicked with xdotool.
#include "settings/registry.h"
#include "skins/skinformat.h"
#include "support/audiofixtures.h"
#include "support/playerprocess.h"
#include "support/xdisplay.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>

using namespace vimbo;

namespace {

const QString kService = "org.mpris.MediaPlayer2.vimbo";
const QString kPath = "/org/mpris/MediaPlayer2";

// Runs the event loop until `done` holds or `ms` have passed.
bool waitUntil(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer waited;
    for (waited.start(); waited.elapsed() < ms; QThread::msleep(20)) {
        QCoreApplication::processEvents();
        if (done())
            return true;
    }
    return done();
}

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString playerctl(const QStringList& args) { return run("playerctl", QStringList{"-p", "vimbo"} + args); }

// The id of the playing track, without the quotes playerctl prints around it.
QString trackId() { return playerctl({"metadata", "mpris:trackid"}).remove('\''); }

double positionSeconds() { return playerctl({"position"}).toDouble(); }

// What the player's signals said, in the order they came.
class BusRecorder : public QObject
{
    Q_OBJECT
public:
    QStringList changes;  // "PlaybackStatus=Playing", "Metadata=<url>", ...
    QList<qlonglong> seeks;

public slots:
    void propertiesChanged(const QString&, const QVariantMap& changed, const QStringList&)
    {
        for (auto i = changed.begin(); i != changed.end(); ++i) {
            QString value = i.value().toString();
            if (i.key() == "Metadata") {
                const auto metadata = qdbus_cast<QVariantMap>(i.value().value<QDBusArgument>());
                value = metadata.value("xesam:url").toString();
            }
            changes << i.key() + "=" + value;
        }
    }
    void seeked(qlonglong position) { seeks << position; }
};

// One player process over folders of its own, with its main window found.
class BusPlayer
{
public:
    explicit BusPlayer(const QStringList& args = {})
    {
        env = playerEnvironment(dir);
        env.insert("SDL_AUDIODRIVER", "dummy");
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(VIMBO_EXECUTABLE, args);
        process.waitForStarted();
        waitUntil([&] { return !(window = windowsOf(process.processId(), "449x292").value(0)).isEmpty(); }, 20000);
    }
    ~BusPlayer()
    {
        process.kill();
        process.waitForFinished();
    }

    // Clicks the skin element `tag` where the built-in skin puts it.
    void click(int tag)
    {
        const QPoint at = FindSkinElement(tag)->designBox.center();
        run("xdotool", {"mousemove", "--window", window, QString::number(at.x()), QString::number(at.y()),
                        "click", "1"});
    }
    bool viewable() { return xtool("xwininfo", {"-id", window}).contains("IsViewable"); }
    // The pixels of skin element `tag` as the screen shows them.
    QImage grab(int tag)
    {
        const QString info = xtool("xwininfo", {"-id", window});
        static const QRegularExpression x(R"(Absolute upper-left X:\s+(-?\d+))"), y(R"(Absolute upper-left Y:\s+(-?\d+))");
        const QRect box = FindSkinElement(tag)->designBox.translated(x.match(info).captured(1).toInt(),
                                                                     y.match(info).captured(1).toInt());
        return QGuiApplication::primaryScreen()->grabWindow(0, box.x(), box.y(), box.width(), box.height()).toImage();
    }
    RegistryKey settings()
    {
        return RegistryKey(RegistryDatabase::open(dir.filePath("config/") + kRegistryFileName), kSettingsKeyPath);
    }

    QTemporaryDir dir;
    QProcessEnvironment env;
    QProcess process;
    QString window;
};

// Tracks in a folder "Album Folder": one named by its ID3 tag, two by their file names only.
struct Tracks
{
    Tracks()
    {
        QDir().mkpath(folder());
        const QString wav = makeToneWav(dir.filePath("tone.wav"), 20, {440});
        runTool("lame", {"--quiet", "-b", "128", "--add-id3v2", "--tt", "Real Title", "--ta", "Some Artist", wav, first()});
        makeMp3(wav, second());
        // A lyric file beside the first: its line is the metadata's text once shown.
        QFile lrc(folder() + "/first_song.lrc");
        lrc.open(QIODevice::WriteOnly);
        lrc.write("[00:00.50]The line sung first\r\n");
        makeMp3(wav, third());
    }
    QString folder() const { return dir.filePath("Album Folder"); }
    QString first() const { return folder() + "/first_song.mp3"; }
    QString second() const { return folder() + "/second_tune.mp3"; }
    QString third() const { return folder() + "/third-tune.mp3"; }
    QString url(const QString& path) const { return QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded()); }
    QTemporaryDir dir;
};

Tracks& tracks()
{
    static Tracks made;
    return made;
}

class MprisTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        ASSERT_TRUE(bus.isConnected());
        bus.connect(kService, kPath, "org.freedesktop.DBus.Properties", "PropertiesChanged", &recorder,
                    SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
        bus.connect(kService, kPath, "org.mpris.MediaPlayer2.Player", "Seeked", &recorder, SLOT(seeked(qlonglong)));
    }
    void TearDown() override { QDBusConnection::sessionBus().disconnect(kService, kPath, {}, {}, &recorder, nullptr); }

    // Starts a player on `files` (the first plays) and waits until it plays.
    std::unique_ptr<BusPlayer> playing(const QStringList& files)
    {
        auto player = std::make_unique<BusPlayer>(QStringList{files.value(0)});
        EXPECT_FALSE(player->window.isEmpty()) << "no main window";
        EXPECT_TRUE(waitUntil([] { return playerctl({"status"}) == "Playing"; })) << playerctl({"status"}).toStdString();
        // The others come in as a second start hands them over.
        for (const QString& file : files.mid(1))
            playerctl({"open", QUrl::fromLocalFile(file).toString()});
        return player;
    }
    bool statusBecomes(const QString& status)
    {
        return waitUntil([&] { return playerctl({"status"}) == status; }) &&
               waitUntil([&] { return recorder.changes.contains("PlaybackStatus=" + status); });
    }

    BusRecorder recorder;
};

TEST_F(MprisTest, StatusFollowsTheWindowsButtonsAndTheBus)
{
    auto player = playing({tracks().first()});
    const struct
    {
        const char* step;
        std::function<void()> run;
        QString status;
    } steps[] = {
        {"the window's Pause", [&] { player->click(12); }, "Paused"},
        {"the bus's Play", [] { playerctl({"play"}); }, "Playing"},
        {"the bus's Pause", [] { playerctl({"pause"}); }, "Paused"},
        {"the window's Pause again", [&] { player->click(12); }, "Playing"},
        {"the bus's PlayPause", [] { playerctl({"play-pause"}); }, "Paused"},
        {"the window's Stop", [&] { player->click(13); }, "Stopped"},
        {"the bus's Play from stopped", [] { playerctl({"play"}); }, "Playing"},
        {"the bus's Stop", [] { playerctl({"stop"}); }, "Stopped"},
        {"the window's Play", [&] { player->click(11); }, "Playing"},
    };
    for (const auto& s : steps) {
        recorder.changes.clear();
        s.run();
        EXPECT_TRUE(statusBecomes(s.status)) << s.step << ": " << playerctl({"status"}).toStdString() << " / "
                                             << recorder.changes.join(", ").toStdString();
    }
}

TEST_F(MprisTest, MetadataNamesTheTrackAsTheFileAndItsTagDo)
{
    auto player = playing({tracks().first()});
    ASSERT_TRUE(waitUntil([] { return !playerctl({"metadata", "mpris:length"}).isEmpty(); }));
    EXPECT_EQ(playerctl({"metadata", "xesam:title"}), "Real Title") << "the ID3 title";
    EXPECT_EQ(playerctl({"metadata", "xesam:artist"}), "Some Artist");
    EXPECT_EQ(playerctl({"metadata", "xesam:album"}), "Album Folder");
    EXPECT_EQ(playerctl({"metadata", "xesam:url"}), tracks().url(tracks().first()));
    EXPECT_NEAR(playerctl({"metadata", "mpris:length"}).toLongLong(), 20000000, 200000);
    EXPECT_TRUE(waitUntil([] { return playerctl({"metadata", "xesam:asText"}) == "The line sung first"; }))
        << "the lyric line shown";
    const QString firstId = trackId();
    EXPECT_TRUE(firstId.startsWith("/")) << firstId.toStdString();

    // A file without a tag: its name as the labels tidy it; another entry, another id.
    recorder.changes.clear();
    playerctl({"open", QUrl::fromLocalFile(tracks().second()).toString()});
    ASSERT_TRUE(waitUntil([] { return playerctl({"metadata", "xesam:title"}) == "Second Tune"; }))
        << playerctl({"metadata", "xesam:title"}).toStdString();
    EXPECT_NE(trackId(), firstId);
    EXPECT_TRUE(waitUntil([&] { return recorder.changes.contains("Metadata=" + tracks().url(tracks().second())); }))
        << recorder.changes.join(", ").toStdString();
}

TEST_F(MprisTest, SeekingJumpsAndTellsStaleRequestsAreIgnored)
{
    auto player = playing({tracks().first(), tracks().second()});
    // Back on the first entry, and playing.
    playerctl({"previous"});
    ASSERT_TRUE(waitUntil([] { return playerctl({"metadata", "xesam:url"}) == tracks().url(tracks().first()); }));
    ASSERT_TRUE(waitUntil([] { return !playerctl({"metadata", "mpris:length"}).isEmpty(); }));

    playerctl({"position", "8"});
    ASSERT_TRUE(waitUntil([&] { return !recorder.seeks.isEmpty(); })) << "no Seeked signal";
    EXPECT_NEAR(recorder.seeks.last(), 8000000, 100000);
    EXPECT_TRUE(waitUntil([] { return positionSeconds() >= 7.9 && positionSeconds() < 9.5; }))
        << positionSeconds();

    // A position for a track that is not playing, and one past the end: nothing moves.
    const int seeks = recorder.seeks.size();
    run("busctl", {"--user", "call", kService, kPath, "org.mpris.MediaPlayer2.Player", "SetPosition", "ox",
                   "/org/vimbo/track/999", "1000000"});
    run("busctl", {"--user", "call", kService, kPath, "org.mpris.MediaPlayer2.Player", "SetPosition", "ox",
                   trackId(), "90000000"});
    QThread::msleep(300);
    EXPECT_GE(positionSeconds(), 7.9);
    EXPECT_EQ(recorder.seeks.size(), seeks);

    // Back past the start is the start.
    playerctl({"position", "100-"});
    ASSERT_TRUE(waitUntil([&] { return recorder.seeks.size() > seeks; }));
    EXPECT_EQ(recorder.seeks.last(), 0);
    EXPECT_LT(positionSeconds(), 1.5);

    // Play on the playing track starts it again: a jump to its start.
    playerctl({"position", "5"});
    ASSERT_TRUE(waitUntil([] { return positionSeconds() >= 4.9; }));
    const int before = recorder.seeks.size();
    player->click(11);
    EXPECT_TRUE(waitUntil([&] { return recorder.seeks.size() > before && recorder.seeks.last() == 0; }));
    EXPECT_TRUE(waitUntil([] { return positionSeconds() < 1.5; })) << positionSeconds();

    // Past the end is the next track.
    playerctl({"position", "100+"});
    EXPECT_TRUE(waitUntil([] { return playerctl({"metadata", "xesam:url"}) == tracks().url(tracks().second()); }));
}

TEST_F(MprisTest, VolumeFromTheBusMovesTheSliderAndTheSetting)
{
    auto player = playing({tracks().first()});
    const QImage before = player->grab(27);
    recorder.changes.clear();
    playerctl({"volume", "0.1"});
    EXPECT_TRUE(waitUntil([&] { return player->settings().readInteger("Volume") == 10; }));
    EXPECT_EQ(playerctl({"volume"}).toDouble(), 0.1);
    EXPECT_TRUE(waitUntil([&] { return player->grab(27) != before; })) << "the volume slider is drawn as it was";
    EXPECT_TRUE(waitUntil([&] { return recorder.changes.contains("Volume=0.1"); }))
        << recorder.changes.join(", ").toStdString();
    // Out of range is the nearest end.
    playerctl({"volume", "1.7"});
    EXPECT_TRUE(waitUntil([&] { return player->settings().readInteger("Volume") == 100; }));
}

TEST_F(MprisTest, NextAndPreviousStepThePlaylist)
{
    auto player = playing({tracks().first(), tracks().second(), tracks().third()});
    const auto url = [] { return playerctl({"metadata", "xesam:url"}); };
    ASSERT_TRUE(waitUntil([&] { return url() == tracks().url(tracks().third()); })) << "the last one opened plays";
    recorder.changes.clear();
    playerctl({"previous"});
    EXPECT_TRUE(waitUntil([&] { return url() == tracks().url(tracks().second()); })) << url().toStdString();
    playerctl({"previous"});
    EXPECT_TRUE(waitUntil([&] { return url() == tracks().url(tracks().first()); })) << url().toStdString();
    playerctl({"next"});
    EXPECT_TRUE(waitUntil([&] { return url() == tracks().url(tracks().second()); })) << url().toStdString();
    EXPECT_EQ(playerctl({"status"}), "Playing");
    // Each new track was told by a signal, never after a status it plays with.
    const qsizetype told = recorder.changes.indexOf("Metadata=" + tracks().url(tracks().first()));
    EXPECT_GE(told, 0) << recorder.changes.join(", ").toStdString();
    for (qsizetype i = 0; i < told; ++i)
        EXPECT_NE(recorder.changes[i], "PlaybackStatus=Playing") << "a status before its track's metadata";

    playerctl({"loop", "Track"});
    playerctl({"shuffle", "On"});
    EXPECT_TRUE(waitUntil([&] { return player->settings().readString("Repeat1") == "on"; }));
    EXPECT_TRUE(waitUntil([&] { return player->settings().readString("Shuffle") == "on"; }));
    EXPECT_EQ(playerctl({"loop"}), "Track");
    EXPECT_EQ(playerctl({"shuffle"}), "On");
}

TEST_F(MprisTest, RaiseBringsBackAWindowHiddenInTheTray)
{
    BusPlayer player;
    ASSERT_FALSE(player.window.isEmpty());
    ASSERT_TRUE(waitUntil([] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(kService); }));
    ASSERT_TRUE(waitUntil([&] { return player.viewable(); }));
    player.click(16);
    ASSERT_TRUE(waitUntil([&] { return !player.viewable(); })) << "the tray button hides the window";
    run("busctl", {"--user", "call", kService, kPath, "org.mpris.MediaPlayer2", "Raise"});
    EXPECT_TRUE(waitUntil([&] { return player.viewable(); })) << "Raise shows it again";
    EXPECT_EQ(run("busctl", {"--user", "get-property", kService, kPath, "org.mpris.MediaPlayer2", "Identity"}),
              "s \"Vimbo Media Player\"");
    EXPECT_TRUE(run("playerctl", {"-l"}).split('\n').contains("vimbo")) << "playerctl lists the player";
}

TEST_F(MprisTest, ASecondPlayerTakesANameOfItsOwn)
{
    BusPlayer first, second;
    QDBusConnectionInterface* names = QDBusConnection::sessionBus().interface();
    const QString own = kService + ".instance" + QString::number(second.process.processId());
    EXPECT_TRUE(waitUntil([&] { return names->isServiceRegistered(own); })) << names->registeredServiceNames().value().join(' ').toStdString();
    EXPECT_EQ(names->servicePid(kService).value(), quint32(first.process.processId())) << "the first keeps the name";
    // When the first quits, the second keeps its own name.
    run("busctl", {"--user", "call", kService, kPath, "org.mpris.MediaPlayer2", "Quit"});
    EXPECT_TRUE(first.process.waitForFinished(10000)) << "Quit ends the player";
    EXPECT_TRUE(names->isServiceRegistered(own));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        std::fprintf(stderr, "no session bus: run this under dbus-run-session\n");
        return 1;
    }
    QProcess xvfb, trayer;
    if (!startOwnDisplayWithTray(xvfb, trayer))
        return 1;
    int rc = 1;
    {
        QGuiApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    trayer.kill();
    trayer.waitForFinished();
    xvfb.terminate();
    xvfb.waitForFinished();
    return rc;
}

#include "mpris_test.moc"
