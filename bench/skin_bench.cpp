// Skin benchmark, run on demand:
//   QT_QPA_PLATFORM=offscreen build/bench/skin_bench
// Builds the window region of a picture two ways in the same run: our mask
// generator (rows scanned, runs banded, region built from the rectangles)
// and Qt's own path (createMaskFromColor -> QBitmap -> QRegion), for the
// built-in skin (449 x 292) and a 3840 x 2160 picture with a rounded outline
// and holes. Then times one application of the built-in skin on a real main
// window (empty playlist, so no rebuild work is counted).
//
//   QT_QPA_PLATFORM=offscreen build/bench/skin_bench hostile-mask scattered|banded|bars
// instead loads one hostile mask file into a shaped window and reports the
// time and the process's peak memory: 1.6 million scattered rectangles out of
// region order, the largest outline a mask may have, in region order, or 256 KiB
// of bars across, then bars down (a union of 67 million rectangles).
//
//   QT_QPA_PLATFORM=offscreen build/bench/skin_bench hostile-picture
// reads an 8192 x 4096 checkerboard (a 270 KB 4-bit compressed bitmap) as a
// skin picture and makes its outline as a skin application does, and one of
// 8192 x 32, whose outline is as large as one may be: the time, the longest
// wait of the GUI thread's events, and the peak memory.
#include "guiturns.h"
#include "peakmemory.h"
#include "readyform.h"
#include "skins/coolform.h"
#include "skins/mask.h"
#include "skins/skinbitmap.h"
#include "platform/errors.h"

#include <QApplication>
#include <QBitmap>
#include <QDataStream>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

template <typename F>
double medianMs(int runs, F&& work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// A rounded body with holes; `shaded` fills it with a gradient whose every
// row differs (no two rows alike), as real skin artwork often has.
QImage bigPicture(bool shaded)
{
    QImage image(3840, 2160, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath body;
    body.addRoundedRect(QRectF(20, 20, 3800, 2120), 160, 160);
    QLinearGradient fill(0, 0, 3840, 2160);
    fill.setColorAt(0, QColor(40, 50, 60));
    fill.setColorAt(1, QColor(200, 210, 220));
    p.fillPath(body, shaded ? QBrush(fill) : QBrush(QColor(70, 80, 90)));
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 40; ++i)
        p.drawEllipse(QPointF(200 + i * 90, 1080 + (i % 7) * 100), 30, 60);
    return image;
}

void compare(const char* what, const QImage& picture)
{
    const int runs = picture.width() > 1000 ? 7 : 51;
    QRegion ours, qt;
    const double oursMs = medianMs(runs, [&] { ours = vimbo::RegionOf(*vimbo::GenerateMaskRects(picture, 0xFFFFFF)); });
    const double qtMs = medianMs(runs, [&] {
        qt = QRegion(QBitmap::fromImage(picture.createMaskFromColor(qRgb(255, 255, 255), Qt::MaskInColor)));
    });
    if (!ours.xored(qt).isEmpty()) {
        const QRegion diff = ours.xored(qt);
        std::printf("  differ: ours %d rects bound (%d,%d %dx%d), qt %d rects bound (%d,%d %dx%d), xor %d rects\n",
                    ours.rectCount(), ours.boundingRect().x(), ours.boundingRect().y(), ours.boundingRect().width(),
                    ours.boundingRect().height(), qt.rectCount(), qt.boundingRect().x(), qt.boundingRect().y(),
                    qt.boundingRect().width(), qt.boundingRect().height(), diff.rectCount());
    }
    std::printf("%-26s ours %8.2f ms  Qt %8.2f ms  ratio %.2f  (%d rectangles, same region: %s)\n", what, oursMs, qtMs,
                oursMs / qtMs, int(vimbo::GenerateMaskRects(picture, 0xFFFFFF)->size()), ours.xored(qt).isEmpty() ? "yes" : "NO");
}

// Writes a mask of `count` rectangles from `rect(i)` without holding them
// all in memory (the memory counted must be the reader's).
template <typename F>
void writeMask(const QString& path, quint32 count, F&& rect)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        std::abort();
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(32 + 16 * count) << quint32(32) << quint32(1) << quint32(count) << quint32(16 * count);
    out << qint32(0) << qint32(0) << qint32(8192) << qint32(8192);
    for (quint32 i = 0; i < count; ++i) {
        const QRect r = rect(i);
        out << qint32(r.left()) << qint32(r.top()) << qint32(r.right() + 1) << qint32(r.bottom() + 1);
    }
}

int hostileMask(const char* kind)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Hostile.msk");
    if (qstrcmp(kind, "scattered") == 0) {
        quint32 seed = 1;
        writeMask(path, 1600000, [&](quint32) {
            seed = seed * 1664525u + 1013904223u;
            return QRect(int(seed % 8000), int((seed >> 12) % 8000), 1 + int(seed % 7), 1 + int(seed % 5));
        });
    } else if (qstrcmp(kind, "bars") == 0) {
        writeMask(path, 16384, [](quint32 i) {
            return i < 8192 ? QRect(0, 2 * int(i), 16384, 1) : QRect(2 * int(i - 8192), 0, 1, 16384);
        });
    } else {
        // Bands of 4096 one-pixel rectangles, as many as an outline may have.
        const quint32 count = quint32(vimbo::kMostRegionRects);
        writeMask(path, count, [](quint32 i) { return QRect(2 * int(i % 4096), int(i / 4096), 1, 1); });
    }
    QWidget window;
    TCoolForm cool(&window);
    const long before = peakMemoryKiB();
    QElapsedTimer t;
    t.start();
    const bool loaded = cool.LoadMaskFile(path);
    std::printf("hostile mask (%s, %lld bytes): %s in %.0f ms, peak memory %ld MiB (%ld MiB before loading)\n", kind,
                QFileInfo(path).size(), loaded ? "loaded" : "refused", t.nsecsElapsed() / 1e6,
                peakMemoryKiB() / 1024, before / 1024);
    return 0;
}

// A 4-bit compressed bitmap of `width` x `height` whose rows alternate
// black and white pixels, in runs of 255 (the densest the format has).
QByteArray checkerboardBitmap(int width, int height)
{
    QByteArray rows;
    for (int y = 0; y < height; ++y) {
        for (int left = width; left > 0; left -= 255)
            rows += char(std::min(left, 255)) + QByteArray(1, char(y % 2 ? 0x10 : 0x01));
        rows += QByteArray("\0\0", 2);
    }
    rows += QByteArray("\0\1", 2);
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    const quint32 offset = 14 + 40 + 16 * 4;
    s.writeRawData("BM", 2);
    s << quint32(offset + rows.size()) << quint32(0) << offset;
    s << quint32(40) << qint32(width) << qint32(height) << quint16(1) << quint16(4) << quint32(2)
      << quint32(rows.size()) << qint32(2835) << qint32(2835) << quint32(16) << quint32(0);
    for (int i = 0; i < 16; ++i)
        s << quint32(i == 1 ? 0xFFFFFF : 0);
    s.writeRawData(rows.constData(), int(rows.size()));
    return out;
}

void hostilePicture(int width, int height)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Checkerboard.bmp");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(checkerboardBitmap(width, height));
    file.close();
    QWidget window;
    TCoolForm cool(&window);
    GuiTurns turns;
    const long before = peakMemoryKiB();
    QElapsedTimer t;
    t.start();
    QString outcome = QStringLiteral("outline made");
    double readMs = 0;
    try {
        cool.SetPicture(vimbo::LoadSkinBitmap(path));
        readMs = t.nsecsElapsed() / 1e6;
        cool.GenerateAndLoadMask(0, dir.filePath("Checkerboard.msk"), {});
    } catch (const EInvalidGraphic& e) {
        outcome = QStringLiteral("refused: ") + e.message();
    }
    const double totalMs = t.nsecsElapsed() / 1e6;
    // The wait since the last turn of events ends with the next turn.
    QCoreApplication::processEvents();
    std::printf("hostile picture (%d x %d checkerboard, %lld bytes): %.0f ms (%.0f ms of it reading the "
                "picture), longest GUI wait %lld ms, peak memory %ld MiB (%ld MiB before)\n  %s\n",
                width, height, QFileInfo(path).size(), totalMs, readMs, static_cast<long long>(turns.longest),
                peakMemoryKiB() / 1024, before / 1024, qPrintable(outcome));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "hostile-mask") == 0)
        return hostileMask(argv[2]);
    if (argc == 2 && qstrcmp(argv[1], "hostile-picture") == 0) {
        hostilePicture(8192, int(vimbo::kMostRegionRects / 4096)); // as many rectangles as an outline may have
        hostilePicture(8192, 4096);
        return 0;
    }
    const QImage builtIn(QStringLiteral(VIMBO_ASSETS "/skins/Default.bmp"));
    compare("built-in skin 449 x 292", builtIn);
    compare("3840 x 2160, flat", bigPicture(false));
    compare("3840 x 2160, shaded", bigPicture(true));

    QTemporaryDir dir;
    const std::unique_ptr<TVimboForm> form = makeReadyForm(dir);
    const double applyMs = medianMs(21, [&] { form->ApplyDefaultSkin(); });
    std::printf("ApplyDefaultSkin (mask file written and read, empty playlist): median %.2f ms\n", applyMs);
    return 0;
}
