// The decoder library, loaded from the file the player writes out, driven
// through its player component, with SDL's dummy or disk audio driver.
#include "playback/mp3decplayer.h"
#include "shell/embeddedfiles.h"
#include "support/audiofixtures.h"
#include "support/qtprint.h"
#include "support/testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <mpg123.h>

#include <cmath>

using namespace vimbo;

namespace {

// Files shared by the tests of one process.
struct Fixtures
{
    QTemporaryDir dir;
    QString library, wav1, mp31, wav3, mp33, twoToneWav, twoToneMp3;

    Fixtures()
    {
        library = dir.filePath("mp3dec.dll");
        writeEmbeddedFileIfMissing(EmbeddedFiles::fromExecutable().DecoderData, library);
        wav1 = makeToneWav(dir.filePath("tone1.wav"), 1.0, {440});
        mp31 = makeMp3(wav1, dir.filePath("tone1.mp3"));
        wav3 = makeToneWav(dir.filePath("tone3.wav"), 3.0, {440});
        mp33 = makeMp3(wav3, dir.filePath("tone3.mp3"));
        twoToneWav = makeToneWav(dir.filePath("two.wav"), 1.5, {3100, 8600});
        twoToneMp3 = makeMp3(twoToneWav, dir.filePath("two.mp3"));
    }
    static Fixtures& get()
    {
        static Fixtures f;
        return f;
    }
};

// A component over the written library whose events are logged as text.
class Harness
{
public:
    explicit Harness(const QString& library = Fixtures::get().library)
    {
        player.Mp3DecPath = library;
        player.OnNotifyPlayerState = [this](auto, int s) { log << QString("state %1").arg(s); };
        player.OnNotifyInputPosition = [this](auto, quint32 o, quint32 r) {
            log << QString("pos %1/%2").arg(o).arg(r);
            offsets << int(o);
            range = r;
        };
        player.OnNotifyInputTimecode = [this](auto, quint8 h, quint8 m, quint8 s, quint8 f) {
            log << QString("time %1:%2:%3.%4").arg(h).arg(m).arg(s).arg(f);
        };
        player.OnNotifyStreamDuration = [this](auto, quint32 d) {
            log << QString("duration %1").arg(d);
        };
        player.OnNotifyStreamParameters = [this](auto, quint32 f, qint16 b, quint8 c) {
            log << QString("params %1 %2 %3").arg(f).arg(b).arg(c);
        };
        player.OnNotifyAck = [this](auto, quint8 c) { log << QString("ack %1").arg(c); };
        player.OnNotifyNack = [this](auto, quint8 c, qint16 e) {
            log << QString("nack %1 %2").arg(c).arg(e);
        };
        player.OnNotifyError = [this](auto, quint8, qint16 code, const QString& m) {
            log << QString("error %1 %2").arg(code).arg(m);
        };
        player.OnNotifyPong = [this](auto, quint32 tag) { log << QString("pong %1").arg(tag); };
        player.OnNotifyCodecEqualizer = [this](auto, const MP3_EqualizerInfo& eq) {
            equalizer = eq;
        };
        player.OnNotifyPlayerEnvironmentString = [this](auto, const QString& n, const QString& v) {
            log << QString("env %1=%2").arg(n, v);
        };
        player.OnNotifyDebug = [this](auto, quint8, quint8, const QString& m) {
            log << "debug " + m;
        };
        player.OnNotifyOutputVolume = [this](auto, quint8 m, quint8 p, quint8 b) {
            log << QString("volume %1 %2 %3").arg(m).arg(p).arg(b);
        };
    }

    // Runs the event loop until a logged line starts with `prefix`.
    bool waitFor(const QString& prefix, int timeoutMs = 10000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            for (qsizetype i = m_seen; i < log.size(); ++i) {
                if (log[i].startsWith(prefix)) {
                    m_seen = i + 1;
                    return true;
                }
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        ADD_FAILURE() << "no '" << prefix.toStdString() << "' in:\n"
                      << log.join('\n').toStdString();
        return false;
    }
    void settle(int ms) { runEventsFor(ms); }

    TMp3DecPlayer player;
    QStringList log;
    QList<int> offsets;
    quint32 range = 0;
    MP3_EqualizerInfo equalizer{};

private:
    qsizetype m_seen = 0;
};

void useDummyAudio()
{
    qputenv("SDL_AUDIODRIVER", "dummy");
}

// Audio written by SDL's disk driver, realtime unless `fast`.
QString useDiskAudio(const QString& file, bool fast)
{
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(file));
    if (fast)
        qputenv("SDL_DISKAUDIODELAY", "0");
    else
        qunsetenv("SDL_DISKAUDIODELAY"); // an earlier test's fast setting must not carry over
    return file;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(Decoder, WholeFileReportsEveryPositionThenItsEnd)
{
    useDummyAudio();
    const struct
    {
        QString file;
        QString params;
    } cases[] = {{Fixtures::get().wav1, "params 44100 1411 2"},
                 {Fixtures::get().mp31, "params 44100 128 2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        Harness h;
        ASSERT_TRUE(h.player.Init());
        EXPECT_EQ(h.player.InputOpen(c.file), 0);
        EXPECT_EQ(h.player.Play(), 0);
        ASSERT_TRUE(h.waitFor("state 3"));
        EXPECT_TRUE(h.log.contains("duration 1"));
        EXPECT_TRUE(h.log.contains(c.params)) << h.log.join('\n').toStdString();
        EXPECT_TRUE(h.log.contains("time 0:0:1.0"));
        EXPECT_EQ(h.range, 10u) << "one unit is a tenth of a second";
        QList<int> expected;
        for (int i = 0; i <= 10; ++i)
            expected << i;
        EXPECT_EQ(h.offsets, expected) << "every offset once, in order";
        // Ordered: the state goes to playing before positions move, ends after the last.
        EXPECT_LT(h.log.indexOf("state 1"), h.log.indexOf("pos 1/10"));
        EXPECT_GT(h.log.indexOf("state 3"), h.log.indexOf("pos 10/10"));
    }
}

TEST(Decoder, PauseSeekResumeStop)
{
    useDummyAudio();
    for (const QString& file : {Fixtures::get().wav3, Fixtures::get().mp33}) {
        SCOPED_TRACE(file.toStdString());
        Harness h;
        h.player.InputOpen(file);
        h.player.Play();
        ASSERT_TRUE(h.waitFor("pos 3/30"));
        h.player.Pause();
        ASSERT_TRUE(h.waitFor("state 2"));
        const int pausedAt = h.offsets.back();
        h.settle(400);
        EXPECT_EQ(h.offsets.back(), pausedAt) << "nothing moves while paused";

        h.player.InputSeek(20, 30);
        ASSERT_TRUE(h.waitFor("pos 20/30"));
        h.player.Play();
        ASSERT_TRUE(h.waitFor("state 1"));
        ASSERT_TRUE(h.waitFor("pos 22/30"));
        EXPECT_TRUE(h.log.contains("pos 21/30")) << "after the jump, every value again";
        h.player.InputSeek(-5, 30); // a drag past the slider's left end
        EXPECT_TRUE(h.waitFor("pos 0/30", 3000)) << "a seek before the start goes to the start";

        h.player.Stop();
        ASSERT_TRUE(h.waitFor("state 0"));
        ASSERT_TRUE(h.waitFor("pos 0/30"));
        h.player.Play();
        ASSERT_TRUE(h.waitFor("pos 1/30"));
        h.player.InputSeek(0, 0); // a range of zero is refused, not divided by
        EXPECT_TRUE(h.waitFor(
            QString("nack %1 %2").arg(MP3_CMD_INPUT_SEEK).arg(MP3DEC_ERR_INVALID_ARGUMENT)));
    }
}

TEST(Decoder, FlatOutputIsTheDecodersOwnPcm)
{
    QTemporaryDir out;
    const QString dump = useDiskAudio(out.filePath("out.raw"), false);
    // libmpg123's own decode of the same file, gapless, 16-bit.
    QByteArray reference;
    {
        mpg123_handle* mh = mpg123_new(nullptr, nullptr);
        mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
        mpg123_format_none(mh);
        mpg123_format(mh, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
        ASSERT_EQ(mpg123_open(mh, QFile::encodeName(Fixtures::get().mp31).constData()), MPG123_OK);
        unsigned char buffer[16384];
        size_t done = 0;
        int rc;
        while ((rc = mpg123_read(mh, buffer, sizeof buffer, &done)) == MPG123_OK ||
               rc == MPG123_NEW_FORMAT || done > 0) {
            reference.append(reinterpret_cast<char*>(buffer), qsizetype(done));
            if (rc == MPG123_DONE)
                break;
        }
        mpg123_close(mh);
        mpg123_delete(mh);
    }
    ASSERT_GT(reference.size(), 44100 * 4 * 9 / 10);

    {
        Harness h;
        h.player.InputOpen(Fixtures::get().mp31);
        h.player.SetOutputVolume(-1, 100, -1);
        h.player.Play();
        ASSERT_TRUE(h.waitFor("state 3"));
        h.settle(100);
    } // the player is gone: the dump is complete
    // The output writes silent buffers until playback starts; skip those.
    QByteArray played = readAll(dump);
    const QByteArray silentBuffer(1024 * 4, '\0');
    while (played.startsWith(silentBuffer) && !reference.startsWith(silentBuffer))
        played.remove(0, silentBuffer.size());
    ASSERT_GE(played.size(), reference.size());
    EXPECT_TRUE(played.startsWith(reference))
        << "first difference at byte "
        << std::mismatch(reference.begin(), reference.end(), played.begin()).first - reference.begin();
}

// Energy of one frequency in the left channel of 16-bit stereo PCM, summed
// over Hann-windowed blocks of the output device's buffer size, so the
// silent buffers a fast disk driver writes between ours add nothing.
double toneEnergy(const QByteArray& pcm, double frequency)
{
    constexpr qsizetype kBlock = 1024;
    const auto* s = reinterpret_cast<const int16_t*>(pcm.constData());
    const qsizetype frames = pcm.size() / 4;
    const double k = 2 * std::cos(2 * M_PI * frequency / 44100);
    double total = 0;
    for (qsizetype start = 0; start + kBlock <= frames; start += kBlock) {
        double s1 = 0, s2 = 0;
        for (qsizetype i = 0; i < kBlock; ++i) {
            const double window = 0.5 - 0.5 * std::cos(2 * M_PI * double(i) / (kBlock - 1));
            const double s0 = window * s[2 * (start + i)] + k * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        total += s1 * s1 + s2 * s2 - k * s1 * s2;
    }
    return total;
}

TEST(Decoder, EqualiserCutLowersItsBandOnly)
{
    for (const QString& file : {Fixtures::get().twoToneWav, Fixtures::get().twoToneMp3}) {
        SCOPED_TRACE(file.toStdString());
        // dB of the 3100 Hz tone (band 4) over the 8600 Hz tone (band 12).
        const auto balance = [&](int band4) {
            QTemporaryDir out;
            const QString dump = useDiskAudio(out.filePath("out.raw"), true);
            {
                Harness h;
                h.player.Init();
                MP3_EqualizerInfo eq{};
                eq.left[4] = eq.right[4] = int8_t(band4);
                h.player.SetCodecEqualizer(&eq);
                h.player.GetCodecEqualizer();
                h.player.InputOpen(file);
                h.player.Play();
                EXPECT_TRUE(h.waitFor("state 3"));
                EXPECT_EQ(h.equalizer.left[4], band4);
            }
            const QByteArray pcm = readAll(dump);
            return 10 * std::log10(toneEnergy(pcm, 3100) / toneEnergy(pcm, 8600));
        };
        const double flat = balance(0);
        const double cut = balance(-80);
        EXPECT_LT(cut, flat - 8) << "flat " << flat << " dB, cut " << cut << " dB";
        EXPECT_GT(cut, flat - 16);
    }
}

// The stretches of sound in 16-bit stereo PCM written by the disk driver:
// runs of its 1024-frame buffers that are not all silent.
QList<QByteArray> soundStretches(const QByteArray& pcm)
{
    constexpr qsizetype kBuffer = 1024 * 4;
    QList<QByteArray> stretches;
    QByteArray current;
    for (qsizetype at = 0; at + kBuffer <= pcm.size(); at += kBuffer) {
        const QByteArray buffer = pcm.mid(at, kBuffer);
        if (buffer.count('\0') == kBuffer) {
            if (!current.isEmpty())
                stretches << std::exchange(current, {});
        } else {
            current += buffer;
        }
    }
    if (!current.isEmpty())
        stretches << current;
    // The start of a stretch is its first sample that is not zero.
    for (QByteArray& s : stretches) {
        qsizetype first = 0;
        while (first + 4 <= s.size() && s.mid(first, 4) == QByteArray(4, '\0'))
            first += 4;
        s.remove(0, first);
    }
    return stretches;
}

// Root mean square of the left channel over frames [from, to).
double rms(const QByteArray& pcm, qsizetype from, qsizetype to)
{
    const auto* s = reinterpret_cast<const int16_t*>(pcm.constData());
    to = std::min(to, pcm.size() / 4);
    double sum = 0;
    for (qsizetype i = from; i < to; ++i)
        sum += double(s[2 * i]) * s[2 * i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

TEST(Decoder, LevelInEffectFromTheFirstSampleAndAfterAPause)
{
    QTemporaryDir out;
    const QString dump = useDiskAudio(out.filePath("out.raw"), false);
    {
        Harness h;
        ASSERT_TRUE(h.player.Init());
        h.player.Ping(1); // a player that has been running a while
        ASSERT_TRUE(h.waitFor("pong 1"));
        // As a track is started: the level follows Play.
        h.player.InputOpen(Fixtures::get().wav3);
        h.player.Play();
        h.player.SetOutputVolume(-1, 50, -1);
        ASSERT_TRUE(h.waitFor("pos 10/30"));
        // A change while paused is heard from the first sample after the pause.
        h.player.Pause();
        ASSERT_TRUE(h.waitFor("state 2"));
        h.settle(200); // a gap of silent buffers
        h.player.SetOutputVolume(-1, 100, -1);
        h.player.Play();
        ASSERT_TRUE(h.waitFor("state 3"));
        h.settle(100);
    }
    const QList<QByteArray> stretches = soundStretches(readAll(dump));
    ASSERT_EQ(stretches.size(), 2);
    const qsizetype tenth = 4410;
    const double quiet = rms(stretches[0], 3 * tenth, 8 * tenth);
    const double loud = rms(stretches[1], 3 * tenth, 8 * tenth);
    EXPECT_NEAR(loud / quiet, 8.0, 0.5) << "levels 50 and 100: gains 1/8 and 1";
    EXPECT_NEAR(rms(stretches[0], 0, tenth) / quiet, 1.0, 0.1) << "the first tenth at the level set";
    EXPECT_NEAR(rms(stretches[1], 0, tenth) / loud, 1.0, 0.1) << "the first tenth after the pause";
}

TEST(Decoder, UnplayableFilesAreReportedWithoutHarm)
{
    useDummyAudio();
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    };
    QByteArray random(30000, 0);
    quint32 seed = 12345;
    for (char& c : random)
        c = char((seed = seed * 1103515245u + 12345u) >> 24);
    const QByteArray wav = readAll(Fixtures::get().wav1);
    QByteArray liar = wav.left(44 + 4000);
    const qsizetype dataAt = liar.indexOf("data");
    liar.replace(dataAt + 4, 4, QByteArray("\x00\x00\x00\x40", 4)); // claims 1 GiB
    QByteArray noChannels = wav;
    noChannels.replace(22, 2, QByteArray(2, '\0'));
    QDir().mkpath(dir.filePath("folder.mp3"));
    // An ID3v2 tag (version 3, its size in four 7-bit bytes) before the audio.
    const auto tagged = [](qint64 size, const QByteArray& rest) {
        QByteArray head("ID3\x03\x00\x00", 6);
        for (int shift : {21, 14, 7, 0})
            head += char((size >> shift) & 0x7F);
        return head + rest;
    };
    const QByteArray mp3 = readAll(Fixtures::get().mp31);

    const struct
    {
        QString path;
        int error;
        bool plays;
    } cases[] = {
        {write("empty.mp3", {}), MP3DEC_ERR_DECODE, false},
        {write("truncated.mp3", readAll(Fixtures::get().mp31).left(300)), MP3DEC_ERR_DECODE, false},
        {write("random.mp3", random), MP3DEC_ERR_DECODE, false},
        {dir.filePath("folder.mp3"), MP3DEC_ERR_OPEN_FAILED, false},
        {dir.filePath("missing.wav"), MP3DEC_ERR_OPEN_FAILED, false},
        {write("nochannels.wav", noChannels), MP3DEC_ERR_OPEN_FAILED, false},
        {write("liar.wav", liar), MP3DEC_ERR_TRUNCATED, true},
        // 4.5 KB claiming a 249 MB tag: libmpg123 would take the 249 MB.
        {write("hugetag.mp3", tagged(249000000, mp3.left(4490))), MP3DEC_ERR_DECODE, false},
    };
    Harness h;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        h.player.InputOpen(c.path);
        h.player.Play();
        ASSERT_TRUE(h.waitFor(QString("error %1 ").arg(c.error)));
        EXPECT_TRUE(h.log.filter("error").last().contains(QFileInfo(c.path).fileName()));
        if (c.plays) {
            EXPECT_TRUE(h.waitFor("state 3"));
        } else {
            EXPECT_TRUE(h.waitFor(QString("nack %1 %2").arg(MP3_CMD_INPUT_OPEN).arg(c.error)));
            EXPECT_TRUE(
                h.waitFor(QString("nack %1 %2").arg(MP3_CMD_PLAY).arg(MP3DEC_ERR_NO_INPUT)));
        }
    }
    EXPECT_TRUE(h.log.filter("error").last().contains("its ID3v2 tag claims 249000010 bytes, more than the file's 4500"));
    // The player still plays a good file afterwards, a tagged one too.
    h.player.InputOpen(write("tagged.mp3", tagged(100, QByteArray(100, '\0') + mp3)));
    h.player.Play();
    EXPECT_TRUE(h.waitFor("duration 1"));
    EXPECT_TRUE(h.waitFor("state 3"));
}

TEST(Decoder, OddCommandsAreAnsweredNotFollowed)
{
    useDummyAudio();
    Harness h;
    ASSERT_TRUE(h.player.Init());
    char garbage[4] = {1, 2, 3, 4};
    const struct
    {
        std::function<int()> send;
        QString answer;
    } cases[] = {
        {[&] { return h.player.InputSendMessage(7, garbage, 1 << 30); }, "nack 10 -5"},
        {[&] { return h.player.SetOutputChannels(1); }, "nack 59 -5"},
        // Levels beyond 0..100 are clamped: a volume dragged below its slider is silence.
        {[&] { return h.player.SetOutputVolume(-1, -19, -1) + h.player.GetOutputVolume(); }, "volume 100 0 50"},
        {[&] { return h.player.SetInputTimecodeGranularity(0); }, "nack 47 -2"},
        {[&] { return h.player.Play(); }, "nack 4 -6"},
        {[&] { return h.player.GetPlayerEnvironmentString("nothing"); }, "nack 39 -11"},
        {[&] { return h.player.SetPlayerEnvironmentString("skin", "blue"); }, "ack 38"},
        {[&] { return h.player.GetPlayerEnvironmentString("skin"); }, "env skin=blue"},
        {[&] { return h.player.Ping(77); }, "pong 77"},
        {[&] { return h.player.SetCodecEqualizer(nullptr); }, "nack 65 -2"},
        // -1 leaves a field as it is.
        {[&] { return h.player.SetOutputVolume(-1, 30, -1) + h.player.GetOutputVolume(); }, "volume 100 30 50"},
        {[&] { return h.player.SetOutputVolume(20, -1, 70) + h.player.GetOutputVolume(); }, "volume 20 30 70"},
        {[&] { return h.player.SetOutputVolume(250, 101, -7) + h.player.GetOutputVolume(); }, "volume 100 100 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer.toStdString());
        c.send();
        EXPECT_TRUE(h.waitFor(c.answer));
    }
    EXPECT_EQ(h.player.ErrorString(MP3DEC_ERR_NOT_SUPPORTED),
              "The command is not supported by this player");
    EXPECT_EQ(h.player.ErrorString(-999), "Unknown error");
}

TEST(Decoder, ComponentLifeCycle)
{
    useDummyAudio();
    {
        Harness absent(QDir::temp().filePath("no-such-folder/mp3dec.dll"));
        EXPECT_EQ(absent.player.GetVersion(0), 0);
        EXPECT_FALSE(absent.player.LibraryLoaded()) << "GetVersion does not load the library";
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                attempt == 0 ? absent.player.Init() : absent.player.Play();
                ADD_FAILURE() << "no error for a missing library";
            } catch (const EMp3DecException& e) {
                EXPECT_EQ(e.message(), "Failure while loading mp3 decoder...");
            }
            EXPECT_FALSE(absent.player.LibraryLoaded());
        }
    }
    {
        Harness lacking(VIMBO_DECODER_WITHOUT_IIII);
        EXPECT_FALSE(lacking.player.Init());
        EXPECT_FALSE(lacking.player.LibraryLoaded()) << "one missing entry unloads the library";
        EXPECT_EQ(lacking.player.Play(), 0);
        EXPECT_EQ(lacking.player.ErrorString(MP3DEC_ERR_DECODE), "");
    }
    const struct
    {
        quint32 before;
        quint32 afterInit;
    } priorities[] = {{3, 4}, {5, 5}}; // 3 is never sent: the library keeps its default 4
    for (const auto& p : priorities) {
        Harness h;
        h.player.SetPriority(p.before);
        EXPECT_EQ(h.player.Priority(), p.before);
        ASSERT_TRUE(h.player.Init());
        EXPECT_EQ(h.player.Priority(), p.afterInit);
        h.player.SetPriority(6);
        EXPECT_EQ(h.player.Priority(), 6u);
        EXPECT_EQ(h.player.GetVersion(0), 1);
    }
}

// Builds a record of `code` whose data area holds `fill`'s values.
MP3_Message record(uint32_t code, const std::function<void(MP3_Message&)>& fill = {})
{
    MP3_Message m{};
    m.code = code;
    if (fill)
        fill(m);
    return m;
}

TEST(Decoder, EveryNotificationCodeRaisesItsEvent)
{
    TMp3DecPlayer p;
    QStringList log;
    const auto on = [&log](const QString& name) {
        return [&log, name](auto, auto... args) {
            QStringList parts{name};
            const auto show = [](const auto& v) {
                if constexpr (std::is_integral_v<std::decay_t<decltype(v)>>)
                    return QString::number(qint64(v));
                else
                    return QString(v);
            };
            (parts << ... << show(args));
            log << parts.join(' ');
        };
    };
    p.OnNotifyReady = [&](auto) { log << "Ready"; };
    p.OnNotifyExited = [&](auto) { log << "Exited"; };
    p.OnNotifyAck = on("Ack");
    p.OnNotifyNack = on("Nack");
    p.OnNotifyPong = on("Pong");
    p.OnNotifyPlayerState = on("PlayerState");
    p.OnNotifyPlayerMode = on("PlayerMode");
    p.OnNotifyPlayerEnvironmentInteger = on("EnvInt");
    p.OnNotifyPlayerEnvironmentString = on("EnvStr");
    p.OnNotifyInputState = on("InputState");
    p.OnNotifyInputName = on("InputName");
    p.OnNotifyInputCaps = on("InputCaps");
    p.OnNotifyInputPosition = on("InputPosition");
    p.OnNotifyInputPositionRange = on("InputRange");
    p.OnNotifyInputTimecode = on("Timecode");
    p.OnNotifyInputTimecodeGranularity = on("Granularity");
    p.OnNotifyInputModule = on("InputModule");
    p.OnNotifyInputModuleInfo = on("InputModuleInfo");
    p.OnNotifyInputDeviceInfo = on("InputDeviceInfo");
    p.OnNotifyInputFilterInfo = on("InputFilterInfo");
    p.OnNotifyOutputState = on("OutputState");
    p.OnNotifyOutputName = on("OutputName");
    p.OnNotifyOutputCaps = on("OutputCaps");
    p.OnNotifyOutputVolume = on("OutputVolume");
    p.OnNotifyOutputBalance = on("Balance");
    p.OnNotifyOutputPcmLevel = on("PcmLevel");
    p.OnNotifyOutputMasterLevel = on("MasterLevel");
    p.OnNotifyOutputChannels = on("Channels");
    p.OnNotifyOutputPorts = on("Ports");
    p.OnNotifyOutputModule = on("OutputModule");
    p.OnNotifyOutputModuleInfo = on("OutputModuleInfo");
    p.OnNotifyOutputDeviceInfo = on("OutputDeviceInfo");
    p.OnNotifyOutputFilterInfo = on("OutputFilterInfo");
    p.OnNotifyStreamMimeType = on("Mime");
    p.OnNotifyStreamDuration = on("Duration");
    p.OnNotifyStreamParameters = on("Parameters");
    p.OnNotifyStreamProperties = [&](auto, quint32 n, const MP3_Property* props) {
        log << QString("Properties %1 %2").arg(n).arg(props ? props[0].name : "null");
    };
    p.OnNotifyCodecModule = on("CodecModule");
    p.OnNotifyCodecModuleInfo = on("CodecModuleInfo");
    p.OnNotifyCodecDeviceInfo = on("CodecDeviceInfo");
    p.OnNotifyCodecQuality = on("Quality");
    p.OnNotifyCodecEqualizer = [&](auto, const MP3_EqualizerInfo& eq) {
        log << QString("Equalizer %1 %2").arg(eq.left[0]).arg(eq.right[31]);
    };
    p.OnNotifyNotificationMask = on("Mask");
    p.OnNotifyDebugLevel = on("DebugLevel");
    p.OnNotifyProgress = on("Progress");
    p.OnNotifyDebug = on("Debug");
    p.OnNotifyError = on("Error");

    const char* a = "alpha";
    const char* b = "beta";
    static MP3_EqualizerInfo eq{};
    eq.left[0] = -80;
    eq.right[31] = 80;
    static const MP3_Property props[] = {{"title", "x"}};
    const auto info = [&](MP3_Message& m) { m.data.module_info = {7, 2, a, b}; };
    const auto device = [&](MP3_Message& m) { m.data.device_info = {1, 2, 3, a, b}; };
    const auto filter = [&](MP3_Message& m) { m.data.filter_info = {a, 9}; };
    const struct
    {
        MP3_Message message;
        QString expected;
    } cases[] = {
        {record(73), "Ready"},
        {record(74, [](auto& m) { m.data.ack.command = 8; }), "Ack 8"},
        {record(75,
                [](auto& m) {
                    m.data.nack = {4, 0, -6};
                }),
         "Nack 4 -6"},
        {record(76, [](auto& m) { m.data.pong.tag = 4000000000u; }), "Pong 4000000000"},
        {record(77), "Exited"},
        {record(78, [](auto& m) { m.data.state.state = 3; }), "PlayerState 3"},
        {record(79, [](auto& m) { m.data.mode.mode = -2; }), "PlayerMode -2"},
        {record(80,
                [&](auto& m) {
                    m.data.environment_integer = {a, 42};
                }),
         "EnvInt alpha 42"},
        {record(81,
                [&](auto& m) {
                    m.data.environment_string = {a, nullptr};
                }),
         "EnvStr alpha "},
        {record(82, [](auto& m) { m.data.state.state = 200; }), "InputState 200"},
        {record(83, [&](auto& m) { m.data.name.name = b; }), "InputName beta"},
        {record(84, [](auto& m) { m.data.caps.caps = 1; }), "InputCaps 1"},
        {record(85,
                [](auto& m) {
                    m.data.position = {300, 400};
                }),
         "InputPosition 300 400"},
        {record(86, [](auto& m) { m.data.range.range = 1000; }), "InputRange 1000"},
        {record(87,
                [](auto& m) {
                    m.data.timecode = {1, 2, 3, 4};
                }),
         "Timecode 1 2 3 4"},
        {record(88, [](auto& m) { m.data.granularity.granularity = 250; }), "Granularity 250"},
        {record(89, [](auto& m) { m.data.module.id = -1; }), "InputModule -1"},
        {record(90, info), "InputModuleInfo 7 2 alpha beta"},
        {record(91, device), "InputDeviceInfo 1 2 3 alpha beta"},
        {record(92, filter), "InputFilterInfo 9 alpha"},
        {record(93, [](auto& m) { m.data.state.state = 1; }), "OutputState 1"},
        {record(94, [&](auto& m) { m.data.name.name = a; }), "OutputName alpha"},
        {record(95, [](auto& m) { m.data.caps.caps = 5; }), "OutputCaps 5"},
        {record(97), ""},
        {record(100,
                [](auto& m) {
                    m.data.volume = {10, 20, 30};
                }),
         "OutputVolume 10 20 30"},
        {record(101,
                [](auto& m) {
                    m.data.volume = {10, 20, 30};
                }),
         "Balance 30"},
        {record(102,
                [](auto& m) {
                    m.data.volume = {10, 20, 30};
                }),
         "PcmLevel 20"},
        {record(103,
                [](auto& m) {
                    m.data.volume = {10, 20, 30};
                }),
         "MasterLevel 10"},
        {record(104, [](auto& m) { m.data.channels.channels = 2; }), "Channels 2"},
        {record(105, [](auto& m) { m.data.ports.ports = 255; }), "Ports 255"},
        {record(106, [](auto& m) { m.data.module.id = 3; }), "OutputModule 3"},
        {record(107, info), "OutputModuleInfo 7 2 alpha beta"},
        {record(108, device), "OutputDeviceInfo 1 2 3 alpha beta"},
        {record(109, filter), "OutputFilterInfo 9 alpha"},
        {record(110, [&](auto& m) { m.data.name.name = a; }), "Mime alpha"},
        {record(111, [](auto& m) { m.data.duration.duration = 245; }), "Duration 245"},
        {record(112,
                [](auto& m) {
                    m.data.stream_parameters = {44100, 128, 2};
                }),
         "Parameters 44100 128 2"},
        {record(113,
                [&](auto& m) {
                    m.data.stream_properties = {1, props};
                }),
         "Properties 1 title"},
        {record(114, [](auto& m) { m.data.quality.quality = 9; }), "Quality 9"},
        {record(115, [&](auto& m) { m.data.equalizer.equalizer = &eq; }), "Equalizer -80 80"},
        {record(116, [](auto& m) { m.data.module.id = 5; }), "CodecModule 5"},
        {record(117, info), "CodecModuleInfo 7 2 alpha beta"},
        {record(118, device), "CodecDeviceInfo 1 2 3 alpha beta"},
        {record(119, [](auto& m) { m.data.mask.mask = 0x3f; }), "Mask 63"},
        {record(120, [](auto& m) { m.data.debug_level.level = 2; }), "DebugLevel 2"},
        {record(121,
                [&](auto& m) {
                    m.data.progress = {1, 2, -3, a};
                }),
         "Progress 1 2 -3 alpha"},
        {record(122,
                [&](auto& m) {
                    m.data.debug = {3, 1, b};
                }),
         "Debug 3 1 beta"},
        {record(123,
                [&](auto& m) {
                    m.data.error = {1, 0, -8, a};
                }),
         "Error 1 -8 alpha"},
        {record(72), ""},
        {record(124), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.code);
        log.clear();
        p.DispatchNotification(c.message);
        EXPECT_EQ(log.join('|'), c.expected);
    }
    // A bitrate comes from the 16-bit field: bytes beyond it do not leak in.
    MP3_Message params = record(112, [](auto& m) { m.data.stream_parameters = {44100, 128, 2}; });
    params.data.raw[7] = 0xFF;
    log.clear();
    p.DispatchNotification(params);
    EXPECT_EQ(log.join('|'), "Parameters 44100 128 2");
}

TEST(Decoder, ForeignWindowMessagesRaiseNothing)
{
    useDummyAudio();
    Harness h;
    ASSERT_TRUE(h.player.Init());
    bool any = false;
    h.player.OnNotifyMessage = [&](auto, MP3_Message&) { any = true; };
    EXPECT_EQ(h.player.NotificationWndProc(0x0010, 0, 0), 0); // a platform message
    EXPECT_EQ(h.player.NotificationWndProc(MP3DEC_NOTIFY_MESSAGE, 1, 0x1234),
              0); // not one the player posted
    EXPECT_EQ(h.player.NotificationWndProc(0x9100, 0, 0), 0);
    EXPECT_FALSE(any);
}

} // namespace
