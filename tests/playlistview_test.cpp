// Filling the playlist from files and folder trees, and the playlist view's
// commands: delete, clear, export (checked in a real browser), scrolling and
// the track pop-up.
#include "app/vimboform.h"
#include "playlist/directoryscan.h"
#include "support/pictureclient.h"
#include "support/playerfixture.h"
#include "support/qtprint.h"
#include "support/testfiles.h"
#include "ui/skincontrols.h"
#include "ui/trackinfo.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QtEndian>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

using namespace vimbo;

namespace {

// Answers the next modal file dialog: `fill` picks what the user would,
// then the dialog is accepted (or, with no `fill`, cancelled).
void answerFileDialog(std::function<void(QFileDialog*)> fill)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, fill] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        if (!fill)
            return dialog->reject();
        fill(dialog);
        // The dialog's own checks, as its Open button runs them.
        QMetaObject::invokeMethod(dialog, "accept");
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog did not take " << dialog->selectedFiles().join(", ").toStdString();
            dialog->reject();
        }
    });
    timer->start(10);
}

TEST(DirectoryScan, FindsAudioFilesOfATreeOnce)
{
    QTemporaryDir dir;
    const QString root = dir.filePath("music/");
    for (const char* name : {"b.mp3", "A.wav", "SONG.MP3", "disc/Track01.cda", ".hidden.mp3", "notes.txt",
                             "mp3.ogg", "deep/er/still/x.Wav", ".secret/skip.mp3", "Song.mp3"})
        makeFile(dir, QString("music/") + name);
    QDir().mkpath(root + "locked");
    makeFile(dir, "music/locked/y.mp3");
    ASSERT_EQ(::symlink("..", QFile::encodeName(root + "deep/up").constData()), 0) << "a link back to an ancestor";
    ASSERT_EQ(::symlink(QFile::encodeName(root + "disc").constData(), QFile::encodeName(root + "alias").constData()),
              0);
    makeFile(dir, "music/album.mp3/.keep"); // a folder, not a file
    QFile::setPermissions(root + "locked", QFileDevice::Permissions{});
    const bool canRead = ::access(QFile::encodeName(root + "locked").constData(), R_OK) == 0; // root reads anyway

    SortedPathList list;
    ScanDirectory(root, list);
    QStringList found = list.Paths();
    found.replaceInStrings(root, "");
    // "disc/Track01.cda" is reached through "alias" or "disc": once either way.
    const qsizetype cdaAt = found.indexOf(QRegularExpression("^(disc|alias)/Track01\\.cda$"));
    ASSERT_GE(cdaAt, 0) << found.join(" ").toStdString();
    found[cdaAt] = "disc/Track01.cda";
    QStringList expected{".hidden.mp3", "A.wav", "b.mp3", "deep/er/still/x.Wav", "disc/Track01.cda", "SONG.MP3",
                         "Song.mp3"};
    if (canRead)
        expected.insert(6, "locked/y.mp3");
    EXPECT_EQ(QSet<QString>(found.begin(), found.end()), QSet<QString>(expected.begin(), expected.end()));
    // Case-insensitive order of the full paths; names differing in case only are both kept.
    const auto song = found.indexOf("SONG.MP3");
    EXPECT_EQ(std::abs(song - found.indexOf("Song.mp3")), 1);
    EXPECT_LT(found.indexOf("A.wav"), found.indexOf("b.mp3"));
    EXPECT_LT(found.indexOf("b.mp3"), found.indexOf("deep/er/still/x.Wav"));
    QFile::setPermissions(root + "locked", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    SortedPathList twice;
    EXPECT_TRUE(twice.Add("/m/b.mp3"));
    EXPECT_TRUE(twice.Add("/m/A.mp3"));
    EXPECT_FALSE(twice.Add("/m/b.mp3")) << "the same path once";
    EXPECT_EQ(twice.Paths(), (QStringList{"/m/A.mp3", "/m/b.mp3"}));
}

class PlaylistViewTest : public ReadyPlayerFixture
{
protected:
    QStringList entries()
    {
        QStringList out;
        for (const auto& [index, path] : PlaylistStore(settings(), RegistryKey(store(), kPlaylistKeyPath))
                                             .ReadEntries(settings().readInteger("LastPlItem")))
            out << QString::number(index) + "=" + path;
        return out;
    }
    QStringList tree()
    {
        QStringList out;
        for (int i = 0; i < form->Playlist->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* folder = form->Playlist->topLevelItem(i);
            out << folder->text(0);
            for (int j = 0; j < folder->childCount(); ++j)
                out << "  " + folder->child(j)->text(0);
        }
        return out;
    }
    void pressDelete()
    {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(form->Playlist, &key);
    }
};

TEST_F(PlaylistViewTest, AddingAFolderTreeAndFiles)
{
    const QString music = dir.filePath("Music");
    makeFile(dir, "Music/b.mp3");
    makeFile(dir, "Music/A.wav");
    makeFile(dir, "Music/.hidden/c.mp3");
    makeFile(dir, "Music/empty/readme.txt");

    // Cancelled: nothing changes, not even LastDir.
    answerFileDialog({});
    form->AddDirectory();
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(settings().readString("LastDir"), "");

    for (int round = 1; round <= 2; ++round) {
        answerFileDialog([&](QFileDialog* d) { d->findChild<QLineEdit*>("fileNameEdit")->setText(music); });
        form->AddDirectory();
    }
    EXPECT_EQ(settings().readString("LastDir"), music + "/");
    EXPECT_EQ(entries(), (QStringList{"1=" + music + "/A.wav", "2=" + music + "/b.mp3", "3=" + music + "/A.wav",
                                      "4=" + music + "/b.mp3"}))
        << "sorted, hidden folder left out, the second add doubles";
    const QString a = "  " + form->PlaylistView.MakeDisplayNames(music + "/A.wav").name;
    const QString b = "  " + form->PlaylistView.MakeDisplayNames(music + "/b.mp3").name;
    EXPECT_EQ(tree(), (QStringList{"Music", a, b, a, b}));
    EXPECT_TRUE(form->Playlist->isVisibleTo(form.get()));
    EXPECT_EQ(form->FileLabel->text(), PlaybackControl::kFirstFileText) << "nothing is played";

    // Files: in the order picked; the first starts at once; LastDir follows.
    const QString other = dir.filePath("Other");
    for (const char* name : {"z.mp3", "y.mp3", "x.wav"})
        makeFile(dir, QString("Other/") + name);
    const qint32 current = form->Playback.CurrentIndex;
    answerFileDialog([&](QFileDialog* d) {
        d->setDirectory(other);
        d->findChild<QLineEdit*>("fileNameEdit")->setText("\"z.mp3\" \"y.mp3\" \"x.wav\"");
    });
    form->AddFiles();
    EXPECT_EQ(entries().mid(4), (QStringList{"5=" + other + "/z.mp3", "6=" + other + "/y.mp3", "7=" + other + "/x.wav"}));
    EXPECT_EQ(settings().readString("LastDir"), other + "/");
    EXPECT_EQ(form->Playback.CurrentIndex, current) << "starting the file leaves CurrentIndex";
    EXPECT_EQ(form->Playback.MediaKind, mkMp3) << "z.mp3 was started";
}

TEST_F(PlaylistViewTest, DeletingAndClearing)
{
    for (const char* name : {"Rock/a.mp3", "Rock/b.mp3", "Jazz/c.mp3", "Jazz/d.mp3"})
        form->PlaylistView.AddPlaylistEntry(makeFile(dir, name));
    ASSERT_EQ(tree().size(), 6);

    // A file node: its entry only; the folder stays even when it empties.
    form->Playlist->setCurrentItem(form->Playlist->topLevelItem(0)->child(1));
    pressDelete();
    form->Playlist->setCurrentItem(form->Playlist->topLevelItem(0)->child(0));
    form->DeleteItem();
    EXPECT_EQ(tree(), (QStringList{"Rock", "Jazz", "  c", "  d"}));
    EXPECT_EQ(entries().size(), 2);
    // A folder node: every entry under it; then a new file of that folder gets a node again.
    form->Playlist->setCurrentItem(form->Playlist->topLevelItem(1));
    pressDelete();
    EXPECT_EQ(tree(), QStringList{"Rock"});
    EXPECT_TRUE(entries().isEmpty());
    form->PlaylistView.AddPlaylistEntry(dir.filePath("Jazz/c.mp3"));
    EXPECT_EQ(tree(), (QStringList{"Rock", "Jazz", "  c"}));

    // No selection: nothing.
    form->Playlist->clearSelection();
    form->Playlist->setCurrentItem(nullptr);
    pressDelete();
    EXPECT_EQ(entries().size(), 1);

    pilot.answers = {QMessageBox::No, QMessageBox::Yes};
    form->ClearList1Click();
    EXPECT_EQ(entries().size(), 1) << "answered No";
    form->ClearList1Click();
    EXPECT_EQ(pilot.texts(), QStringList(2, "Are you sure you want to delete every entry in the playlist?"));
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_TRUE(RegistryKey(store(), kPlaylistKeyPath).valueNames().isEmpty());
    EXPECT_EQ(settings().readInteger("LastPlItem"), 0);
    EXPECT_EQ(form->Playlist->topLevelItemCount(), 0);
    EXPECT_EQ(form->FileLabel->text(), "No files added to the playlist...");
    pressDelete(); // empty tree: nothing
}

TEST_F(PlaylistViewTest, FolderDialogOffersTheLastFolderItself)
{
    const QString music = dir.filePath("x/Music");
    makeFile(dir, "x/Music/a.mp3");
    makeFile(dir, "x/Music/Music/b.mp3"); // a folder inside of the same name
    settings().writeString("LastDir", music + "/");
    answerFileDialog([](QFileDialog* d) {
        // Choose at once.
        d->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open)->click();
    });
    form->AddDirectory();
    EXPECT_TRUE(pilot.texts().isEmpty()) << pilot.texts().join(" | ").toStdString();
    EXPECT_EQ(settings().readString("LastDir"), music + "/");
    EXPECT_EQ(entries(), (QStringList{"1=" + music + "/a.mp3", "2=" + music + "/Music/b.mp3"}));
}

TEST_F(PlaylistViewTest, HiddenPlaylistStaysHiddenAndStaleFolderNodesDeleteNothing)
{
    form->show();
    form->TogglePlaylist->trigger(); // "Playlist Visible" off
    ASSERT_TRUE(form->Playlist->isHidden());
    makeFile(dir, "Music/a.mp3");
    answerFileDialog([&](QFileDialog* d) { d->findChild<QLineEdit*>("fileNameEdit")->setText(dir.filePath("Music")); });
    form->AddDirectory();
    form->RefreshList();
    form->ApplyDefaultSkin();
    EXPECT_TRUE(form->Playlist->isHidden()) << "a folder add, a rebuild and a skin leave the list hidden";
    form->TogglePlaylist->trigger();
    EXPECT_FALSE(form->Playlist->isHidden());
    EXPECT_TRUE(form->Playlist->viewport()->isVisible());

    // A folder node whose first file was deleted on its own, that number
    // then taken by a file of another folder: the folder node goes alone.
    form->ClearList1Click();
    form->PlaylistView.AddPlaylistEntry(makeFile(dir, "Rock/a.mp3")); // 1
    form->PlaylistView.AddPlaylistEntry(makeFile(dir, "Jazz/c.mp3")); // 2, and the folder node's number
    form->Playlist->setCurrentItem(form->Playlist->topLevelItem(1)->child(0));
    pressDelete(); // c: LastPlItem back to 1
    form->PlaylistView.AddPlaylistEntry(makeFile(dir, "Rock/b.mp3")); // 2 again
    ASSERT_EQ(tree(), (QStringList{"Rock", "  a", "  b", "Jazz"}));
    form->Playlist->setCurrentItem(form->Playlist->topLevelItem(1));
    pressDelete();
    EXPECT_EQ(tree(), (QStringList{"Rock", "  a", "  b"}));
    EXPECT_EQ(entries(), (QStringList{"1=" + dir.filePath("Rock/a.mp3"), "2=" + dir.filePath("Rock/b.mp3")}));
}

// One raw request to the picture server; true when a whole answer (JPEG,
// then a BMP as long as its header says) came back within 30 s.
bool fetchPicture(quint16 port)
{
    const int fd = connectLoopback(port);
    bool whole = false;
    if (fd >= 0 && ::send(fd, "x", 1, MSG_NOSIGNAL) == 1) {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (!whole && t.elapsed() < 30000) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char buf[65536];
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            got.append(buf, qsizetype(n));
            whole = hasWholeRawAnswer(got);
        }
    }
    if (fd >= 0)
        ::close(fd);
    return whole;
}

TEST_F(PlaylistViewTest, PicturesAndSkinChangesGoOnDuringARebuild)
{
    form->show();
    const QString song = makeFile(dir, "Music/song.mp3");
    constexpr int kCount = 20000;
    store()->transaction([&] {
        RegistryKey entries(store(), kPlaylistKeyPath);
        for (int i = 0; i < kCount; ++i)
            entries.writeString(QString::number(i + 1), song);
        settings().writeInteger("LastPlItem", kCount);
    });
    form->Playback.CurrentIndex = 1;

    // Two waits for each other would hang here for good: give up loudly.
    std::atomic<bool> finished{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 1200 && !finished; ++i)
            QThread::msleep(100);
        if (!finished) {
            std::fprintf(stderr, "the rebuild, a picture request and a skin change wait for each other\n");
            std::abort();
        }
    });
    std::thread client;
    std::atomic<bool> served{false};
    bool skinAsked = false;
    form->PlaylistView.OnRebuildProgress = [&](TPlaylist::RebuildStage stage, qsizetype done, qsizetype) {
        if (stage != TPlaylist::RebuildStage::Looking)
            return;
        if (done == 1000 && !client.joinable()) {
            const quint16 port = form->ImageServer.Port();
            client = std::thread([&served, port] { served = fetchPicture(port); });
        }
        if (done == 5000 && !skinAsked) {
            skinAsked = true;
            // By now the picture's worker is inside its request; a skin
            // chosen from the menu comes in as the next event.
            QThread::msleep(300);
            QTimer::singleShot(0, form.get(), [&] { form->ApplyDefaultSkin(); });
        }
    };
    form->RefreshList();
    finished = true;
    watchdog.join();
    if (client.joinable())
        client.join();
    EXPECT_TRUE(skinAsked);
    EXPECT_TRUE(served) << "the picture is served while the list is rebuilt";
    EXPECT_EQ(settings().readInteger("LastPlItem"), kCount);
    EXPECT_EQ(form->Playlist->topLevelItem(0)->childCount(), kCount);
}

QString readAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readAll());
}

TEST_F(PlaylistViewTest, ExportWritesAPageThatReadsRightInABrowser)
{
    const QString head = "<html><head><title>Vimbo - Exported Playlist</title></head>\r\n"
                         "<body bgcolor=\"#475158\" text=\"#5C6770\">\r\n"
                         "<font face=Verdana size=5><b>Vimbo Playlist</font>\r\n"
                         "<p><hr size=1 color=\"#2C3136\"></p><font face=Verdana size=1>\r\n";
    const QString tail = "</b></font><br>\r\n</body></html>\r\n";
    form->show(); // the built-in skin's colours
    const QString page = dir.filePath("out/Playlist.htm");
    QDir().mkpath(dir.filePath("out"));
    ASSERT_TRUE(form->WritePlaylistPage(page));
    EXPECT_EQ(readAll(page), head + tail) << "an empty playlist";

    // Entries in index order, whatever the tree shows; names as the view cuts them.
    auto entriesKey = RegistryKey(store(), kPlaylistKeyPath);
    entriesKey.writeString("3", dir.filePath("x.wav"));
    entriesKey.writeString("1", dir.filePath("Music/a.mp3"));
    entriesKey.writeString("2", "");
    entriesKey.writeInteger("6", 9);       // not a path: no entry
    entriesKey.writeInteger("Order", 1); // not an entry's name at all
    const QString hostile = dir.filePath("Bad/<script>alert(1)<\\script> & 'x'.mp3");
    const QString accented = dir.filePath("Éire/Beyoncé.mp3");
    entriesKey.writeString("4", hostile);
    entriesKey.writeString("5", accented);
    settings().writeInteger("LastPlItem", 6);
    const DisplayNames hostileNames = form->PlaylistView.MakeDisplayNames(hostile);
    const DisplayNames accentedNames = form->PlaylistView.MakeDisplayNames(accented);
    const QString folderOfX = form->PlaylistView.MakeDisplayNames(dir.filePath("x.wav")).folder;
    ASSERT_TRUE(form->WritePlaylistPage(page));
    const QString written = readAll(page);
    EXPECT_TRUE(written.startsWith(head));
    EXPECT_TRUE(written.endsWith(tail));
    const QStringList lines = written.mid(head.size(), written.size() - head.size() - tail.size()).split("\r\n");
    ASSERT_EQ(lines.size(), 5) << written.toStdString(); // four entries and the empty rest
    EXPECT_EQ(lines[0], "Music :: a<br>");
    EXPECT_EQ(lines[1], folderOfX + " :: x<br>");
    EXPECT_FALSE(lines[2].contains("<script>")) << "reserved characters are escaped";
    EXPECT_TRUE(lines[2].contains("&lt;script&gt;"));
    EXPECT_TRUE(lines[3].toLatin1() == lines[3].toUtf8()) << "plain ASCII, readable in any encoding";

    // Exported through the menu command: the dialog's file, then the user's program for it.
    QUrl opened;
    form->OpenDocument = [&](const QUrl& url) {
        opened = url;
        return true;
    };
    answerFileDialog([&](QFileDialog* d) {
        d->setDirectory(dir.filePath("out"));
        d->findChild<QLineEdit*>("fileNameEdit")->setText("Mine"); // typed without the extension
    });
    form->ExportPlaylist();
    EXPECT_EQ(opened, QUrl::fromLocalFile(dir.filePath("out/Mine.htm"))) << opened.toString().toStdString();
    EXPECT_EQ(readAll(dir.filePath("out/Mine.htm")), written);

    // A real browser shows the names as text, non-ASCII letters included.
    const QString chromium = QStandardPaths::findExecutable("chromium");
    if (chromium.isEmpty())
        GTEST_FAIL() << "chromium is not installed (scripts/deps.sh installs it)";
    QProcess browser;
    browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--dump-dom",
                             QUrl::fromLocalFile(page).toString()});
    ASSERT_TRUE(browser.waitForFinished(60000));
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    ASSERT_TRUE(dom.contains("<body")) << dom.toStdString();
    QString text = dom;
    text.remove(QRegularExpression("<[^>]*>"));
    text.replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&").replace("&quot;", "\"");
    EXPECT_FALSE(dom.contains("<script")) << "no markup came from a name";
    EXPECT_TRUE(text.contains("Vimbo Playlist"));
    EXPECT_TRUE(text.contains("Music :: a")) << text.toStdString();
    EXPECT_TRUE(text.contains(hostileNames.folder + " :: " + hostileNames.name)) << text.toStdString();
    EXPECT_TRUE(text.contains(accentedNames.folder + " :: " + accentedNames.name)) << text.toStdString();
    EXPECT_TRUE(text.contains("Beyoncé")) << text.toStdString();
}

TEST_F(PlaylistViewTest, ScrollButtonsPageThroughTheList)
{
    form->show();
    for (int i = 0; i < 120; ++i)
        form->PlaylistView.AddPlaylistEntry(makeFile(dir, QString("F%1/t.mp3").arg(i, 3, 10, QChar('0'))));
    runEventsFor(50);
    QScrollBar* bar = form->Playlist->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 3 * bar->pageStep());
    EXPECT_FALSE(bar->isVisible()) << "no scroll bars: the skin's buttons scroll";

    QElapsedTimer held;
    held.start();
    form->PlDownBtn->OnMouseDown();
    EXPECT_EQ(bar->value(), bar->pageStep()) << "a page at once";
    EXPECT_TRUE(form->ScrollTimer.isActive());
    runEventsFor(300);
    if (held.elapsed() < 480) { // a stalled machine may have slept past the first repeat
        EXPECT_EQ(bar->value(), bar->pageStep()) << "the first repeat waits 500 ms";
    }
    runEventsFor(400);
    EXPECT_EQ(form->ScrollTimer.interval(), 10);
    EXPECT_GT(bar->value(), bar->pageStep());
    form->PlDownBtn->OnMouseUp();
    EXPECT_FALSE(form->ScrollTimer.isActive());
    const int stopped = bar->value();
    form->PlUpBtn->OnMouseDown();
    form->PlUpBtn->OnMouseUp();
    EXPECT_EQ(bar->value(), std::max(0, stopped - bar->pageStep()));
}

TEST_F(PlaylistViewTest, TrackPopUpShowsWholeNamesOnce)
{
    form->show();
    const qint32 index = form->PlaylistView.AddPlaylistEntry(makeFile(dir, "Music/a very long title of a song.mp3"));
    form->PlaylistView.AddPlaylistEntry(makeFile(dir, "Music/other.mp3"));
    TTrackInfo* info = form->TrackInfo;

    form->ShowTrackInfo("Hello", 300, 40);
    EXPECT_TRUE(info->isVisible());
    EXPECT_EQ(info->NameLabel->text(), "Hello");
    EXPECT_EQ(info->x(), 300 - info->width() / 2);
    EXPECT_EQ(info->y(), 40);
    EXPECT_TRUE(info->HideTimer.isActive());
    EXPECT_EQ(info->HideTimer.interval(), 6000);
    EXPECT_EQ(info->NameLabel->palette().color(QPalette::WindowText), ToQColor(form->SkinColor.Text));

    // The same text again after it was hidden: nothing, not even a new place.
    info->HideForm();
    form->ShowTrackInfo("Hello", 10, 10);
    EXPECT_FALSE(info->isVisible());

    // Over a playlist node: the whole name of its entry, capitalised.
    QTreeWidgetItem* node = form->Playlist->topLevelItem(0)->child(0);
    form->Playlist->expandAll();
    runEventsFor(20);
    const QPoint at = form->Playlist->visualItemRect(node).center();
    form->ListMouseMove(at.x(), at.y());
    EXPECT_EQ(info->NameLabel->text(), "A Very Long Title Of A Song");
    EXPECT_TRUE(info->isVisible());
    form->ListMouseMove(-5, -5); // no node: nothing
    EXPECT_EQ(info->NameLabel->text(), "A Very Long Title Of A Song");

    // Over the now-playing label: entry CurrentIndex, as it is named.
    form->Playback.CurrentIndex = index;
    info->HideForm();
    form->FilenamesOver(form->FileLabel);
    EXPECT_EQ(info->NameLabel->text(), "a very long title of a song");
    form->FilenamesOver(form->BitrateLabel);
    EXPECT_EQ(info->NameLabel->text(), "a very long title of a song");

    // Moving over the window's picture hides it.
    form->FormOver();
    EXPECT_FALSE(info->isVisible());
}

} // namespace
