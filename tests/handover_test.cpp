// Two real player processes: the second hands its argument to the first.
#include "platform/paths.h"
#include "settings/registry.h"
#include "support/audiofixtures.h"
#include "support/qtprint.h"
#include "support/testfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

using namespace vimbo;

namespace {

class HandOverTest : public ::testing::Test
{
protected:
    HandOverTest()
    {
        env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VIMBO_CONFIG_DIR", dir.filePath("config"));
        env.insert("VIMBO_DATA_DIR", dir.filePath("data"));
        env.insert("VIMBO_PROGRAM_DIR", dir.filePath("program"));
        env.insert("XDG_RUNTIME_DIR", dir.filePath("run"));
        env.insert("VIMBO_NP_PORT", "0");
        QDir().mkpath(dir.filePath("run"));
        QFile::setPermissions(dir.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        settings().writeString("FirstRun2", "no"); // no first-run dialogs to answer
    }

    ~HandOverTest() override
    {
        for (QProcess* p : started) {
            p->kill();
            p->waitForFinished();
            delete p;
        }
    }

    RegistryKey settings()
    {
        if (!m_store)
            m_store = RegistryDatabase::open(dir.filePath("config/") + kRegistryFileName);
        return RegistryKey(m_store, kSettingsKeyPath);
    }

    QProcess* start(const QStringList& args, const QString& workingDirectory = {})
    {
        auto* p = new QProcess;
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(workingDirectory);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(VIMBO_EXECUTABLE, args);
        EXPECT_TRUE(p->waitForStarted());
        started.push_back(p);
        return p;
    }

    // Waits until the first instance listens for hand-overs.
    bool waitUntilListening(int timeoutMs = 20000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            QLocalSocket probe;
            probe.connectToServer(dir.filePath("run/vimbo.sock"));
            if (probe.waitForConnected(200))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    // Polls `done` while the first instance works through its start-up.
    template <typename Pred> bool eventually(Pred done, int timeoutMs = 20000)
    {
        QElapsedTimer t;
        t.start();
        while (!done()) {
            if (t.elapsed() > timeoutMs)
                return false;
            QThread::msleep(20);
        }
        return true;
    }

    // A file that exists, so the first instance's rebuild keeps it.
    QString makeFile(const QString& name) { return ::makeFile(dir, name); }

    int runSecond(const QStringList& args, const QString& workingDirectory = {})
    {
        QProcess* p = start(args, workingDirectory);
        EXPECT_TRUE(p->waitForFinished(30000)) << "the second instance did not end";
        return p->exitCode();
    }

    QTemporaryDir dir;
    QProcessEnvironment env;
    std::vector<QProcess*> started;

private:
    std::shared_ptr<RegistryDatabase> m_store;
};

TEST_F(HandOverTest, SecondStartWithAndWithoutAFile)
{
    QProcess* first = start({});
    ASSERT_TRUE(waitUntilListening());
    EXPECT_EQ(settings().readString("Opened"), "");

    EXPECT_EQ(runSecond({}), 0);
    EXPECT_EQ(settings().readString("Opened"), "");
    EXPECT_EQ(settings().readInteger("LastPlItem"), 0) << "the playlist is unchanged";

    const QString song = makeFile("my songs/song one.mp3");
    EXPECT_EQ(runSecond({song, "ignored.mp3"}), 0);
    // Taken in at once, or right after the first instance's start-up.
    EXPECT_TRUE(eventually([&] { return settings().readInteger("LastPlItem") == 1; }));
    EXPECT_EQ(settings().readString("Opened"), song);
    EXPECT_EQ(RegistryKey(settings().database(), kPlaylistKeyPath).readString("1"), song);

    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(HandOverTest, FirstStartTakesItsOwnArgument)
{
    const QString song = makeFile("song.wav");
    start({song});
    ASSERT_TRUE(eventually([&] { return settings().readString("Opened") == song; }));
    EXPECT_EQ(RegistryKey(settings().database(), kPlaylistKeyPath).readString("1"), song);
}

TEST_F(HandOverTest, RelativePathsAreStoredInFull)
{
    const QString first = makeFile("first folder/song.mp3");
    const QString second = makeFile("second folder/sub/other.wav");
    start({"song.mp3"}, dir.filePath("first folder"));
    ASSERT_TRUE(waitUntilListening());
    EXPECT_TRUE(eventually([&] { return settings().readString("Opened") == first; }))
        << settings().readString("Opened").toStdString();

    EXPECT_EQ(runSecond({"./sub/../sub/other.wav"}, dir.filePath("second folder")), 0);
    EXPECT_TRUE(eventually([&] { return settings().readInteger("LastPlItem") == 2; }));
    EXPECT_EQ(settings().readString("Opened"), second);
    // Both outlived the rebuild that followed the hand-over.
    const RegistryKey entries(settings().database(), kPlaylistKeyPath);
    EXPECT_EQ(entries.readString("1"), first);
    EXPECT_EQ(entries.readString("2"), second);
}

TEST_F(HandOverTest, WindowOpensOnThePrimaryScreenWhereverItLies)
{
    // The primary screen (the first) lies right of and below a second one at the origin.
    QFile screens(dir.filePath("screens.json"));
    ASSERT_TRUE(screens.open(QIODevice::WriteOnly));
    screens.write(R"({"screens": [{"name": "primary", "x": 1024, "y": 100, "width": 1280, "height": 1024},
                                  {"name": "side", "x": 0, "y": 0, "width": 1024, "height": 768}]})");
    screens.close();
    env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName());
    start({});
    // The shown window writes where it stands.
    ASSERT_TRUE(eventually([&] { return settings().valueExists("FormLeft"); }));
    EXPECT_EQ(settings().readInteger("FormLeft"), 1024 + 640 - 224);
    EXPECT_EQ(settings().readInteger("FormTop"), 100 + 512 - 144);
}

TEST_F(HandOverTest, SocketOfACrashedPlayerIsTakenOver)
{
    QProcess* crashed = start({});
    ASSERT_TRUE(waitUntilListening());
    ::kill(pid_t(crashed->processId()), SIGKILL);
    crashed->waitForFinished();
    ASSERT_TRUE(QFile::exists(dir.filePath("run/vimbo.sock"))) << "a killed player leaves its socket";

    QProcess* next = start({});
    ASSERT_TRUE(waitUntilListening());
    EXPECT_EQ(next->state(), QProcess::Running) << "the new player must not hand over to a dead one";
    EXPECT_EQ(runSecond({makeFile("after.mp3")}), 0);
    EXPECT_TRUE(eventually([&] { return settings().readInteger("LastPlItem") == 1; }));
    EXPECT_EQ(QFileInfo(dir.filePath("run/vimbo.sock")).permissions() & (QFile::ReadOther | QFile::WriteOther), 0)
        << "only the user may talk to the player";
}

TEST_F(HandOverTest, TerminationSignalEndsThePlayer)
{
    // The sound library must not take the signal the desktop ends programs with.
    env.insert("SDL_AUDIODRIVER", "dummy");
    const QString wav = makeToneWav(dir.filePath("tone.wav"), 30, {440});
    ASSERT_FALSE(wav.isEmpty());
    QProcess* player = start({wav}); // playing: the sound system is up
    ASSERT_TRUE(waitUntilListening());
    QThread::msleep(1500);
    ::kill(pid_t(player->processId()), SIGTERM);
    EXPECT_TRUE(player->waitForFinished(10000)) << "still running after SIGTERM";
}

} // namespace
