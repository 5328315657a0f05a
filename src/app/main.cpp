// Program entry: one player per user. A second start hands its file to the
// running player and ends.

#include "app/application.h"
#include "app/messages.h"
#include "app/startupscherm.h"
#include "app/vimboform.h"
#include "platform/errors.h"
#include "platform/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <ctime>

using namespace vimbo;

namespace {

// Wayland lets no program place its own window or cut its visible shape, and
// a skinned player needs both: run through XWayland where it is there.
void preferX11OnWayland()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

// For bench/: when VIMBO_BENCH_SHOWN_FILE is set, writes the milliseconds
// from VIMBO_BENCH_T0_NS (CLOCK_REALTIME of the launch) to the first paint
// of the main window into that file, then quits.
class ShownReporter : public QObject
{
public:
    // Set once the report is written: a paint during start-up's own event
    // turns (before the main loop runs) cannot quit a loop that is not there.
    static inline bool reported = false;

    static void installOn(QWidget* window)
    {
        if (!qEnvironmentVariableIsEmpty("VIMBO_BENCH_SHOWN_FILE"))
            qApp->installEventFilter(new ShownReporter(window));
    }

protected:
    // The first paint of the window or of anything in it (the skin's picture
    // covers the window itself).
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == m_window) {
            timespec now{};
            clock_gettime(CLOCK_REALTIME, &now);
            const qint64 t0 = qEnvironmentVariable("VIMBO_BENCH_T0_NS").toLongLong();
            const double ms = (qint64(now.tv_sec) * 1000000000 + now.tv_nsec - t0) / 1e6;
            QFile out(qEnvironmentVariable("VIMBO_BENCH_SHOWN_FILE"));
            if (out.open(QIODevice::WriteOnly))
                out.write(QByteArray::number(ms, 'f', 2) + '\n');
            qApp->removeEventFilter(this);
            reported = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    explicit ShownReporter(QWidget* window) : QObject(window), m_window(window) {}
    QWidget* m_window;
};

// A file named relative to the folder the player was started in goes on by
// its full path: the running player, and every later start, works elsewhere.
QString passedPath(const QString& argument)
{
    if (argument.isEmpty() || !QDir::isRelativePath(argument))
        return argument;
    return QDir::cleanPath(QDir::current().absoluteFilePath(argument));
}

int handOver(RegistryKey settings, SingleInstance& instance, const QString& argument)
{
    try {
        settings.writeString(QStringLiteral("Opened"), argument);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vimbo: %s\n", e.what());
        return 1;
    }
    // The running player takes the file in before we go on, as a synchronous
    // message would; a player stuck for two minutes is given up on.
    if (!argument.isEmpty() && !instance.sendOpenFile(argument, 120000))
        std::fprintf(stderr, "vimbo: the running player did not answer\n");
    instance.sendActivate(5000);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    preferX11OnWayland();
    TApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vimbo"));
    QGuiApplication::setDesktopFileName(QStringLiteral("vimbo"));
    QGuiApplication::setQuitOnLastWindowClosed(true);

    StartupOptions options;
    options.folders = PlayerFolders::fromEnvironment();
    options.firstArgument = passedPath(QCoreApplication::arguments().value(1));
    options.imageServerPort = TNpImageServer::configuredPort();

    SingleInstance instance(options.folders.runtime);
    const SingleInstance::Role role = instance.claim();

    std::shared_ptr<RegistryDatabase> store;
    try {
        store = RegistryDatabase::open(options.folders.config + kRegistryFileName);
    } catch (const EStoreUnavailable& e) {
        std::fprintf(stderr, "vimbo: %s\n", e.what());
        showErrorMessage(nullptr, e.message());
        return 1;
    }

    if (role == SingleInstance::Role::Second)
        return handOver(RegistryKey(store, kSettingsKeyPath), instance, options.firstArgument);

    TVimboForm form(options, store);
    instance.onOpenFile = [&form](const QString& path) { form.OpenFileMessage(path); };
    instance.onActivate = [&form] { form.BringToFront(); };
    form.FormCreate();
    TStartupScherm startupScherm; // made with the windows, never shown
    if (form.TerminateRequested())
        return 1;
    ShownReporter::installOn(&form);
    form.show();
    if (ShownReporter::reported)
        return 0;
    instance.startServing();
    return app.exec();
}
