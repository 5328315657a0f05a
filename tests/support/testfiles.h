// Small helpers shared by the tests: files in a temporary tree, and running
// the event loop for a while.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Creates `name` (with its folders) under `dir`, holding `content`; returns its path.
inline QString makeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content = {})
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(content);
    return path;
}

inline void runEventsFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}
