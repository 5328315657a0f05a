// What needs a real X server: the notification-area icons in a real tray
// host, and the shaped window's outline (Xvfb and trayer, started by this
// test program before Qt connects; Qt's offscreen platform ignores masks).
#include "app/application.h"
#include "app/vimboform.h"
#include "shell/trayicon.h"
#include "skins/coolform.h"
#include "support/audiofixtures.h"
#include "support/dialogpilot.h"
#include "support/playerfixture.h"
#include "support/playerprocess.h"
#include "support/testfiles.h"
#include "support/xdisplay.h"

#include <QElapsedTimer>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>


using namespace vimbo;

namespace {

using TrayTest = ReadyPlayerFixture;

TEST_F(TrayTest, IconsStandInTheTrayAndAnswerClicks)
{
    EXPECT_TRUE(form->TrayIcon->Visible()) << "the tray host took the icon";
    EXPECT_TRUE(form->PrevTray->Visible());
    EXPECT_TRUE(form->NextTray->Visible());

    form->show();
    runEventsFor(200);
    const QPoint where = form->pos();
    form->TrayClick(); // with a tray: hidden, not minimised
    runEventsFor(100);
    EXPECT_FALSE(form->isVisible());
    form->TrayIcon->Activate(QSystemTrayIcon::DoubleClick);
    runEventsFor(200);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->pos(), where) << "back at the same place";

    form->TrayIcon->Activate(QSystemTrayIcon::Context);
    runEventsFor(100);
    EXPECT_TRUE(form->MainMenu->isVisible()) << "right click opens the main menu";
    form->MainMenu->hide();

    form->close();
    EXPECT_FALSE(form->TrayIcon->Visible()) << "closing takes the icons away";
    EXPECT_FALSE(form->NextTray->Visible());
}

// The screen's pixel at `at`, read until it is `want` or `ms` have passed
// (the window system takes a new outline in its own time).
QColor screenPixelOnceItIs(QPoint at, const QColor& want, int ms = 3000)
{
    QColor seen;
    QElapsedTimer waited;
    waited.start();
    do {
        runEventsFor(100);
        seen = QColor(QGuiApplication::primaryScreen()->grabWindow(0).toImage().pixel(at));
    } while (seen != want && waited.elapsed() < ms);
    return seen;
}

TEST(ShapedWindow, OutlineFollowsTheMask)
{
    // A 200 x 100 picture: a blue body with a white (transparent) hole and
    // white corners cut off.
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(qRgb(30, 60, 200));
    QPainter painter(&picture);
    painter.fillRect(80, 30, 40, 40, Qt::white);
    painter.fillRect(0, 0, 20, 20, Qt::white);
    painter.end();

    QTemporaryDir dir;
    const QString mask = dir.filePath("Shape.msk");
    TCoolForm::GenerateMaskFile(picture, 0xFFFFFF, mask);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setFixedSize(200, 100);
    auto* cool = new TCoolForm(&window);
    cool->SetPicture(picture);
    ASSERT_TRUE(cool->LoadMaskFile(mask));
    window.move(50, 50);
    window.show();
    runEventsFor(300);

    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const auto at = [&](int x, int y) { return QColor(screen.pixel(50 + x, 50 + y)); };
    EXPECT_EQ(at(150, 50), QColor(30, 60, 200)) << "the body is drawn";
    EXPECT_EQ(at(100, 50), QColor(Qt::black)) << "the desktop shows through the hole";
    EXPECT_EQ(at(5, 5), QColor(Qt::black)) << "and through the cut corner";
    EXPECT_EQ(at(25, 5), QColor(30, 60, 200));

    // A mask without a region leaves the outline as it was.
    QFile empty(dir.filePath("Empty.msk"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.write(QByteArray(4, '\0'));
    empty.close();
    EXPECT_TRUE(cool->LoadMaskFile(empty.fileName()));
    runEventsFor(100);
    EXPECT_EQ(QColor(QGuiApplication::primaryScreen()->grabWindow(0).toImage().pixel(150, 100)), QColor(Qt::black));
    EXPECT_FALSE(cool->LoadMaskFile(dir.filePath("missing.msk")));

    // A region without pixels (a picture of only the transparent colour):
    // the window shows nothing at all.
    QImage blank(200, 100, QImage::Format_RGB32);
    blank.fill(Qt::white);
    const QString nothing = dir.filePath("Nothing.msk");
    TCoolForm::GenerateMaskFile(blank, 0xFFFFFF, nothing);
    ASSERT_TRUE(cool->LoadMaskFile(nothing));
    EXPECT_EQ(screenPixelOnceItIs({50 + 150, 50 + 50}, Qt::black), QColor(Qt::black))
        << "the desktop shows where the body was";

    // A wider outline again (the transparent colour changed in an edit): the
    // picture, unchanged, fills it, though nothing else was repainted.
    ASSERT_TRUE(cool->LoadMaskFile(mask));
    EXPECT_EQ(screenPixelOnceItIs({50 + 150, 50 + 50}, QColor(30, 60, 200)), QColor(30, 60, 200))
        << "the body is drawn inside the new outline";
}

using MainWindowTest = ReadyPlayerFixture;

TEST_F(MainWindowTest, SkinOutlineShowsTheDesktopThrough)
{
    // Something behind the window whose colour must show through its holes.
    QWidget backdrop(nullptr, Qt::Window | Qt::FramelessWindowHint);
    backdrop.setAutoFillBackground(true);
    backdrop.setPalette(QPalette(QColor(0, 200, 0)));
    backdrop.setGeometry(0, 100, 700, 500);
    backdrop.show();
    runEventsFor(200);

    form->move(60, 150);
    form->show(); // the built-in skin, white outside its rounded outline
    ASSERT_EQ(form->size(), QSize(449, 292));
    const QImage& picture = form->DefaultSkin;
    // The title strip: only see-through buttons lie over the picture there.
    int holes = 0, mismatches = -1;
    QElapsedTimer waited;
    waited.start();
    while (mismatches != 0 && waited.elapsed() < 5000) { // until the window system has drawn it all
        runEventsFor(100);
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        holes = 0, mismatches = 0;
        for (int y = 0; y < 50; ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const bool hole = picture.pixel(x, y) == qRgb(255, 255, 255);
                const QRgb want = hole ? qRgb(0, 200, 0) : picture.pixel(x, y);
                holes += hole;
                mismatches += QColor(screen.pixel(60 + x, 150 + y)).rgb() != QColor(want).rgb();
            }
        }
    }
    EXPECT_GT(holes, 100) << "the corners are cut";
    EXPECT_EQ(mismatches, 0) << "the desktop shows where the picture is white, the picture everywhere else";
}

TEST_F(MainWindowTest, AWiderOutlineOfTheWornSkinIsFilledWithItsPicture)
{
    // Navy, with a white corner: cut along navy, only the corner is left;
    // cut along white (an edit of the worn skin), all but the corner.
    const QString skins = options.folders.program + "Skins/";
    QImage picture(449, 292, QImage::Format_RGB32);
    picture.fill(qRgb(0, 0, 128));
    QPainter(&picture).fillRect(0, 0, 21, 21, Qt::white);
    ASSERT_TRUE(picture.save(skins + "Navy.bmp", "BMP"));
    const auto transparent = [&](const char* colour) {
        makeFile(dir, "program/Skins/Navy.ssk", QByteArray("[Images]\r\nMain=Navy.bmp\r\n[Colors]\r\nTransparent=") + colour + "\r\n");
        QFile::remove(skins + "Navy.msk");
    };
    // Worn before: a skin of another size, so that the window is resized once.
    QImage other(520, 300, QImage::Format_RGB32);
    other.fill(qRgb(90, 90, 90));
    ASSERT_TRUE(other.save(skins + "Other.bmp", "BMP"));
    makeFile(dir, "program/Skins/Other.ssk", "[Images]\r\nMain=Other.bmp\r\n[Colors]\r\nTransparent=16777215\r\n");
    form->move(60, 150);
    form->show();
    ASSERT_TRUE(form->ApplySkin("Other"));
    runEventsFor(300);
    transparent("8388608");
    ASSERT_TRUE(form->ApplySkin("Navy"));
    runEventsFor(300);
    transparent("16777215");
    ASSERT_TRUE(form->ApplySkin("Navy"));
    EXPECT_EQ(screenPixelOnceItIs({60 + 200, 150 + 10}, QColor(0, 0, 128)), QColor(0, 0, 128))
        << "the picture fills the wider outline";
}

TEST(PlayerProcess, WindowTitleIsTheTickerAlone)
{
    QTemporaryDir dir;
    QProcessEnvironment env = playerEnvironment(dir);
    // Playing: the ticker shows the track's name, which does not end with the program's.
    const QString tone = makeToneWav(dir.filePath("quiet tone.wav"), 20, {440});
    QProcess player;
    player.setProcessEnvironment(env);
    player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    player.start(VIMBO_EXECUTABLE, {tone});
    ASSERT_TRUE(player.waitForStarted());

    QStringList windows;
    QElapsedTimer waited;
    waited.start();
    while (windows.isEmpty() && waited.elapsed() < 20000) {
        QThread::msleep(100);
        windows = windowsOf(player.processId(), "449x292");
    }
    ASSERT_EQ(windows.size(), 1) << "the player's main window";
    const auto title = [&] { return xtool("xprop", {"-id", windows[0], "_NET_WM_NAME"}).trimmed(); };
    QStringList titles;
    for (waited.restart(); waited.elapsed() < 10000 && !titles.value(0).contains("Tone", Qt::CaseInsensitive);
         QThread::msleep(100))
        titles = QStringList{title()};
    for (int i = 0; i < 4; ++i, QThread::msleep(150))
        titles << title();
    player.kill();
    player.waitForFinished();
    // What the desktop shows is the ticker's text, nothing added to it.
    ASSERT_TRUE(titles[0].contains("Tone", Qt::CaseInsensitive)) << titles[0].toStdString();
    for (const QString& t : titles) {
        EXPECT_TRUE(t.startsWith("_NET_WM_NAME(UTF8_STRING) = \"")) << t.toStdString();
        EXPECT_FALSE(t.contains("Vimbo Media Player")) << t.toStdString();
    }
}

TEST(PlayerProcess, ALyricLineAppearsAtTheTopCentreOfTheScreen)
{
    QTemporaryDir dir;
    QProcessEnvironment env = playerEnvironment(dir);
    env.insert("SDL_AUDIODRIVER", "dummy");
    const QString tone = makeToneWav(dir.filePath("Sung.wav"), 20, {440});
    QFile lrc(dir.filePath("Sung.lrc"));
    ASSERT_TRUE(lrc.open(QIODevice::WriteOnly));
    lrc.write("[00:01.00]A line sung one second in\r\n");
    lrc.close();
    QProcess player;
    player.setProcessEnvironment(env);
    player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    player.start(VIMBO_EXECUTABLE, {tone});
    ASSERT_TRUE(player.waitForStarted());

    // A window of the player's, on screen, its top edge 10 pixels down and
    // its middle at the screen's.
    static const QRegularExpression line(R"(^\s*(0x[0-9a-f]+) .*\s(\d+)x(\d+)\+(-?\d+)\+(-?\d+))");
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    QString found;
    QElapsedTimer waited;
    for (waited.start(); found.isEmpty() && waited.elapsed() < 20000; QThread::msleep(100)) {
        for (const QString& l : xtool("xwininfo", {"-root", "-children"}).split('\n')) {
            const QRegularExpressionMatch m = line.match(l);
            if (!m.hasMatch() || m.captured(5).toInt() != 10 ||
                std::abs(m.captured(4).toInt() + m.captured(2).toInt() / 2 - screenWidth / 2) > 1)
                continue;
            if (xtool("xprop", {"-id", m.captured(1), "_NET_WM_PID"}).contains(" = " + QString::number(player.processId())) &&
                xtool("xwininfo", {"-id", m.captured(1)}).contains("IsViewable"))
                found = m.captured(1);
        }
    }
    player.kill();
    player.waitForFinished();
    EXPECT_FALSE(found.isEmpty()) << "no lyric pop-up at the top of the screen";
}

TEST(PlayerProcess, ADialogAnsweredAfterTheSecondStartGaveUpLeavesThePlayerRunning)
{
    QTemporaryDir dir;
    QProcessEnvironment env = playerEnvironment(dir);
    QProcess player;
    player.setProcessEnvironment(env);
    player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    player.start(VIMBO_EXECUTABLE, QStringList{});
    ASSERT_TRUE(player.waitForStarted());
    const auto visible = [&] {
        return xtool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(player.processId())})
            .split('\n', Qt::SkipEmptyParts);
    };
    QElapsedTimer waited;
    for (waited.start(); windowsOf(player.processId(), "449x292").isEmpty() && waited.elapsed() < 20000;)
        QThread::msleep(100);
    const QStringList before = visible();
    ASSERT_FALSE(before.isEmpty());

    // A lyric file with no track beside it: taking it in asks which track it belongs to.
    QDir().mkpath(dir.filePath("music/lonely"));
    const QString lrc = makeFile(dir, "music/lonely/lonely.lrc", "[00:01.00]lonely\r\n");
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(VIMBO_EXECUTABLE, {lrc});
    QString dialog;
    for (waited.restart(); dialog.isEmpty() && waited.elapsed() < 20000; QThread::msleep(100)) {
        for (const QString& w : visible())
            if (!before.contains(w))
                dialog = w;
    }
    ASSERT_FALSE(dialog.isEmpty()) << "the attach dialog";
    // The second start stops waiting for the answer (it gave up, or was ended).
    second.kill();
    second.waitForFinished();
    QThread::msleep(300);
    xtool("xdotool", {"windowfocus", "--sync", dialog});
    xtool("xdotool", {"key", "--window", dialog, "Escape"});
    for (waited.restart(); visible().contains(dialog) && waited.elapsed() < 10000;)
        QThread::msleep(100);
    EXPECT_FALSE(visible().contains(dialog)) << "the dialog took its answer";
    QThread::msleep(500);
    EXPECT_EQ(player.state(), QProcess::Running) << "the player ended, exit code " << player.exitCode();
    player.kill();
    player.waitForFinished();
}

} // namespace

int main(int argc, char** argv)
{
    QProcess xvfb, trayer;
    if (!startOwnDisplayWithTray(xvfb, trayer))
        return 1;
    int rc = 1;
    {
        TApplication app(argc, argv);
        // The tray host announces itself through an X selection; wait for it.
        for (int i = 0; i < 200 && !QSystemTrayIcon::isSystemTrayAvailable(); ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(30);
        }
        if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            std::fprintf(stderr, "no tray host appeared\n");
        } else {
            ::testing::InitGoogleTest(&argc, argv);
            rc = RUN_ALL_TESTS();
        }
    }
    trayer.kill();
    trayer.waitForFinished();
    xvfb.terminate();
    xvfb.waitForFinished();
    return rc;
}
