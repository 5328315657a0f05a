// File associations written into temporary XDG folders and read back with
// the system's own tools.
#include "shell/associations.h"
#include "support/qtprint.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vimbo;

namespace {

// Every file below `root` with a hash of its bytes.
QMap<QString, QByteArray> snapshot(const QString& root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        files.insert(path, QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256));
    }
    return files;
}

QString writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(content);
    return path;
}

QString run(const QString& program, const QStringList& args, const QProcessEnvironment& env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

TEST(Associations, WrittenOnceReadBackByTheSystemTools)
{
    QTemporaryDir dir;
    const QString data = dir.filePath("data"), config = dir.filePath("config");
    // A program that is there: the tools pass over entries whose command is
    // missing (and read the command up to its first space).
    const QString exe = writeFile(dir.filePath("bin/vimbo"), "#!/bin/sh\n");
    ASSERT_TRUE(QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // Another player installed system-wide, which the system would choose
    // for these types unless the user's choice names ours.
    const QString system = dir.filePath("system");
    writeFile(system + "/applications/otherplayer.desktop",
              "[Desktop Entry]\nType=Application\nName=Other Player\nExec=/bin/true %f\n"
              "MimeType=audio/mpeg;audio/x-wav;audio/x-cda;application/x-vimbo-skin;application/x-vimbo-lyric;\n");
    writeFile(system + "/applications/mimeinfo.cache",
              "[MIME Cache]\naudio/mpeg=otherplayer.desktop;\naudio/x-wav=otherplayer.desktop;\n"
              "audio/x-cda=otherplayer.desktop;\napplication/x-vimbo-skin=otherplayer.desktop;\n"
              "application/x-vimbo-lyric=otherplayer.desktop;\n");
    writeFile(config + "/mimeapps.list", "[Default Applications]\ntext/plain=editor.desktop;\n");

    FileAssociations associations(data, config);
    AssociateFiles(associations, exe);
    const auto first = snapshot(dir.path());
    FileAssociations again(data, config);
    AssociateFiles(again, exe);
    EXPECT_EQ(snapshot(dir.path()), first) << "a second run changes nothing";

    QFile desktop(associations.desktopFilePath());
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(desktop.readAll());
    EXPECT_TRUE(entry.contains("\nExec=" + exe + " %f\n")) << entry.toStdString();
    EXPECT_TRUE(entry.contains("\nMimeType=audio/mpeg;audio/x-wav;audio/x-cda;application/x-vimbo-skin;"
                               "application/x-vimbo-lyric;application/x-vimbo-lrc;\n"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", data);
    env.insert("XDG_CONFIG_HOME", config);
    env.insert("XDG_DATA_DIRS", system + ":/usr/share");
    env.insert("XDG_CURRENT_DESKTOP", "X-Generic");
    env.remove("DISPLAY");
    for (const char* type : {"audio/mpeg", "audio/x-wav", "audio/x-cda", "application/x-vimbo-skin",
                             "application/x-vimbo-lyric", "application/x-vimbo-lrc"}) {
        SCOPED_TRACE(type);
        EXPECT_EQ(run("xdg-mime", {"query", "default", type}, env), "vimbo.desktop");
    }
    QFile mimeApps(associations.mimeAppsPath());
    ASSERT_TRUE(mimeApps.open(QIODevice::ReadOnly));
    EXPECT_TRUE(mimeApps.readAll().contains("text/plain=editor.desktop;\n")) << "other choices stay";

    // The compiled MIME cache knows our types by their extensions and descriptions.
    QFile globs(data + "/mime/globs2");
    ASSERT_TRUE(globs.open(QIODevice::ReadOnly));
    const QByteArray globText = globs.readAll();
    EXPECT_TRUE(globText.contains("application/x-vimbo-skin:*.ssk"));
    EXPECT_TRUE(globText.contains("application/x-vimbo-lyric:*.sly"));
    EXPECT_TRUE(globText.contains("application/x-vimbo-lrc:*.lrc"));
    EXPECT_TRUE(globText.contains("audio/x-cda:*.cda"));
    QFile skinType(data + "/mime/application/x-vimbo-skin.xml");
    ASSERT_TRUE(skinType.open(QIODevice::ReadOnly));
    EXPECT_TRUE(skinType.readAll().contains("Vimbo - Skin File"));

    ASSERT_FALSE(QStandardPaths::findExecutable("desktop-file-validate").isEmpty());
    EXPECT_EQ(run("desktop-file-validate", {associations.desktopFilePath()}, env), "");
}

TEST(Associations, ExecArgumentsAreQuotedByTheDesktopEntryRules)
{
    const struct
    {
        const char* argument;
        const char* quoted;
    } cases[] = {
        {"/usr/bin/vimbo", "/usr/bin/vimbo"},
        {"/opt/my player/vimbo", "\"/opt/my player/vimbo\""},
        {"/opt/a\"b$c`d\\e/vimbo", "\"/opt/a\\\"b\\$c\\`d\\\\e/vimbo\""},
        {"/opt/100%/vimbo", "/opt/100%%/vimbo"},
        {"/opt/it's/vimbo", "\"/opt/it's/vimbo\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        EXPECT_EQ(FileAssociations::quoteExecArgument(QString::fromUtf8(c.argument)), QString::fromUtf8(c.quoted));
    }
}

} // namespace
