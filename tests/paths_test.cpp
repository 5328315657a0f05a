// Where the player keeps "Skins/" and "Lyrics/", and how an installed
// player's skins reach the user's folder.
#include "platform/paths.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vimbo;

namespace {

TEST(ProgramFolder, ChoiceFromTheFacts)
{
    const QString data = "/home/u/.local/share/vimbo/";
    const struct
    {
        const char* name;
        ProgramFolderFacts facts;
        QString want;
    } rows[] = {
        {"writable executable folder", {"", "/opt/vimbo/", true, false, data}, "/opt/vimbo/"},
        {"read-only executable folder", {"", "/opt/vimbo/", false, false, data}, data},
        // Root may write to /usr/bin; one user's skins still do not go there.
        {"installed layout, writable", {"", "/usr/bin/", true, true, data}, data},
        {"installed layout, read-only", {"", "/usr/bin/", false, true, data}, data},
        {"override wins over an installed layout",
         {"/tmp/p", "/usr/bin/", false, true, data},
         "/tmp/p/"},
        {"override wins over a writable folder",
         {"/tmp/p/", "/opt/vimbo/", true, false, data},
         "/tmp/p/"},
        {"folders without a trailing slash get one",
         {"", "/opt/vimbo", true, false, data},
         "/opt/vimbo/"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(chooseProgramFolder(row.facts), row.want) << row.name;
}

TEST(ProgramFolder, InstalledLayoutIsABinFolderBesideTheInstalledSkins)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("usr/bin"));
    QDir().mkpath(dir.filePath("usr/share/vimbo/Skins"));
    QDir().mkpath(dir.filePath("usr/libexec"));
    QDir().mkpath(dir.filePath("build/bin"));
    QDir().mkpath(dir.filePath("other/bin"));
    makeFile(dir, "other/share/vimbo/Skins"); // a file, not a folder of skins

    EXPECT_EQ(shippedSkinsFolder(dir.filePath("usr/bin/")), dir.filePath("usr/share/vimbo/Skins/"));
    const struct
    {
        const char* folder;
        bool installed;
    } rows[] = {
        {"usr/bin", true},      {"usr/bin/", true},
        {"usr/libexec", false}, // beside the skins, but no "bin"
        {"build/bin", false},   {"other/bin", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(isInstalledLayout(dir.filePath(row.folder)), row.installed) << row.folder;
}

TEST(ShippedSkins, MissingFilesAreCopiedTheUsersOwnAreKept)
{
    QTemporaryDir dir;
    makeFile(dir, "share/Ember.ssk", "shipped settings");
    makeFile(dir, "share/Ember.bmp", "shipped picture");
    const QString mask = makeFile(dir, "share/Ember.msk", "shipped outline");
    // As a package leaves it: nobody may write to the installed files.
    QFile::setPermissions(mask, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    makeFile(dir, "user/Skins/Ember.ssk", "the user's own settings");

    EXPECT_TRUE(copyMissingSkins(dir.filePath("share"), dir.filePath("user/Skins")).isEmpty());
    const auto content = [&](const char* name) {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    };
    EXPECT_EQ(content("user/Skins/Ember.ssk"), "the user's own settings");
    EXPECT_EQ(content("user/Skins/Ember.bmp"), "shipped picture");
    EXPECT_EQ(content("user/Skins/Ember.msk"), "shipped outline");
    EXPECT_TRUE(QFile::permissions(dir.filePath("user/Skins/Ember.msk")) & QFile::WriteOwner)
        << "the copy is the user's to change";

    // A later start changes nothing, not even a copy the user has edited since.
    makeFile(dir, "user/Skins/Ember.bmp", "edited picture");
    EXPECT_TRUE(copyMissingSkins(dir.filePath("share"), dir.filePath("user/Skins")).isEmpty());
    EXPECT_EQ(content("user/Skins/Ember.bmp"), "edited picture");
}

TEST(ShippedSkins, FailuresAreReportedFileByFile)
{
    QTemporaryDir dir;
    makeFile(dir, "share/Glass.ssk", "s");
    makeFile(dir, "share/Glass.bmp", "b");
    const QStringList failures =
        copyMissingSkins(dir.filePath("share"), dir.filePath("no such folder"));
    ASSERT_EQ(failures.size(), 2) << failures.join('\n').toStdString();
    EXPECT_TRUE(failures[0].contains("Glass.bmp")) << failures[0].toStdString();
    EXPECT_TRUE(failures[1].contains("Glass.ssk")) << failures[1].toStdString();
}

TEST(ShippedSkins, NoInstalledFolderCopiesNothing)
{
    // "" must not be read as the current folder.
    QTemporaryDir dir;
    makeFile(dir, "cwd/stray.txt", "not a skin");
    QDir().mkpath(dir.filePath("Skins"));
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.filePath("cwd"));
    const QStringList failures = copyMissingSkins(QString(), dir.filePath("Skins"));
    QDir::setCurrent(before);
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_TRUE(QDir(dir.filePath("Skins")).isEmpty());
}

} // namespace
