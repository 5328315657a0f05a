#include "displaynames.h"

#include "platform/paths.h"

namespace vimbo {

namespace {

void upperAscii(QString& text, qsizetype i)
{
    const QChar c = text[i];
    if (c >= 'a' && c <= 'z')
        text[i] = QChar(c.unicode() - 'a' + 'A');
}

// The first `n` UTF-16 units of `text`, one fewer where the n-th would
// split a surrogate pair: texts are cut between characters.
QString leftChars(const QString& text, qsizetype n)
{
    if (n > 0 && n < text.size() && text[n - 1].isHighSurrogate() && text[n].isLowSurrogate())
        --n;
    return text.left(n);
}

// "C:" for "C:\..." and "\\server\share" for a network path; empty otherwise.
QString drivePart(const QString& path)
{
    if (path.size() >= 2 && path[1] == ':' && path[0].isLetter())
        return path.left(2);
    if (path.startsWith(QLatin1String("\\\\")) || path.startsWith(QLatin1String("//"))) {
        qsizetype slash = 2;
        while (slash < path.size() && !isPathDelimiter(path[slash]))
            ++slash;
        ++slash; // past the server
        while (slash < path.size() && !isPathDelimiter(path[slash]))
            ++slash;
        return path.left(slash);
    }
    return {};
}

// Cuts `text` to the longest prefix that leaves `margin` pixels free, less
// three characters, plus "..."; a text that fits is returned untouched.
QString fit(const QString& text, const QFontMetrics& metrics, int width, int margin)
{
    if (metrics.horizontalAdvance(text) + margin <= width)
        return text;
    for (qsizetype n = text.size(); n >= 0; --n) {
        if (n > 0 && n < text.size() && text[n].isLowSurrogate())
            continue; // half a character is no prefix
        if (metrics.horizontalAdvance(text.left(n)) + margin < width)
            return CapitalizeName(leftChars(text, std::max<qsizetype>(0, n - 3)) + QStringLiteral("..."), 250);
    }
    return text; // a view too narrow for any text: leave it whole
}

} // namespace

QString CapitalizeName(QString text, int limit)
{
    if (text.isEmpty())
        return text;
    if (text.size() >= limit)
        text = leftChars(text, limit) + QStringLiteral("...");
    upperAscii(text, 0);
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if ((c == ' ' || c == '_' || c == '\\' || c == '/' || c == '-') && i + 1 < text.size())
            upperAscii(text, i + 1);
        if (c == '_')
            text[i] = ' ';
    }
    return text;
}

DisplayNames MakeDisplayNames(const QString& path, const QFontMetrics& metrics, int width)
{
    DisplayNames names;
    names.folderPath = extractFilePath(path);
    names.folderPath.chop(1);
    const qsizetype slash = [&] {
        for (qsizetype i = names.folderPath.size() - 1; i >= 0; --i) {
            if (isPathDelimiter(names.folderPath[i]))
                return i;
        }
        return qsizetype(-1);
    }();
    names.folder = names.folderPath.mid(slash + 1);
    const QString drive = drivePart(path);
    if (!drive.isEmpty() && names.folder == drive)
        names.folder = QStringLiteral("Drive (%1)").arg(names.folderPath.left(1));
    else if (names.folderPath.isEmpty() && path.startsWith('/'))
        names.folder = QStringLiteral("/"); // a file in the POSIX root
    names.name = extractFileName(path);
    names.name.chop(4);
    names.folder = fit(names.folder, metrics, width, 70);
    names.name = fit(names.name, metrics, width, 90);
    return names;
}

} // namespace vimbo
