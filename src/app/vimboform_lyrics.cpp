// The main window's part in timed lyrics: the look-up when a track starts,
// the line for each position report, the attach question and the generator.
#include "app/vimboform.h"

#include "app/messages.h"

#include "lyrics/attachform.h"
#include "lyrics/lyricsform.h"
#include "platform/profile.h"
#include "ui/trackinfo.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

using namespace vimbo;

void TVimboForm::createLyricsGenerator()
{
    LyricsForm = new TLyricsForm(ProgramFolder() + QStringLiteral("Lyrics"), this);
    LyricsForm->PlaySelected = [this] { Playback.PlaySelected(); };
    LyricsForm->Stop = [this] { Playback.Stop(); };
    Playback.TrackStarted = [this](const QString& path) {
        Lyrics.TrackStarted(path);
        describePlayingTrack(path);
    };
}

void TVimboForm::ShowLyricsGen()
{
    // Brought back from the taskbar too.
    LyricsForm->showNormal();
    LyricsForm->raise();
    LyricsForm->activateWindow();
}

void TVimboForm::SetPlayingLabel(const QString& text)
{
    LyricsForm->PlayingLabel->setText(text);
}

void TVimboForm::ShowLyricLine(qint32 position)
{
    LyricsForm->PosLabel->setText(QString::number(position));
    if (!Lyrics.LyricsActive())
        return;
    const QString line = Lyrics.LineAt(position);
    if (line.isEmpty())
        return;
    PlayingTrack.lyricLine = line;
    // Centred at the top of the primary screen, wherever that screen lies.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect();
    ShowTrackInfo(line, area.left() + area.width() / 2, area.top() + 10);
}

QString TVimboForm::ReadLyricAttachment(const QString& path)
{
    // A file too large to be a lyric file is never used: nothing to ask.
    if (QFileInfo(path).size() > LyricLibrary::kLargestLyricFile)
        return {};
    const QString attached = LyricLibrary::AttachedTo(path);
    if (!attached.isEmpty())
        return attached;
    TAttachForm dialog(m_playlist, QFileInfo(path).fileName(), this);
    dialog.exec();
    // Written empty too, so that the user is asked again at the next start.
    const QString choice = TAttachForm::AttachChoice;
    if (!ProfileFile(path).writeString(QStringLiteral("Settings"), QStringLiteral("AttachedTo"), choice) &&
        !choice.isEmpty()) {
        showErrorMessage(this, QStringLiteral("The lyric file \"%1\" could not be attached to \"%2\": the file "
                                              "cannot be written, or cannot hold that name in its characters.")
                                   .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(choice)));
        return {};
    }
    return choice;
}

void TVimboForm::importLrc(const QString& path)
{
    // Attached to the track of the same name beside it; the attach dialog
    // asks for one without such a track. A lyric file of that name already
    // in the folder is kept, as for a ".sly" opened from outside.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString sly = LyricLibrary::ImportLrc(absolute, ProgramFolder() + QStringLiteral("Lyrics"),
                                                LyricLibrary::AudioFileBeside(absolute));
    if (!sly.isEmpty())
        ReadLyricAttachment(sly);
}
