#include "codepage.h"

#include <QHash>
#include <QStringDecoder>

namespace vimbo {

namespace {

// 0x80-0x9F of Windows-1252; the five bytes it leaves unassigned map to the
// code point of the same number, as Windows itself converts them.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QString fromWindows1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(kHighControls[b - 0x80]) : QChar(b);
    }
    return text;
}

std::optional<QByteArray> toWindows1252(const QString& text)
{
    static const QHash<char16_t, char> high = [] {
        QHash<char16_t, char> map;
        for (int i = 0; i < 32; ++i)
            map.insert(kHighControls[i], char(0x80 + i));
        return map;
    }();
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            bytes += char(u);
        } else if (const auto it = high.constFind(u); it != high.constEnd()) {
            bytes += *it;
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

TextEncoding detectEncoding(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return TextEncoding::Utf8Bom;
    if (bytes.startsWith("\xFF\xFE"))
        return TextEncoding::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return TextEncoding::Utf16BE;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(bytes);
    Q_UNUSED(decoded);
    return utf8.hasError() ? TextEncoding::Windows1252 : TextEncoding::Utf8;
}

QString decodeText(const QByteArray& bytes)
{
    switch (detectEncoding(bytes)) {
    case TextEncoding::Utf8Bom:
        return QString::fromUtf8(bytes.mid(3));
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        QStringDecoder utf16(detectEncoding(bytes) == TextEncoding::Utf16LE ? QStringDecoder::Utf16LE
                                                                           : QStringDecoder::Utf16BE);
        const QString text = utf16.decode(bytes.mid(2));
        return text;
    }
    case TextEncoding::Windows1252:
        return fromWindows1252(bytes);
    case TextEncoding::Utf8:
        break;
    }
    return QString::fromUtf8(bytes);
}

} // namespace vimbo
