#include "mask.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <limits>
#include <optional>

namespace vimbo {

namespace {

constexpr quint32 kHeaderSize = 32;
constexpr quint32 kRectangles = 1;
// Coordinates a mask may use; X11 windows end at 32767.
constexpr qint32 kFarthest = 1 << 20;
// A list in region order is taken as it is, in one pass. Any other list is
// united piece by piece, which costs far more time and memory per rectangle
// (about 300 bytes each at its peak): beyond this many, such a file is
// refused. Generated masks are always in region order; a hand-made outline
// out of order stays far below.
constexpr qsizetype kMostUnorderedRects = 1 << 16;
// The most rectangles an outline may have, in the file or once united: a
// window shape goes to the window system in one request, which must stay
// within what an X server takes. United lists can grow with the square of
// their length (bars across bars), so the bound holds at every step.
constexpr qsizetype kMostRegionRects = 1 << 20;

// The union of `rects`, united in pairs, then pairs of pairs, so the work
// stays near n log n; nothing when any step grows past `most` rectangles.
std::optional<QRegion> unitedRegion(const QList<QRect>& rects, qsizetype most)
{
    QList<QRegion> parts;
    parts.reserve(rects.size());
    for (const QRect& r : rects)
        parts.append(QRegion(r));
    while (parts.size() > 1) {
        QList<QRegion> next;
        next.reserve(parts.size() / 2 + 1);
        for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
            next.append(parts[i].united(parts[i + 1]));
            if (next.last().rectCount() > most)
                return std::nullopt;
        }
        if (parts.size() % 2)
            next.append(parts.last());
        parts.swap(next);
    }
    return parts.isEmpty() ? QRegion() : parts.first();
}

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

// Whether `rects` already have the form a region keeps: bands top to bottom,
// every rectangle of a band with the band's top and bottom, left to right
// without touching. Our own generator writes such lists.
bool isBanded(const QList<QRect>& rects)
{
    for (qsizetype i = 1; i < rects.size(); ++i) {
        const QRect& a = rects[i - 1];
        const QRect& b = rects[i];
        const bool sameBand = a.top() == b.top() && a.bottom() == b.bottom() && b.left() > a.right() + 1;
        if (!sameBand && b.top() <= a.bottom())
            return false;
    }
    return true;
}

} // namespace

QList<QRect> GenerateMaskRects(const QImage& picture, quint32 transparent, const std::function<void()>& eachRow)
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
    const int width = image.width(), height = image.height();
    const QRgb key = cut & 0xFFFFFF;
    const auto opaque = [key](QRgb pixel) { return ((pixel ^ key) & 0xFFFFFF) != 0; };
    const QRgb* previous = nullptr;
    for (int y = 0; y < height; ++y) {
        if (eachRow)
            eachRow();
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        // A row like the one above has its spans (common in window pictures).
        if (previous && std::equal(row, row + width, previous))
            continue;
        previous = row;
        spans.clear();
        for (int x = 0; x < width;) {
            while (x < width && !opaque(row[x]))
                ++x;
            const int from = x;
            while (x < width && opaque(row[x]))
                ++x;
            if (x > from)
                spans.append({from, x});
        }
        if (spans != band) {
            closeBand(y);
            band = spans;
            bandTop = y;
        }
    }
    closeBand(height);
    return rects;
}

QRegion RegionOf(const QList<QRect>& rects)
{
    QRegion region;
    if (isBanded(rects)) {
        region.setRects(rects.constData(), int(rects.size()));
        return region;
    }
    // Any other list (overlapping, unordered). Lists from files were bounded
    // when read; one of our own is united whatever its size.
    return *unitedRegion(rects, std::numeric_limits<qsizetype>::max());
}

QByteArray EncodeMask(const QList<QRect>& rects)
{
    QByteArray out;
    QRect bounds; // of no rectangle: 0, 0, 0, 0
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

std::optional<QList<QRect>> DecodeMask(const QByteArray& bytes, QRegion* united)
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
        // Far beyond any window, and clear of integer overflow in the
        // rectangle arithmetic.
        const auto clamp = [](qint32 v) { return std::clamp(v, -kFarthest, kFarthest); };
        if (clamp(right) > clamp(left) && clamp(bottom) > clamp(top))
            rects.append(QRect(QPoint(clamp(left), clamp(top)), QPoint(clamp(right) - 1, clamp(bottom) - 1)));
    }
    if (rects.size() > kMostRegionRects)
        return std::nullopt;
    if (!isBanded(rects)) {
        if (rects.size() > kMostUnorderedRects)
            return std::nullopt;
        std::optional<QRegion> region = unitedRegion(rects, kMostRegionRects);
        if (!region)
            return std::nullopt;
        if (united)
            *united = std::move(*region);
    } else if (united) {
        *united = RegionOf(rects);
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
