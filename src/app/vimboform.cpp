#include "vimboform.h"

#include "app/application.h"
#include "app/errorreport.h"
#include "app/messages.h"
#include "app/windowplacement.h"
#include "platform/errors.h"
#include "shell/trayicon.h"
#include "skins/coolform.h"
#include "skins/skinapplier.h"
#include "skins/skinbitmap.h"
#include "skins/skinformat.h"
#include "ui/skincontrols.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTreeWidget>

#include <cstdio>

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
      Lyrics(m_options.folders.program + QStringLiteral("Lyrics")),
      FileLabel(new QLabel(PlaybackControl::kFirstFileText, this)),
      ComingUpLabel(new QLabel(QStringLiteral("Coming Up ::  None"), this)), Playlist(new QTreeWidget(this)),
      Playback(m_playlist, m_settingsKey, Player, *this), PlaylistView(m_playlist, Playlist)
{
    setObjectName(QStringLiteral("TVimboForm"));
    Player.SetPriority(5);
    setWindowTitle(QStringLiteral(" "));
    resize(449, 289);
    // Pixels outside the skin's outline are transparent, not just unclickable.
    setAttribute(Qt::WA_TranslucentBackground);
    MaskedForm = new TCoolForm(this);
    m_components.append(MaskedForm);
    m_skinApplier = std::make_unique<SkinApplier>(ProgramFolder() + QStringLiteral("Skins/"), *this, *MaskedForm,
                                                  m_components);
    m_skinApplier->CurrentColors = [this] { return currentSkinColors(); };
    m_skinApplier->SetColors = [this](const SkinColors& colors) {
        setSkinColors(colors);
        RedrawAllSliders();
    };
    DefaultSkin = QImage(QStringLiteral(":/vimbo/skins/Default.bmp"));
    createControls();
    wireSliders();
    createMainMenu();
    createPlaylistCommands();
    createTrayIcons();
    wireCdPlayer();
    createLyricsGenerator();
    createSkinGenerator();

    Player.OnNotifyPlayerState = [this](TMp3DecPlayer*, int state) {
        DecoderState = state;
        Playback.PlayerState(state);
        if (m_mpris)
            m_mpris->RefreshSoon();
    };
    // The entry last started keeps its file under a rebuild's new numbers
    // (a hand-over's too); one the rebuild dropped leaves no entry current.
    PlaylistView.OnRenumbered = [this](const QHash<qint32, qint32>& renumbered) {
        Playback.FollowRenumbering(renumbered);
        if (PlayingTrack.entry >= 0)
            PlayingTrack.entry = renumbered.value(PlayingTrack.entry, PlayingTrack.entry);
        m_passedIndex = renumbered.value(m_passedIndex, 0);
    };
    PlaylistView.OnPlayIndex = [this](qint32 index) {
        Playback.CurrentIndex = index;
        Playback.PlayFile(m_playlist.ReadPlaylistEntry(index));
    };
    copyPlaylistLook();
    ImageServer.CurrentState = [this] { return NowPlayingSnapshot(); };
    Timer.setInterval(100);
    connect(&Timer, &QTimer::timeout, this, [this] {
        Playback.FastTimer();
        // What the media bus has not been told yet (a length, a lyric line).
        if (m_mpris)
            m_mpris->Refresh();
    });
    Timer.start();
}

void TVimboForm::createControls()
{
    // Each skin element at its design box, in the table's order, which is
    // also the order a skin is applied in.
    const auto place = [this](QWidget* control, int tag) {
        const SkinElementInfo* e = FindSkinElement(tag);
        SetTag(control, tag);
        control->setObjectName(QString::fromLatin1(e->control));
        control->setGeometry(e->designBox);
        if (*e->designFont) {
            QFont font(QString::fromLatin1(e->designFont));
            font.setPixelSize(e->designFontPixels);
            font.setBold(e->designBold);
            control->setFont(font);
        }
        m_components.append(control);
    };
    const auto label = [&](QLabel* l, int tag) {
        place(l, tag);
        // Drawn over the skin's picture, in the built-in skin's text colour.
        QPalette palette = l->palette();
        palette.setColor(QPalette::WindowText, ToQColor(2233611));
        l->setPalette(palette);
        l->setAutoFillBackground(false);
        return l;
    };
    const auto button = [&](int tag, const char* hint) {
        auto* b = new TSkinButton(this);
        place(b, tag);
        if (*hint)
            b->setToolTip(QString::fromLatin1(hint));
        return b;
    };
    const auto slider = [&](int tag) {
        auto* s = new TSkinSlider(this, FindSkinElement(tag)->kind == SkinElementKind::VerticalSlider);
        place(s, tag);
        return s;
    };

    TimeLabel = label(new QLabel(QStringLiteral("00:00"), this), 1);
    label(FileLabel, 2);
    label(ComingUpLabel, 3);
    ComingUpLabel->installEventFilter(this);

    place(Playlist, 4);
    Playlist->setHeaderHidden(true);
    Playlist->setIndentation(19);
    Playlist->setFrameShape(QFrame::NoFrame);
    Playlist->setSelectionBehavior(QAbstractItemView::SelectRows);
    Playlist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Playlist->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The built-in skin's panel colour; light text reads on it.
    QPalette palette = Playlist->palette();
    palette.setColor(QPalette::Base, ToQColor(5590854));
    palette.setColor(QPalette::Text, QColor(0xD8, 0xDE, 0xE4));
    Playlist->setPalette(palette);

    BitrateLabel = label(new QLabel(QStringLiteral("-"), this), 5);
    DurationLabel = label(new QLabel(QStringLiteral("-"), this), 6);

    PrevBtn = button(10, "Previous");
    PlayBtn = button(11, "Play");
    PauseBtn = button(12, "Pause");
    StopBtn = button(13, "Stop");
    NextBtn = button(14, "Next");
    OpenBtn = button(15, "Add files...");
    TrayBtn = button(16, "Minimize to tray...");
    Image2 = button(17, "Close vimbo media player...");
    PlUpBtn = button(18, "Up");
    PlDownBtn = button(19, "Down");
    BassSlider = slider(21);
    Bass2Slider = slider(22);
    MidSlider = slider(23);
    Mid2Slider = slider(24);
    TrebleSlider = slider(25);
    Treble2Slider = slider(26);
    VolumeSlider = slider(27);
    TrackSlider = slider(28);
    ShuffleBtn = button(29, "Shuffle");
    RepeatBtn = button(30, "Repeat");

    PrevBtn->OnClick = [this] { Playback.Prev(); };
    PlayBtn->OnClick = [this] { Playback.PlaySelected(); };
    PauseBtn->OnClick = [this] { Playback.Pause(); };
    StopBtn->OnClick = [this] { Playback.Stop(); };
    NextBtn->OnClick = [this] { Playback.Next(); };
    TrayBtn->OnClick = [this] { TrayClick(); };
    Image2->OnClick = [this] { CloseClick(); };
    ShuffleBtn->OnClick = [this] { Playback.SetShuffle(); };
    RepeatBtn->OnClick = [this] { Playback.SetRepeat(); };
}

QWidget* TVimboForm::FindComponentByTag(int tag) const
{
    QWidget* found = nullptr;
    for (QWidget* control : m_components) {
        if (TagOf(control) == tag)
            found = control;
    }
    return found;
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

TVimboForm::~TVimboForm()
{
    // The picture server's threads read this window's state: they end first.
    ImageServer.Stop();
}

void TVimboForm::copyPlaylistLook()
{
    m_nowPlaying.SetPlaylistLook(Playlist->font(), Playlist->width());
}

NowPlaying TVimboForm::NowPlayingSnapshot() const
{
    // Neither the store nor this window is waited for: a rebuild holds the
    // store for seconds, and the pictures go on meanwhile.
    NowPlaying state = m_nowPlaying.Take(Playback.CurrentIndex);
    state.unactive = SkinColor.Unactive;
    state.border = SkinColor.Border;
    state.text = SkinColor.Text;
    state.clicked = SkinColor.Clicked;
    state.over = SkinColor.Over;
    return state;
}

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
    CreateAboutForm();
    startMpris();
}

void TVimboForm::runCreateSteps()
{
    QDir().mkpath(ProgramFolder() + QStringLiteral("Skins"));
    QDir().mkpath(ProgramFolder() + QStringLiteral("Lyrics"));
    // An installed player brings its skins to the user's folder; one missing
    // there is no reason not to start.
    const QString skins = ProgramFolder() + QStringLiteral("Skins");
    for (const QString& failure : copyMissingSkins(m_options.folders.shippedSkins, skins))
        std::fprintf(stderr, "vimbo: %s\n", qPrintable(failure));

    DecoderPath = WindowsFolder() + QStringLiteral("mp3dec.dll");

    FirstRun = ReadSetting(QStringLiteral("FirstRun2")).isEmpty();
    if (FirstRun)
        m_settingsKey.writeString(QStringLiteral("FirstRun2"), QStringLiteral("no"));

    startImageServer();

    if (FirstRun && askConfirmation(this, QStringLiteral("Do you want to associate media files, "
                                                         "skins and lyrics with the Vimbo Media player?")))
        AssociateFiles();

    writeDecoderLibrary();

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
    // The level is the player's before any track starts, so a first track
    // cannot begin at the library's own level.
    if (Player.PlayerCreated())
        Player.SetOutputVolume(-1, Playback.VolumeLevel, -1);
    readSwitches();
    placeWindow();

    // The orientations are the program's, whatever size a skin gives a slider.
    for (TSkinSlider* s : {VolumeSlider, BassSlider, Bass2Slider, MidSlider, Mid2Slider, TrebleSlider, Treble2Slider})
        s->Vertical = true;
    TrackSlider->Vertical = false;

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

void TVimboForm::writeDecoderLibrary()
{
    // Unlike a font, the library has to be the very one this build was made
    // with: one left by an older version is replaced.
    if (!m_embedded)
        m_embedded = EmbeddedFiles::fromExecutable();
    refreshEmbeddedFile(m_embedded->DecoderData, DecoderPath);
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
                        screen->geometry(), frameGeometry().size());
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
            if (PlayNow)
                Playback.PlayFile(passed);
            else
                m_passedIndex = Playback.CurrentIndex;
        } else if (ext == QLatin1String(".ssk")) {
            copyInto(passed, ProgramFolder() + QStringLiteral("Skins/"));
            const QString name = extractFileName(passed);
            applySkinReporting(name.left(name.size() - 4));
        } else if (ext == QLatin1String(".sly")) {
            ReadLyricAttachment(copyInto(passed, ProgramFolder() + QStringLiteral("Lyrics/")));
        } else if (ext == QLatin1String(".lrc")) {
            importLrc(passed);
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
        applySkinReporting(skin);
    if (OpenOnShow) {
        // The skin's rebuild has carried the passed file to its new number,
        // or to none when it was dropped (or was no media file); a file
        // handed over meanwhile may have become current, but this one plays.
        Playback.CurrentIndex = m_passedIndex;
        Playback.PlayItem();
        OpenOnShow = false;
    }
    FirstShow = false;
}

void TVimboForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
    // The program ends with this window, whether it was shown or hidden to
    // the notification area (Qt's own rule counts shown windows only).
    QCoreApplication::quit();
}

void TVimboForm::FormClose()
{
    // Without a player (the library never loaded) there is nothing to stop,
    // and trying to load it again here would only raise an error at exit.
    if (Player.PlayerCreated())
        Player.Stop();
    Playback.CloseCdIfOpen();
    TrayIcon->SetVisible(false);
    PrevTray->SetVisible(false);
    NextTray->SetVisible(false);
}

bool TVimboForm::ApplySkin(const QString& name)
{
    switch (m_skinApplier->Apply(name)) {
    case SkinApplier::Outcome::Missing: {
        showErrorMessage(this, QStringLiteral("A needed file from skin \"%1\" is missing!\nIf you have downloaded "
                                              "this file, please download it again...")
                                   .arg(name));
        if (!ApplyDefaultSkin())
            return false;
        break;
    }
    case SkinApplier::Outcome::Superseded:
        return false;
    case SkinApplier::Outcome::Applied:
        break;
    }
    const quint64 choice = m_skinApplier->Choice();
    finishSkin();
    return choice == m_skinApplier->Choice();
}

bool TVimboForm::ApplyDefaultSkin()
{
    if (m_skinApplier->ApplyDefault(DefaultSkin) != SkinApplier::Outcome::Applied)
        return false;
    const quint64 choice = m_skinApplier->Choice();
    finishSkin();
    return choice == m_skinApplier->Choice();
}

void TVimboForm::finishSkin()
{
    copyPlaylistLook();
    RedrawAllSliders();
    RebuildPlaylist();
    // A skin always shows the playlist again (whatever its own Visible key
    // says), unless the user has switched "Playlist Visible" off.
    Playlist->setVisible(TogglePlaylist->isChecked());
    update();
}

SkinColors TVimboForm::currentSkinColors() const
{
    return {SkinColor.Background, SkinColor.Border, SkinColor.Unactive, SkinColor.Active,
            SkinColor.Text,       SkinColor.Clicked, SkinColor.Over};
}

void TVimboForm::setSkinColors(const SkinColors& c)
{
    SkinColor.Background = c.Background;
    SkinColor.Border = c.Border;
    SkinColor.Unactive = c.Unactive;
    SkinColor.Active = c.Active;
    SkinColor.Text = c.Text;
    SkinColor.Clicked = c.Clicked;
    SkinColor.Over = c.Over;
}

bool TVimboForm::applySkinReporting(const QString& name)
{
    try {
        return ApplySkin(name);
    } catch (const EVimboError& e) {
        AppException(e);
        // A window that never had a skin gets the built-in one.
        if (MaskedForm->Picture().isNull())
            ApplyDefaultSkin();
        return false;
    }
}

void TVimboForm::RebuildPlaylist()
{
    PlaylistView.RebuildPlaylist();
}
