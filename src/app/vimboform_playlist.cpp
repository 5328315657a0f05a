// Filling the playlist (files, folder trees) and the playlist view's
// commands: delete, clear, refresh, export, scrolling, and the track pop-up.
#include "vimboform.h"

#include "app/messages.h"
#include "app/startupscherm.h"
#include "playlist/directoryscan.h"
#include "skins/coolform.h"
#include "ui/browseforfolder.h"
#include "ui/skincontrols.h"
#include "ui/trackinfo.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSaveFile>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStringEncoder>
#include <QTreeWidget>
#include <QUrl>

using namespace vimbo;

void TVimboForm::createPlaylistCommands()
{
    AddMenu = new QMenu(this);
    Directory1 = AddMenu->addAction(QStringLiteral("Directory..."));
    File1 = AddMenu->addAction(QStringLiteral("File(s)..."));
    AudioCd1 = AddMenu->addAction(QStringLiteral("Audio &CD..."));
    for (QAction* a : {AudioCd1, AudioCd2})
        connect(a, &QAction::triggered, this, &TVimboForm::AddAudioCd);
    for (QAction* a : {Directory1, Directory2})
        connect(a, &QAction::triggered, this, &TVimboForm::AddDirectory);
    for (QAction* a : {File1, Files1})
        connect(a, &QAction::triggered, this, &TVimboForm::AddFiles);
    OpenBtn->OnClick = [this] { ShowAddPopup(); };

    BrowseFolder = new TBrowseForFolder(this);
    BrowseFolder->Caption = QStringLiteral("Select Folder");
    BrowseFolder->StatusText = QStringLiteral("Plase select folder");
    BrowseFolder->FolderName = QStringLiteral("C:\\");
    BrowseFolder->Root = bl_CUSTOM;

    PlaylistMenu = new QMenu(this);
    Search1 = PlaylistMenu->addAction(QStringLiteral("&Search"));
    Search1->setEnabled(false); // nothing to search with yet
    PlaylistMenu->addSeparator();
    DeleteItem1 = PlaylistMenu->addAction(QStringLiteral("&Delete Item"));
    PlaylistMenu->addSeparator();
    ClearList1 = PlaylistMenu->addAction(QStringLiteral("&Clear List"));
    RefreshList1 = PlaylistMenu->addAction(QStringLiteral("&Refresh List"));
    ExportList1 = PlaylistMenu->addAction(QStringLiteral("&Export List"));
    PlaylistMenu->addSeparator();
    ExpandAll1 = PlaylistMenu->addAction(QStringLiteral("Expand &All"));
    CollapseAll1 = PlaylistMenu->addAction(QStringLiteral("C&ollapse All"));
    connect(DeleteItem1, &QAction::triggered, this, &TVimboForm::DeleteItem);
    connect(ClearList1, &QAction::triggered, this, &TVimboForm::ClearList1Click);
    connect(RefreshList1, &QAction::triggered, this, &TVimboForm::RefreshList);
    connect(ExportList1, &QAction::triggered, this, &TVimboForm::ExportPlaylist);
    connect(ExpandAll1, &QAction::triggered, Playlist, &QTreeWidget::expandAll);
    connect(CollapseAll1, &QAction::triggered, Playlist, &QTreeWidget::collapseAll);
    SearchMenu = new QMenu(this);
    SearchMenu->addAction(QStringLiteral("Return to playlist..."));

    Playlist->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Playlist, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PlaylistMenu->popup(Playlist->viewport()->mapToGlobal(at)); });
    // Scrolled with the skin's buttons, the keys and the wheel only.
    Playlist->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Playlist->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Playlist->installEventFilter(this);
    Playlist->viewport()->setMouseTracking(true);
    Playlist->viewport()->installEventFilter(this);

    ScrollTimer.setInterval(500);
    connect(&ScrollTimer, &QTimer::timeout, this, [this] { Scroll(true); });
    for (TSkinButton* b : {PlUpBtn, PlDownBtn}) {
        b->OnMouseDown = [this, b] { BeginScroll(b); };
        b->OnMouseUp = [this] { EndScroll(); };
    }

    TrackInfo = new TTrackInfo(this);
    TrackInfo->CurrentColors = [this] {
        return TTrackInfo::Colors{ToQColor(SkinColor.Active), ToQColor(SkinColor.Border), ToQColor(SkinColor.Text)};
    };
    for (QWidget* w : {static_cast<QWidget*>(FileLabel), static_cast<QWidget*>(ComingUpLabel),
                       static_cast<QWidget*>(BitrateLabel), static_cast<QWidget*>(DurationLabel),
                       static_cast<QWidget*>(TimeLabel), static_cast<QWidget*>(MaskedForm)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    OpenDocument = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

bool TVimboForm::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        if (watched == ComingUpLabel && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            Playback.ResetComingUp();
        break;
    case QEvent::MouseMove:
        if (watched == Playlist->viewport()) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            ListMouseMove(at.x(), at.y());
        } else if (watched == MaskedForm || watched == TimeLabel) {
            FormOver();
        } else if (watched == FileLabel || watched == ComingUpLabel || watched == BitrateLabel ||
                   watched == DurationLabel) {
            FilenamesOver(watched);
        }
        break;
    case QEvent::KeyPress:
        if (watched == Playlist && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
            if (Playlist->topLevelItemCount() > 0)
                DeleteSelectedNode();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TVimboForm::FormOver()
{
    TrackInfo->HideForm();
}

// ---- adding ----

void TVimboForm::ShowAddPopup()
{
    // Under the button's lower-left corner.
    AddMenu->popup(mapToGlobal(QPoint(OpenBtn->x(), OpenBtn->y() + OpenBtn->height())));
}

void TVimboForm::AddFiles()
{
    QFileDialog dialog(this, QStringLiteral("Add Files"), ReadSetting(QStringLiteral("LastDir")));
    dialog.setNameFilters({QStringLiteral("All Files (*.mp3 *.wav *.cda)"), QStringLiteral("Mp3 Files (*.mp3)"),
                           QStringLiteral("Wav Files (*.wav)"), QStringLiteral("Audio CD Track (*.cda)")});
    dialog.setDefaultSuffix(QStringLiteral("mp3"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Extensions in any case ("SONG.MP3") are offered too.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return;
    m_settingsKey.writeString(QStringLiteral("LastDir"), extractFilePath(files.constFirst()));
    for (const QString& file : files)
        PlaylistView.AddPlaylistEntry(file);
    Playback.PlayFile(files.constFirst());
}

void TVimboForm::AddDirectory()
{
    SortedPathList work;
    BrowseFolder->FolderName = ReadSetting(QStringLiteral("LastDir"));
    if (!BrowseFolder->Execute())
        return;
    QString root = BrowseFolder->FolderName;
    if (!root.endsWith('/'))
        root += '/';
    m_settingsKey.writeString(QStringLiteral("LastDir"), root);

    TStartupScherm status;
    status.Status->setText(QStringLiteral("Adding files to playlist..."));
    status.show();
    ScanDirectory(root, work);
    PlaylistView.BeginBulkChange();
    const auto shown = qScopeGuard([this] { PlaylistView.EndBulkChange(); });
    status.Progress->setRange(0, int(std::min<qsizetype>(work.Count(), INT_MAX)));
    // Each entry is committed on its own; the window stays alive meanwhile.
    const QStringList& paths = work.Paths();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QCoreApplication::processEvents();
        status.Progress->setValue(int(i + 1));
        PlaylistView.AddPlaylistEntry(paths[i]);
    }
    status.hide();
}

// ---- the playlist view ----

void TVimboForm::DeleteItem()
{
    if (Playlist->topLevelItemCount() > 0)
        DeleteSelectedNode();
}

void TVimboForm::DeleteSelectedNode()
{
    PlaylistView.DeleteSelectedNode();
}

void TVimboForm::ClearList1Click()
{
    if (!askConfirmation(this, QStringLiteral("Are you sure you want to delete every entry in the playlist?")))
        return;
    PlaylistView.ClearPlaylist();
    Player.Stop();
    SetFileLabel(PlaybackControl::kNoFiles);
}

void TVimboForm::BeginScroll(TSkinButton* Sender)
{
    ScrollTimer.setInterval(500);
    ScrollTimer.start();
    ScrollDown = Sender == PlDownBtn;
    Scroll(false);
}

void TVimboForm::EndScroll()
{
    ScrollTimer.stop();
}

void TVimboForm::Scroll(bool byTimer)
{
    if (byTimer)
        ScrollTimer.setInterval(10);
    QScrollBar* bar = Playlist->verticalScrollBar();
    if (bar->value() >= bar->minimum() && bar->value() <= bar->maximum())
        bar->triggerAction(ScrollDown ? QAbstractSlider::SliderPageStepAdd : QAbstractSlider::SliderPageStepSub);
}

namespace {

// Text for the page: the characters HTML reserves, and everything beyond
// ASCII, as character references, so the page reads the same in any
// encoding a browser may assume.
QString htmlText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        switch (c) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case '\'': out += QLatin1String("&#39;"); break;
        default:
            if (c < 0x80)
                out += QChar(char16_t(c));
            else
                out += QStringLiteral("&#%1;").arg(quint32(c));
        }
    }
    return out;
}

} // namespace

bool TVimboForm::WritePlaylistPage(const QString& fileName, QString* error)
{
    const auto html = [](SkinRgb c) { return ColorToHtml(c); };
    QStringList lines{
        QStringLiteral("<html><head><title>Vimbo - Exported Playlist</title></head>"),
        QStringLiteral("<body bgcolor=\"%1\" text=\"%2\">").arg(html(SkinColor.Unactive), html(SkinColor.Active)),
        QStringLiteral("<font face=Verdana size=5><b>Vimbo Playlist</font>"),
        QStringLiteral("<p><hr size=1 color=\"%1\"></p><font face=Verdana size=1>").arg(html(SkinColor.Border)),
    };
    for (const auto& [index, path] : m_playlist.ReadEntries(m_playlist.LastPlItem())) {
        const DisplayNames names = PlaylistView.MakeDisplayNames(path);
        lines << htmlText(names.folder) + QStringLiteral(" :: ") + htmlText(names.name) + QStringLiteral("<br>");
    }
    lines << QStringLiteral("</b></font><br>") << QStringLiteral("</body></html>");

    QStringEncoder encode(QStringConverter::System);
    const QByteArray bytes = encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    // Written whole or not at all: a failed export leaves any earlier page as it was.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void TVimboForm::ExportPlaylist()
{
    QFileDialog dialog(this, QStringLiteral("Export Playlist"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("HTML File (*.htm)"));
    dialog.setDefaultSuffix(QStringLiteral("htm"));
    dialog.selectFile(QStringLiteral("Playlist.htm"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString fileName = dialog.selectedFiles().constFirst();
    QString error;
    if (!WritePlaylistPage(fileName, &error)) {
        showErrorMessage(this, QStringLiteral("The playlist could not be exported to \"%1\": %2").arg(fileName, error));
        return;
    }
    if (OpenDocument)
        OpenDocument(QUrl::fromLocalFile(fileName));
}

QString TVimboForm::entryTitle(qint32 index, bool tidy)
{
    const QString path = PlaylistView.ReadPlaylistEntry(index);
    // A disc's CD-Text names its tracks better than their numbers do.
    if (path.endsWith(QLatin1String(".cda"))) {
        const QString title = CdTrackTitle(path);
        if (!title.isEmpty())
            return title;
    }
    // The file name without its four-character extension.
    QString name = extractFileName(path);
    name.chop(4);
    return tidy ? CapitalizeName(name, 250) : name;
}

void TVimboForm::ListMouseMove(int x, int y)
{
    if (const QTreeWidgetItem* node = Playlist->itemAt(x, y))
        ShowTrackInfo(entryTitle(TPlaylist::IndexOf(node), true), -1, -1);
}

void TVimboForm::FilenamesOver(QObject* Sender)
{
    qint32 index = 0;
    if (Sender == FileLabel)
        index = Playback.CurrentIndex;
    else if (Sender == ComingUpLabel)
        index = Playback.ComingUpIndex;
    if (index > 0)
        ShowTrackInfo(entryTitle(index, false), -1, -1);
}

void TVimboForm::ShowTrackInfo(const QString& text, int x, int y)
{
    if (text == LastInfoText)
        return;
    TrackInfo->hide();
    const int width = QFontMetrics(TrackInfo->NameLabel->font()).horizontalAdvance(text) + 16;
    const QPoint cursor = QCursor::pos();
    const int left = x == -1 ? cursor.x() + 15 : x - width / 2;
    const int top = y == -1 ? cursor.y() + 15 : y;
    TrackInfo->NameLabel->setText(text);
    LastInfoText = text;
    TrackInfo->setGeometry(left, top, width, TrackInfo->height());
    TrackInfo->show();
}
