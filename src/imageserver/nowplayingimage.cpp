#include "nowplayingimage.h"

#include "app/makerinfo.h"
#include "playlist/displaynames.h"
#include "skins/skinformat.h"

#include <QFontMetrics>
#include <QPainter>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace vimbo {

namespace {

QFont canvasFont(int points)
{
    QFont font(QStringLiteral("QSwitch Ax"));
    font.setBold(true);
    font.setPointSize(points);
    return font;
}

// The canvas measures points at 96 dots per inch, as a screen does.
constexpr int kDotsPerMeter = 3780;

} // namespace

QString TrackLineFor(const QString& path, const QFont& viewFont, int viewWidth)
{
    const DisplayNames names = MakeDisplayNames(path, QFontMetrics(viewFont), viewWidth);
    if (names.name.isEmpty())
        return QStringLiteral("None");
    return names.folder + QStringLiteral(" :: ") + names.name;
}

namespace {

struct ImageText
{
    int x, y, points;
    quint32 colour;
    QString text;
};

QRect textBox(QPainter& canvas, const ImageText& t)
{
    QFont font = canvas.font();
    font.setPointSize(t.points);
    const QFontMetrics metrics(font, canvas.device());
    return QRect(t.x, t.y, metrics.horizontalAdvance(t.text), metrics.height());
}

} // namespace

void DrawImageText(QPainter& canvas, int x, int y, int points, quint32 colour, const QString& text)
{
    QFont font = canvas.font();
    font.setPointSize(points);
    canvas.setFont(font);
    canvas.setPen(ToQColor(colour));
    const QRect box = textBox(canvas, {x, y, points, colour, text});
    canvas.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

QImage DrawNowPlayingImage(const NowPlaying& state)
{
    QImage image(400, 90, QImage::Format_RGB32);
    image.setDotsPerMeterX(kDotsPerMeter);
    image.setDotsPerMeterY(kDotsPerMeter);
    QPainter canvas(&image);
    canvas.setFont(canvasFont(8));
    const QColor fill = ToQColor(state.unactive);
    canvas.setBrush(fill);
    // Two outlined boxes sharing the row y = 70.
    const auto box = [&](int x1, int y1, int x2, int y2) {
        canvas.fillRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)), ToQColor(state.border));
        canvas.fillRect(QRect(QPoint(x1 + 1, y1 + 1), QPoint(x2 - 2, y2 - 2)), fill);
    };
    box(0, 0, 400, 71);
    box(0, 70, 400, 90);

    const QString skin = QStringLiteral("Skin: ") + state.skinName;
    const int w = QFontMetrics(canvasFont(7), &image).horizontalAdvance(skin);
    const ImageText texts[] = {
        {10, 10, 14, state.clicked, QStringLiteral("Vimbo")},
        {65, 10, 14, state.over, QStringLiteral("Player")},
        {10, 35, 8, state.text, QStringLiteral("Now Playing:")},
        {10, 47, 8, state.text, state.trackLine},
        {5, 75, 7, 0, QStringLiteral("Download Now! ^ [") + QLatin1String(kMakerWebsite) + QStringLiteral("]")},
        {400 - w - 5, 75, 7, 0, skin},
    };
    // Every text stands on an opaque box of the fill colour. The boxes of
    // lines that lie close together overlap (the descenders of one line reach
    // into the box of the next), so all boxes are filled before any text is
    // drawn: no box covers the letters of another line.
    for (const ImageText& t : texts)
        canvas.fillRect(textBox(canvas, t), fill);
    for (const ImageText& t : texts)
        DrawImageText(canvas, t.x, t.y, t.points, t.colour, t.text);
    return image;
}

namespace {

struct JpegError
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void onJpegError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

} // namespace

QByteArray EncodeJpeg(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = onJpegError;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    // Nothing with a destructor lives between setjmp and a jump back to it.
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        std::free(out);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &out, &outSize);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(outSize));
    std::free(out);
    return bytes;
}

} // namespace vimbo
