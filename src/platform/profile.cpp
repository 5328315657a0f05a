#include "profile.h"

#include <QFile>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <utility>
#include <QStringEncoder>

namespace vimbo {

namespace {

QString unquote(const QString& text)
{
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        return text.mid(1, text.size() - 2);
    return text;
}

} // namespace

ProfileFile::ProfileFile(QString path) : m_path(std::move(path))
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    m_exists = true;
    QByteArray content = file.readAll();
    m_encoding = detectEncoding(content);
    switch (m_encoding) {
    case TextEncoding::Utf8Bom:
        content.remove(0, 3);
        break;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        content = decodeText(content).toUtf8();
        break;
    case TextEncoding::Utf8:
    case TextEncoding::Windows1252:
        break;
    }
    // CRLF, LF and CR alone all end a line; each line keeps its own break so
    // that a write gives back every other byte as it was.
    bool eolChosen = false;
    qsizetype begin = 0;
    const qsizetype size = content.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = content[i];
        if (c != '\n' && c != '\r')
            continue;
        const qsizetype breakSize = (c == '\r' && i + 1 < size && content[i + 1] == '\n') ? 2 : 1;
        Line line = parse(content.mid(begin, i - begin));
        line.eol = content.mid(i, breakSize);
        if (!eolChosen) {
            m_eol = line.eol;
            eolChosen = true;
        }
        m_lines << line;
        i += breakSize - 1;
        begin = i + 1;
    }
    if (begin < size)
        m_lines << parse(content.mid(begin));
}

QString ProfileFile::decode(const QByteArray& bytes) const
{
    return m_encoding == TextEncoding::Windows1252 ? fromWindows1252(bytes) : QString::fromUtf8(bytes);
}

std::optional<QByteArray> ProfileFile::encode(const QString& text) const
{
    if (m_encoding == TextEncoding::Windows1252)
        return toWindows1252(text);
    return text.toUtf8();
}

ProfileFile::Line ProfileFile::parse(const QByteArray& raw) const
{
    Line line;
    line.raw = raw;
    const QString text = decode(raw).trimmed();
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        line.isSection = true;
        line.section = (close < 0 ? text.mid(1) : text.mid(1, close - 1)).trimmed();
    } else if (!text.startsWith(';')) {
        const qsizetype eq = text.indexOf('=');
        if (eq > 0) {
            line.isKey = true;
            line.key = text.left(eq).trimmed();
            line.value = unquote(text.mid(eq + 1).trimmed());
        }
    }
    return line;
}

std::optional<std::pair<qsizetype, qsizetype>> ProfileFile::sectionRange(const QString& section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].isSection && m_lines[i].section.compare(section, Qt::CaseInsensitive) == 0) {
            qsizetype end = i + 1;
            while (end < m_lines.size() && !m_lines[end].isSection)
                ++end;
            return std::pair(i + 1, end);
        }
    }
    return std::nullopt;
}

qsizetype ProfileFile::findKey(const QString& section, const QString& key) const
{
    const auto range = sectionRange(section);
    if (!range)
        return -1;
    for (qsizetype i = range->first; i < range->second; ++i) {
        if (m_lines[i].isKey && m_lines[i].key.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

std::optional<QString> ProfileFile::value(const QString& section, const QString& key) const
{
    const qsizetype i = findKey(section, key);
    return i < 0 ? std::nullopt : std::optional(m_lines[i].value);
}

QString ProfileFile::readString(const QString& section, const QString& key, const QString& fallback) const
{
    return value(section, key).value_or(fallback);
}

std::optional<qint32> ProfileFile::parseInteger(const QString& text)
{
    QString digits = text.trimmed();
    bool negative = false;
    if (digits.startsWith('-') || digits.startsWith('+')) {
        negative = digits.front() == '-';
        digits.remove(0, 1);
    }
    int base = 10;
    if (digits.startsWith('$')) {
        base = 16;
        digits.remove(0, 1);
    } else if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        digits.remove(0, 2);
    }
    if (digits.isEmpty() || digits.front() == '+' || digits.front() == '-')
        return std::nullopt;
    bool ok = false;
    const qint64 magnitude = digits.toLongLong(&ok, base);
    // Hexadecimal may spell the full 32 bits ($FFFFFFFF is -1); decimal must fit.
    const qint64 limit = base == 16 ? 0xFFFFFFFFLL : (negative ? 0x80000000LL : 0x7FFFFFFFLL);
    if (!ok || magnitude < 0 || magnitude > limit)
        return std::nullopt;
    const qint32 value = qint32(quint32(magnitude));
    return negative ? qint32(0u - quint32(value)) : value;
}

qint32 ProfileFile::readInteger(const QString& section, const QString& key, qint32 fallback) const
{
    const auto text = value(section, key);
    return text ? parseInteger(*text).value_or(fallback) : fallback;
}

QStringList ProfileFile::sections() const
{
    QStringList out;
    QSet<QString> seen;
    for (const Line& line : m_lines) {
        if (line.isSection && !seen.contains(line.section.toCaseFolded())) {
            seen.insert(line.section.toCaseFolded());
            out << line.section;
        }
    }
    return out;
}

QList<std::pair<QString, QString>> ProfileFile::entries(const QString& section) const
{
    QList<std::pair<QString, QString>> out;
    QSet<QString> seen; // folded: keys match whatever their case
    if (const auto range = sectionRange(section)) {
        for (qsizetype i = range->first; i < range->second; ++i) {
            const Line& line = m_lines[i];
            if (line.isKey && !seen.contains(line.key.toCaseFolded())) {
                seen.insert(line.key.toCaseFolded());
                out.push_back({line.key, line.value});
            }
        }
    }
    return out;
}

QStringList ProfileFile::keys(const QString& section) const
{
    QStringList out;
    for (const auto& [key, value] : entries(section))
        out << key;
    return out;
}

bool ProfileFile::writeString(const QString& section, const QString& key, const QString& value)
{
    return writeStrings(section, {{key, value}});
}

bool ProfileFile::writeStrings(const QString& section, const QList<std::pair<QString, QString>>& values)
{
    const QList<Line> before = m_lines;
    for (const auto& [key, value] : values) {
        if (!setLine(section, key, value)) {
            m_lines = before;
            return false;
        }
    }
    const QList<Line> after = std::exchange(m_lines, before);
    return save(after);
}

bool ProfileFile::setLine(const QString& rawSection, const QString& rawKey, const QString& rawValue)
{
    // Names are read trimmed; written untrimmed they would never be found
    // again, and every write would add another copy.
    const QString section = rawSection.trimmed();
    const QString key = rawKey.trimmed();
    // A name that would read back as something else is refused; a line break
    // in a value would split it into lines of its own, so it becomes a space.
    const auto breaksLine = [](const QString& s) { return s.contains('\n') || s.contains('\r'); };
    if (key.trimmed().isEmpty() || key.contains('=') || key.trimmed().startsWith('[') ||
        key.trimmed().startsWith(';') || breaksLine(key) || breaksLine(section) || section.contains(']'))
        return false;
    QString value = rawValue;
    value.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace('\n', ' ').replace('\r', ' ');
    // An 8-bit file cannot hold every character; it is not converted behind
    // the user's back, so such a write fails.
    const auto lineOf = [this](const QString& text) -> std::optional<Line> {
        const auto bytes = encode(text);
        if (!bytes)
            return std::nullopt;
        Line line = parse(*bytes);
        line.eol = m_eol;
        return line;
    };
    const qsizetype existing = findKey(section, key);
    if (existing >= 0) {
        // The key keeps its own spelling and its line break; only the value changes.
        auto changed = lineOf(m_lines[existing].key + '=' + value);
        if (!changed)
            return false;
        changed->eol = m_lines[existing].eol;
        m_lines[existing] = *changed;
        return true;
    }
    const auto entry = lineOf(key + '=' + value);
    const auto header = lineOf('[' + section + ']');
    if (!entry || !header)
        return false;
    if (const auto range = sectionRange(section)) {
        // After the section's last key: blank lines and comments after it
        // belong to what follows.
        qsizetype at = range->first;
        for (qsizetype i = range->first; i < range->second; ++i) {
            if (m_lines[i].isKey)
                at = i + 1;
        }
        if (at > 0 && m_lines[at - 1].eol.isEmpty())
            m_lines[at - 1].eol = m_eol;
        m_lines.insert(at, *entry);
    } else {
        if (!m_lines.isEmpty() && m_lines.back().eol.isEmpty())
            m_lines.back().eol = m_eol;
        m_lines << *header << *entry;
    }
    return true;
}

bool ProfileFile::writeInteger(const QString& section, const QString& key, qint32 value)
{
    return writeString(section, key, QString::number(value));
}

bool ProfileFile::deleteKey(const QString& section, const QString& key)
{
    if (findKey(section, key) < 0)
        return true;
    // A second copy of the key would be read once the first is gone.
    QList<Line> lines = m_lines;
    const auto range = sectionRange(section);
    for (qsizetype i = range->second - 1; i >= range->first; --i) {
        if (lines[i].isKey && lines[i].key.compare(key, Qt::CaseInsensitive) == 0)
            lines.removeAt(i);
    }
    return save(lines);
}

bool ProfileFile::save(const QList<Line>& given)
{
    QList<Line> lines = given;
    QByteArray content;
    for (const Line& line : lines)
        content += line.raw + line.eol;
    TextEncoding encoding = m_encoding;
    // An 8-bit file is told from UTF-8 by its bytes alone. A write that takes
    // away its last byte that cannot be UTF-8 would make every other letter
    // above ASCII read as something else; such a file is turned into UTF-8,
    // marked as such, so that each value reads as it did.
    const bool beyondAscii = std::any_of(content.cbegin(), content.cend(), [](char c) { return c & 0x80; });
    if (encoding == TextEncoding::Windows1252 && beyondAscii &&
        detectEncoding(content) != TextEncoding::Windows1252) {
        for (Line& line : lines)
            line.raw = fromWindows1252(line.raw).toUtf8();
        encoding = TextEncoding::Utf8Bom;
        content.clear();
        for (const Line& line : lines)
            content += line.raw + line.eol;
    }
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        content.prepend("\xEF\xBB\xBF");
        break;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        const bool little = m_encoding == TextEncoding::Utf16LE;
        QStringEncoder utf16(little ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE);
        const QByteArray encoded = utf16.encode(QString::fromUtf8(content));
        content = QByteArray(little ? "\xFF\xFE" : "\xFE\xFF") + encoded;
        break;
    }
    case TextEncoding::Utf8:
    case TextEncoding::Windows1252:
        break;
    }
    // Written beside the file and renamed over it: a reader sees the old file
    // or the new one, never a half-written one.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return false;
    m_lines = lines;
    m_encoding = encoding;
    m_exists = true;
    return true;
}

} // namespace vimbo
