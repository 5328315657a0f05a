#include "attachform.h"

#include "platform/paths.h"
#include "playlist/displaynames.h"
#include "playlist/playliststore.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace vimbo;

QString TAttachForm::AttachChoice;

TAttachForm::TAttachForm(const PlaylistStore& playlist, const QString& lyricName, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_playlist(playlist)
{
    setWindowTitle(QStringLiteral("Attach Lyric"));
    setModal(true);
    LyricLabel = new QLabel(QStringLiteral("-"), this);
    LyricLabel->setText(lyricName);
    QFont bold = LyricLabel->font();
    bold.setBold(true);
    LyricLabel->setFont(bold);
    FilesBox = new QListWidget(this);
    AttachBtn = new QPushButton(QStringLiteral("&Attach"), this);
    Button1 = new QPushButton(QStringLiteral("&Cancel"), this);
    AttachBtn->setDefault(true);
    connect(AttachBtn, &QPushButton::clicked, this, &TAttachForm::AttachBtnClick);
    connect(Button1, &QPushButton::clicked, this, &TAttachForm::Button1Click);
    connect(FilesBox, &QListWidget::itemDoubleClicked, this, &TAttachForm::AttachBtnClick);

    // Cancel's key shown as the button shows it; the button keeps Alt+C.
    auto* hint = new QLabel(QStringLiteral("If you don't know what to do, just click <u>C</u>ancel..."), this);
    hint->setTextFormat(Qt::RichText);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(hint, 1);
    buttons->addWidget(AttachBtn);
    buttons->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Select playlist file to attach to lyric file:"), this));
    layout->addWidget(LyricLabel);
    layout->addWidget(FilesBox, 1);
    layout->addLayout(buttons);
    resize(520, 340);
    setFixedSize(size());
}

void TAttachForm::showEvent(QShowEvent* event)
{
    CreateList();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TAttachForm::CreateList()
{
    FilesBox->clear();
    for (const auto& [index, path] : m_playlist.ReadEntries(qMax(m_playlist.LastPlItem(), 0))) {
        QString name = extractFileName(path);
        name.chop(4);
        auto* item = new QListWidgetItem(CapitalizeName(name, 40), FilesBox);
        item->setData(Qt::UserRole, index);
    }
}

void TAttachForm::AttachBtnClick()
{
    const QListWidgetItem* item = FilesBox->currentItem();
    if (!item || !item->isSelected())
        return;
    // Read now: the entry is what the store holds at this moment.
    AttachChoice = m_playlist.ReadPlaylistEntry(item->data(Qt::UserRole).toInt());
    accept();
}

void TAttachForm::Button1Click()
{
    AttachChoice.clear();
    QDialog::reject();
}

void TAttachForm::reject()
{
    // The close box and Escape mean Cancel: the lyric stays unattached and is asked about again.
    Button1Click();
}
