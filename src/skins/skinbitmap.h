// Reading a skin's picture: a Windows bitmap whose header is checked against
// the file before any pixel memory is taken.
#pragma once

#include <QImage>
#include <QString>

namespace vimbo {

// The largest picture a skin may have, per side. Skins are window pictures;
// this keeps a hostile header from making us allocate gigabytes.
constexpr int kMaxSkinSide = 8192;

// Loads `fileName`, or throws EInvalidGraphic with a message that names the
// file and says what is wrong (not a bitmap, too large, cut short, ...).
QImage LoadSkinBitmap(const QString& fileName);

// A 24-bit Windows bitmap file of `image`.
QByteArray EncodeBmp(const QImage& image);

} // namespace vimbo
