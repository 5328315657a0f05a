// Text of files written by other programs: lyric and skin files come from
// Windows editors as often as from ours, in UTF-8, UTF-16 or the Western
// 8-bit code page (Windows-1252, whose 0x80-0x9F are letters and quotes,
// not the control codes Latin-1 puts there).
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vimbo {

QString fromWindows1252(const QByteArray& bytes);
// Nothing when the text holds a character the code page has no byte for.
std::optional<QByteArray> toWindows1252(const QString& text);

enum class TextEncoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Windows1252 };

// A byte-order mark decides; without one, valid UTF-8 is UTF-8 and anything
// else is read as Windows-1252.
TextEncoding detectEncoding(const QByteArray& bytes);
// The text of `bytes` (without its byte-order mark).
QString decodeText(const QByteArray& bytes);

} // namespace vimbo
