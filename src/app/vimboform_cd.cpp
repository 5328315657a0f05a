// The main window's audio CD tracks: starting a ".cda" entry on the CD
// device, the 100 ms poll that shows the disc's time, and adding a disc's
// tracks to the playlist.
#include "app/messages.h"
#include "app/vimboform.h"
#include "platform/errors.h"
#include "playlist/displaynames.h"
#include "ui/skincontrols.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QThread>

using namespace vimbo;

namespace {

QString minutesAndSeconds(quint32 msf)
{
    return QString::asprintf("%2.2d:%2.2d", int(msf & 0xff), int(msf >> 8 & 0xff));
}

QString trackFileName(const QString& source, qint32 number)
{
    return source + QStringLiteral("/Track%1.cda").arg(number, 2, 10, QLatin1Char('0'));
}

} // namespace

void TVimboForm::wireCdPlayer()
{
    // Errors found on the device's thread reach the user as any other
    // error the player did not expect; a device that could not be opened
    // is opened anew by the next CD track.
    CdPlayer.OnError = [this](const QString& text, bool closed) {
        QMetaObject::invokeMethod(
            this,
            [this, text, closed] {
                if (closed)
                    Playback.CdOpen = false;
                AppException(EMCIDeviceError(text));
            },
            Qt::QueuedConnection);
    };
    Playback.StartCdTrack = [this](const QString& path) { return StartCdTrack(path); };
    Playback.StopCd = [this] { CdPlayer.Stop(); };
    Playback.CloseCd = [this] {
        CdPlayer.Stop();
        CdPlayer.Close();
    };
    Playback.PlayCd = [this] { CdPlayer.Play(); };
    Playback.ResumeCd = [this] { CdPlayer.Resume(); };
    Playback.PauseOrResumeCd = [this] {
        if (!Playback.CdOpen)
            throw EMCIDeviceError(QStringLiteral("No MCI device open"));
        CdPlayer.PauseOrResume();
    };
    // The slider hands over seconds into the track; the device seeks on the
    // whole disc.
    Playback.SeekCd = [this](qint32 seconds) {
        const qint32 start = MsfSectors(CdPlayer.TrackStartPosition(CdTrack));
        CdPlayer.Seek(PackMsf(start + std::max(seconds, 0) * kCdSectorsPerSecond));
    };
    Playback.PollCd = [this] { CDPlayerNotify(); };
}

bool TVimboForm::StartCdTrack(const QString& path)
{
    CdPlayer.FileName = path;
    const QString name = extractFileName(path);
    const qint32 track = CdTrackNumberOf(name);
    if (track < 0) {
        showErrorMessage(this, QStringLiteral("The file \"%1\" is not a valid CDA file and/or has no valid "
                                              "filename.\nRemove it from your playlist if you don't want it to "
                                              "be played anymore...")
                                   .arg(name));
        return false;
    }
    CdTrack = track;
    const QString source = CdSourceOf(path);
    // The open disc serves every track of it; a track of another disc (a
    // second image in the playlist) must not play the open one's track of
    // that number.
    if (Playback.CdOpen && source != m_cdSource) {
        CdPlayer.Stop();
        CdPlayer.Close();
        Playback.CdOpen = false;
    }
    if (!Playback.CdOpen) {
        // What can be told without the drive is told at once, and the
        // start goes no further; a drive's own answer comes from its thread.
        if (source.isEmpty())
            throw EMCIDeviceError(QStringLiteral("No CD drive was found for \"%1\"").arg(path));
        if (!QFileInfo::exists(source))
            throw EMCIDeviceError(QStringLiteral("Cannot open the CD \"%1\": no such drive or disc image").arg(source));
        if (QFileInfo(source).isFile()) {
            CdDisc disc;
            QString error;
            if (!ReadCdDisc(source, disc, error))
                throw EMCIDeviceError(error);
            rememberCdTitles(disc);
        }
        CdPlayer.Open();
        Playback.CdOpen = true;
        m_cdSource = source;
    }
    CdPlayer.SetVolume(Playback.VolumeLevel);
    CdPlayer.SeekTrack(CdTrack);
    CdPlayer.Play();
    return true;
}

void TVimboForm::CDPlayerNotify()
{
    if (!Playback.CdOpen)
        return;
    if (CdPlayer.Mode() == TCdMode::Playing)
        Playback.IsPlaying = true;
    else if (CdPlayer.Mode() == TCdMode::Stopped)
        Playback.IsPlaying = false;
    if (!Playback.IsPlaying)
        return;
    // The device reports its place on the whole disc; the labels, the
    // slider and the lyric keys count from the start of the track, as its
    // length does.
    const qint32 start = MsfSectors(CdPlayer.TrackStartPosition(CdTrack));
    const quint32 pos = PackMsf(MsfSectors(CdPlayer.Position()) - start);
    const quint32 len = CdPlayer.TrackLength(CdTrack);
    PositionRange = MsfSeconds(len);
    PositionValue = MsfSeconds(pos);
    PlayingTrack.lengthUs = qint64(PositionRange) * 1000000;
    DurationLabel->setText(minutesAndSeconds(len));
    TimeLabel->setText(minutesAndSeconds(pos));
    BitrateLabel->setText(QStringLiteral("-"));
    RedrawSlider(QStringLiteral("Track"));
    ShowLyricLine(PositionValue);
}

void TVimboForm::rememberCdTitles(const CdDisc& disc)
{
    for (const CdDiscTrack& t : disc.tracks)
        m_cdTitles.insert(trackFileName(disc.source, t.number), t.title);
}

QString TVimboForm::CdTrackTitle(const QString& path)
{
    const auto known = m_cdTitles.constFind(path);
    if (known != m_cdTitles.constEnd())
        return *known;
    // An image's titles are read from the file the first time they are
    // asked for (an entry of an earlier run); a drive is never asked here.
    const QString source = CdSourceOf(path);
    CdDisc disc;
    QString error;
    if (QFileInfo(source).isFile() && ReadCdDisc(source, disc, error))
        rememberCdTitles(disc);
    return m_cdTitles.value(path); // remembered as none when still unknown
}

void TVimboForm::AddAudioCd()
{
    // Looking for a disc may wait for drives to spin up: it is done off the
    // window's thread, and the tracks are added when it is done.
    auto* found = new CdDisc;
    QThread* look = QThread::create([found] {
        QString error;
        for (const QString& drive : CdDrives())
            if (ReadCdDisc(drive, *found, error))
                return;
        found->tracks.clear();
    });
    connect(look, &QThread::finished, this, [this, look, found] {
        look->deleteLater();
        const std::unique_ptr<CdDisc> disc(found);
        if (!disc->tracks.empty()) {
            addCdTracks(*disc);
            return;
        }
        QFileDialog dialog(this, QStringLiteral("Add Disc Image"), ReadSetting(QStringLiteral("LastDir")));
        dialog.setNameFilters({QStringLiteral("Disc Images (*.cue *.toc *.nrg)"), QStringLiteral("All Files (*)")});
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        const QString image = dialog.selectedFiles().constFirst();
        CdDisc chosen;
        QString error;
        if (!ReadCdDisc(QFileInfo(image).absoluteFilePath(), chosen, error)) {
            showErrorMessage(this, error);
            return;
        }
        m_settingsKey.writeString(QStringLiteral("LastDir"), extractFilePath(image));
        addCdTracks(chosen);
    });
    look->start();
}

void TVimboForm::addCdTracks(const CdDisc& disc)
{
    rememberCdTitles(disc);
    QString first;
    for (const CdDiscTrack& t : disc.tracks) {
        const QString path = trackFileName(disc.source, t.number);
        PlaylistView.AddPlaylistEntry(path);
        if (first.isEmpty())
            first = path;
    }
    if (!first.isEmpty())
        Playback.PlayFile(first);
}
