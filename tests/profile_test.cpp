#include "platform/profile.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vimbo;

namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& content, const QString& name = "test.ssk")
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ProfileFile, ReadsLikeThePrivateProfileFunctions)
{
    QTemporaryDir dir;
    const ProfileFile ini(writeFile(dir, "; a skin\r\n"
                                         "[Colors]\r\n"
                                         "  Background =  #102030  \r\n"
                                         "Text=\"  quoted  \"\r\n"
                                         "background=#FFFFFF\r\n"
                                         "no equals sign\r\n"
                                         "=no key\r\n"
                                         "[ TimeLabel ]\r\n"
                                         "Left=$1F\r\n"
                                         "Top=0x10\r\n"
                                         "Width=-25\r\n"
                                         "Height=12px\r\n"
                                         "[colors]\r\n"
                                         "Border=#000000\r\n"));
    const struct
    {
        const char* section;
        const char* key;
        const char* expected;
    } strings[] = {
        {"Colors", "Background", "#102030"}, {"COLORS", "background", "#102030"}, // first match wins
        {"Colors", "Text", "  quoted  "},    {"timelabel", "LEFT", "$1F"},
        {"Colors", "Border", "<default>"}, // only the first section of a name is read
        {"Colors", "Missing", "<default>"},  {"Nowhere", "Left", "<default>"},
    };
    for (const auto& c : strings) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(ini.readString(c.section, c.key, "<default>"), c.expected);
    }
    EXPECT_EQ(ini.readInteger("TimeLabel", "Left", 7), 31);
    EXPECT_EQ(ini.readInteger("TimeLabel", "Top", 7), 16);
    EXPECT_EQ(ini.readInteger("TimeLabel", "Width", 7), -25);
    EXPECT_EQ(ini.readInteger("TimeLabel", "Height", 7), 7);
    EXPECT_EQ(ini.readInteger("TimeLabel", "Font", 7), 7);
    EXPECT_EQ(ini.sections(), (QStringList{"Colors", "TimeLabel"}));
    EXPECT_EQ(ini.keys("colors"), (QStringList{"Background", "Text"}));

    const ProfileFile missing(dir.filePath("none.ini"));
    EXPECT_FALSE(missing.exists());
    EXPECT_EQ(missing.readInteger("A", "B", 3), 3);
}

TEST(ProfileFile, IntegerText)
{
    const struct
    {
        const char* text;
        std::optional<qint32> expected;
    } cases[] = {
        {"0", 0},         {"42", 42},           {"-42", -42},         {"+7", 7},
        {"$ff", 255},     {"0XFF", 255},        {"-$10", -16},        {"$FFFFFFFF", -1},
        {"2147483647", 2147483647}, {"-2147483648", qint32(-2147483647 - 1)},
        {"2147483648", std::nullopt}, {"$100000000", std::nullopt}, {"", std::nullopt},
        {"12px", std::nullopt}, {"$", std::nullopt}, {"0x", std::nullopt}, {"--1", std::nullopt},
        {"1.5", std::nullopt},  {"$-1", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ProfileFile::parseInteger(c.text), c.expected);
    }
}

TEST(ProfileFile, WriteChangesOneLineAndKeepsEveryOtherByte)
{
    QTemporaryDir dir;
    // CRLF breaks, a comment, odd spacing and a Latin-1 byte must all survive.
    const QByteArray original = "; made by hand\r\n"
                                "[Colors]\r\n"
                                "Background = #102030 ; trailing\r\n"
                                "Caf\xE9=yes\r\n"
                                "\r\n"
                                "[Images]\r\n"
                                "Skin=blue.bmp\r\n";
    const QString path = writeFile(dir, original);
    ProfileFile ini(path);

    ASSERT_TRUE(ini.writeString("COLORS", "background", "#AABBCC"));
    QByteArray expected = original;
    expected.replace("Background = #102030 ; trailing", "Background=#AABBCC");
    EXPECT_EQ(readFile(path), expected);

    ASSERT_TRUE(ini.writeString("Colors", "Text", "#FFFFFF"));
    expected.replace("Caf\xE9=yes\r\n", "Caf\xE9=yes\r\nText=#FFFFFF\r\n");
    EXPECT_EQ(readFile(path), expected);

    // A new section follows the last line directly, as the profile functions add it.
    ASSERT_TRUE(ini.writeInteger("PlayBtn", "Left", 12));
    expected += "[PlayBtn]\r\nLeft=12\r\n";
    EXPECT_EQ(readFile(path), expected);

    ASSERT_TRUE(ini.deleteKey("images", "skin"));
    expected.replace("Skin=blue.bmp\r\n", "");
    EXPECT_EQ(readFile(path), expected);

    // A fresh reader sees what was written.
    const ProfileFile again(path);
    EXPECT_EQ(again.readString("Colors", "Background"), "#AABBCC");
    EXPECT_EQ(again.readString("Colors", QString::fromLatin1("Caf\xE9")), "yes");
    EXPECT_EQ(again.readInteger("playbtn", "left", 0), 12);
}

QByteArray utf16(bool little, const char16_t* text)
{
    QStringEncoder encoder(little ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE);
    const QByteArray bytes = encoder.encode(QString::fromUtf16(text));
    return QByteArray(little ? "\xFF\xFE" : "\xFE\xFF") + bytes;
}

// Files as editors on either system leave them: each row is read, then
// written once, and must give the value and exactly the bytes expected.
TEST(ProfileFile, EncodingsAndLineBreaksReadAndWriteBack)
{
    const struct
    {
        const char* name;
        QByteArray file;
        QString read;           // [Timers] 120 as read
        QByteArray afterWrite;  // the file once [Timers] 455=new is set
    } rows[] = {
        {"CRLF", "[Timers]\r\n120=one\r\n", "one", "[Timers]\r\n120=one\r\n455=new\r\n"},
        {"LF", "[Timers]\n120=one\n", "one", "[Timers]\n120=one\n455=new\n"},
        {"CR alone", "[Timers]\r120=one\r", "one", "[Timers]\r120=one\r455=new\r"},
        {"no break at the end", "[Timers]\r\n120=one", "one", "[Timers]\r\n120=one\r\n455=new\r\n"},
        {"a lone CR at the end of an LF file", "[Timers]\n120=one\r", "one", "[Timers]\n120=one\r455=new\n"},
        {"UTF-8 mark", "\xEF\xBB\xBF[Timers]\r\n120=caf\xC3\xA9\r\n", QString::fromUtf8("caf\xC3\xA9"),
         "\xEF\xBB\xBF[Timers]\r\n120=caf\xC3\xA9\r\n455=new\r\n"},
        {"Windows-1252", "[Timers]\r\n120=\x93quoted\x94 \x80\r\n", QString::fromUtf8("\u201Cquoted\u201D \u20AC"),
         "[Timers]\r\n120=\x93quoted\x94 \x80\r\n455=new\r\n"},
        {"UTF-16LE", utf16(true, u"[Timers]\r\n120=\u00E9\r\n"), QString::fromUtf8("\xC3\xA9"),
         utf16(true, u"[Timers]\r\n120=\u00E9\r\n455=new\r\n")},
        {"UTF-16BE", utf16(false, u"[Timers]\n120=x\n"), "x", utf16(false, u"[Timers]\n120=x\n455=new\n")},
        {"no file yet", QByteArray(), QString(), "[Timers]\r\n455=new\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        const QString path = dir.filePath("song.sly");
        if (!row.file.isNull())
            writeFile(dir, row.file, "song.sly");
        ProfileFile ini(path);
        EXPECT_EQ(ini.readString("timers", "120"), row.read);
        ASSERT_TRUE(ini.writeString("Timers", "455", "new"));
        EXPECT_EQ(readFile(path), row.afterWrite);
        EXPECT_EQ(ProfileFile(path).readString("Timers", "455"), "new");
    }
}

TEST(ProfileFile, WritesThatTheFileCannotHoldAndDuplicateKeys)
{
    QTemporaryDir dir;
    // An 8-bit file is not turned into UTF-8 behind the user's back.
    const QByteArray latin = "[Timers]\r\n120=caf\xE9\r\n";
    const QString path = writeFile(dir, latin);
    ProfileFile ini(path);
    EXPECT_FALSE(ini.writeString("Timers", "455", QString::fromUtf8("\xE6\xAD\x8C")));
    EXPECT_EQ(readFile(path), latin);
    ASSERT_TRUE(ini.writeString("Timers", "455", QString::fromUtf8("\xE2\x80\x9Cok\xE2\x80\x9D")));
    EXPECT_EQ(readFile(path), latin + "455=\x93ok\x94\r\n");

    // A write that takes away the last byte that cannot be UTF-8 would make
    // the rest read as UTF-8: the file becomes marked UTF-8, each value kept.
    const QString flip = writeFile(dir, "[A]\r\nname=\xC3\xA9t\r\nother=\xF1\r\n", "flip.ini");
    ProfileFile flipping(flip);
    ASSERT_EQ(flipping.readString("A", "name"), QString::fromUtf8("\xC3\x83\xC2\xA9t"));
    ASSERT_TRUE(flipping.writeString("A", "other", "plain"));
    EXPECT_EQ(ProfileFile(flip).readString("A", "name"), QString::fromUtf8("\xC3\x83\xC2\xA9t"));
    EXPECT_EQ(readFile(flip), "\xEF\xBB\xBF[A]\r\nname=\xC3\x83\xC2\xA9t\r\nother=plain\r\n");

    // Deleting a key leaves no copy of it to be read instead.
    const QString dup = writeFile(dir, "[Timers]\r\n120=a\r\n120=b\r\n240=c\r\n[timers]\r\n120=d\r\n", "dup.sly");
    ProfileFile twice(dup);
    ASSERT_TRUE(twice.deleteKey("Timers", "120"));
    EXPECT_FALSE(twice.value("Timers", "120").has_value());
    EXPECT_FALSE(ProfileFile(dup).value("Timers", "120").has_value());
    EXPECT_EQ(readFile(dup), "[Timers]\r\n240=c\r\n[timers]\r\n120=d\r\n");
}

TEST(ProfileFile, HostileNamesAndUnwritableFilesLeaveTheFileAlone)
{
    QTemporaryDir dir;
    const QByteArray original = "[Lyrics]\n10=first line\n";
    const QString path = writeFile(dir, original);
    ProfileFile ini(path);
    EXPECT_FALSE(ini.writeString("Lyrics", "a=b", "x"));
    EXPECT_FALSE(ini.writeString("Lyrics", "", "x"));
    EXPECT_FALSE(ini.writeString("Ly]rics", "k", "x"));
    EXPECT_FALSE(ini.writeString("Lyrics\n[Evil", "k", "x"));
    EXPECT_EQ(readFile(path), original);

    ASSERT_TRUE(ini.writeString("Lyrics", "20", "two\nlines"));
    EXPECT_EQ(readFile(path), original + "20=two lines\n");

    // Several keys in one write: all or, with one that cannot be stored, none.
    EXPECT_FALSE(ini.writeStrings("Element", {{"X", "1"}, {"a=b", "2"}, {"Y", "3"}}));
    EXPECT_EQ(readFile(path), original + "20=two lines\n");
    ASSERT_TRUE(ini.writeStrings("Element", {{"X", "1"}, {"Y", "2"}, {"x", "3"}}));
    EXPECT_EQ(readFile(path), original + "20=two lines\n[Element]\nX=3\nY=2\n");

    // A new key goes after its section's last key, not after a comment that
    // heads the next section; names with blanks around them are the same names.
    const QString commented = writeFile(dir, "[A]\r\nx=1\r\n\r\n; about B\r\n[B]\r\ny=2\r\n", "c.ini");
    ProfileFile c(commented);
    ASSERT_TRUE(c.writeString("A", "z", "3"));
    ASSERT_TRUE(c.writeString(" a ", " Z ", "4"));
    EXPECT_EQ(readFile(commented), "[A]\r\nx=1\r\nz=4\r\n\r\n; about B\r\n[B]\r\ny=2\r\n");

    ProfileFile nowhere(dir.filePath("no/such/folder/x.ini"));
    EXPECT_FALSE(nowhere.writeString("A", "B", "C"));
    EXPECT_FALSE(QFile::exists(dir.filePath("no")));
}

} // namespace
