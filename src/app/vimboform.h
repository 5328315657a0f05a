// The main window: owns every long-lived object of the player and runs its
// start-up, first show and shutdown. Its public methods are the player's commands.
#pragma once

#include "imageserver/nowplayingsnapshot.h"
#include "imageserver/npimageserver.h"
#include "lyrics/lyrics.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "playback/cdplayer.h"
#include "playback/mp3decplayer.h"
#include "playback/playbackcontrol.h"
#include "playlist/playlist.h"
#include "playlist/playliststore.h"
#include "settings/registry.h"
#include "shell/embeddedfiles.h"
#include "shell/mpris.h"
#include "skins/skinformat.h"

#include <QFont>
#include <QImage>
#include <QMutex>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <exception>
#include <memory>
#include <optional>

// What a run of the player is started with.
struct StartupOptions
{
    vimbo::PlayerFolders folders;
    QString firstArgument;          // the first command-line argument, or ""
    quint16 imageServerPort = 120;  // the now-playing server's port
};

class QAction;
class QLabel;
class TBrowseForFolder;
class TSkinButton;
class TTrackInfo;
class TSkinSlider;
class QMenu;
class QPainter;
class QTreeWidget;
class TAboutForm;
class TCoolForm;
class TLyricsForm;
class TNewSkinForm;
class TSkinGenForm;
class TTrayIcon;
namespace vimbo {
class SkinApplier;
}

class TVimboForm : public QWidget, public vimbo::PlaybackView
{
    Q_OBJECT
    // First, so that everything below can be built on them.
    StartupOptions m_options;
    vimbo::RegistryKey m_settingsKey;
    vimbo::RegistryKey m_playlistKey;
    vimbo::PlaylistStore m_playlist;
    vimbo::NowPlayingSnapshots m_nowPlaying{m_settingsKey, m_playlistKey};

public:
    TVimboForm(StartupOptions options, std::shared_ptr<vimbo::RegistryDatabase> store,
               QWidget* parent = nullptr);
    ~TVimboForm() override;

    // The start-up sequence. Afterwards TerminateRequested() tells whether
    // the player could not start and must end without showing its window.
    void FormCreate();
    bool TerminateRequested() const { return m_terminateRequested; }

    // Takes in the file named by the setting "Opened".
    void OpenPassedFile(bool Reindex, bool PlayNow);
    // Runs when a second instance has handed over its file.
    void OpenFileMessage(const QString& path);
    // Brings the window to the front (asked by a second instance).
    void BringToFront();
    void CloseProgram();

    // During the first run only: an information box addressed to the new user.
    void FirstRunMessage(const QString& text);
    // Shows an error no command caught and offers to mail a report.
    void AppException(const std::exception& e);

    QString ReadSetting(const QString& name) const;
    qint32 ReadSettingInt(const QString& name) const;
    vimbo::RegistryKey& SettingsKey() { return m_settingsKey; }
    vimbo::RegistryKey& PlaylistKey() { return m_playlistKey; }

    const StartupOptions& Options() const { return m_options; }
    QString WindowsFolder() const { return m_options.folders.data; }
    QString ProgramFolder() const { return m_options.folders.program; }

    // Program-wide state; playback's own lives in Playback.
    bool FirstRun = false;
    bool FirstShow = false;
    bool OpenOnShow = false;
    QString DecoderPath;
    qint32 PositionValue = 0;
    qint32 PositionRange = 0;
    // Tone levels read at start-up: 0..160, 80 flat (the volume is Playback.VolumeLevel).
    qint32 Bass = 0, Mid = 0, Treble = 0, Bass2 = 0, Mid2 = 0, Treble2 = 0;

    TMp3DecPlayer Player;
    // Audio CD tracks: the device, the track last started, and the CD-Text
    // titles known of discs (by the entry's path; "" for none).
    vimbo::TCdPlayer CdPlayer;
    qint32 CdTrack = 0;
    void CDPlayerNotify();
    // Adds one entry per audio track of the disc in a drive, or of a disc
    // image the user picks when no drive holds one.
    void AddAudioCd();
    QString CdTrackTitle(const QString& path);
    // Timed lyrics: the lyric file of the playing track and the generator
    // window that records them (made with the main window, shown by the menu).
    vimbo::LyricLibrary Lyrics;
    TLyricsForm* LyricsForm = nullptr;
    void ShowLyricsGen();
    // "AttachedTo" of a lyric file, asking the user through the attach
    // dialog (and storing the answer) when it is empty.
    QString ReadLyricAttachment(const QString& path);
    // The lyric line of the playing track for a position report, on the
    // screen; the generator's position display follows every report.
    void ShowLyricLine(qint32 position);
    TNpImageServer ImageServer{60000}; // a quiet client is let go after a minute
    // What the now-playing picture shows, taken at once; any thread may ask.
    vimbo::NowPlaying NowPlayingSnapshot() const;
    // The skin elements, at the built-in layout's places until a skin moves
    // and styles them. Buttons are click areas over the skin's artwork.
    QLabel* TimeLabel;
    QLabel* FileLabel;
    QLabel* ComingUpLabel;
    QTreeWidget* Playlist;
    QLabel* BitrateLabel;
    QLabel* DurationLabel;
    TSkinButton *PrevBtn, *PlayBtn, *PauseBtn, *StopBtn, *NextBtn, *OpenBtn;
    TSkinButton *TrayBtn, *Image2, *PlUpBtn, *PlDownBtn, *ShuffleBtn, *RepeatBtn;
    TSkinSlider *BassSlider, *Bass2Slider, *MidSlider, *Mid2Slider, *TrebleSlider, *Treble2Slider;
    TSkinSlider *VolumeSlider, *TrackSlider;
    QTimer Timer; // 100 ms: title ticker, CD poll
    vimbo::PlaybackControl Playback;
    vimbo::TPlaylist PlaylistView;

    // The main menu (right click on the window or on the main tray icon).
    QMenu* MainMenu;
    QMenu* Add1;
    QAction* Directory2;
    QAction* Files1;
    QMenu* SkinsMenu;
    QAction* SkinGenerator1;
    QAction* LyricsGenerator1;
    QAction* TogglePlaylist;
    QAction* OnTop;
    QAction* AssociateExtensions1;
    QAction* About1;
    QAction* Exit1;
    // Made at the end of start-up, once its fonts are there.
    TAboutForm* AboutForm = nullptr;
    // The skin's picture over the whole window, and the window's outline.
    TCoolForm* MaskedForm;
    // The built-in skin's picture.
    QImage DefaultSkin;
    // The seven skin colours (red in the low byte). Each is one 32-bit value
    // stored at once, so the image server's threads never read half a colour.
    struct SkinColorSet
    {
        std::atomic<quint32> Background{0}, Border{0}, Unactive{0}, Active{0}, Text{0}, Clicked{0}, Over{0};
    } SkinColor;
    // The notification-area icons.
    TTrayIcon* TrayIcon;
    TTrayIcon* PrevTray;
    TTrayIcon* NextTray;

    // Skins. Both return false when the skin was not put on whole: another
    // skin chosen while this one's mask was made replaced it.
    bool ApplySkin(const QString& name);
    bool ApplyDefaultSkin();
    void ChangeSkin(QAction* entry);
    // The last control carrying `tag`, or none.
    QWidget* FindComponentByTag(int tag) const;
    // The skin generator and its new-skin wizard, made with the main window.
    TNewSkinForm* NewSkinForm = nullptr;
    TSkinGenForm* SkinGenForm = nullptr;
    void ShowSkinGen();

    // Sliders and the time displays. The level sliders (volume and the six
    // tones) share one set of mouse handlers; the track slider has its own.
    void LevelDown(TSkinSlider* slider, int X, int Y);
    void LevelMove(TSkinSlider* slider, int X, int Y);
    void LevelUp(TSkinSlider* slider, int X, int Y);
    void TrackDown(int X, int Y);
    void TrackMove(int X, int Y);
    void TrackUp(int X, int Y);
    // "Volume", "Track", "Bass", "Bass2", "Mid", "Mid2", "Treble" or "Treble2"; other names paint nothing.
    void RedrawSlider(const QString& name);
    void RedrawAllSliders();
    void ApplyEqualizer();
    void SetTime(quint8 Hours, quint8 Minutes, quint8 Seconds, quint8 Fractions);
    void StreamDuration(quint32 Duration);
    void StreamParams(quint32 Frequency, qint16 Bitrate, quint8 NbChannels);
    void TrackPosition(quint32 Offset, quint32 Range);
    // The output's volume at Playback.VolumeLevel, for a CD track or the decoder.
    void ApplyVolume();

    // The desktop's media bus: the track started last as it is described
    // there, and the decoder's last reported state.
    vimbo::MprisTrack PlayingTrack;
    int DecoderState = MP3_PLAYER_STATE_STOPPED;
    // None when the session has no bus or $VIMBO_MPRIS is "0".
    vimbo::MprisService* Mpris() const { return m_mpris.get(); }
    // Where the playing track is, in microseconds.
    qint64 PositionMicroseconds() const;

    // Adding files and folders (the Open button's menu and the main menu's "Add").
    QMenu* AddMenu;
    QAction* Directory1;
    QAction* File1;
    QAction* AudioCd1; // "Audio &CD...", here and in the main menu's Add (AudioCd2)
    QAction* AudioCd2;
    TBrowseForFolder* BrowseFolder;
    void ShowAddPopup();
    void AddFiles();
    void AddDirectory();

    // The playlist view's commands and the track pop-up.
    QMenu* PlaylistMenu;
    QAction *Search1, *DeleteItem1, *ClearList1, *RefreshList1, *ExportList1, *ExpandAll1, *CollapseAll1;
    QMenu* SearchMenu;
    QTimer ScrollTimer; // 500 ms to the first repeat, then 10 ms
    bool ScrollDown = false;
    TTrackInfo* TrackInfo;
    QString LastInfoText;
    void DeleteItem();
    void DeleteSelectedNode();
    void ClearList1Click();
    void RefreshList() { RebuildPlaylist(); }
    void ExportPlaylist();
    // The export page of the current playlist, written to `fileName`.
    // False (with the file system's reason in `error`) when it cannot be written.
    bool WritePlaylistPage(const QString& fileName, QString* error = nullptr);
    void BeginScroll(TSkinButton* Sender);
    void EndScroll();
    void Scroll(bool byTimer);
    void ListMouseMove(int x, int y);
    void FilenamesOver(QObject* Sender);
    // x or y of -1: beside the pointer.
    void ShowTrackInfo(const QString& text, int x, int y);
    // Opens a document in the user's program for it (the exported page).
    std::function<bool(const QUrl&)> OpenDocument;

    // Window behaviours.
    void MainMenuPopup();
    void SetOnTop();
    void TrayClick();
    void TrayIconDblClick();
    void TrayControlClick(TTrayIcon* Sender);
    void CloseClick() { close(); }
    void Exit() { close(); }
    void FormOver();
    void AssociateFiles();
    void ShowAbout();

    // What playback control shows.
    QString FileLabelText() const override;
    void SetFileLabel(const QString& text) override;
    void SetComingUpLabel(const QString& text) override;
    void SetApplicationTitle(const QString& text) override;
    void SetPlayingLabel(const QString& text) override;
    void RebuildPlaylist();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void FormShow();
    void FormClose();
    void runCreateSteps();
    void startImageServer();
    void initSoundPlayer();
    void writeAndRegisterFont(TIncludeData vimbo::EmbeddedFiles::*font, const QString& fileName);
    void readLevels();
    void readSwitches();
    void placeWindow();
    void writeIncludedFile(TIncludeData vimbo::EmbeddedFiles::*component, const QString& path);
    void writeDecoderLibrary();

    // Work of other subsystems that start-up and hand-over call into.
    // ApplySkin, its errors reported; true when the skin was put on.
    bool applySkinReporting(const QString& name);
    void finishSkin();
    vimbo::SkinColors currentSkinColors() const;
    void setSkinColors(const vimbo::SkinColors& colors);
    void createLyricsGenerator();
    void createSkinGenerator();
    // Live editing: a change to the skin the window wears is put on the
    // window, coalesced to at most one application per timer period.
    QTimer m_liveSkinTimer;
    bool m_liveElementsOnly = true;
    void skinFileWritten(const QString& file, bool elementsOnly);
    void applyLiveSkin();
    // An ".lrc" opened from outside, made a lyric file of the folder.
    void importLrc(const QString& path);
    void wireCdPlayer();
    // Starts a ".cda" entry; false (the user told) when its name gives no track.
    bool StartCdTrack(const QString& path);
    void rememberCdTitles(const vimbo::CdDisc& disc);
    void addCdTracks(const vimbo::CdDisc& disc);
    QHash<QString, QString> m_cdTitles;
    QString m_cdSource; // the disc CdPlayer was opened on
    // What the track pop-up shows for an entry: its CD-Text title, or its
    // file name without the extension (tidied when `tidy`).
    QString entryTitle(qint32 index, bool tidy);
    void createControls();
    void createMainMenu();
    void CreateAboutForm();
    void createTrayIcons();
    void wireSliders();
    void createPlaylistCommands();
    struct LevelSlider
    {
        TSkinSlider* control;
        qint32* value;
        qint32 maximum;
        const char* setting;
    };
    std::optional<LevelSlider> levelSlider(const TSkinSlider* control);
    void paintSlider(TSkinSlider* slider, QPainter& painter);

    std::optional<vimbo::EmbeddedFiles> m_embedded;
    bool m_terminateRequested = false;
    qint32 m_passedIndex = 0; // the entry a command-line file was stored as
    // Hands the playlist view's font and width to the picture server's
    // threads (names there are cut as the view cuts them).
    void copyPlaylistLook();
    // Every control of the window, in creation order (the order a skin is applied in).
    QList<QWidget*> m_components;
    std::unique_ptr<vimbo::SkinApplier> m_skinApplier;
    // The service is ended before the host it calls into.
    std::unique_ptr<vimbo::MprisHost> m_mprisHost;
    std::unique_ptr<vimbo::MprisService> m_mpris;
    void startMpris();
    void describePlayingTrack(const QString& path);
};
