// The tag reader on tags built byte by byte: each version's frame layout,
// the four text encodings, unsynchronisation, and tags that lie about sizes.
#include "playlist/id3tags.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vimbo;

namespace {

// A literal's bytes, zeros included.
template <std::size_t N>
QByteArray b(const char (&s)[N])
{
    return QByteArray(s, N - 1);
}

QByteArray bytes(std::initializer_list<char> list)
{
    return QByteArray(list.begin(), qsizetype(list.size()));
}

QByteArray syncSafe(quint32 v)
{
    return bytes({char(v >> 21 & 0x7F), char(v >> 14 & 0x7F), char(v >> 7 & 0x7F), char(v & 0x7F)});
}

QByteArray bigEndian(quint32 v, int bytes)
{
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out += char(v >> (8 * i) & 0xFF);
    return out;
}

QByteArray frame(int version, const QByteArray& id, const QByteArray& data, quint16 flags = 0)
{
    if (version == 2)
        return id + bigEndian(data.size(), 3) + data;
    const QByteArray size = version == 3 ? bigEndian(data.size(), 4) : syncSafe(data.size());
    return id + size + bigEndian(flags, 2) + data;
}

QByteArray tag(int version, const QByteArray& frames, char flags = 0, int padding = 16)
{
    const QByteArray body = frames + QByteArray(padding, '\0');
    return "ID3" + bytes({char(version), 0, flags}) + syncSafe(body.size()) + body;
}

QByteArray utf16le(const QString& s)
{
    return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}

QByteArray id3v1(const QByteArray& title, const QByteArray& artist)
{
    QByteArray t = "TAG" + title.leftJustified(30, '\0', true) + artist.leftJustified(30, ' ', true);
    return t.leftJustified(128, '\0');
}

TEST(Id3Tags, ReadsEachVersionAndEncoding)
{
    const struct
    {
        const char* name;
        QByteArray head, tail;
        QString title, artist;
    } cases[] = {
        {"2.3, Latin-1", tag(3, frame(3, "TIT2", b("\0Caf\xe9 Song")) + frame(3, "TPE1", b("\0Band"))), {},
         "Café Song", "Band"},
        {"2.3, UTF-16 with a byte-order mark",
         tag(3, frame(3, "TIT2", b("\x01\xff\xfe") + utf16le("Ünïcode") + b("\0\0"))), {}, "Ünïcode", ""},
        {"2.4, UTF-16 big-endian", tag(4, frame(4, "TIT2", b("\x02\0B\0E"))), {}, "BE", ""},
        {"2.4, UTF-8, the first of several values", tag(4, frame(4, "TIT2", b("\x03Tit\xc3\xa9l\0Other"))), {},
         "Titél", ""},
        {"2.2, three-letter ids", tag(2, frame(2, "TT2", b("\0Old")) + frame(2, "TP1", b("\0Who"))), {}, "Old", "Who"},
        {"2.4, a data length indicator and an unsynchronised frame",
         tag(4, frame(4, "TIT2", syncSafe(3) + b("\0\xff\x00\xe9"), 0x0003)), {}, "\u00ff\u00e9", ""},
        {"2.3, a whole tag unsynchronised (sizes count the bytes before)",
         tag(3, frame(3, "TIT2", b("\0A\xff" "B")).replace(b("\xff"), b("\xff\0")) + frame(3, "TPE1", b("\0Z")),
             char(0x80)),
         {}, "A\u00ffB", "Z"},
        {"other frames first, then the title", tag(3, frame(3, "TALB", b("\0Album")) + frame(3, "TIT2", b("\0T"))), {},
         "T", ""},
        {"ID3v1 only", {}, id3v1("Old Title", "Old Artist"), "Old Title", "Old Artist"},
        {"ID3v1 fills what ID3v2 lacks", tag(3, frame(3, "TIT2", b("\0New"))), id3v1("Old Title", "Old Artist"), "New",
         "Old Artist"},
        {"no tag", QByteArray(200, 'x'), QByteArray(128, 'y'), "", ""},
    };
    for (const auto& c : cases) {
        const Id3Tags tags = ParseId3Tags(c.head, c.tail);
        EXPECT_EQ(tags.title, c.title) << c.name;
        EXPECT_EQ(tags.artist, c.artist) << c.name;
    }
}

TEST(Id3Tags, SizesThatOverrunTheTagReadNothingPastIt)
{
    const QByteArray good = frame(3, "TPE1", b("\0Band"));
    const struct
    {
        const char* name;
        QByteArray head;
    } cases[] = {
        {"a frame longer than the tag", tag(3, "TIT2" + bigEndian(0x7FFFFFF0, 4) + QByteArray(2, '\0') + b("\0X") + good, 0, 0)},
        {"a tag longer than the file", b("ID3\x03\0\0") + syncSafe(0x0FFFFFFF) + good.left(8)},
        {"an extended header longer than the tag", tag(3, bigEndian(0x10000, 4) + good, 0x40)},
        {"a header cut short", QByteArray("ID3\x03\0", 5)},
        {"an invalid sync-safe size", b("ID3\x04\0\0\x80\0\0\0") + good},
        {"an unknown version", tag(9, good)},
    };
    for (const auto& c : cases) {
        const Id3Tags tags = ParseId3Tags(c.head, {});
        EXPECT_TRUE(tags.title.isEmpty()) << c.name;
        EXPECT_TRUE(tags.artist.isEmpty() || tags.artist == "Band") << c.name;
    }
}

TEST(Id3Tags, ReadsAFileOnDisk)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("a.mp3"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(tag(3, frame(3, "TIT2", b("\0On Disk"))));
    file.write(QByteArray(5000, '\x55')); // the audio
    file.write(id3v1("", "Tail Artist"));
    file.close();
    const Id3Tags tags = ReadId3Tags(file.fileName());
    EXPECT_EQ(tags.title, "On Disk");
    EXPECT_EQ(tags.artist, "Tail Artist");
    EXPECT_TRUE(ReadId3Tags(dir.filePath("missing.mp3")).title.isEmpty());
}

} // namespace
