#include "mask.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

namespace vimbo {

namespace {

constexpr quint32 kHeaderSize = 32;
constexpr quint32 kRectangles = 1;
// Coordinates a mask may use; X11 windows end at 32767.
constexpr qint32 kFarthest = 1 << 20;
// A list in region order is taken as it is, in one pass. Any other list is
// sorted and swept into bands first, which costs some hundred bytes per
// rectangle: beyond this many, such a file is refused. Generated masks are
// always in region order; a hand-made outline out of order stays far below.
constexpr qsizetype kMostUnorderedRects = 1 << 16;

// Rectangles covering columns [xs[from], xs[to]) for any pair of the
// sorted, distinct edges `xs`: a count per node of how many rectangles cover
// the node's whole stretch, and how many columns below it are covered. The
// covered spans are read out in time that follows their number, not the
// number of rectangles.
class ColumnCover
{
public:
    explicit ColumnCover(std::vector<qint32> xs) : m_xs(std::move(xs)), m_count(4 * m_xs.size()), m_covered(4 * m_xs.size()) {}

    qint64 covered() const { return m_xs.size() < 2 ? 0 : m_covered[1]; }
    void add(qsizetype from, qsizetype to, int delta) { update(1, 0, last(), from, to, delta); }
    // The maximal covered spans [from, to), left to right.
    void spans(QList<std::pair<qint32, qint32>>& out) const
    {
        out.clear();
        if (m_xs.size() >= 2)
            collect(1, 0, last(), out);
    }
    qsizetype index(qint32 x) const { return std::lower_bound(m_xs.begin(), m_xs.end(), x) - m_xs.begin(); }

private:
    qsizetype last() const { return qsizetype(m_xs.size()) - 1; }
    void update(qsizetype node, qsizetype lo, qsizetype hi, qsizetype from, qsizetype to, int delta)
    {
        if (to <= lo || hi <= from)
            return;
        if (from <= lo && hi <= to) {
            m_count[node] += delta;
        } else {
            const qsizetype mid = (lo + hi) / 2;
            update(2 * node, lo, mid, from, to, delta);
            update(2 * node + 1, mid, hi, from, to, delta);
        }
        if (m_count[node] > 0)
            m_covered[node] = m_xs[hi] - m_xs[lo];
        else
            m_covered[node] = hi - lo == 1 ? 0 : m_covered[2 * node] + m_covered[2 * node + 1];
    }
    void collect(qsizetype node, qsizetype lo, qsizetype hi, QList<std::pair<qint32, qint32>>& out) const
    {
        if (m_covered[node] == 0)
            return;
        if (m_count[node] > 0 || hi - lo == 1) {
            if (!out.isEmpty() && out.last().second == m_xs[lo])
                out.last().second = m_xs[hi];
            else
                out.append({m_xs[lo], m_xs[hi]});
            return;
        }
        const qsizetype mid = (lo + hi) / 2;
        collect(2 * node, lo, mid, out);
        collect(2 * node + 1, mid, hi, out);
    }

    std::vector<qint32> m_xs;
    std::vector<int> m_count;
    std::vector<qint64> m_covered;
};

// The union of `rects` in the form a region keeps (bands top to bottom, each
// of disjoint spans left to right, no two touching bands alike), swept from
// top to bottom; nothing once it would hold more than `most` rectangles.
// Bars across bars make a union of the square of their number, so the bound
// is checked as each band is made, before its rectangles are taken.
std::optional<QList<QRect>> bandedUnion(const QList<QRect>& rects, qsizetype most)
{
    struct Edge
    {
        qint32 y;
        bool ends;
        qsizetype rect;
    };
    std::vector<Edge> edges;
    edges.reserve(2 * rects.size());
    std::vector<qint32> xs;
    xs.reserve(2 * rects.size());
    for (qsizetype i = 0; i < rects.size(); ++i) {
        const QRect& r = rects[i];
        if (r.isEmpty())
            continue;
        edges.push_back({r.top(), false, i});
        edges.push_back({r.top() + r.height(), true, i});
        xs.push_back(r.left());
        xs.push_back(r.left() + r.width());
    }
    // At one edge, rectangles that start come before those that end: the
    // covered columns then only grow, then only shrink, so they changed
    // exactly when their number did.
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
        return a.y != b.y ? a.y < b.y : a.ends < b.ends;
    });
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    ColumnCover cover(std::move(xs));

    QList<QRect> out;
    QList<std::pair<qint32, qint32>> band;
    qint32 bandTop = 0;
    for (std::size_t i = 0; i < edges.size();) {
        const qint32 y = edges[i].y;
        bool changed = false;
        for (; i < edges.size() && edges[i].y == y; ++i) {
            const QRect& r = rects[edges[i].rect];
            const qint64 before = cover.covered();
            cover.add(cover.index(r.left()), cover.index(r.left() + r.width()), edges[i].ends ? -1 : 1);
            changed = changed || cover.covered() != before;
        }
        if (!changed)
            continue;
        for (const auto& [from, to] : band)
            out.append(QRect(from, bandTop, to - from, y - bandTop));
        cover.spans(band);
        bandTop = y;
        if (out.size() + band.size() > most)
            return std::nullopt;
    }
    return out;
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

std::optional<QList<QRect>> GenerateMaskRects(const QImage& picture, quint32 transparent,
                                              const std::function<void()>& eachRow, qsizetype most)
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
            if (rects.size() + spans.size() > most)
                return std::nullopt;
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
    // Any other list (overlapping, unordered) is put in that form first.
    // Lists from files were bounded when read; one of our own is taken
    // whatever its size.
    const QList<QRect> banded = *bandedUnion(rects, std::numeric_limits<qsizetype>::max());
    region.setRects(banded.constData(), int(banded.size()));
    return region;
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
        qsizetype(count) > kMostRegionRects || (listSize != 0 && listSize != 16 * count))
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
    if (!isBanded(rects)) {
        if (rects.size() > kMostUnorderedRects)
            return std::nullopt;
        const std::optional<QList<QRect>> banded = bandedUnion(rects, kMostRegionRects);
        if (!banded)
            return std::nullopt;
        if (united)
            united->setRects(banded->constData(), int(banded->size()));
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
