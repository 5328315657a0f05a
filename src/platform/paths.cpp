#include "paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace vimbo {

namespace {

QString envFolder(const char* name)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? QString() : includeTrailingPathDelimiter(value);
}

QString xdgFolder(const char* variable, const QString& fallback, const QString& leaf)
{
    QString base = qEnvironmentVariable(variable);
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + fallback;
    return includeTrailingPathDelimiter(base) + leaf + '/';
}

QString runtimeFolder()
{
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty()) {
        // Qt makes and checks a private (0700) folder for us when the session has none.
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
    if (dir.isEmpty())
        dir = QDir::tempPath() + QStringLiteral("/vimbo-%1").arg(getuid());
    return includeTrailingPathDelimiter(dir);
}

// Index of the last delimiter, counting a drive colon ("C:") as one.
qsizetype lastDelimiter(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isPathDelimiter(path[i]) || (path[i] == ':' && i == 1))
            return i;
    }
    return -1;
}

} // namespace

PlayerFolders PlayerFolders::fromEnvironment()
{
    PlayerFolders f;
    f.config = envFolder("VIMBO_CONFIG_DIR");
    if (f.config.isEmpty())
        f.config = xdgFolder("XDG_CONFIG_HOME", QStringLiteral("/.config"), QStringLiteral("vimbo"));
    f.data = envFolder("VIMBO_DATA_DIR");
    if (f.data.isEmpty())
        f.data = xdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share"), QStringLiteral("vimbo"));
    f.program = envFolder("VIMBO_PROGRAM_DIR");
    if (f.program.isEmpty())
        f.program = includeTrailingPathDelimiter(QCoreApplication::applicationDirPath());
    f.runtime = runtimeFolder();
    return f;
}

bool isPathDelimiter(QChar c)
{
    return c == '/' || c == '\\';
}

QString includeTrailingPathDelimiter(const QString& path)
{
    if (!path.isEmpty() && isPathDelimiter(path.back()))
        return path;
    return path + '/';
}

QString extractFileName(const QString& path)
{
    return path.mid(lastDelimiter(path) + 1);
}

QString extractFilePath(const QString& path)
{
    return path.left(lastDelimiter(path) + 1);
}

QString extractFileExt(const QString& path)
{
    const QString name = extractFileName(path);
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot);
}

} // namespace vimbo
