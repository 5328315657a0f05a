// The notification-area icons on a real X server with a real tray host
// (Xvfb and trayer, started by this test program before Qt connects).
#include "app/application.h"
#include "app/vimboform.h"
#include "shell/trayicon.h"
#include "support/dialogpilot.h"
#include "support/playerfixture.h"
#include "support/testfiles.h"

#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace vimbo;

namespace {

class TrayTest : public PlayerFixture
{
protected:
    TrayTest()
    {
        settings().writeString("FirstRun2", "no");
        form = create();
    }

    std::unique_ptr<TVimboForm> form;
};

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

// Starts `program` and waits until `ready` holds.
bool startAndWait(QProcess& process, const QString& program, const QStringList& args,
                  const std::function<bool()>& ready)
{
    process.start(program, args);
    if (!process.waitForStarted(5000))
        return false;
    for (int i = 0; i < 200; ++i) {
        if (ready())
            return true;
        QThread::msleep(50);
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // A display of our own: the first free number from 140 on.
    int display = 140;
    while (QFile::exists(QString("/tmp/.X%1-lock").arg(display)))
        ++display;
    QProcess xvfb, trayer;
    if (!startAndWait(xvfb, "Xvfb", {QString(":%1").arg(display), "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                      [&] { return QFile::exists(QString("/tmp/.X11-unix/X%1").arg(display)); })) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    qputenv("DISPLAY", QByteArray(":") + QByteArray::number(display));
    qputenv("QT_QPA_PLATFORM", "xcb");
    trayer.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120"});
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
