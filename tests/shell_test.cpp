// The main menu, the notification-area icons' behaviours (no tray here:
// offscreen) and the window behaviours.
#include "app/vimboform.h"
#include "shell/trayicon.h"
#include "ui/aboutform.h"
#include "support/dialogpilot.h"
#include "support/playerfixture.h"
#include "support/qtprint.h"
#include "support/testfiles.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace vimbo;

namespace {

using ShellTest = ReadyPlayerFixture;

QStringList menuText(const QMenu* menu)
{
    QStringList out;
    for (const QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->menu() ? QStringLiteral(" >") : QString()));
    return out;
}

TEST_F(ShellTest, MainMenuItemsInOrder)
{
    EXPECT_EQ(menuText(form->MainMenu),
              (QStringList{"Add >", "-", "&Skins >", "Skin &Generator", "Lyrics Generator", "-", "&Playlist Visible",
                           "Always On &Top", "-", "&Associate Extensions", "-", "A&bout", "&Exit"}));
    EXPECT_EQ(menuText(form->Add1), (QStringList{"Directory...", "File(s)...", "Audio &CD..."}));
    form->MainMenuPopup();
    EXPECT_EQ(menuText(form->SkinsMenu), (QStringList{"&Default", "-"})) << "no skins installed";
    EXPECT_TRUE(form->TogglePlaylist->isChecked());
    EXPECT_FALSE(form->OnTop->isChecked());
    EXPECT_TRUE(form->SkinGenerator1->isEnabled());
    EXPECT_TRUE(form->LyricsGenerator1->isEnabled());
}

TEST_F(ShellTest, MenuActions)
{
    form->show();
    // Always On Top, twice: the setting and the window come back to where they were.
    form->OnTop->trigger();
    EXPECT_TRUE(form->OnTop->isChecked());
    EXPECT_EQ(settings().readString("OnTop"), "on");
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form->isVisible());
    form->OnTop->trigger();
    EXPECT_FALSE(form->OnTop->isChecked());
    EXPECT_EQ(settings().readString("OnTop"), "off");
    EXPECT_FALSE(form->windowFlags() & Qt::WindowStaysOnTopHint);

    form->TogglePlaylist->trigger();
    EXPECT_FALSE(form->Playlist->isVisible());
    form->TogglePlaylist->trigger();
    EXPECT_TRUE(form->Playlist->isVisible());

    form->AssociateExtensions1->trigger();
    EXPECT_TRUE(QFile::exists(dir.filePath("xdg-data/applications/vimbo.desktop")));

    form->Exit1->trigger();
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ShellTest, ExitEndsTheProgramWhetherShownOrHidden)
{
    for (const bool hidden : {false, true}) {
        SCOPED_TRACE(hidden ? "hidden to the tray" : "shown");
        form->show();
        if (hidden)
            form->hide(); // what "minimise to tray" does where there is a tray
        QTimer::singleShot(0, form->Exit1, &QAction::trigger);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        watchdog.start(5000);
        EXPECT_EQ(QCoreApplication::exec(), 0) << "the program went on after its main window closed";
    }
}

TEST_F(ShellTest, TrayBehavioursWithoutANotificationArea)
{
    // Offscreen there is no notification area: the icons stay hidden, and
    // "minimise to tray" minimises instead of hiding the window for good.
    EXPECT_FALSE(form->TrayIcon->Visible());
    form->show();
    form->TrayClick();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isMinimized());
    form->TrayIconDblClick();
    EXPECT_FALSE(form->isMinimized());

    // The small icons step through the playlist.
    RegistryKey entries(store(), kPlaylistKeyPath);
    for (int i = 1; i <= 3; ++i)
        entries.writeString(QString::number(i), QString("/music/t%1.mp3").arg(i));
    settings().writeInteger("LastPlItem", 3);
    form->Playback.CurrentIndex = 1;
    form->NextTray->Activate(QSystemTrayIcon::Trigger);
    EXPECT_EQ(form->Playback.CurrentIndex, 2);
    form->PrevTray->Activate(QSystemTrayIcon::Trigger);
    form->PrevTray->Activate(QSystemTrayIcon::DoubleClick); // no double-click action
    form->PrevTray->Activate(QSystemTrayIcon::Context);     // no menu
    EXPECT_EQ(form->Playback.CurrentIndex, 1);
}

TEST_F(ShellTest, AboutLabelsOpenTheirAddresses)
{
    TAboutForm* about = form->AboutForm;
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_EQ(about->size(), QSize(330, 241));
    EXPECT_EQ(about->ProductLabel1->text(), "Vimbo");
    EXPECT_EQ(about->ProductLabel2->text(), "Media Player");
    QList<QUrl> opened;
    about->OpenUrl = [&](const QUrl& url) {
        opened << url;
        return true;
    };
    const auto click = [](QLabel* label) {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), label->mapToGlobal(QPointF(2, 2)),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(label, &release);
    };
    click(about->BuildingEmail);
    click(about->WebAddress);
    click(about->NoticeLabel); // plain labels do not react
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0], QUrl("mailto:" + about->BuildingEmail->text()));
    EXPECT_EQ(opened[1], QUrl(about->WebAddress->text()));
    EXPECT_EQ(opened[1].scheme(), "https");
}

using AboutTest = PlayerFixture;

TEST_F(AboutTest, LaidOutInTheFacesStartUpRegisters)
{
    QFontDatabase::removeAllApplicationFonts(); // as in a process of its own
    settings().writeString("FirstRun2", "no");
    auto form = create();
    const TAboutForm now;
    ASSERT_EQ(QFontInfo(now.ProductLabel1->font()).family(), "QSwitch Ax");
    EXPECT_EQ(form->AboutForm->ProductLabel1->geometry(), now.ProductLabel1->geometry());
    EXPECT_EQ(form->AboutForm->ProductLabel2->geometry(), now.ProductLabel2->geometry());
}

TEST_F(ShellTest, HintIsCutTo63Characters)
{
    TTrayIcon icon;
    icon.SetHint(QString(70, 'x'));
    EXPECT_EQ(icon.Hint(), QString(63, 'x'));
    icon.SetHint("short");
    EXPECT_EQ(icon.Hint(), "short");
}

TEST_F(ShellTest, ResizingRemembersThePlace)
{
    form->show();
    form->move(123, 77);
    form->resize(500, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(settings().readInteger("FormLeft"), form->x());
    EXPECT_EQ(settings().readInteger("FormTop"), form->y());
}

} // namespace
