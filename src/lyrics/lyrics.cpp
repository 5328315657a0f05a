#include "lyrics.h"

#include "lyrics/lrc.h"
#include "platform/profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vimbo {

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kAttachedTo = QStringLiteral("AttachedTo");
const QString kTimers = QStringLiteral("Timers");

constexpr qint64 kLargestLyricFile = LyricLibrary::kLargestLyricFile;
QByteArray readSmallFile(const QString& path)
{
    QFile file(path);
    if (file.size() > kLargestLyricFile || !file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString withoutExtension(const QString& path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf('.');
    return dot > 0 ? info.path() + '/' + name.left(dot) : path;
}

} // namespace

LyricLines LyricLines::FromProfile(const ProfileFile& file)
{
    LyricLines lines;
    const auto entries = file.entries(kTimers);
    lines.m_lines.reserve(entries.size());
    for (const auto& [key, value] : entries)
        lines.m_lines.insert(key, value);
    return lines;
}

LyricLines LyricLines::FromLrc(const QByteArray& bytes)
{
    LyricLines lines;
    const QMap<qint32, QString> timed = ReadLrc(bytes);
    for (auto it = timed.cbegin(); it != timed.cend(); ++it)
        lines.m_lines.insert(QString::number(it.key()), it.value());
    return lines;
}

QString LyricLibrary::AttachedTo(const QString& lyricFile)
{
    if (QFileInfo(lyricFile).size() > kLargestLyricFile)
        return {};
    return ProfileFile(lyricFile).readString(kSettings, kAttachedTo);
}

QString LyricLibrary::attachedToOf(const QString& file)
{
    const QFileInfo info(file);
    Known& known = m_known[file];
    const QDateTime modified = info.lastModified();
    if (known.size != info.size() || known.modified != modified) {
        known.modified = modified;
        known.size = info.size();
        known.attachedTo = AttachedTo(file);
    }
    return known.attachedTo;
}

void LyricLibrary::TrackStarted(const QString& path)
{
    m_active = false;
    m_attached.clear();
    m_lines = {};
    m_lrc = false;
    if (path.isEmpty())
        return; // nothing started; an unattached lyric file is attached to nothing
    const QDir folder(m_folder);
    for (const QString& name : folder.entryList({QStringLiteral("*.sly")}, QDir::Files | QDir::Hidden | QDir::System,
                                                QDir::Unsorted)) {
        const QString file = folder.filePath(name);
        if (attachedToOf(file) == path) {
            m_active = true;
            m_attached = file;
            break;
        }
    }
    if (!m_active && QFileInfo(path).isAbsolute()) {
        const QString beside = withoutExtension(path) + QStringLiteral(".lrc");
        if (QFileInfo(beside).isFile()) {
            m_active = true;
            m_attached = beside;
            m_lrc = true;
        }
    }
    if (m_active)
        load();
}

void LyricLibrary::load()
{
    const QFileInfo info(m_attached);
    m_loadedModified = info.lastModified();
    m_loadedSize = info.size();
    if (m_lrc)
        m_lines = LyricLines::FromLrc(readSmallFile(m_attached));
    else
        m_lines = m_loadedSize > kLargestLyricFile ? LyricLines() : LyricLines::FromProfile(ProfileFile(m_attached));
}

QString LyricLibrary::LineAt(qint32 position)
{
    if (!m_active)
        return {};
    const QFileInfo info(m_attached);
    if (info.size() != m_loadedSize || info.lastModified() != m_loadedModified)
        load();
    return m_lines.LineAt(position);
}

QString LyricLibrary::AudioFileBeside(const QString& lrcFile)
{
    const QString base = withoutExtension(lrcFile);
    for (const char* ext : {".mp3", ".wav"}) {
        const QString audio = base + QLatin1String(ext);
        if (QFileInfo(audio).isFile())
            return audio;
    }
    return {};
}

QString LyricLibrary::ImportLrc(const QString& lrcFile, const QString& folder, const QString& attachedTo)
{
    const QString sly = QDir(folder).filePath(QFileInfo(withoutExtension(lrcFile)).fileName() + QStringLiteral(".sly"));
    if (QFileInfo::exists(sly))
        return sly;
    QFile lrc(lrcFile);
    if (lrc.size() > kLargestLyricFile || !lrc.open(QIODevice::ReadOnly))
        return {};
    const QMap<qint32, QString> lines = ReadLrc(lrc.readAll());
    // Written in one go, lines in time order and "Settings" after them, as
    // the generator leaves a file once it is attached.
    QByteArray content = "[Timers]\r\n";
    for (auto it = lines.cbegin(); it != lines.cend(); ++it)
        content += QString::number(it.key()).toUtf8() + '=' + it.value().toUtf8() + "\r\n";
    // A name with a line break cannot be stored; the attach dialog asks instead.
    const bool storable = !attachedTo.contains('\n') && !attachedTo.contains('\r');
    content += "[Settings]\r\nAttachedTo=" + (storable ? attachedTo.toUtf8() : QByteArray()) + "\r\n";
    QDir().mkpath(folder);
    QSaveFile out(sly);
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.commit())
        return {};
    return sly;
}

} // namespace vimbo
