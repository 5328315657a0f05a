#include "platform/errors.h"
#include "shell/embeddedfiles.h"
#include "shell/includedata.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace vimbo;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray le32(qint32 v)
{
    QByteArray b(4, 0);
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray bytesOf(const TIncludedData& d)
{
    return QByteArray(d.data(), d.size());
}

TEST(IncludedData, WriteThenReadGivesTheSameBytes)
{
    const QByteArray cases[] = {QByteArray(), QByteArray(1, '\0'), QByteArray("MZ\x90\x00", 4),
                                QByteArray(70000, '\xAB')};
    for (const QByteArray& original : cases) {
        SCOPED_TRACE(original.size());
        TIncludedData source;
        source.SetData(qint32(original.size()), original.constData());
        EXPECT_EQ(source.IsEmpty(), original.isEmpty());
        EXPECT_EQ(source.HasData(), !original.isEmpty());

        QBuffer stream;
        stream.open(QIODevice::ReadWrite);
        source.WriteData(stream);
        EXPECT_EQ(stream.data(), le32(qint32(original.size())) + original);

        TIncludedData copy;
        copy.SetData(3, "old");
        stream.seek(0);
        copy.ReadData(stream);
        EXPECT_EQ(copy.size(), original.size());
        EXPECT_EQ(bytesOf(copy), original);
        EXPECT_TRUE(stream.atEnd());
    }
}

TEST(IncludedData, ZeroOrNegativeCountReadsEmptyAndConsumesOnlyTheCount)
{
    for (qint32 count : {0, -5}) {
        QBuffer stream;
        stream.setData(le32(count) + "next");
        stream.open(QIODevice::ReadOnly);
        TIncludedData d;
        d.SetData(2, "xy");
        d.ReadData(stream);
        EXPECT_TRUE(d.IsEmpty());
        EXPECT_EQ(d.data(), nullptr);
        EXPECT_EQ(stream.pos(), 4);
    }
    TIncludedData d;
    d.SetData(-1, "ignored");
    EXPECT_TRUE(d.IsEmpty());
}

TEST(IncludedData, CountBeyondTheStreamIsARefusedReadNotAnAllocation)
{
    for (qint32 count : {10, 0x7fffffff}) {
        QBuffer stream;
        stream.setData(le32(count) + "short");
        stream.open(QIODevice::ReadOnly);
        TIncludedData d;
        EXPECT_THROW(d.ReadData(stream), EReadError);
        EXPECT_TRUE(d.IsEmpty());
    }
    QBuffer tooShortForCount;
    tooShortForCount.setData("\x01\x00", 2);
    tooShortForCount.open(QIODevice::ReadOnly);
    TIncludedData d;
    EXPECT_THROW(d.ReadData(tooShortForCount), EReadError);
}

TEST(IncludedData, AssignCopiesClearsOrRefuses)
{
    TIncludedData a;
    a.SetData(3, "abc");
    TIncludedData b;
    b.Assign(&a);
    EXPECT_EQ(bytesOf(b), "abc");
    EXPECT_NE(b.data(), a.data()); // a copy, not a share
    b.Assign(&b);
    EXPECT_EQ(bytesOf(b), "abc");
    b.Assign(nullptr);
    EXPECT_TRUE(b.IsEmpty());

    struct TOther : TPersistent
    {
        const char* className() const override { return "TOther"; }
    } other;
    try {
        a.Assign(&other);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), "Cannot assign a TOther to a TIncludedData");
    }
}

TEST(IncludedData, LoadFromFile)
{
    QTemporaryDir dir;
    TIncludedData d;
    d.SetData(1, "x");
    d.LoadFromFile(dir.filePath("missing.bin"));
    EXPECT_TRUE(d.IsEmpty());

    QFile f(dir.filePath("file.bin"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x00\x01\x02payload", 10);
    f.close();
    d.LoadFromFile(f.fileName());
    EXPECT_EQ(bytesOf(d), QByteArray("\x00\x01\x02payload", 10));
}

TEST(IncludeData, PropertyEnvelopeIsByteExact)
{
    TIncludeData component;
    QBuffer empty;
    empty.open(QIODevice::ReadWrite);
    component.WriteProperties(empty);
    EXPECT_EQ(empty.data(), QByteArray(1, '\0')) << "an empty object stores no property";

    component.IncludedData.SetData(5, "hello");
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    component.WriteProperties(stream);
    const QByteArray expected = QByteArray(1, char(17)) + "IncludedData.Data" + QByteArray(1, char(10)) +
                                le32(9) + le32(5) + "hello" + QByteArray(1, '\0');
    EXPECT_EQ(stream.data(), expected);

    TIncludeData read;
    stream.seek(0);
    read.ReadProperties(stream);
    EXPECT_EQ(bytesOf(read.IncludedData), "hello");

    TIncludeData stillEmpty;
    empty.seek(0);
    stillEmpty.ReadProperties(empty);
    EXPECT_TRUE(stillEmpty.IncludedData.IsEmpty());

    auto copy = component.GetStream();
    EXPECT_EQ(copy->pos(), 0);
    EXPECT_EQ(copy->readAll(), "hello");
}

TEST(IncludeData, DamagedPropertyListsAreRefused)
{
    const QByteArray name = QByteArray(1, char(17)) + "IncludedData.Data";
    const struct
    {
        const char* why;
        QByteArray stream;
    } cases[] = {
        {"unknown property", QByteArray(1, char(4)) + "Left" + QByteArray(1, char(10)) + le32(4) + le32(0)},
        {"not a binary value", name + QByteArray(1, char(2)) + le32(4) + le32(0) + QByteArray(1, '\0')},
        {"envelope longer than payload", name + QByteArray(1, char(10)) + le32(50) + le32(1) + "x" +
                                             QByteArray(1, '\0')},
        {"truncated payload", name + QByteArray(1, char(10)) + le32(104) + le32(100) + "abc"},
        {"no end of list", name + QByteArray(1, char(10)) + le32(5) + le32(1) + "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        QBuffer stream;
        stream.setData(c.stream);
        stream.open(QIODevice::ReadOnly);
        TIncludeData component;
        EXPECT_THROW(component.ReadProperties(stream), EReadError);
    }
}

TEST(EmbeddedFiles, ExecutableCarriesTheLibraryAndBothFonts)
{
    const EmbeddedFiles files = EmbeddedFiles::fromExecutable();
    const auto bytes = [](const TIncludeData& c) { return QByteArray(c.GetData(), c.GetSize()); };
    EXPECT_EQ(bytes(files.DecoderData), readFile(VIMBO_DECODER_LIBRARY));
    EXPECT_EQ(bytes(files.FontData1), readFile(VIMBO_ASSETS "/fonts/Vimbo_font1.ttf"));
    EXPECT_EQ(bytes(files.FontData2), readFile(VIMBO_ASSETS "/fonts/Vimbo_font2.ttf"));
    EXPECT_GT(files.DecoderData.GetSize(), 1000);

    // What is read back writes out as the same resource stream.
    QFile resource(":/vimbo/TVimboForm.res");
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    QBuffer again;
    again.open(QIODevice::ReadWrite);
    files.write(again);
    EXPECT_EQ(again.data(), resource.readAll());
}

TEST(EmbeddedFiles, WrittenOnceAndNeverReplaced)
{
    QTemporaryDir dir;
    TIncludeData component;
    component.IncludedData.SetData(4, "new!");
    const QString path = dir.filePath("Fonts/Vimbo_font1.ttf");

    EXPECT_TRUE(writeEmbeddedFileIfMissing(component, path));
    EXPECT_EQ(readFile(path), "new!");

    QFile other(path);
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("someone else's file");
    other.close();
    EXPECT_FALSE(writeEmbeddedFileIfMissing(component, path));
    EXPECT_EQ(readFile(path), "someone else's file");

    // A plain file where the folder should be: the write fails with its own error.
    QFile blocker(dir.filePath("blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    try {
        writeEmbeddedFileIfMissing(component, dir.filePath("blocked/mp3dec.dll"));
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_TRUE(e.message().startsWith("Cannot create file \"" + dir.filePath("blocked/mp3dec.dll")))
            << e.what();
    }
}

} // namespace
