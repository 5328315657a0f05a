// The main window's menu, notification-area icons and window behaviours.
#include "vimboform.h"

#include "shell/associations.h"
#include "shell/trayicon.h"
#include "ui/aboutform.h"

#include <QCoreApplication>

#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QTreeWidget>

void TVimboForm::createMainMenu()
{
    MainMenu = new QMenu(this);
    Add1 = MainMenu->addMenu(QStringLiteral("Add"));
    Directory2 = Add1->addAction(QStringLiteral("Directory..."));
    Files1 = Add1->addAction(QStringLiteral("File(s)..."));
    AudioCd2 = Add1->addAction(QStringLiteral("Audio &CD..."));
    MainMenu->addSeparator();
    SkinsMenu = MainMenu->addMenu(QStringLiteral("&Skins"));
    SkinGenerator1 = MainMenu->addAction(QStringLiteral("Skin &Generator"));
    LyricsGenerator1 = MainMenu->addAction(QStringLiteral("Lyrics Generator"));
    MainMenu->addSeparator();
    TogglePlaylist = MainMenu->addAction(QStringLiteral("&Playlist Visible"));
    TogglePlaylist->setCheckable(true);
    TogglePlaylist->setChecked(true);
    OnTop = MainMenu->addAction(QStringLiteral("Always On &Top"));
    OnTop->setCheckable(true);
    MainMenu->addSeparator();
    AssociateExtensions1 = MainMenu->addAction(QStringLiteral("&Associate Extensions"));
    MainMenu->addSeparator();
    About1 = MainMenu->addAction(QStringLiteral("A&bout"));
    Exit1 = MainMenu->addAction(QStringLiteral("&Exit"));

    // The check mark of "Always On Top" is ours to set (SetOnTop decides from
    // it), so the menu's own toggling is undone before the handler runs.
    connect(OnTop, &QAction::triggered, this, [this] {
        OnTop->setChecked(!OnTop->isChecked());
        SetOnTop();
    });
    // Showing and hiding the playlist is this item's job here.
    connect(TogglePlaylist, &QAction::toggled, Playlist, &QWidget::setVisible);
    connect(AssociateExtensions1, &QAction::triggered, this, &TVimboForm::AssociateFiles);
    connect(About1, &QAction::triggered, this, &TVimboForm::ShowAbout);
    connect(LyricsGenerator1, &QAction::triggered, this, &TVimboForm::ShowLyricsGen);
    connect(SkinGenerator1, &QAction::triggered, this, &TVimboForm::ShowSkinGen);
    connect(Exit1, &QAction::triggered, this, &TVimboForm::Exit);
    connect(MainMenu, &QMenu::aboutToShow, this, &TVimboForm::MainMenuPopup);
    MainMenuPopup();
}

void TVimboForm::createTrayIcons()
{
    const auto make = [this](const char* icon) {
        auto* tray = new TTrayIcon(this);
        tray->SetIcon(QIcon(QString::fromLatin1(icon)));
        return tray;
    };
    TrayIcon = make(":/vimbo/icons/vimbo.png");
    TrayIcon->PopupMenu = MainMenu;
    TrayIcon->OnDblClick = [this](TTrayIcon*) { TrayIconDblClick(); };
    PrevTray = make(":/vimbo/icons/prev.png");
    PrevTray->OnClick = [this](TTrayIcon* sender) { TrayControlClick(sender); };
    NextTray = make(":/vimbo/icons/next.png");
    NextTray->OnClick = [this](TTrayIcon* sender) { TrayControlClick(sender); };
    TrayIcon->SetVisible(true);
    PrevTray->SetVisible(true);
    NextTray->SetVisible(true);
}

void TVimboForm::MainMenuPopup()
{
    SkinsMenu->clear();
    const auto add = [this](const QString& caption) {
        QAction* entry = SkinsMenu->addAction(caption);
        connect(entry, &QAction::triggered, this, [this, entry] { ChangeSkin(entry); });
    };
    add(QStringLiteral("&Default"));
    SkinsMenu->addSeparator();
    // Every settings file is a skin, whether its picture is there or not; the
    // directory's own order, hidden files included.
    QDir folder(ProgramFolder() + QStringLiteral("Skins"));
    folder.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    folder.setSorting(QDir::Unsorted);
    for (const QString& file : folder.entryList({QStringLiteral("*.ssk")}))
        add(file.left(file.size() - 4));
}

void TVimboForm::ChangeSkin(QAction* entry)
{
    // The menu may have marked an accelerator with "&"; the first one goes.
    QString name = entry->text();
    if (const qsizetype amp = name.indexOf('&'); amp >= 0)
        name.remove(amp, 1);
    // Remembered only when it was put on (the built-in one in place of a skin
    // whose files are missing counts) and no newer choice replaced it: a
    // damaged skin would otherwise report itself again at every start.
    const bool applied = name != QLatin1String("Default") ? applySkinReporting(name) : ApplyDefaultSkin();
    if (applied)
        m_settingsKey.writeString(QStringLiteral("Skin"), name);
}

void TVimboForm::contextMenuEvent(QContextMenuEvent* event)
{
    MainMenu->popup(event->globalPos());
}

void TVimboForm::SetOnTop()
{
    const bool onTop = !OnTop->isChecked();
    OnTop->setChecked(onTop);
    // Changing a window flag hides a shown window; bring it back where it was.
    const bool shown = isVisible();
    const QPoint at = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (shown) {
        move(at);
        show();
    }
    m_settingsKey.writeString(QStringLiteral("OnTop"), onTop ? QStringLiteral("on") : QStringLiteral("off"));
}

void TVimboForm::TrayClick()
{
    // Without a notification area a hidden window could never come back:
    // minimise it instead, so the taskbar still reaches it.
    if (TrayIcon->Visible())
        hide();
    else
        showMinimized();
}

void TVimboForm::TrayIconDblClick()
{
    BringToFront();
}

void TVimboForm::TrayControlClick(TTrayIcon* Sender)
{
    if (Sender == PrevTray)
        Playback.Prev();
    else if (Sender == NextTray)
        Playback.Next();
}

void TVimboForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // FormResize: the place is remembered whenever the size changes.
    m_settingsKey.writeInteger(QStringLiteral("FormTop"), y());
    m_settingsKey.writeInteger(QStringLiteral("FormLeft"), x());
}

void TVimboForm::AssociateFiles()
{
    vimbo::FileAssociations associations = vimbo::FileAssociations::fromEnvironment();
    vimbo::AssociateFiles(associations, QCoreApplication::applicationFilePath());
}

void TVimboForm::CreateAboutForm()
{
    // Its labels are laid out as it is made, in the faces start-up registers.
    if (!AboutForm)
        AboutForm = new TAboutForm(this);
}

void TVimboForm::ShowAbout()
{
    CreateAboutForm();
    AboutForm->exec();
}
