#include "id3tags.h"

#include "platform/codepage.h"

#include <QFile>

#include <algorithm>

namespace vimbo {

namespace {

quint32 bigEndian(const uchar* p, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    return v;
}

// Seven bits a byte; -1 when a byte has its top bit set (not a valid size).
qint64 syncSafe(const uchar* p)
{
    if ((p[0] | p[1] | p[2] | p[3]) & 0x80)
        return -1;
    return qint64(p[0]) << 21 | p[1] << 14 | p[2] << 7 | p[3];
}

// The bytes past the first `n`; none when there are not that many.
QByteArrayView after(QByteArrayView bytes, qsizetype n)
{
    return bytes.sliced(std::min(n, bytes.size()));
}

// Undoes the unsynchronisation scheme: every 0xFF 0x00 stands for 0xFF.
QByteArray resync(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        if (uchar(bytes[i]) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0)
            ++i;
    }
    return out;
}

QString utf16(QByteArrayView bytes, bool bigEndianOrder)
{
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = bigEndianOrder ? char16_t(uchar(bytes[i]) << 8 | uchar(bytes[i + 1]))
                                             : char16_t(uchar(bytes[i + 1]) << 8 | uchar(bytes[i]));
        if (unit == 0)
            break; // the end of the first value
        text += QChar(unit);
    }
    return text;
}

// A text frame's first value, in the encoding its first byte names.
QString textFrame(QByteArrayView data)
{
    if (data.isEmpty())
        return {};
    const uchar encoding = uchar(data[0]);
    QByteArrayView text = after(data, 1);
    const auto firstValue = [](QByteArrayView bytes) {
        const qsizetype end = bytes.indexOf('\0');
        return end < 0 ? bytes : bytes.first(end);
    };
    switch (encoding) {
    case 0: return fromWindows1252(firstValue(text).toByteArray()).trimmed();
    case 3: return QString::fromUtf8(firstValue(text)).trimmed();
    case 1:
    case 2: {
        bool big = encoding == 2;
        if (text.size() >= 2 && uchar(text[0]) == 0xFF && uchar(text[1]) == 0xFE) {
            big = false;
            text = after(text, 2);
        } else if (text.size() >= 2 && uchar(text[0]) == 0xFE && uchar(text[1]) == 0xFF) {
            big = true;
            text = after(text, 2);
        }
        return utf16(text, big).trimmed();
    }
    default: return {}; // an encoding no version defines
    }
}

void parseId3v2(const QByteArray& head, Id3Tags& tags)
{
    const auto* h = reinterpret_cast<const uchar*>(head.constData());
    if (head.size() < 10 || !head.startsWith("ID3"))
        return;
    const int version = h[3];
    const uchar flags = h[5];
    const qint64 size = syncSafe(h + 6);
    if (version < 2 || version > 4 || size < 0)
        return;
    // A tag cut short by the read limit is read as far as it goes.
    QByteArray body = head.mid(10, qsizetype(std::min<qint64>(size, head.size() - 10)));
    // Before 2.4 the whole tag is unsynchronised at once; 2.4 does it frame by frame.
    if ((flags & 0x80) && version < 4)
        body = resync(body);
    if (version == 2 && (flags & 0x40))
        return; // a compressed 2.2 tag: no scheme was ever defined for it
    qsizetype at = 0;
    if (version >= 3 && (flags & 0x40)) {
        if (body.size() < 4)
            return;
        const auto* e = reinterpret_cast<const uchar*>(body.constData());
        const qint64 extended = version == 3 ? qint64(bigEndian(e, 4)) + 4 : syncSafe(e);
        if (extended < 4 || extended > body.size())
            return;
        at = qsizetype(extended);
    }

    const int idLength = version == 2 ? 3 : 4;
    const int headerLength = version == 2 ? 6 : 10;
    const QByteArrayView titleId = version == 2 ? "TT2" : "TIT2";
    const QByteArrayView artistId = version == 2 ? "TP1" : "TPE1";
    while (at + headerLength <= body.size() && (tags.title.isEmpty() || tags.artist.isEmpty())) {
        const auto* f = reinterpret_cast<const uchar*>(body.constData() + at);
        if (f[0] == 0)
            break; // padding
        const QByteArrayView id(body.constData() + at, idLength);
        const qint64 frameSize = version == 2 ? qint64(bigEndian(f + 3, 3))
                                 : version == 3 ? qint64(bigEndian(f + 4, 4))
                                                : syncSafe(f + 4);
        if (frameSize < 0 || frameSize > body.size() - at - headerLength)
            break;
        QByteArrayView data(body.constData() + at + headerLength, qsizetype(frameSize));
        at += headerLength + qsizetype(frameSize);
        if (id != titleId && id != artistId)
            continue;
        const uchar format = version == 2 ? 0 : f[9];
        QByteArray resynced;
        if (version == 3) {
            if (format & 0xC0)
                continue; // compressed or encrypted
            if (format & 0x20)
                data = after(data, 1); // group identifier
        } else if (version == 4) {
            if (format & 0x0C)
                continue; // compressed or encrypted
            if (format & 0x40)
                data = after(data, 1);
            if (format & 0x01)
                data = after(data, 4); // data length indicator
            if ((format & 0x02) || (flags & 0x80)) {
                resynced = resync(data);
                data = resynced;
            }
        }
        QString& field = id == titleId ? tags.title : tags.artist;
        if (field.isEmpty())
            field = textFrame(data);
    }
}

// A fixed-width ID3v1 field: padded with zeros or spaces.
QString id3v1Field(const QByteArray& tail, int from, int length)
{
    QByteArray field = tail.mid(from, length);
    const qsizetype end = field.indexOf('\0');
    if (end >= 0)
        field.truncate(end);
    return fromWindows1252(field).trimmed();
}

} // namespace

Id3Tags ParseId3Tags(const QByteArray& head, const QByteArray& tail)
{
    Id3Tags tags;
    parseId3v2(head, tags);
    if (tail.size() >= 128) {
        const QByteArray v1 = tail.right(128);
        if (v1.startsWith("TAG")) {
            if (tags.title.isEmpty())
                tags.title = id3v1Field(v1, 3, 30);
            if (tags.artist.isEmpty())
                tags.artist = id3v1Field(v1, 33, 30);
        }
    }
    return tags;
}

Id3Tags ReadId3Tags(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray head = file.read(10);
    if (head.size() == 10 && head.startsWith("ID3")) {
        const qint64 size = syncSafe(reinterpret_cast<const uchar*>(head.constData()) + 6);
        if (size > 0)
            head += file.read(std::min<qint64>(size, kLargestId3Read));
    }
    QByteArray tail;
    if (file.size() >= 128 && file.seek(file.size() - 128))
        tail = file.read(128);
    return ParseId3Tags(head, tail);
}

} // namespace vimbo
