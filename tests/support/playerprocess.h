// A player run as a process of its own, as a user starts it, and the small
// X tools that look at its windows.
#pragma once

#include "platform/paths.h"
#include "settings/registry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

// The output of a small X tool, read as UTF-8.
inline QString xtool(const QString& program, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The top-level windows of process `pid` that are `size` large.
inline QStringList windowsOf(qint64 pid, const QString& size)
{
    QStringList found;
    static const QRegularExpression line(R"(^\s*(0x[0-9a-f]+) .*\s(\d+x\d+)\+)");
    for (const QString& l : xtool("xwininfo", {"-root", "-children"}).split('\n')) {
        const QRegularExpressionMatch m = line.match(l);
        if (m.hasMatch() && m.captured(2) == size &&
            xtool("xprop", {"-id", m.captured(1), "_NET_WM_PID"}).contains(" = " + QString::number(pid)))
            found << m.captured(1);
    }
    return found;
}

// A player process's folders under `dir`, past its first run.
inline QProcessEnvironment playerEnvironment(const QTemporaryDir& dir)
{
    vimbo::RegistryKey(vimbo::RegistryDatabase::open(dir.filePath("config/") + vimbo::kRegistryFileName), vimbo::kSettingsKeyPath)
        .writeString("FirstRun2", "no");
    QDir().mkpath(dir.filePath("run"));
    QFile::setPermissions(dir.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VIMBO_CONFIG_DIR", dir.filePath("config"));
    env.insert("VIMBO_DATA_DIR", dir.filePath("data"));
    env.insert("VIMBO_PROGRAM_DIR", dir.filePath("program"));
    env.insert("XDG_RUNTIME_DIR", dir.filePath("run"));
    env.insert("VIMBO_NP_PORT", "0");
    return env;
}
