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
    // Uncompressed rows are padded to four bytes; the file must hold them all.
    if (compression == 0 || compression == 3) {
        const qint64 rowBytes = ((width * bits + 31) / 32) * 4;
        if (qint64(pixelOffset) + rowBytes * height > file.size())
            invalid(fileName, QStringLiteral("the file is cut short (%1 bytes, its header needs %2)")
                                  .arg(file.size())
                                  .arg(qint64(pixelOffset) + rowBytes * height));
    }

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
