// The folder dialog the player asks for a folder to add with.
#pragma once

#include <QFlags>
#include <QObject>
#include <QString>

class QWidget;

enum TBrowseFlag {
    bf_BrowseForComputer = 0x1000,
    bf_BrowseForPrinter = 0x2000,
    bf_DontGoBelowDomain = 0x2,
    bf_statustext = 0x4,
    bf_ReturnFSanceStors = 0x8,
    bf_ReturnOnlyFSDIRS = 0x1,
    bf_EditBox = 0x10,
};
Q_DECLARE_FLAGS(TBrowseFlags, TBrowseFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TBrowseFlags)

// Where the folder tree starts. The standard and custom roots (no list of
// our own is given) start at the top of the file system; the named places
// start at the matching folder of the user where there is one.
enum TBrowseLocation {
    bl_STANDART, bl_CUSTOM, bl_DESKTOP, bl_PROGRAMS, bl_CONTROLS, bl_PRINTERS, bl_PERSONAL, bl_FAVORITES,
    bl_STARTUP, bl_RECENT, bl_SENDTO, bl_BITBUCKET, bl_STARTMENU, bl_DESKTOPDIRECTORY, bl_DRIVES, bl_NETWORK,
    bl_NETHOOD, bl_FONTS, bl_TEMPLATES, bl_COMMON_STARTMENU, bl_COMMON_PROGRAMS, bl_COMMON_STARTUP,
    bl_COMMON_DESKTOPDIRECTORY, bl_APPDATA, bl_PRINTHOOD,
};

class TBrowseForFolder : public QObject
{
    Q_OBJECT
public:
    explicit TBrowseForFolder(QWidget* owner);

    QString Caption = QStringLiteral("Select Folder");
    QString StatusText = QStringLiteral("Plase select folder");
    // Before Execute: the folder selected at first (none when empty).
    // After a confirmed choice: the chosen folder.
    QString FolderName = QStringLiteral("C:\\");
    QString DisplayName;
    TBrowseFlags Flags;
    TBrowseLocation Root = bl_STANDART;

    // Shows the modal dialog; true when the user chose a folder.
    bool Execute();

    // The folder the tree starts at for `root` (empty: the whole file system).
    static QString RootFolder(TBrowseLocation root);

private:
    QWidget* m_owner;
};
