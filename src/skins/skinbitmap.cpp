#include "skinbitmap.h"

#include "platform/errors.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

namespace vimbo {

namespace {

[[noreturn]] void invalid(const QString& fileName, const QString& why)
{
    throw EInvalidGraphic(QStringLiteral("The picture \"%1\" cannot be used: %2.").arg(fileName, why));
}

// The pixels a header claims must be there in the file before any memory is
// taken for them. Uncompressed rows are padded to four bytes, and the file
// holds them all. Compressed rows are runs of two bytes, a count of at most
// 255 pixels of one row and their colour; the escapes that skip pixels (end
// of row, delta, end of picture) leave pixels without a colour of their own,
// which a skin picture does not do at any scale. So each row takes at least
// 2 * ceil(width / 255) bytes, and a header claiming more rows than the file
// can hold is refused.
void checkPixelsFitFile(const QString& fileName, qint64 fileSize, quint32 pixelOffset, qint64 width, qint64 height,
                        int bits, quint32 compression)
{
    enum : quint32 { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };
    const bool uncompressed = compression == Rgb || compression == BitFields || compression == AlphaBitFields;
    if (!uncompressed && compression != Rle8 && compression != Rle4)
        invalid(fileName, QStringLiteral("its pixels are stored in a way skin pictures do not use (compression %1)")
                              .arg(compression));
    if (!uncompressed && bits != (compression == Rle8 ? 8 : 4))
        invalid(fileName, QStringLiteral("its header names compressed %1-bit rows with %2 bits per pixel")
                              .arg(compression == Rle8 ? 8 : 4)
                              .arg(bits));
    if (uncompressed) {
        const qint64 rowBytes = ((width * bits + 31) / 32) * 4;
        if (qint64(pixelOffset) + rowBytes * height > fileSize)
            invalid(fileName, QStringLiteral("the file is cut short (%1 bytes, its header needs %2)")
                                  .arg(fileSize)
                                  .arg(qint64(pixelOffset) + rowBytes * height));
        return;
    }
    const qint64 fewest = height * 2 * ((width + 254) / 255);
    const qint64 held = fileSize - qint64(pixelOffset);
    if (held < fewest)
        invalid(fileName, QStringLiteral("its header claims %1 x %2 pixels, more than its %3 bytes of compressed "
                                         "rows can hold (they need at least %4)")
                              .arg(width)
                              .arg(height)
                              .arg(qMax<qint64>(held, 0))
                              .arg(fewest));
}

} // namespace

QImage LoadSkinBitmap(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        invalid(fileName, file.errorString());
    const QByteArray head = file.peek(54);
    if (head.size() < 26 || !head.startsWith("BM"))
        invalid(fileName, QStringLiteral("it is not a Windows bitmap"));
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(head.constData() + at); };
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(head.constData() + at); };
    const auto i32 = [&](int at) { return qFromLittleEndian<qint32>(head.constData() + at); };

    const quint32 pixelOffset = u32(10);
    const quint32 infoSize = u32(14);
    qint64 width, height;
    int bits;
    quint32 compression = 0;
    if (infoSize == 12) { // the old OS/2 header
        width = u16(18);
        height = u16(20);
        bits = u16(24);
    } else {
        if (head.size() < 34)
            invalid(fileName, QStringLiteral("its header is cut short"));
        width = i32(18);
        height = i32(22);
        bits = u16(28);
        compression = u32(30);
    }
    height = height < 0 ? -height : height;
    if (width <= 0 || height <= 0)
        invalid(fileName, QStringLiteral("it has no pixels"));
    if (width > kMaxSkinSide || height > kMaxSkinSide)
        invalid(fileName, QStringLiteral("its header claims %1 x %2 pixels, more than a skin may have (%3 x %3)")
                              .arg(width)
                              .arg(height)
                              .arg(kMaxSkinSide));
    checkPixelsFitFile(fileName, file.size(), pixelOffset, width, height, bits, compression);

    // Qt refuses to decode more than 128 MB unless told otherwise; the
    // largest picture a skin may have (checked above) must still load.
    constexpr int largestPictureMb = int(qint64(kMaxSkinSide) * kMaxSkinSide * 4 / (1024 * 1024)) + 1;
    if (QImageReader::allocationLimit() != 0 && QImageReader::allocationLimit() < largestPictureMb)
        QImageReader::setAllocationLimit(largestPictureMb);
    QImageReader reader(&file, "bmp");
    QImage image;
    if (!reader.read(&image) || image.isNull())
        invalid(fileName, reader.errorString());
    // One pixel layout for everything that reads the picture later.
    return image.convertToFormat(QImage::Format_RGB32);
}

QByteArray EncodeBmp(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP");
    return bytes;
}

} // namespace vimbo
