#include "vimboform.h"

#include "app/application.h"
#include "app/errorreport.h"
#include "app/messages.h"
#include "app/windowplacement.h"
#include "platform/errors.h"
#include "shell/trayicon.h"
#include "skins/coolform.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTreeWidget>

using namespace vimbo;

namespace {

QString imageServerHint(quint16 port)
{
    return QStringLiteral(
               "If you want other people to know which track you are playing (like on forums), "
               "you can use the NP Image Server\nto display an image that is created by vimbo "
               "with the current track that you are playing.\nYou can access this image by the "
               "the address formatting of:\n\n    http://ip_address:%1/.\n\nJust include your own "
               "address in your messages or your signature (on forums) and your set...")
        .arg(port);
}

// Copies `source` into `folder` under its own name; a file already there wins.
QString copyInto(const QString& source, const QString& folder)
{
    const QString target = folder + extractFileName(source);
    if (!QFileInfo::exists(target))
        QFile::copy(source, target);
    return target;
}

} // namespace

TVimboForm::TVimboForm(StartupOptions options, std::shared_ptr<RegistryDatabase> store,
                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint),
      m_options(std::move(options)), m_settingsKey(store, kSettingsKeyPath),
      m_playlistKey(store, kPlaylistKeyPath), m_playlist(m_settingsKey, m_playlistKey),
      FileLabel(new QLabel(PlaybackControl::kFirstFileText, this)),
      ComingUpLabel(new QLabel(QStringLiteral("Coming Up ::  None"), this)), Playlist(new QTreeWidget(this)),
      Playback(m_playlist, m_settingsKey, Player, *this), PlaylistView(m_playlist, Playlist)
{
    setObjectName(QStringLiteral("TVimboForm"));
    Player.SetPriority(5);
    setWindowTitle(QStringLiteral(" "));
    resize(449, 289);
    MaskedForm = new TCoolForm(this);
    DefaultSkin = QImage(QStringLiteral(":/vimbo/skins/Default.bmp"));
    createControls();
    createMainMenu();
    createTrayIcons();

    Player.OnNotifyPlayerState = [this](TMp3DecPlayer*, int state) { Playback.PlayerState(state); };
    PlaylistView.OnPlayIndex = [this](qint32 index) {
        Playback.CurrentIndex = index;
        Playback.PlayFile(m_playlist.ReadPlaylistEntry(index));
    };
    Timer.setInterval(100);
    connect(&Timer, &QTimer::timeout, this, [this] { Playback.FastTimer(); });
    Timer.start();
}

void TVimboForm::createControls()
{
    // The built-in layout's places and faces; a skin moves and colours them.
    const auto label = [](QLabel* l, QRect box, int pixels) {
        QFont font(QStringLiteral("Seraphic Organism"));
        font.setPixelSize(pixels);
        l->setFont(font);
        l->setGeometry(box);
        // Drawn over the skin's picture, in the built-in skin's text colour.
        l->setStyleSheet(QStringLiteral("color: #0B1522; background: transparent;"));
    };
    label(FileLabel, QRect(31, 235, 188, 15), 11);
    label(ComingUpLabel, QRect(31, 248, 188, 13), 11);
    ComingUpLabel->installEventFilter(this);

    Playlist->setObjectName(QStringLiteral("Playlist"));
    Playlist->setGeometry(234, 59, 182, 213);
    Playlist->setHeaderHidden(true);
    Playlist->setIndentation(19);
    Playlist->setFrameShape(QFrame::NoFrame);
    Playlist->setSelectionBehavior(QAbstractItemView::SelectRows);
    Playlist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Playlist->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont font(QStringLiteral("Seraphic Organism"));
    font.setPixelSize(11);
    Playlist->setFont(font);
    // The built-in skin's playlist colours; light text reads on its dark panel.
    Playlist->setStyleSheet(QStringLiteral("QTreeWidget { background: #464F55; color: #D8DEE4; }"));
}

bool TVimboForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ComingUpLabel && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        Playback.ResetComingUp();
    return QWidget::eventFilter(watched, event);
}

QString TVimboForm::FileLabelText() const
{
    return FileLabel->text();
}

void TVimboForm::SetFileLabel(const QString& text)
{
    FileLabel->setText(text);
}

void TVimboForm::SetComingUpLabel(const QString& text)
{
    ComingUpLabel->setText(text);
}

void TVimboForm::SetApplicationTitle(const QString& text)
{
    setWindowTitle(text);
}

TVimboForm::~TVimboForm() = default;

QString TVimboForm::ReadSetting(const QString& name) const
{
    return m_settingsKey.readString(name);
}

qint32 TVimboForm::ReadSettingInt(const QString& name) const
{
    return m_settingsKey.readInteger(name);
}

void TVimboForm::FormCreate()
{
    FirstShow = true;
    Playback.CurrentIndex = 0;
    PositionValue = 1;
    PositionRange = 1;
    if (auto* app = dynamic_cast<TApplication*>(QCoreApplication::instance()))
        app->setExceptionHandler([this](const std::exception& e) { AppException(e); });
    // An error in any step ends the sequence there; the window still opens
    // with what was done so far.
    try {
        runCreateSteps();
    } catch (const std::exception& e) {
        AppException(e);
    }
}

void TVimboForm::runCreateSteps()
{
    QDir().mkpath(ProgramFolder() + QStringLiteral("Skins"));
    QDir().mkpath(ProgramFolder() + QStringLiteral("Lyrics"));

    DecoderPath = WindowsFolder() + QStringLiteral("mp3dec.dll");

    FirstRun = ReadSetting(QStringLiteral("FirstRun2")).isEmpty();
    if (FirstRun)
        m_settingsKey.writeString(QStringLiteral("FirstRun2"), QStringLiteral("no"));

    startImageServer();

    if (FirstRun && askConfirmation(this, QStringLiteral("Do you want to associate media files, "
                                                         "skins and lyrics with the Vimbo Media player?")))
        AssociateFiles();

    writeIncludedFile(&EmbeddedFiles::DecoderData, DecoderPath);

    initSoundPlayer();
    QCoreApplication::processEvents();
    if (m_terminateRequested)
        return;

    writeAndRegisterFont(&EmbeddedFiles::FontData1, QStringLiteral("Fonts/Vimbo_font1.ttf"));
    writeAndRegisterFont(&EmbeddedFiles::FontData2, QStringLiteral("Fonts/Vimbo_font2.ttf"));
    m_embedded.reset(); // the copies are on disk now

    Playback.TickerPos = 1;
    Playback.CurrentTitle = QStringLiteral("Vimbo Media Player");

    readLevels();
    readSwitches();
    placeWindow();

    VolumeSliderVertical = true;
    ToneSlidersVertical = true;
    PositionSliderVertical = false;

    m_settingsKey.writeString(QStringLiteral("Opened"), m_options.firstArgument);
    OpenOnShow = !m_options.firstArgument.isEmpty();
    OpenPassedFile(false, false);

    const QDir lyrics(ProgramFolder() + QStringLiteral("Lyrics"));
    for (const QString& name : lyrics.entryList({QStringLiteral("*.sly")},
                                                QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted))
        ReadLyricAttachment(lyrics.filePath(name));

    FirstRunMessage(QStringLiteral("You can click on the vimbo logo to popup a main menu where you "
                                   "can select stuff like\nthe skin generator, lyrics generator, "
                                   "choose your skin, etc."));
}

void TVimboForm::startImageServer()
{
    const quint16 port = m_options.imageServerPort;
    try {
        ImageServer.Start(port);
    } catch (const std::exception& e) {
        qWarning("NP Image server: %s", e.what());
        showErrorMessage(this, QStringLiteral("Couldn't start the NP Image server at port %1...").arg(port));
        return;
    }
    FirstRunMessage(imageServerHint(ImageServer.Port()));
}

void TVimboForm::initSoundPlayer()
{
    try {
        Player.Mp3DecPath = DecoderPath;
        Playback.CdOpen = false;
        if (!Player.Init())
            throw EVimboError(QStringLiteral("Init Failed"));
    } catch (const std::exception& e) {
        qWarning("sound player: %s", e.what());
        showErrorMessage(this, QStringLiteral("Failure while initializing the sound player!\nIf you "
                                              "keep having this problem, try rebooting your computer..."));
        m_terminateRequested = true;
    }
}

void TVimboForm::writeIncludedFile(TIncludeData EmbeddedFiles::*component, const QString& path)
{
    if (QFileInfo::exists(path))
        return;
    // The executable's copies are read only when a file has to be written.
    if (!m_embedded)
        m_embedded = EmbeddedFiles::fromExecutable();
    writeEmbeddedFileIfMissing((*m_embedded).*component, path);
}

void TVimboForm::writeAndRegisterFont(TIncludeData EmbeddedFiles::*font, const QString& fileName)
{
    const QString path = WindowsFolder() + fileName;
    writeIncludedFile(font, path);
    // A face that cannot be registered falls back to the platform's substitute.
    if (QFontDatabase::addApplicationFont(path) < 0)
        qWarning("Cannot register the font %s", qPrintable(path));
}

void TVimboForm::readLevels()
{
    const auto level = [this](const char* name, qint32 fallback) {
        const qint32 value = ReadSettingInt(QLatin1String(name));
        return value == 0 ? fallback : value;
    };
    Playback.VolumeLevel = level("Volume", 50);
    Bass = level("Bass", 80);
    Mid = level("Mid", 80);
    Treble = level("Treble", 80);
    Bass2 = level("Bass2", 80);
    Mid2 = level("Mid2", 80);
    Treble2 = level("Treble2", 80);
}

void TVimboForm::readSwitches()
{
    Playback.RepeatOn = ReadSetting(QStringLiteral("Repeat1")) == QLatin1String("on");
    Playback.ShuffleOn = ReadSetting(QStringLiteral("Shuffle")) == QLatin1String("on");
    const bool onTop = ReadSetting(QStringLiteral("OnTop")) == QLatin1String("on");
    OnTop->setChecked(onTop);
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
}

void TVimboForm::placeWindow()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QPoint topLeft =
        placeMainWindow(ReadSettingInt(QStringLiteral("FormTop")), ReadSettingInt(QStringLiteral("FormLeft")),
                        screen->geometry().size(), frameGeometry().size());
    move(topLeft);
}

void TVimboForm::OpenPassedFile(bool Reindex, bool PlayNow)
{
    const QString passed = ReadSetting(QStringLiteral("Opened"));
    if (!passed.isEmpty()) {
        // Extensions are compared exactly: "SONG.MP3" is not taken in.
        const QString ext = extractFileExt(passed);
        if (ext == QLatin1String(".mp3") || ext == QLatin1String(".wav") || ext == QLatin1String(".cda")) {
            Playback.CurrentIndex = m_playlist.Append(passed);
            if (!PlayNow)
                m_passedIndex = Playback.CurrentIndex;
            else
                Playback.PlayFile(passed);
        } else if (ext == QLatin1String(".ssk")) {
            copyInto(passed, ProgramFolder() + QStringLiteral("Skins/"));
            const QString name = extractFileName(passed);
            ApplySkin(name.left(name.size() - 4));
        } else if (ext == QLatin1String(".sly")) {
            ReadLyricAttachment(copyInto(passed, ProgramFolder() + QStringLiteral("Lyrics/")));
        }
    }
    if (Reindex)
        RebuildPlaylist();
}

void TVimboForm::OpenFileMessage(const QString& path)
{
    // The second instance waits for our answer; an error must not keep it waiting.
    try {
        // "Opened" is shared: set it again from the request itself, in case a
        // write of this instance came in between.
        if (!path.isEmpty())
            m_settingsKey.writeString(QStringLiteral("Opened"), path);
        OpenPassedFile(true, true);
    } catch (const std::exception& e) {
        AppException(e);
    }
}

void TVimboForm::BringToFront()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void TVimboForm::CloseProgram()
{
    close();
}

void TVimboForm::FirstRunMessage(const QString& text)
{
    if (FirstRun)
        showInformationMessage(this, QStringLiteral("Dear first time user,\n\n") + text);
}

void TVimboForm::AppException(const std::exception& e)
{
    const QString message = exceptionMessage(e);
    const QString className = exceptionClassName(e);
    qWarning("%s: %s", qPrintable(className), qPrintable(message));
    if (askConfirmation(this, errorReportText(message, className)))
        QDesktopServices::openUrl(errorReportMailUrl(message, className));
}

void TVimboForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (FirstShow)
        FormShow();
}

void TVimboForm::FormShow()
{
    const QString skin = ReadSetting(QStringLiteral("Skin"));
    if (skin.isEmpty() || skin == QLatin1String("Default"))
        ApplyDefaultSkin();
    else
        ApplySkin(skin);
    if (OpenOnShow) {
        // The rebuild renumbered the entries: follow the passed file to its
        // new number, or to none when it was dropped (or was no media file).
        Playback.CurrentIndex = m_lastRenumbering.value(m_passedIndex, 0);
        Playback.PlayItem();
        OpenOnShow = false;
    }
    FirstShow = false;
}

void TVimboForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TVimboForm::FormClose()
{
    // Without a player (the library never loaded) there is nothing to stop,
    // and trying to load it again here would only raise an error at exit.
    if (Player.PlayerCreated())
        Player.Stop();
    Playback.CdOpen = false;
    TrayIcon->SetVisible(false);
    PrevTray->SetVisible(false);
    NextTray->SetVisible(false);
}

void TVimboForm::paintEvent(QPaintEvent*)
{
    // Black until a skin gives the window its picture (which covers this).
    QPainter(this).fillRect(rect(), Qt::black);
}

// Filled in as the skin and lyric subsystems are wired in.
void TVimboForm::ApplySkin(const QString& name)
{
    // Reading a named skin's files comes with the skin element controls; until
    // then a named skin shows the built-in one, after the same check for its files.
    const QString base = ProgramFolder() + QStringLiteral("Skins/") + name + '.';
    if (!QFileInfo::exists(base + QStringLiteral("bmp")) || !QFileInfo::exists(base + QStringLiteral("ssk")))
        showErrorMessage(this, QStringLiteral("A needed file from skin \"%1\" is missing!\nIf you have downloaded "
                                              "this file, please download it again...")
                                   .arg(name));
    ApplyDefaultSkin();
}

void TVimboForm::ApplyDefaultSkin()
{
    SkinColor.Background = 5590854;
    SkinColor.Border = 3551532;
    SkinColor.Unactive = 5787975;
    SkinColor.Active = 7366492;
    SkinColor.Text = 2233611;
    SkinColor.Clicked = 9010544;
    SkinColor.Over = 9010544;
    MaskedForm->SetPicture(DefaultSkin);
    resize(DefaultSkin.size());
    MaskedForm->setGeometry(rect());
    const QString mask = ProgramFolder() + QStringLiteral("Skins/Default.msk");
    TCoolForm::GenerateMaskFile(DefaultSkin, 0xFFFFFF, mask);
    MaskedForm->LoadMaskFile(mask);
    RebuildPlaylist();
    update();
}

void TVimboForm::RebuildPlaylist()
{
    m_lastRenumbering = PlaylistView.RebuildPlaylist();
}
void TVimboForm::ReadLyricAttachment(const QString&) {}
