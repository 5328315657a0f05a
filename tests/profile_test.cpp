#include "platform/profile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vimbo;

namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& content)
{
    const QString path = dir.filePath("test.ssk");
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

    ASSERT_TRUE(ini.writeInteger("PlayBtn", "Left", 12));
    expected += "\r\n[PlayBtn]\r\nLeft=12\r\n";
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

    ProfileFile nowhere(dir.filePath("no/such/folder/x.ini"));
    EXPECT_FALSE(nowhere.writeString("A", "B", "C"));
    EXPECT_FALSE(QFile::exists(dir.filePath("no")));
}

} // namespace
