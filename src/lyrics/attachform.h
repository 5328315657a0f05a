// The attach dialog: asks which playlist file a lyric file belongs to.
// Made anew for each question and shown modally.
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace vimbo {
class PlaylistStore;
}

class TAttachForm : public QDialog
{
    Q_OBJECT
public:
    // `lyricName` is the lyric file's name with its extension.
    TAttachForm(const vimbo::PlaylistStore& playlist, const QString& lyricName, QWidget* parent = nullptr);

    QLabel* LyricLabel;
    QListWidget* FilesBox; // each item carries its entry's index (Qt::UserRole)
    QPushButton* AttachBtn;
    QPushButton* Button1; // Cancel

    // The answer of the dialog shown last: the chosen entry's stored path,
    // or "" after Cancel (also when the dialog was closed by its close box).
    static QString AttachChoice;

    void CreateList();
    void AttachBtnClick();
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    const vimbo::PlaylistStore& m_playlist;
};
