// The now-playing picture: 400 x 90, drawn in the skin's colours from a
// snapshot of the player's state, then encoded as JPEG (libjpeg) and BMP.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QString>

namespace vimbo {

// What the picture shows, copied from the main window at one moment.
struct NowPlaying
{
    QString trackLine = QStringLiteral("None"); // "folder :: name", or "None"
    QString skinName = QStringLiteral("Default");
    quint32 unactive = 0, border = 0, text = 0, clicked = 0, over = 0; // skin colours, red in the low byte

    // Equal states give the same picture, to the byte.
    bool operator==(const NowPlaying&) const = default;
};

// The track line for a playlist entry's path, names cut to the playlist
// view's font and width as the view shows them; "None" without a name.
QString TrackLineFor(const QString& path, const QFont& viewFont, int viewWidth);

// Draws `text` with its top-left corner at (x, y), `points` high, in the
// canvas's font. The background is left as it is: the picture fills the
// boxes of all its texts first.
void DrawImageText(class QPainter& canvas, int x, int y, int points, quint32 colour, const QString& text);

QImage DrawNowPlayingImage(const NowPlaying& state);

// Baseline colour JPEG, quality 90, through libjpeg. Empty on failure.
QByteArray EncodeJpeg(const QImage& image);

} // namespace vimbo
