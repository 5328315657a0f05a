#include "browseforfolder.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

TBrowseForFolder::TBrowseForFolder(QWidget* owner) : QObject(owner), m_owner(owner) {}

QString TBrowseForFolder::RootFolder(TBrowseLocation root)
{
    const auto place = [](QStandardPaths::StandardLocation l) { return QStandardPaths::writableLocation(l); };
    switch (root) {
    case bl_DESKTOP:
    case bl_DESKTOPDIRECTORY:
    case bl_COMMON_DESKTOPDIRECTORY:
        return place(QStandardPaths::DesktopLocation);
    case bl_PERSONAL:
        return place(QStandardPaths::DocumentsLocation);
    case bl_FONTS:
        return place(QStandardPaths::FontsLocation);
    case bl_APPDATA:
        return place(QStandardPaths::GenericDataLocation);
    case bl_PROGRAMS:
    case bl_STARTMENU:
    case bl_COMMON_STARTMENU:
    case bl_COMMON_PROGRAMS:
        return place(QStandardPaths::ApplicationsLocation);
    default:
        return {};
    }
}

bool TBrowseForFolder::Execute()
{
    QFileDialog dialog(m_owner, Caption);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // Only real folders can be chosen, and a typed name must exist
    // (the dialog stays open until it does).
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QString root = RootFolder(Root);
    // The folder named by FolderName is offered as the choice: its parent is
    // listed with it selected, so confirming at once chooses that folder
    // (not a same-named folder inside it).
    const QFileInfo selected(QDir::cleanPath(FolderName));
    if (!FolderName.isEmpty() && selected.isDir() && !selected.isRoot()) {
        dialog.setDirectory(selected.absolutePath());
        dialog.selectFile(selected.fileName());
    } else if (!FolderName.isEmpty() && selected.isDir()) {
        dialog.setDirectory(selected.absoluteFilePath());
    } else {
        dialog.setDirectory(root.isEmpty() ? QDir::homePath() : root);
    }
    // The dialog has no status line; the text goes where the user reads it.
    if (!StatusText.isEmpty() && Flags.testFlag(bf_statustext))
        dialog.setLabelText(QFileDialog::LookIn, StatusText);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QFileInfo chosen(dialog.selectedFiles().constFirst());
    if (!chosen.isDir())
        return false;
    FolderName = chosen.absoluteFilePath();
    DisplayName = chosen.fileName().isEmpty() ? FolderName : chosen.fileName();
    return true;
}
