// BIN/CUE disc images of sine tones, made with sox for a test: they stand in
// for a disc in a drive, read through the same code.
#pragma once

#include "support/audiofixtures.h"

#include <QDir>
#include <QFile>

#include <cmath>
#include <vector>

// One track per tone, `seconds` long, each with a CD-Text title "Tone N";
// `dataTrack` adds a data track after them. Returns the cue sheet's path.
inline QString makeDiscImage(const QString& folder, const QList<int>& tones, int seconds, bool dataTrack = false)
{
    QDir().mkpath(folder);
    const QString bin = folder + "/disc.bin";
    QFile out(bin);
    out.open(QIODevice::WriteOnly);
    QString cue = "TITLE \"Tone Disc\"\nFILE \"disc.bin\" BINARY\n";
    int at = 0; // seconds
    int number = 0;
    const auto track = [&](const char* mode, const QString& title) {
        ++number;
        cue += QString("  TRACK %1 %2\n").arg(number, 2, 10, QLatin1Char('0')).arg(mode);
        if (!title.isEmpty())
            cue += QString("    TITLE \"%1\"\n").arg(title);
        cue += QString("    INDEX 01 %1:%2:00\n").arg(at / 60, 2, 10, QLatin1Char('0')).arg(at % 60, 2, 10, QLatin1Char('0'));
    };
    for (int tone : tones) {
        const QString raw = folder + QString("/tone%1.raw").arg(tone);
        runTool("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", "-e", "signed", "-L", "-t", "raw", raw, "synth",
                        QString::number(seconds), "sine", QString::number(tone), "vol", "0.4"});
        QFile in(raw);
        in.open(QIODevice::ReadOnly);
        out.write(in.readAll());
        QFile::remove(raw);
        track("AUDIO", QString("Tone %1").arg(number + 1));
        at += seconds;
    }
    if (dataTrack) {
        track("MODE1/2352", {});
        out.write(QByteArray(2352 * 75 * 2, '\0'));
    }
    out.close();
    const QString cuePath = folder + "/disc.cue";
    QFile sheet(cuePath);
    sheet.open(QIODevice::WriteOnly);
    sheet.write(cue.toUtf8());
    return cuePath;
}

// The strength of a frequency in 16-bit stereo samples (the left channel),
// by the Goertzel filter.
inline double toneStrength(const int16_t* samples, size_t frames, double frequency, double rate = 44100)
{
    const double k = 2 * std::cos(2 * M_PI * frequency / rate);
    double s1 = 0, s2 = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double s0 = samples[2 * i] / 32768.0 + k * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - k * s1 * s2)) / double(std::max<size_t>(frames, 1));
}

// Which of `tones` sounds in the samples (the strongest), or 0 for silence.
inline int toneHeard(const QByteArray& pcm, const QList<int>& tones)
{
    const auto* samples = reinterpret_cast<const int16_t*>(pcm.constData());
    const size_t frames = size_t(pcm.size()) / 4;
    int best = 0;
    double strongest = 0.01;
    for (int tone : tones) {
        const double s = toneStrength(samples, frames, tone);
        if (s > strongest) {
            strongest = s;
            best = tone;
        }
    }
    return best;
}
