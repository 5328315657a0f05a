// Short audio files made for a test with sox and lame.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

inline bool runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " " << args.join(' ').toStdString() << ": "
                      << p.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

// A stereo 44.1 kHz 16-bit WAV of sine tones (mixed) lasting `seconds`.
inline QString makeToneWav(const QString& path, double seconds, const QList<int>& frequencies)
{
    QStringList args{"-n", "-r", "44100", "-c", "2", "-b", "16", path, "synth", QString::number(seconds)};
    for (int f : frequencies)
        args << "sine" << QString::number(f);
    // Several sines go to one channel each; mix them down and spread them again.
    args << "remix" << "-" << "channels" << "2" << "vol" << "0.4";
    runTool("sox", args);
    return path;
}

inline QString makeMp3(const QString& wav, const QString& mp3)
{
    runTool("lame", {"--quiet", "-b", "128", wav, mp3});
    return mp3;
}
