#include "mask.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

namespace vimbo {

namespace {

constexpr quint32 kHeaderSize = 32;
constexpr quint32 kRectangles = 1;
// A 16K x 16K picture with every other pixel cut out stays well below this.
constexpr qint64 kLargestMaskFile = 256LL * 1024 * 1024;

void put32(QByteArray& out, qint64 value)
{
    char bytes[4];
    qToLittleEndian(quint32(value), bytes);
    out.append(bytes, 4);
}

quint32 get32(const char* at)
{
    return qFromLittleEndian<quint32>(at);
}

} // namespace

QList<QRect> GenerateMaskRects(const QImage& picture, quint32 transparent, const std::function<void()>& afterRow)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb cut = qRgb(int(transparent & 0xFF), int((transparent >> 8) & 0xFF), int((transparent >> 16) & 0xFF));
    QList<QRect> rects;
    QList<std::pair<int, int>> band;     // spans [from, to) of the open band
    int bandTop = 0;
    QList<std::pair<int, int>> spans;
    const auto closeBand = [&](int bottom) {
        for (const auto& [from, to] : band)
            rects.append(QRect(QPoint(from, bandTop), QPoint(to - 1, bottom - 1)));
        band.clear();
    };
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        spans.clear();
        for (int x = 0; x < image.width();) {
            while (x < image.width() && (row[x] & 0xFFFFFF) == (cut & 0xFFFFFF))
                ++x;
            const int from = x;
            while (x < image.width() && (row[x] & 0xFFFFFF) != (cut & 0xFFFFFF))
                ++x;
            if (x > from)
                spans.append({from, x});
        }
        if (spans != band) {
            closeBand(y);
            band = spans;
            bandTop = y;
        }
        if (afterRow)
            afterRow();
    }
    closeBand(image.height());
    return rects;
}

QRegion RegionOf(const QList<QRect>& rects)
{
    // A union holds for any list a file may bring (overlapping, unordered).
    QRegion region;
    for (const QRect& r : rects)
        region += r;
    return region;
}

QByteArray EncodeMask(const QList<QRect>& rects)
{
    QByteArray out;
    if (rects.isEmpty()) {
        put32(out, 0);
        return out;
    }
    QRect bounds;
    for (const QRect& r : rects)
        bounds = bounds.united(r);
    put32(out, kHeaderSize + 16 * rects.size());
    put32(out, kHeaderSize);
    put32(out, kRectangles);
    put32(out, rects.size());
    put32(out, 16 * rects.size());
    for (qint64 v : {bounds.left(), bounds.top(), bounds.right() + 1, bounds.bottom() + 1})
        put32(out, v);
    for (const QRect& r : rects) {
        for (qint64 v : {r.left(), r.top(), r.right() + 1, r.bottom() + 1})
            put32(out, v);
    }
    return out;
}

std::optional<QList<QRect>> DecodeMask(const QByteArray& bytes)
{
    if (bytes.size() < 4)
        return std::nullopt;
    const quint32 length = get32(bytes.constData());
    if (length == 0)
        return QList<QRect>();
    // Every number is checked against the bytes actually there before it is used.
    if (length < kHeaderSize || qint64(length) > bytes.size() - 4)
        return std::nullopt;
    const char* data = bytes.constData() + 4;
    const quint32 headerSize = get32(data);
    const quint32 type = get32(data + 4);
    const quint32 count = get32(data + 8);
    const quint32 listSize = get32(data + 12);
    if (headerSize != kHeaderSize || type != kRectangles || count > (length - kHeaderSize) / 16 ||
        (listSize != 0 && listSize != 16 * count))
        return std::nullopt;
    QList<QRect> rects;
    rects.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const char* r = data + kHeaderSize + 16 * i;
        const auto left = qint32(get32(r)), top = qint32(get32(r + 4));
        const auto right = qint32(get32(r + 8)), bottom = qint32(get32(r + 12));
        if (right > left && bottom > top)
            rects.append(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
    }
    return rects;
}

std::optional<QList<QRect>> ReadMaskFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestMaskFile)
        return std::nullopt;
    return DecodeMask(file.readAll());
}

bool WriteMaskFile(const QString& path, const QList<QRect>& rects)
{
    const QByteArray bytes = EncodeMask(rects);
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace vimbo
