// The notification-area icons in a StatusNotifierItem host, the protocol of
// Plasma and of GNOME's AppIndicator extension. This program starts its own
// X display, session bus and host (itself, run with --status-notifier-watcher)
// before Qt connects: Qt settles on the protocol once, when it first looks.
#include "app/application.h"
#include "app/vimboform.h"
#include "shell/trayicon.h"
#include "support/playerfixture.h"
#include "support/testfiles.h"
#include "support/xdisplay.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

using namespace vimbo;

namespace {

const QString kWatcherService = "org.kde.StatusNotifierWatcher";
const QString kWatcherPath = "/StatusNotifierWatcher";

// The host side of the protocol, as far as a player needs it: the items
// register here, and a host is said to be there to show them.
class StatusNotifierWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    QStringList items() const { return m_items; }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString& service)
    {
        m_items << service;
        emit StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    QStringList m_items;
};

int runWatcher(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    StatusNotifierWatcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(kWatcherPath, &watcher,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerService(kWatcherService))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

// The services of the icons registered so far, in the order they came.
QStringList registeredIcons()
{
    QDBusInterface watcher(kWatcherService, kWatcherPath, kWatcherService, QDBusConnection::sessionBus());
    return watcher.property("RegisteredStatusNotifierItems").toStringList();
}

// A left click as such a host passes it on: one Activate call, from the
// host's own connection.
void clickIcon(const QString& service)
{
    static QDBusConnection host = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "host");
    QDBusMessage click = QDBusMessage::createMethodCall(service, "/StatusNotifierItem", "org.kde.StatusNotifierItem",
                                                        "Activate");
    click << 10 << 10;
    host.asyncCall(click);
}

template <typename Pred> bool eventually(Pred done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000)
        runEventsFor(20);
    return done();
}

using StatusNotifierTest = ReadyPlayerFixture;

TEST_F(StatusNotifierTest, ClickOnTheMainIconBringsTheWindowBack)
{
    ASSERT_TRUE(form->TrayIcon->Visible()) << "the host took the icon";
    EXPECT_FALSE(TTrayIcon::HostSendsDoubleClicks());
    QStringList icons;
    ASSERT_TRUE(eventually([&] { return (icons = registeredIcons()).size() >= 3; }));
    // Registered in the order they were shown: main, previous, next.
    const QString mainIcon = icons[icons.size() - 3], nextIcon = icons[icons.size() - 1];

    form->show();
    runEventsFor(200);
    form->TrayClick();
    runEventsFor(100);
    ASSERT_FALSE(form->isVisible()) << "hidden to the tray";
    clickIcon(mainIcon);
    EXPECT_TRUE(eventually([&] { return form->isVisible(); })) << "one click shows the window again";

    // The small icons keep their one step per click.
    RegistryKey entries(store(), kPlaylistKeyPath);
    for (int i = 1; i <= 3; ++i)
        entries.writeString(QString::number(i), QString("/music/t%1.mp3").arg(i));
    settings().writeInteger("LastPlItem", 3);
    form->Playback.CurrentIndex = 1;
    clickIcon(nextIcon);
    EXPECT_TRUE(eventually([&] { return form->Playback.CurrentIndex == 2; }));
    runEventsFor(200);
    EXPECT_EQ(form->Playback.CurrentIndex, 2);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--status-notifier-watcher") == 0)
        return runWatcher(argc, argv);

    QProcess xvfb, bus, watcher;
    if (!startOwnDisplay(xvfb)) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    QTemporaryDir busDir;
    const QString socket = busDir.filePath("bus");
    if (!startAndWait(bus, "dbus-daemon", {"--session", "--nofork", "--address=unix:path=" + socket},
                      [&] { return QFile::exists(socket); })) {
        std::fprintf(stderr, "no session bus\n");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", QFile::encodeName("unix:path=" + socket));
    watcher.start(QString::fromLocal8Bit(argv[0]), {"--status-notifier-watcher"});
    if (!watcher.waitForReadyRead(10000) || !watcher.readAll().startsWith("ready")) {
        std::fprintf(stderr, "the host did not start\n");
        return 1;
    }
    int rc = 1;
    {
        TApplication app(argc, argv);
        if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            std::fprintf(stderr, "Qt sees no notification area\n");
        } else {
            ::testing::InitGoogleTest(&argc, argv);
            rc = RUN_ALL_TESTS();
        }
    }
    for (QProcess* p : {&watcher, &bus, &xvfb}) {
        p->terminate();
        p->waitForFinished();
    }
    return rc;
}

#include "sni_test.moc"
