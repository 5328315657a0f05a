#include "platform/errors.h"
#include "skins/coolform.h"
#include "skins/mask.h"
#include "skins/skinbitmap.h"
#include "skins/skinformat.h"
#include "support/qtprint.h"
#include "support/testfiles.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <climits>

using namespace vimbo;

namespace {

TEST(SkinColors, HtmlNotationBothWays)
{
    EXPECT_EQ(ColorToHtml(255), "#FF0000");
    EXPECT_EQ(ColorToHtml(16711680), "#0000FF");
    EXPECT_EQ(ColorToHtml(5590854), "#464F55");
    EXPECT_EQ(ColorToHtml(0), "#000000");
    EXPECT_EQ(HtmlToColor("#FF0000"), 255u);
    EXPECT_EQ(HtmlToColor("xFF0000"), 255u) << "the first character is not looked at";
    EXPECT_EQ(HtmlToColor("#464f55"), 5590854u);

    const struct
    {
        const char* text;
        const char* message;
        const char* className;
    } errors[] = {
        {"#FF000", "000FF' is not a valid HTML color.", "Exception"},
        {"#FF00000", "0000FF' is not a valid HTML color.", "Exception"},
        {"", "' is not a valid HTML color.", "Exception"},
        {"#GG0000", "'$GG' is not a valid integer value", "EConvertError"},
        {"#00 000", "'$ 0' is not a valid integer value", "EConvertError"},
    };
    for (const auto& e : errors) {
        SCOPED_TRACE(e.text);
        try {
            HtmlToColor(e.text);
            ADD_FAILURE() << "accepted";
        } catch (const EVimboError& error) {
            EXPECT_EQ(error.message(), e.message);
            EXPECT_STREQ(error.className(), e.className);
        }
    }
}

TEST(SkinColors, SectionKeepsWhatItDoesNotSet)
{
    QTemporaryDir dir;
    const ProfileFile skin(makeFile(dir, "x.ssk",
                                    "[colors]\nbackground=5590854\nBorder=$FF\nUnactive=0x10\nActive=None\n"
                                    "Text=blue\nTransparent=16777215\n"));
    SkinColors before;
    before.Active = 7;
    before.Text = 9;
    before.Over = 11;
    const SkinColorSection read = ReadSkinColors(skin, before);
    EXPECT_EQ(read.colors.Background, 5590854u);
    EXPECT_EQ(read.colors.Border, 255u);
    EXPECT_EQ(read.colors.Unactive, 16u);
    EXPECT_EQ(read.colors.Active, 7u) << "\"None\" is no number: the colour in effect stays";
    EXPECT_EQ(read.colors.Text, 9u);
    EXPECT_EQ(read.colors.Over, 11u) << "a missing key keeps the colour";
    EXPECT_EQ(read.transparent, 16777215u);

    const struct
    {
        const char* value;
        std::optional<SkinRgb> transparent;
    } cases[] = {{"None", std::nullopt}, {"none", 0u}, {"", 0u}, {"$00FF00", 0xFF00u}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const ProfileFile t(makeFile(dir, "t.ssk", QByteArray("[Colors]\nTransparent=") + c.value + "\n"));
        EXPECT_EQ(ReadSkinColors(t, {}).transparent, c.transparent);
    }
    const ProfileFile none(makeFile(dir, "n.ssk", "[Images]\nMain=n.bmp\n"));
    EXPECT_EQ(ReadSkinColors(none, {}).transparent, 0u) << "no key: black is cut out";
}

TEST(SkinElements, SectionsWithDefaultsAndWords)
{
    QTemporaryDir dir;
    const ProfileFile skin(makeFile(dir, "e.ssk",
                                    "[1]\nX=10\nY=$14\nW=0x20\nH=abc\nVisible=0\nFontName=Serif\nFontSize=12\n"
                                    "HAlign=Right\nVAlign=Middle\n"
                                    "[2]\nHAlign=right\nVAlign=Under\n"
                                    "[4]\nX=-5\nHAlign=Center\n"));
    const SkinElementSettings time = ReadSkinElement(skin, *FindSkinElement(1));
    EXPECT_EQ(time.box, QRect(10, 20, 32, 0));
    EXPECT_FALSE(time.visible);
    EXPECT_EQ(time.fontName, "Serif");
    EXPECT_EQ(time.fontSize, 12);
    EXPECT_EQ(time.horizontal, Qt::AlignRight);
    EXPECT_EQ(time.vertical, Qt::AlignVCenter);

    const SkinElementSettings file = ReadSkinElement(skin, *FindSkinElement(2));
    EXPECT_EQ(file.box, QRect(0, 0, 0, 0)) << "no keys: an empty box at the corner";
    EXPECT_TRUE(file.visible);
    EXPECT_EQ(file.fontName, "QSwitch Ax");
    EXPECT_EQ(file.fontSize, 8);
    EXPECT_FALSE(file.horizontal.has_value()) << "lower-case words leave the alignment";
    EXPECT_EQ(file.vertical, Qt::AlignBottom);

    const SkinElementSettings playlist = ReadSkinElement(skin, *FindSkinElement(4));
    EXPECT_EQ(playlist.box.x(), -5);
    EXPECT_FALSE(playlist.horizontal.has_value()) << "alignment is for labels only";

    EXPECT_EQ(FindSkinElement(7), nullptr);
    EXPECT_EQ(FindSkinElement(20), nullptr);
    EXPECT_EQ(FindSkinElement(28)->designBox, QRect(36, 98, 168, 12));
}

QImage picture(const QStringList& rows)
{
    QImage image(int(rows.value(0).size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, rows[y][x] == '.' ? qRgb(255, 255, 255) : qRgb(10, 20, 30));
    }
    return image;
}

TEST(Masks, GeneratedRectanglesAreBandedAndOrdered)
{
    const quint32 white = 0xFFFFFF;
    const struct
    {
        const char* name;
        QStringList rows;
        QList<QRect> expected;
    } cases[] = {
        {"no transparent pixel: one rectangle", {"####", "####", "####"}, {QRect(0, 0, 4, 3)}},
        {"all transparent: nothing", {"...", "..."}, {}},
        {"one pixel", {"#"}, {QRect(0, 0, 1, 1)}},
        {"edge columns", {"#..#", "#..#"}, {QRect(0, 0, 1, 2), QRect(3, 0, 1, 2)}},
        {"bands split where spans change",
         {".##.", ".##.", "####", "#..#"},
         {QRect(1, 0, 2, 2), QRect(0, 2, 4, 1), QRect(0, 3, 1, 1), QRect(3, 3, 1, 1)}},
        {"a transparent row between equal rows", {"##", "..", "##"}, {QRect(0, 0, 2, 1), QRect(0, 2, 2, 1)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int rowsSeen = 0;
        const QList<QRect> rects = *GenerateMaskRects(picture(c.rows), white, [&] { ++rowsSeen; });
        EXPECT_EQ(rects, c.expected);
        EXPECT_EQ(rowsSeen, c.rows.size()) << "one turn of the event loop per row";
        // The union covers exactly the non-transparent pixels.
        const QRegion region = RegionOf(rects);
        for (int y = 0; y < c.rows.size(); ++y)
            for (int x = 0; x < c.rows[y].size(); ++x)
                EXPECT_EQ(region.contains(QPoint(x, y)), c.rows[y][x] == '#') << x << "," << y;
    }

    // An outline of more rectangles than allowed is not made, and the scan
    // stops at the row that shows it (a checkerboard skin would otherwise
    // take a rectangle per two pixels).
    const QImage spotted = picture({"#.#.", "#.#.", ".#.#", "####", "####"});
    const struct
    {
        qsizetype most;
        int rowsScanned;
        std::optional<qsizetype> made;
    } bounds[] = {{3, 3, std::nullopt}, {4, 4, std::nullopt}, {5, 5, 5}};
    for (const auto& b : bounds) {
        SCOPED_TRACE(b.most);
        int rowsSeen = 0;
        const auto rects = GenerateMaskRects(spotted, white, [&] { ++rowsSeen; }, b.most);
        EXPECT_EQ(rowsSeen, b.rowsScanned);
        EXPECT_EQ(rects ? std::optional(rects->size()) : std::nullopt, b.made);
    }
}

QByteArray le(std::initializer_list<qint32> values)
{
    QByteArray out;
    for (qint32 v : values) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    }
    return out;
}

// `n` rectangles of a few pixels at random places within `side` x `side`.
QList<QRect> scattered(int n, int side)
{
    QList<QRect> out;
    quint32 seed = 1;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        out.append(QRect(int(seed % side), int((seed >> 12) % side), 1 + int(seed % 7), 1 + int(seed % 5)));
    }
    return out;
}

// `n` bars across, then `n` bars down over them.
QList<QRect> bars(int n)
{
    QList<QRect> out;
    for (int i = 0; i < n; ++i)
        out << QRect(0, 2 * i, 2 * n, 1);
    for (int i = 0; i < n; ++i)
        out << QRect(2 * i, 0, 1, 2 * n);
    return out;
}

TEST(Masks, FileRoundTripAndDamagedFiles)
{
    QTemporaryDir dir;
    const QList<QRect> rects{QRect(1, 0, 2, 2), QRect(0, 2, 4, 1)};
    const QString path = dir.filePath("Blue.msk");
    ASSERT_TRUE(WriteMaskFile(path, rects));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), le({64, 32, 1, 2, 32, 0, 0, 4, 3, 1, 0, 3, 2, 0, 2, 4, 3}));
    EXPECT_EQ(ReadMaskFile(path), rects);

    const QByteArray good = EncodeMask(rects);
    // Many rectangles in region order are taken; as many out of order would
    // cost hundreds of bytes each to unite, and are refused.
    QList<QRect> banded, fewUnordered;
    for (int i = 0; i < 70000; ++i)
        banded.append(QRect(2 * (i % 1000), i / 1000, 1, 1));
    QList<QRect> unordered(banded.crbegin(), banded.crend());
    for (int i = 0; i < 1000; ++i)
        fewUnordered.append(unordered[i]);
    // Few bars, but across each other: their union has a rectangle per
    // crossing, 160,000 of them, more than an outline may have.
    QList<QRect> crossingBars;
    for (int i = 0; i < 400; ++i)
        crossingBars << QRect(0, 2 * i, 800, 1) << QRect(2 * i, 0, 1, 800);
    QList<QRect> overlong;
    for (qsizetype i = 0; i < kMostRegionRects + 1; ++i)
        overlong.append(QRect(2 * (i % 2), i / 2, 1, 1));
    const struct
    {
        const char* name;
        QByteArray bytes;
        std::optional<QList<QRect>> expected;
    } cases[] = {
        {"no region", le({0}), QList<QRect>()},
        {"empty file", QByteArray(), std::nullopt},
        {"shorter than it claims", good.left(good.size() - 1), std::nullopt},
        {"claims 4 GiB", le({-1, 32, 1, 1, 16}), std::nullopt},
        {"count beyond the data", le({48, 32, 1, 100000000, 0, 0, 0, 1, 1, 0, 0, 1, 1}), std::nullopt},
        {"wrong header size", le({48, 16, 1, 1, 16, 0, 0, 1, 1, 0, 0, 1, 1}), std::nullopt},
        {"wrong data type", le({48, 32, 2, 1, 16, 0, 0, 1, 1, 0, 0, 1, 1}), std::nullopt},
        {"list size 0 is accepted", le({48, 32, 1, 1, 0, 0, 0, 1, 1, 0, 0, 1, 1}), QList<QRect>{QRect(0, 0, 1, 1)}},
        {"trailing bytes are ignored", good + "junk", rects},
        {"empty rectangles are dropped", le({48, 32, 1, 1, 16, 0, 0, 0, 0, 5, 5, 5, 9}), QList<QRect>()},
        {"a region without pixels", le({32, 32, 1, 0, 0, 0, 0, 0, 0}), QList<QRect>()},
        {"many in region order", EncodeMask(banded), banded},
        {"a few out of order", EncodeMask(fewUnordered), fewUnordered},
        {"many out of order", EncodeMask(unordered), std::nullopt},
        {"a few crossing bars", EncodeMask(crossingBars), std::nullopt},
        {"bars across, then bars down", EncodeMask(bars(400)), std::nullopt},
        {"more in region order than a window shape may have", EncodeMask(overlong), std::nullopt},
        {"coordinates beyond any window are held in range",
         le({48, 32, 1, 1, 16, 0, 0, 0, 0, INT_MIN, INT_MIN, INT_MAX, INT_MAX}),
         QList<QRect>{QRect(QPoint(-(1 << 20), -(1 << 20)), QPoint((1 << 20) - 1, (1 << 20) - 1))}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeMask(c.bytes), c.expected);
    }
    EXPECT_FALSE(ReadMaskFile(dir.filePath("missing.msk")).has_value());
}

TEST(Masks, RegionOfAnyRectangleList)
{
    const auto naive = [](const QList<QRect>& rects) {
        QRegion r;
        for (const QRect& x : rects)
            r += x;
        return r;
    };
    const struct
    {
        const char* name;
        QList<QRect> rects;
    } cases[] = {
        {"banded", {QRect(1, 0, 2, 2), QRect(5, 0, 1, 2), QRect(0, 2, 4, 1)}},
        {"overlapping", {QRect(0, 0, 10, 10), QRect(5, 5, 10, 10)}},
        {"bottom to top", {QRect(0, 9, 3, 1), QRect(0, 0, 3, 1)}},
        {"touching in a band", {QRect(0, 0, 2, 1), QRect(2, 0, 2, 1)}},
        {"nothing", {}},
        {"bars across bars", bars(12)},
        {"one inside another, ending on the same row", {QRect(0, 0, 9, 9), QRect(2, 4, 3, 5)}},
        {"one ends where the next starts, same columns", {QRect(0, 3, 4, 3), QRect(0, 0, 4, 3), QRect(6, 0, 1, 9)}},
        {"scattered, overlapping", scattered(300, 40)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The same rectangles as Qt's own union, not only the same pixels.
        EXPECT_EQ(RegionOf(c.rects), naive(c.rects));
    }
    // A hostile file's worth of scattered rectangles is built, not hung on.
    EXPECT_FALSE(RegionOf(scattered(200000, 4000)).isEmpty());
}

// A run-length compressed bitmap (8 or 4 bits per pixel, black and white)
// of `width` x `height` whose compressed rows are `rows`.
QByteArray rleBitmap(qint32 width, qint32 height, int bits, const QByteArray& rows)
{
    const QByteArray palette = le({0x000000, 0xFFFFFF});
    QByteArray out = QByteArray("BM") + le({54 + 8 + qint32(rows.size()), 0, 54 + 8, 40, width, height});
    char planesAndBits[4];
    qToLittleEndian<quint16>(1, planesAndBits);
    qToLittleEndian<quint16>(quint16(bits), planesAndBits + 2);
    out.append(planesAndBits, 4);
    out += le({bits == 8 ? 1 : 2, qint32(rows.size()), 2835, 2835, 2, 2});
    return out + palette + rows;
}

TEST(SkinBitmaps, CompressedPicturesAreHeldToWhatTheirFileCanHold)
{
    QTemporaryDir dir;
    // Rows of 255-pixel runs, the densest the format has, each row ended.
    const auto runs = [](int width, int height, char colour) {
        QByteArray rows;
        for (int y = 0; y < height; ++y) {
            for (int left = width; left > 0; left -= 255)
                rows += QByteArray(1, char(qMin(left, 255))) + colour;
            rows += QByteArray("\0\0", 2);
        }
        return rows + QByteArray("\0\1", 2);
    };
    const struct
    {
        const char* name;
        QByteArray bytes;
        const char* says; // nullptr: the picture loads
    } cases[] = {
        {"8-bit runs", rleBitmap(300, 3, 8, runs(300, 3, 1)), nullptr},
        {"4-bit runs", rleBitmap(510, 2, 4, runs(510, 2, 0x11)), nullptr},
        // 129 bytes claiming 5888 x 5632 pixels: 158 MiB before any check.
        {"4-bit, a huge claim", rleBitmap(5888, 5632, 4, QByteArray(67, '\0')), "more than its 67 bytes"},
        {"8-bit, a huge claim", rleBitmap(8192, 8192, 8, QByteArray(2, '\0') + '\1'), "compressed rows can hold"},
        {"twice the rows its densest runs hold", rleBitmap(300, 6, 8, runs(300, 3, 1)), "compressed rows can hold"},
        {"compression of another depth", rleBitmap(4, 4, 24, runs(4, 4, 1)), "compressed 4-bit rows with 24 bits"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString("%1.bmp").arg(c.name));
        makeFile(dir, QString("%1.bmp").arg(c.name), c.bytes);
        if (!c.says) {
            const QImage image = LoadSkinBitmap(path);
            EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), qRgb(255, 255, 255));
            continue;
        }
        try {
            LoadSkinBitmap(path);
            ADD_FAILURE() << "loaded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_TRUE(e.message().contains(c.says)) << e.message().toStdString();
        }
    }
}

TEST(SkinBitmaps, APictureLargerThanQtDecodesUnaskedLoads)
{
    // 24 bits a pixel, 5800 x 5800: 135 MB once decoded, within a skin's sides.
    QTemporaryDir dir;
    const qint32 side = 5800, row = side * 3 + (4 - side * 3 % 4) % 4;
    QByteArray bytes = QByteArray("BM") + le({54 + row * side, 0, 54, 40, side, side});
    char planesAndBits[4];
    qToLittleEndian<quint16>(1, planesAndBits);
    qToLittleEndian<quint16>(24, planesAndBits + 2);
    bytes.append(planesAndBits, 4);
    bytes += le({0, row * side, 2835, 2835, 0, 0});
    bytes += QByteArray(qsizetype(row) * side, '\x40');
    const QString path = makeFile(dir, "Large.bmp", bytes);
    const QImage image = LoadSkinBitmap(path);
    EXPECT_EQ(image.size(), QSize(side, side));
    EXPECT_EQ(image.pixel(side - 1, side - 1), qRgb(0x40, 0x40, 0x40));
}

TEST(CoolForm, RegionLifeAndStoredForm)
{
    QTemporaryDir dir;
    QWidget window;
    TCoolForm cool(&window);
    QImage picture(4, 2, QImage::Format_RGB32);
    picture.fill(Qt::white);
    picture.setPixel(1, 0, qRgb(1, 2, 3));
    cool.SetPicture(picture);

    // Nothing is written for an empty picture; a file that cannot be made is an error.
    TCoolForm::GenerateMaskFile(QImage(), 0xFFFFFF, dir.filePath("none.msk"));
    EXPECT_FALSE(QFile::exists(dir.filePath("none.msk")));
    EXPECT_THROW(TCoolForm::GenerateMaskFile(picture, 0xFFFFFF, dir.filePath("no/such/folder/x.msk")), EFCreateError);

    const QString path = dir.filePath("x.msk");
    TCoolForm::GenerateMaskFile(picture, 0xFFFFFF, path);
    ASSERT_TRUE(cool.LoadMaskFile(path));
    ASSERT_TRUE(cool.Mask().Region().has_value());
    EXPECT_EQ(*cool.Mask().Region(), QRegion(1, 0, 1, 1));
    EXPECT_EQ(window.mask(), QRegion(1, 0, 1, 1));

    // "Mask2": the region's stored form, and back.
    QBuffer stored;
    stored.open(QIODevice::ReadWrite);
    cool.WriteMask(stored);
    EXPECT_EQ(stored.data(), EncodeMask({QRect(1, 0, 1, 1)}));

    // A new picture drops the region; the outline stays until a new mask.
    cool.SetPicture(picture);
    EXPECT_FALSE(cool.Mask().Region().has_value());
    EXPECT_EQ(window.mask(), QRegion(1, 0, 1, 1));
    QBuffer none;
    none.open(QIODevice::ReadWrite);
    cool.WriteMask(none);
    EXPECT_EQ(none.data(), QByteArray(4, '\0'));

    stored.seek(0);
    EXPECT_TRUE(cool.ReadMask(stored));
    EXPECT_TRUE(cool.Mask().Region().has_value());
    QBuffer damaged;
    damaged.setData(EncodeMask({QRect(0, 0, 2, 2)}).left(20));
    damaged.open(QIODevice::ReadOnly);
    EXPECT_FALSE(cool.ReadMask(damaged));
    EXPECT_EQ(*cool.Mask().Region(), QRegion(1, 0, 1, 1)) << "a damaged mask changes nothing";

    // A region without pixels is an outline too: the window shows nothing.
    // Made from a picture of only transparent pixels, written with a count
    // of 0, or read from a file of empty rectangles; each is stored alike.
    QImage blank(3, 2, QImage::Format_RGB32);
    blank.fill(Qt::white);
    const QString blankMask = dir.filePath("blank.msk");
    TCoolForm::GenerateMaskFile(blank, 0xFFFFFF, blankMask);
    const QByteArray noPixels = le({32, 32, 1, 0, 0, 0, 0, 0, 0});
    QFile blankFile(blankMask);
    ASSERT_TRUE(blankFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(blankFile.readAll(), noPixels);
    for (const QByteArray& bytes : {noPixels, le({48, 32, 1, 1, 16, 0, 0, 0, 0, 5, 5, 5, 9})}) {
        cool.SetPicture(picture);
        ASSERT_TRUE(cool.LoadMaskFile(path)); // a shape first
        QBuffer in;
        in.setData(bytes);
        in.open(QIODevice::ReadOnly);
        ASSERT_TRUE(cool.ReadMask(in));
        ASSERT_TRUE(cool.Mask().Region().has_value());
        EXPECT_TRUE(cool.Mask().Region()->isEmpty());
        EXPECT_FALSE(window.mask().isEmpty()) << "the window has an outline";
        EXPECT_TRUE(window.mask().intersected(window.rect()).isEmpty()) << "and it holds no pixel of the window";
        QBuffer out;
        out.open(QIODevice::ReadWrite);
        cool.WriteMask(out);
        EXPECT_EQ(out.data(), noPixels);
    }
}

} // namespace
