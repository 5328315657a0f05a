// Profile (INI) files, as skins and lyric files are kept: "[Section]" lines
// and "Key=Value" lines. Sections and keys match case-insensitively, values
// are trimmed, the first match wins, and a write changes one line and keeps
// every other byte of the file. Each write replaces the file atomically.
// Files may be UTF-8 (with or without a byte-order mark), UTF-16 with its
// mark, or Windows-1252, and break lines with CRLF, LF or CR alone; a write
// keeps the file's encoding and line breaks. New files are UTF-8 with CRLF.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "platform/codepage.h"

#include <optional>

namespace vimbo {

class ProfileFile
{
public:
    // Reads `path`; a missing or unreadable file reads as empty (every key at its default).
    explicit ProfileFile(QString path);

    const QString& path() const { return m_path; }
    bool exists() const { return m_exists; }

    std::optional<QString> value(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& fallback = {}) const;
    // Decimal, "$1F" or "0x1F" (optionally signed); anything else gives `fallback`.
    qint32 readInteger(const QString& section, const QString& key, qint32 fallback) const;
    QStringList sections() const;
    QStringList keys(const QString& section) const;
    // Every key of `section` with the value it reads as, in file order (of
    // two copies of a key, the first), in one pass.
    QList<std::pair<QString, QString>> entries(const QString& section) const;

    // Sets one key, adding the key (at the end of its section) or the section
    // (at the end of the file) when missing. Returns false, leaving the file
    // as it was, when it cannot be written or the names cannot be stored.
    bool writeString(const QString& section, const QString& key, const QString& value);
    // Several keys of one section in one write: all of them or, when one
    // cannot be stored, none.
    bool writeStrings(const QString& section, const QList<std::pair<QString, QString>>& values);
    bool writeInteger(const QString& section, const QString& key, qint32 value);
    // Removes the key (every copy of it in the section that is read); true
    // when the file no longer holds it.
    bool deleteKey(const QString& section, const QString& key);

    // The integer rule on its own, for values read elsewhere.
    static std::optional<qint32> parseInteger(const QString& text);

private:
    struct Line
    {
        QByteArray raw;     // as in the file, without the line break
        QByteArray eol;     // the line's own break; empty for an unterminated last line
        QString section;    // set on "[Section]" lines
        QString key;        // set on "Key=Value" lines
        QString value;      // trimmed, outer quotes removed
        bool isSection = false;
        bool isKey = false;
    };

    Line parse(const QByteArray& raw) const;
    QString decode(const QByteArray& bytes) const;
    std::optional<QByteArray> encode(const QString& text) const;
    // Index range [first, end) of the lines that belong to `section`'s first occurrence.
    std::optional<std::pair<qsizetype, qsizetype>> sectionRange(const QString& section) const;
    qsizetype findKey(const QString& section, const QString& key) const;
    bool save(const QList<Line>& lines);
    // Sets one key in the lines held, without writing the file.
    bool setLine(const QString& section, const QString& key, const QString& value);

    QString m_path;
    bool m_exists = false;
    // Lines are held as UTF-8, or as the file's bytes for an 8-bit file.
    TextEncoding m_encoding = TextEncoding::Utf8;
    QByteArray m_eol = "\r\n";  // the file's own line break, for lines added
    QList<Line> m_lines;
};

} // namespace vimbo
