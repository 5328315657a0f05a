// File associations in freedesktop terms: a desktop entry for the player,
// a shared-mime-info package for the types no one else defines, and the
// player as the default application of each type, all under the user's own
// XDG folders.
#pragma once

#include <QString>
#include <QStringList>

namespace vimbo {

// One file type the player opens.
struct PlayerFileType
{
    const char* extension;   // ".ssk"
    const char* type;        // its MIME type
    const char* description; // shown by file managers for the types we define
};

// The player's file types, in the order they are registered.
const QList<PlayerFileType>& playerFileTypes();
// True for the types the player defines itself (no one else describes them).
bool isOwnFileType(const QString& type);

// A type the player defines: the MIME package's entry for it.
struct OwnFileType
{
    QString type;
    QString description;
    QString glob; // "*.ssk"
};

// The types of playerFileTypes() that the player defines, as its MIME
// package describes them, in the same order.
QList<OwnFileType> ownFileTypes();

// The player's desktop entry: `exec` is its Exec value (the command and its
// field code), `types` its MimeType list. The installed package and the
// user's registration share it.
QByteArray desktopEntryText(const QString& exec, const QStringList& types);
// A shared-mime-info package that defines `types`.
QByteArray mimePackageText(const QList<OwnFileType>& types);

class FileAssociations
{
public:
    // $XDG_DATA_HOME (else ~/.local/share) and $XDG_CONFIG_HOME (else ~/.config).
    static FileAssociations fromEnvironment();
    FileAssociations(QString dataHome, QString configHome);

    // Makes the player the program that opens `extension` (".ssk"): the type
    // `fileTypeKey` is defined with `description` when it is one of ours,
    // listed in the desktop entry, whose command is the executable followed by
    // `commandArguments` (a freedesktop field code such as "%f"), and chosen
    // as the type's default application. Writing the same row again changes
    // nothing. Throws EFCreateError when a file cannot be written.
    void RegisterFileType(const QString& extension, const QString& fileTypeKey, const QString& description,
                          const QString& executablePath, const QString& commandArguments, int iconIndex);
    // Rebuilds the user's MIME database so that new types are known at once.
    void UpdateMimeDatabase() const;

    QString desktopFilePath() const;
    QString mimePackagePath() const;
    QString mimeAppsPath() const;

    // The desktop-entry form of one command-line argument (quoted when it
    // needs to be, with the escapes that quoting and the file format ask for).
    static QString quoteExecArgument(const QString& argument);

    static constexpr const char* kDesktopFileName = "vimbo.desktop";

private:
    void writeDesktopEntry(const QString& executablePath, const QString& commandArguments);
    void writeMimePackage();

    QString m_dataHome;
    QString m_configHome;
    QStringList m_types;                                // every type registered, in order
    QList<OwnFileType> m_ownTypes;                      // the types we define, in order
};

// The player's associations, the rows of playerFileTypes() in order: ".mp3", ".wav", ".cda",
// ".ssk", ".sly", ".lrc".
void AssociateFiles(FileAssociations& associations, const QString& executablePath);

} // namespace vimbo
