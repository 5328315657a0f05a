#include "associations.h"

#include "platform/errors.h"
#include "platform/profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace vimbo {

namespace {

QString xdgHome(const char* variable, const QString& fallback)
{
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? value : QDir::homePath() + fallback;
}

void writeWhole(const QString& path, const QByteArray& content)
{
    // Unchanged content is not rewritten; a new one replaces the file whole.
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
}

QString xmlEscaped(const QString& text)
{
    return text.toHtmlEscaped();
}

// The general escapes of a desktop-entry string value.
QString desktopValue(const QString& text)
{
    QString out;
    for (QChar c : text) {
        if (c == '\\')
            out += QLatin1String("\\\\");
        else if (c == '\n')
            out += QLatin1String("\\n");
        else if (c == '\t')
            out += QLatin1String("\\t");
        else if (c == '\r')
            out += QLatin1String("\\r");
        else
            out += c;
    }
    return out;
}

} // namespace

FileAssociations FileAssociations::fromEnvironment()
{
    return FileAssociations(xdgHome("XDG_DATA_HOME", QStringLiteral("/.local/share")),
                            xdgHome("XDG_CONFIG_HOME", QStringLiteral("/.config")));
}

FileAssociations::FileAssociations(QString dataHome, QString configHome)
    : m_dataHome(std::move(dataHome)), m_configHome(std::move(configHome))
{
}

QString FileAssociations::desktopFilePath() const
{
    return m_dataHome + QStringLiteral("/applications/") + QLatin1String(kDesktopFileName);
}

QString FileAssociations::mimePackagePath() const
{
    return m_dataHome + QStringLiteral("/mime/packages/vimbo.xml");
}

QString FileAssociations::mimeAppsPath() const
{
    return m_configHome + QStringLiteral("/mimeapps.list");
}

QString FileAssociations::quoteExecArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString quoted = argument;
    const bool needsQuotes =
        argument.isEmpty() || std::any_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); });
    if (needsQuotes) {
        quoted.clear();
        for (QChar c : argument) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        quoted = '"' + quoted + '"';
    }
    // A literal '%' would read as a field code.
    quoted.replace('%', QLatin1String("%%"));
    return quoted;
}

void FileAssociations::RegisterFileType(const QString& extension, const QString& fileTypeKey,
                                        const QString& description, const QString& executablePath,
                                        const QString& commandArguments, int iconIndex)
{
    Q_UNUSED(iconIndex); // one icon: the program's
    if (!m_types.contains(fileTypeKey))
        m_types << fileTypeKey;
    // Types the system's MIME database already knows keep their definition;
    // ours are defined here with our description.
    if (isOwnFileType(fileTypeKey) &&
        std::none_of(m_ownTypes.begin(), m_ownTypes.end(), [&](const auto& t) { return t.type == fileTypeKey; })) {
        m_ownTypes.append({fileTypeKey, description, '*' + extension});
        writeMimePackage();
    }
    writeDesktopEntry(executablePath, commandArguments);

    ProfileFile mimeApps(mimeAppsPath());
    const QString ourEntry = QLatin1String(kDesktopFileName) + ';';
    QDir().mkpath(m_configHome);
    if (!mimeApps.writeString(QStringLiteral("Default Applications"), fileTypeKey, ourEntry))
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\".").arg(mimeAppsPath()));
    QString added = mimeApps.readString(QStringLiteral("Added Associations"), fileTypeKey);
    if (!added.split(';', Qt::SkipEmptyParts).contains(QLatin1String(kDesktopFileName))) {
        added = ourEntry + added;
        if (!mimeApps.writeString(QStringLiteral("Added Associations"), fileTypeKey, added))
            throw EFCreateError(QStringLiteral("Cannot create file \"%1\".").arg(mimeAppsPath()));
    }
}

void FileAssociations::writeDesktopEntry(const QString& executablePath, const QString& commandArguments)
{
    writeWhole(desktopFilePath(), desktopEntryText(quoteExecArgument(executablePath) + ' ' + commandArguments, m_types));

    // The icon the entry names, in the user's icon theme folder.
    const QString iconPath = m_dataHome + QStringLiteral("/icons/hicolor/64x64/apps/vimbo.png");
    QFile icon(QStringLiteral(":/vimbo/icons/vimbo.png"));
    if (icon.open(QIODevice::ReadOnly))
        writeWhole(iconPath, icon.readAll());
}

void FileAssociations::writeMimePackage()
{
    writeWhole(mimePackagePath(), mimePackageText(m_ownTypes));
}

void FileAssociations::UpdateMimeDatabase() const
{
    // The system's own tool compiles the package into the user's MIME cache;
    // where it is missing, desktops rebuild the cache themselves later.
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (tool.isEmpty())
        return;
    QProcess::execute(tool, {m_dataHome + QStringLiteral("/mime")});
}

const QList<PlayerFileType>& playerFileTypes()
{
    static const QList<PlayerFileType> types = {
        {".mp3", "audio/mpeg", "Vimbo - Media File"},
        {".wav", "audio/x-wav", "Vimbo - Media File"},
        {".cda", "audio/x-cda", "Vimbo - Media File"},
        {".ssk", "application/x-vimbo-skin", "Vimbo - Skin File"},
        {".sly", "application/x-vimbo-lyric", "Vimbo - Lyric File"},
        {".lrc", "application/x-vimbo-lrc", "Vimbo - Lyric File"},
    };
    return types;
}

bool isOwnFileType(const QString& type)
{
    return type.startsWith(QLatin1String("application/x-vimbo-")) || type == QLatin1String("audio/x-cda");
}

QList<OwnFileType> ownFileTypes()
{
    QList<OwnFileType> own;
    for (const PlayerFileType& t : playerFileTypes()) {
        if (isOwnFileType(QLatin1String(t.type)))
            own.append({QLatin1String(t.type), QLatin1String(t.description), '*' + QLatin1String(t.extension)});
    }
    return own;
}

QByteArray desktopEntryText(const QString& exec, const QStringList& types)
{
    QString entry = QStringLiteral("[Desktop Entry]\n"
                                   "Type=Application\n"
                                   "Name=Vimbo Media Player\n"
                                   "GenericName=Media Player\n"
                                   "Comment=Plays MP3, WAV and audio CD tracks in a skinnable window\n");
    entry += QStringLiteral("Exec=") + desktopValue(exec) + '\n';
    entry += QStringLiteral("Icon=vimbo\n"
                            "Terminal=false\n"
                            "Categories=AudioVideo;Audio;Player;\n");
    entry += QStringLiteral("MimeType=") + types.join(';') + QStringLiteral(";\n");
    return entry.toUtf8();
}

QByteArray mimePackageText(const QList<OwnFileType>& types)
{
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n");
    for (const OwnFileType& t : types) {
        xml += QStringLiteral("  <mime-type type=\"%1\">\n    <comment>%2</comment>\n    <icon name=\"vimbo\"/>\n"
                              "    <glob pattern=\"%3\"/>\n  </mime-type>\n")
                   .arg(xmlEscaped(t.type), xmlEscaped(t.description), xmlEscaped(t.glob));
    }
    xml += QStringLiteral("</mime-info>\n");
    return xml.toUtf8();
}

void AssociateFiles(FileAssociations& associations, const QString& executablePath)
{
    for (const PlayerFileType& t : playerFileTypes())
        associations.RegisterFileType(QLatin1String(t.extension), QLatin1String(t.type),
                                      QLatin1String(t.description), executablePath, QStringLiteral("%f"), 0);
    associations.UpdateMimeDatabase();
}

} // namespace vimbo
