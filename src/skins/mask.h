// Window masks: the region a skin's picture leaves after its transparent
// colour is cut out, as a list of rectangles, and its ".msk" file.
#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QRegion>
#include <QString>

#include <functional>
#include <optional>

namespace vimbo {

// The most rectangles an outline may have, in a file, once united, or made
// from a picture. The GUI thread writes, reads and hands an outline to the
// window system in one go, about 30 ms for this many (a million took 120
// ms); real outlines stay far below (a 3840 x 2160 picture with a rounded
// outline and holes has 2,600). United lists can grow with the square of
// their length (bars across bars), and a picture can give a rectangle per
// two pixels (a checkerboard), so the bound is checked as the rectangles
// are made.
constexpr qsizetype kMostRegionRects = 1 << 17;

// The largest mask file read: twice the file of the largest outline, room
// for whatever a writer leaves after the region (the rest is not read).
constexpr qint64 kLargestMaskFile = 2 * (4 + 32 + 16 * qint64(kMostRegionRects));

// Rectangles of the non-transparent pixels of `picture`, non-overlapping and
// ordered top to bottom, then left to right; rows with the same spans are
// joined into one band, so a picture without transparent pixels gives one
// rectangle. `transparent` is a skin colour (red in the low byte).
// `eachRow` runs before each row is scanned (to let window events through).
// Nothing, as soon as more than `most` rectangles would be needed.
std::optional<QList<QRect>> GenerateMaskRects(const QImage& picture, quint32 transparent,
                                              const std::function<void()>& eachRow = {},
                                              qsizetype most = kMostRegionRects);

// The region of any list of rectangles; a list in region order is taken as
// it is, any other is swept into bands first (in n log n and the time of the
// rectangles made). For lists of our own: ones read from files are bounded
// by DecodeMask.
QRegion RegionOf(const QList<QRect>& rects);

// The ".msk" layout: a little-endian byte count N, then N bytes of region
// data (a 32-byte header, then the rectangles), or nothing when N is 0.
// N = 0 stands for "no region"; a region without pixels has N = 32 and a
// rectangle count of 0, and is what an empty `rects` encodes.
QByteArray EncodeMask(const QList<QRect>& rects);
// Nothing when the bytes are not a mask (short, longer than they claim, a
// header that does not add up, more rectangles than an outline may have,
// or than can be put in region order at a sane cost when out of it); an empty list for N = 0 and for a region without pixels (the
// caller tells them apart by N). `united`, when given, receives the region
// the rectangles make (checking an unordered list unites it already).
std::optional<QList<QRect>> DecodeMask(const QByteArray& bytes, QRegion* united = nullptr);

// Whole files. Reading refuses files larger than any mask could sensibly be.
std::optional<QList<QRect>> ReadMaskFile(const QString& path);
// Written whole or not at all; false when the file cannot be written.
bool WriteMaskFile(const QString& path, const QList<QRect>& rects);

} // namespace vimbo
