// The texts under which a stored path is shown: its folder and file names,
// cut to fit the playlist's width, and the shared text tidier.
#pragma once

#include <QFontMetrics>
#include <QString>

namespace vimbo {

// Cuts text longer than `limit - 1` characters to `limit` + "...", upper-cases
// the first letter and every letter after a space, '_', '\', '/' or '-', and
// turns '_' (past the first character) into spaces.
QString CapitalizeName(QString text, int limit);

struct DisplayNames
{
    QString folderPath; // the folder holding the file, without a trailing separator
    QString folder;     // its last part, "Drive (C)" for a drive root; cut to fit
    QString name;       // the file name less its last four characters; cut to fit
};

// Display names of `path` for a view `width` pixels wide whose text is
// measured with `metrics`. Works on Windows paths (drive letters,
// "\\server\share") and POSIX paths alike.
DisplayNames MakeDisplayNames(const QString& path, const QFontMetrics& metrics, int width);

} // namespace vimbo
