#include "paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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
    const QString executableFolder = includeTrailingPathDelimiter(QCoreApplication::applicationDirPath());
    ProgramFolderFacts facts;
    facts.override = envFolder("VIMBO_PROGRAM_DIR");
    facts.executableFolder = executableFolder;
    facts.data = f.data;
    if (facts.override.isEmpty()) {
        facts.executableFolderWritable = isWritableFolder(executableFolder);
        facts.installedLayout = isInstalledLayout(executableFolder);
    }
    f.program = chooseProgramFolder(facts);
    f.runtime = runtimeFolder();
    if (const QString shipped = shippedSkinsFolder(executableFolder); QFileInfo(shipped).isDir())
        f.shippedSkins = shipped;
    return f;
}

QString chooseProgramFolder(const ProgramFolderFacts& facts)
{
    if (!facts.override.isEmpty())
        return includeTrailingPathDelimiter(facts.override);
    if (facts.executableFolderWritable && !facts.installedLayout)
        return includeTrailingPathDelimiter(facts.executableFolder);
    return includeTrailingPathDelimiter(facts.data);
}

QString shippedSkinsFolder(const QString& executableFolder)
{
    return includeTrailingPathDelimiter(
        QDir::cleanPath(includeTrailingPathDelimiter(executableFolder) + QStringLiteral("../share/vimbo/Skins")));
}

bool isInstalledLayout(const QString& executableFolder)
{
    return QDir(executableFolder).dirName() == QLatin1String("bin") &&
           QFileInfo(shippedSkinsFolder(executableFolder)).isDir();
}

bool isWritableFolder(const QString& folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

QStringList copyMissingSkins(const QString& shippedFolder, const QString& skinsFolder)
{
    QStringList failures;
    if (shippedFolder.isEmpty())
        return failures; // not "the current folder"
    const QDir shipped(shippedFolder);
    for (const QString& name : shipped.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        const QString target = includeTrailingPathDelimiter(skinsFolder) + name;
        // A dangling link counts as there too: it is the user's, not ours to replace.
        if (QFileInfo(target).exists() || QFileInfo(target).isSymLink())
            continue;
        QFile source(shipped.filePath(name));
        if (!source.copy(target)) {
            failures << QStringLiteral("Cannot copy the skin file \"%1\" to \"%2\": %3")
                            .arg(source.fileName(), target, source.errorString());
            continue;
        }
        // The installed file may be read-only (as a package leaves it); the
        // copy is the user's to edit, in the skin generator or elsewhere.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::ReadOwner | QFile::WriteOwner);
    }
    return failures;
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
