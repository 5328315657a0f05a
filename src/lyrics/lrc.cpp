#include "lrc.h"

#include "platform/codepage.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>

#include <optional>

namespace vimbo {

namespace {

// The time of a tag in milliseconds: "mm:ss", "mm:ss.f" (one to three
// digits of fraction), "mm:ss:ff" (the fraction after a colon, as some
// editors write it) or "hh:mm:ss.f".
std::optional<qint64> parseTime(QStringView tag)
{
    static const QRegularExpression minutes(QStringLiteral(R"(^\s*(\d{1,6}):(\d{1,2})(?:[.:](\d{1,3}))?\s*$)"));
    static const QRegularExpression hours(QStringLiteral(R"(^\s*(\d{1,3}):(\d{1,2}):(\d{1,2})\.(\d{1,3})\s*$)"));
    const QString text = tag.toString();
    qint64 h = 0, m = 0, sec = 0;
    QString fraction;
    if (const auto match = minutes.match(text); match.hasMatch()) {
        m = match.captured(1).toLongLong();
        sec = match.captured(2).toLongLong();
        fraction = match.captured(3);
    } else if (const auto longer = hours.match(text); longer.hasMatch()) {
        h = longer.captured(1).toLongLong();
        m = longer.captured(2).toLongLong();
        sec = longer.captured(3).toLongLong();
        fraction = longer.captured(4);
    } else {
        return std::nullopt;
    }
    qint64 ms = fraction.toLongLong();
    for (qsizetype digits = fraction.size(); digits < 3; ++digits)
        ms *= 10;
    return ((h * 60 + m) * 60 + sec) * 1000 + ms;
}

} // namespace

QMap<qint32, QString> ReadLrc(const QByteArray& bytes)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    static const QRegularExpression wordTag(QStringLiteral(R"(<\d{1,4}:\d{1,2}(?:[.:]\d{1,3})?>)"));
    static const QRegularExpression offsetTag(QStringLiteral(R"(^\s*offset\s*:\s*([+-]?\d{1,9})\s*$)"),
                                              QRegularExpression::CaseInsensitiveOption);

    struct Timed
    {
        qint64 ms;
        QString text;
    };
    QList<Timed> timed;
    qint64 offset = 0;
    const QString text = decodeText(bytes);
    for (const QStringView line : QStringView(text).split(lineBreak)) {
        QStringView rest = line.trimmed();
        QList<qint64> times;
        while (rest.startsWith('[')) {
            const qsizetype close = rest.indexOf(']');
            if (close < 0)
                break;
            const QStringView tag = rest.sliced(1, close - 1);
            if (const auto ms = parseTime(tag)) {
                times << *ms;
            } else if (const auto m = offsetTag.match(tag.toString()); m.hasMatch()) {
                offset = m.capturedView(1).toLongLong();
            } else {
                break; // a header tag ([ar:...], [ti:...]) or text that starts with a bracket
            }
            rest = rest.sliced(close + 1);
        }
        if (times.isEmpty())
            continue;
        QString shown = rest.toString();
        shown.remove(wordTag);
        shown = shown.simplified();
        if (shown.isEmpty())
            continue; // an empty line would never be shown
        for (const qint64 ms : times)
            timed.push_back({ms, shown});
    }

    QMap<qint32, QString> lines;
    for (const Timed& t : timed) {
        // Keys count tenths; a line moved before the start shows at the start.
        const qint64 key = std::clamp<qint64>((t.ms - offset) / 100, 0, std::numeric_limits<qint32>::max());
        QString& at = lines[qint32(key)];
        at = at.isEmpty() ? t.text : at + QStringLiteral(" / ") + t.text;
    }
    return lines;
}

QByteArray WriteLrc(const QList<std::pair<qint32, QString>>& lines)
{
    QByteArray out;
    for (const auto& [key, text] : lines) {
        const qint64 centis = qint64(qMax(key, 0)) * 10;
        const QString tag = QString::asprintf("[%02lld:%02lld.%02lld]", centis / 6000, centis / 100 % 60, centis % 100);
        out += (tag + text).toUtf8() + "\r\n";
    }
    return out;
}

} // namespace vimbo
