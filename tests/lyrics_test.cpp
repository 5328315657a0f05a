// Lyric files without a window: LRC reading and writing, the look-up of the
// file attached to a track and the line for a position report.
#include "lyrics/lrc.h"
#include "lyrics/lyrics.h"
#include "platform/profile.h"
#include "support/testfiles.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vimbo;

namespace {

using Lines = QMap<qint32, QString>;

TEST(Lrc, TagsOffsetsHeadersAndEncodings)
{
    const struct
    {
        const char* name;
        QByteArray file;
        Lines expected;
    } rows[] = {
        {"mm:ss", "[00:12]a", {{120, "a"}}},
        {"mm:ss.x", "[00:12.3]a", {{123, "a"}}},
        {"mm:ss.xx, down to the tenth", "[00:12.34]a", {{123, "a"}}},
        {"mm:ss.xxx", "[01:02.345]a", {{623, "a"}}},
        {"hh:mm:ss.xx", "[01:00:01.50]a", {{36015, "a"}}},
        {"mm:ss:xx, the fraction after a colon", "[00:12:50]a", {{125, "a"}}},
        {"several tags on a line", "[00:21.10][00:45.10]Chorus", {{211, "Chorus"}, {451, "Chorus"}}},
        {"a positive offset shows lines earlier", "[offset:+500]\n[00:10.00]a", {{95, "a"}}},
        {"a negative offset shows them later", "[offset:-500]\n[00:10.00]a", {{105, "a"}}},
        {"an offset before the start shows at the start", "[offset:2000]\n[00:01.00]a", {{0, "a"}}},
        {"headers and untimed lines", "[ar:Someone]\n[ti:Song]\n[al:Album]\n[by:me]\n[length:03:20]\n"
                                      "plain text\n[00:01.00]a", {{10, "a"}}},
        {"word tags", "[00:01.00]<00:01.00>Hello <00:01.50>wide <00:02.00>world", {{10, "Hello wide world"}}},
        {"a bracket after the time is text", "[00:01.00][Chorus] la", {{10, "[Chorus] la"}}},
        {"empty timed lines", "[00:01.00]\n[00:02.00]  \n[00:03.00]c", {{30, "c"}}},
        {"BOM and CRLF", "\xEF\xBB\xBF[00:01.00]caf\xC3\xA9\r\n[00:02.00]b\r\n", {{10, QString::fromUtf8("caf\xC3\xA9")}, {20, "b"}}},
        {"CR alone", "[00:01.00]a\r[00:02.00]b\r", {{10, "a"}, {20, "b"}}},
        {"Windows-1252", "[00:01.00]\x93hi\x94 \x80", {{10, QString::fromUtf8("\xE2\x80\x9Chi\xE2\x80\x9D \xE2\x82\xAC")}}},
        {"lines of one time, in file order", "[00:05.00]one\n[00:09.00]x\n[00:05.00]two", {{50, "one / two"}, {90, "x"}}},
        {"not text at all", QByteArray("\x00\xFF[\x01]\x00", 6), {}},
        {"a huge time", "[99999:59.99]far\n[00:01.00]a", {{10, "a"}, {59999999, "far"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ReadLrc(row.file), row.expected);
    }
}

TEST(Lrc, WrittenLinesReadBack)
{
    const QByteArray written = WriteLrc({{5, "early"}, {123, "caf\u00e9"}, {36015, ""}});
    EXPECT_EQ(written, QByteArray("[00:00.50]early\r\n[00:12.30]caf\xC3\xA9\r\n[60:01.50]\r\n"));
    EXPECT_EQ(ReadLrc(written), (Lines{{5, "early"}, {123, QString::fromUtf8("caf\xC3\xA9")}}));
}

class LyricFolder : public ::testing::Test
{
protected:
    QString lyric(const QString& name, const QByteArray& content) { return makeFile(dir, "Lyrics/" + name, content); }
    // The ".sly" files in the order the folder lists them.
    QStringList listed() const
    {
        return QDir(dir.filePath("Lyrics")).entryList({"*.sly"}, QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    }

    QTemporaryDir dir;
    LyricLibrary library{dir.filePath("Lyrics")};
};

TEST_F(LyricFolder, TheFirstAttachedFileGivesExactKeysOnly)
{
    const QString song = "/music/Artist/Song.mp3";
    lyric("a.sly", "[Timers]\r\n120=first\r\n455=second\r\n0121=padded\r\n200=\r\n[Settings]\r\nAttachedTo=" +
                       song.toUtf8() + "\r\n");
    lyric("b.sly", "[Settings]\r\nAttachedTo = " + song.toUtf8() + " \r\n[Timers]\r\n120=other\r\n");
    lyric("c.sly", "[Settings]\r\nAttachedTo=/music/Artist/song.mp3\r\n[Timers]\r\n120=lower\r\n");
    lyric("d.SLY.txt", "[Settings]\r\nAttachedTo=" + song.toUtf8() + "\r\n");
    lyric("unattached.sly", "[Timers]\r\n120=nobody's\r\n");

    library.TrackStarted(song);
    ASSERT_TRUE(library.LyricsActive());
    // No ranking: whichever of the two the folder lists first.
    const QString first = listed().indexOf("a.sly") < listed().indexOf("b.sly") ? "a.sly" : "b.sly";
    EXPECT_EQ(QFileInfo(library.AttachedLyric()).fileName(), first);
    if (first == "a.sly") {
        const struct
        {
            qint32 position;
            const char* line;
        } reports[] = {{120, "first"}, {455, "second"}, {121, ""}, {119, ""}, {200, ""}, {0, ""}};
        for (const auto& r : reports)
            EXPECT_EQ(library.LineAt(r.position), r.line) << r.position;
    } else {
        EXPECT_EQ(library.LineAt(120), "other");
    }

    library.TrackStarted("/music/Artist/song.mp3");
    EXPECT_EQ(library.LineAt(120), "lower") << "the name is compared case by case";
    library.TrackStarted("/music/Artist/SONG.mp3");
    EXPECT_FALSE(library.LyricsActive());
    EXPECT_EQ(library.LineAt(120), "");
    library.TrackStarted("");
    EXPECT_FALSE(library.LyricsActive());
}

TEST_F(LyricFolder, AnLrcBesideTheTrackAndFilesChangedWhilePlaying)
{
    const QString track = makeFile(dir, "music/Song.mp3", "ID3");
    makeFile(dir, "music/Song.lrc", "[ti:Song]\n[00:12.00]beside\n");
    library.TrackStarted(track);
    ASSERT_TRUE(library.LyricsActive());
    EXPECT_EQ(library.LineAt(120), "beside");

    // An attached ".sly" comes first.
    const QString sly = lyric("song.sly", "[Settings]\r\nAttachedTo=" + track.toUtf8() + "\r\n[Timers]\r\n120=attached\r\n");
    library.TrackStarted(track);
    EXPECT_EQ(library.AttachedLyric(), sly);
    EXPECT_EQ(library.LineAt(120), "attached");

    // A line written while the track plays is shown from then on.
    EXPECT_EQ(library.LineAt(300), "");
    ASSERT_TRUE(ProfileFile(sly).writeString("Timers", "300", "added later"));
    EXPECT_EQ(library.LineAt(300), "added later");

    // Re-attached elsewhere: the next start of the track no longer finds it.
    ASSERT_TRUE(ProfileFile(sly).writeString("Settings", "AttachedTo", "/elsewhere.mp3"));
    library.TrackStarted(track);
    EXPECT_EQ(library.LineAt(120), "beside");
}

TEST_F(LyricFolder, HostileFilesNeitherCrashNorHideTheRightOne)
{
    QByteArray noise(256 * 1024, Qt::Uninitialized);
    QRandomGenerator rng(7);
    for (char& c : noise)
        c = char(rng.bounded(256));
    lyric("noise.sly", noise);
    lyric("empty.sly", "");
    QByteArray huge = "[Settings]\r\nAttachedTo=/big.mp3\r\n[Timers]\r\n";
    huge += QByteArray(10 * 1024 * 1024, 'x');
    lyric("huge.sly", huge);
    QByteArray many = "[Settings]\r\nAttachedTo=/many.mp3\r\n[Timers]\r\n";
    for (int key = 0; key < 100000; ++key)
        many += QByteArray::number(key) + "=line " + QByteArray::number(key) + "\r\n";
    lyric("many.sly", many);
    lyric("missing.sly", "[Settings]\r\nAttachedTo=/no/such/file.mp3\r\n");

    library.TrackStarted("/many.mp3");
    EXPECT_EQ(library.LineAt(99999), "line 99999");
    EXPECT_EQ(library.LineAt(100000), "");
    library.TrackStarted("/big.mp3");
    EXPECT_TRUE(library.LyricsActive());
    EXPECT_EQ(library.LineAt(0), "");
    EXPECT_EQ(LyricLibrary::AttachedTo(dir.filePath("Lyrics/noise.sly")).size() < 1024 * 1024, true);
}

TEST_F(LyricFolder, AnLrcIsImportedOnceAndFindsItsTrack)
{
    const QString track = makeFile(dir, "music/Night Song.wav", "RIFF");
    const QString lrc = makeFile(dir, "music/Night Song.lrc", "[00:01.00]one\n[00:00.50]half\n");
    const QString alone = makeFile(dir, "other/Alone.lrc", "[00:01.00]x\n");
    EXPECT_EQ(LyricLibrary::AudioFileBeside(lrc), track);
    EXPECT_EQ(LyricLibrary::AudioFileBeside(alone), "");

    const QString sly = LyricLibrary::ImportLrc(lrc, dir.filePath("Lyrics"), track);
    EXPECT_EQ(sly, dir.filePath("Lyrics/Night Song.sly"));
    QFile f(sly);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "[Timers]\r\n5=half\r\n10=one\r\n[Settings]\r\nAttachedTo=" + track.toUtf8() + "\r\n");
    f.close();
    library.TrackStarted(track);
    EXPECT_EQ(library.AttachedLyric(), sly);
    EXPECT_EQ(library.LineAt(5), "half");

    // A lyric file of that name is kept as it is.
    const QString again = makeFile(dir, "elsewhere/Night Song.lrc", "[00:09.00]new\n");
    EXPECT_EQ(LyricLibrary::ImportLrc(again, dir.filePath("Lyrics"), ""), sly);
    EXPECT_EQ(ProfileFile(sly).readString("Timers", "90"), "");
    // An LRC that cannot be read makes nothing.
    EXPECT_EQ(LyricLibrary::ImportLrc(dir.filePath("gone.lrc"), dir.filePath("Lyrics"), ""), "");
    EXPECT_FALSE(QFile::exists(dir.filePath("Lyrics/gone.sly")));
}

} // namespace
