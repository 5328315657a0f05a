// Where the player keeps its files, and path helpers that understand both
// POSIX paths and Windows ones (drive letters, "\\server\share"), so that
// paths stored by any version of the player are handled alike.
#pragma once

#include <QString>
#include <QStringList>

namespace vimbo {

// The folders of one run of the player. Every folder ends with '/'.
struct PlayerFolders
{
    QString config;   // the settings database lives here
    QString data;     // receives the decoder library and the fonts
    QString program;  // holds "Skins/" and "Lyrics/"
    QString runtime;  // the single-instance socket and its lock
    QString shippedSkins; // the installed skins, copied into "Skins/" when missing there; "" when none

    // Reads the folders from the environment, the way a user's session sets them:
    // $VIMBO_CONFIG_DIR, $XDG_CONFIG_HOME/vimbo or ~/.config/vimbo;
    // $VIMBO_DATA_DIR, $XDG_DATA_HOME/vimbo or ~/.local/share/vimbo;
    // $VIMBO_PROGRAM_DIR, else as chooseProgramFolder says;
    // $XDG_RUNTIME_DIR or a private folder under the temporary folder;
    // <prefix>/share/vimbo/Skins beside the executable's <prefix>/bin.
    static PlayerFolders fromEnvironment();
};

// What the choice of the program folder depends on.
struct ProgramFolderFacts
{
    QString override;         // $VIMBO_PROGRAM_DIR, or ""
    QString executableFolder; // the folder the executable was started from
    bool executableFolderWritable = true;
    bool installedLayout = false; // see isInstalledLayout
    QString data;             // the per-user data folder
};

// The program folder: the override when there is one; else the executable's
// folder, unless nothing may be written there or it is an installed <prefix>/bin
// (which is not the place for one user's files, even when root could write
// to it), and then the per-user data folder.
QString chooseProgramFolder(const ProgramFolderFacts& facts);

// The installed skins that belong to an executable in `executableFolder`: its
// "../share/vimbo/Skins".
QString shippedSkinsFolder(const QString& executableFolder);
// True when `executableFolder` is a "bin" folder whose prefix holds the
// player's installed skins.
bool isInstalledLayout(const QString& executableFolder);
// Whether this process may create files in `folder` (mode bits, ownership,
// read-only mounts: what the system itself decides).
bool isWritableFolder(const QString& folder);

// Copies every file of `shippedFolder` into `skinsFolder` that is missing
// there; a file of that name already there (the user's own, or an earlier
// copy) is left as it is. The copies are the user's to change. Returns a
// message for each file that could not be copied. An empty `shippedFolder`
// copies nothing.
QStringList copyMissingSkins(const QString& shippedFolder, const QString& skinsFolder);

// The name of the settings database inside the config folder.
inline constexpr const char* kRegistryFileName = "registry.db";

bool isPathDelimiter(QChar c);
// Appends '/' unless the path already ends in '/' or '\'.
QString includeTrailingPathDelimiter(const QString& path);
// The part after the last '/', '\' or drive colon.
QString extractFileName(const QString& path);
// The part up to and including the last '/', '\' or drive colon.
QString extractFilePath(const QString& path);
// From the last '.' of the file name on, dot included; empty without a dot.
QString extractFileExt(const QString& path);

} // namespace vimbo
