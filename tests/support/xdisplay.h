// A display of the test program's own: Xvfb on the first free number from
// 140 on, started before Qt connects.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QThread>

#include <cstdio>
#include <functional>

// Starts `program` and waits (up to ten seconds) until `ready` holds.
inline bool startAndWait(QProcess& process, const QString& program, const QStringList& args,
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

// Starts Xvfb in `xvfb` and points DISPLAY and Qt at it. False when it did not come up.
inline bool startOwnDisplay(QProcess& xvfb)
{
    int display = 140;
    while (QFile::exists(QString("/tmp/.X%1-lock").arg(display)))
        ++display;
    if (!startAndWait(xvfb, "Xvfb",
                      {QString(":%1").arg(display), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-br"},
                      [&] { return QFile::exists(QString("/tmp/.X11-unix/X%1").arg(display)); }))
        return false;
    qputenv("DISPLAY", QByteArray(":") + QByteArray::number(display));
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}

// Also a tray host (trayer) on it, for tests of hiding in the tray; says on
// stderr what did not start.
inline bool startOwnDisplayWithTray(QProcess& xvfb, QProcess& trayer)
{
    if (!startOwnDisplay(xvfb)) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return false;
    }
    trayer.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120"});
    return true;
}
