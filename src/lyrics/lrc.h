// LRC files, the timed lyrics most people already have beside their tracks:
// "[mm:ss.xx]text" lines, read into the player's position keys (tenths of a
// second) and written back from them.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <utility>

namespace vimbo {

// The timed lines of an LRC file by key (tenths of a second, the decoder's
// position unit). Time tags [mm:ss], [mm:ss.x], [mm:ss.xx], [mm:ss.xxx],
// [mm:ss:xx] and [hh:mm:ss.xx], several on one line; [offset:+/-ms] moves every line (a
// positive offset shows them earlier); header tags and untimed lines are
// skipped; word tags "<mm:ss.xx>" are taken out of the text. Lines that fall
// on one key are joined with " / " in file order. The bytes may carry a
// byte-order mark; UTF-8 is read as such, anything else as Windows-1252.
QMap<qint32, QString> ReadLrc(const QByteArray& bytes);

// An LRC file of `lines` (key in tenths, text), in the order given, with
// [mm:ss.xx] tags and CRLF breaks, in UTF-8.
QByteArray WriteLrc(const QList<std::pair<qint32, QString>>& lines);

} // namespace vimbo
