// Where the player keeps its files, and path helpers that understand both
// POSIX paths and Windows ones (drive letters, "\\server\share"), so that
// paths stored by any version of the player are handled alike.
#pragma once

#include <QString>

namespace vimbo {

// The folders of one run of the player. Every folder ends with '/'.
struct PlayerFolders
{
    QString config;   // the settings database lives here
    QString data;     // receives the decoder library and the fonts
    QString program;  // holds "Skins/" and "Lyrics/"
    QString runtime;  // the single-instance socket and its lock

    // Reads the folders from the environment, the way a user's session sets them:
    // $VIMBO_CONFIG_DIR, $XDG_CONFIG_HOME/vimbo or ~/.config/vimbo;
    // $VIMBO_DATA_DIR, $XDG_DATA_HOME/vimbo or ~/.local/share/vimbo;
    // $VIMBO_PROGRAM_DIR or the executable's folder;
    // $XDG_RUNTIME_DIR or a private folder under the temporary folder.
    static PlayerFolders fromEnvironment();
};

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
