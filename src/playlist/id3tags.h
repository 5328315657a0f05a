// The title and artist an MP3 file names itself by: its ID3v2 tag at the
// start (versions 2.2, 2.3 and 2.4) or, failing that, the ID3v1 tag in its
// last 128 bytes. Every length in the tag is checked against the bytes read.
#pragma once

#include <QByteArray>
#include <QString>

namespace vimbo {

struct Id3Tags
{
    QString title;
    QString artist;
};

// The most of a file's start that is read for its tag; a larger tag's
// frames past this point are not looked at.
inline constexpr qsizetype kLargestId3Read = 1 << 20;

// `head` is the file's first bytes, `tail` its last 128 (or fewer); a field
// missing from the ID3v2 tag is taken from the ID3v1 one.
Id3Tags ParseId3Tags(const QByteArray& head, const QByteArray& tail);
// The tags of the file at `path`; empty fields when it has none or cannot be read.
Id3Tags ReadId3Tags(const QString& path);

} // namespace vimbo
