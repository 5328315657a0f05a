// Applying skins to the main window: the shipped skins, the built-in one,
// the Skins menu, missing and damaged files, and what a skin leaves alone.
#include "app/vimboform.h"
#include "skins/coolform.h"
#include "skins/mask.h"
#include "skins/skinbitmap.h"
#include "skins/skinformat.h"
#include "support/playerfixture.h"
#include "support/qtprint.h"
#include "support/testfiles.h"
#include "ui/skincontrols.h"

#include <QtEndian>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace vimbo;

namespace {

const QString kMissing = QStringLiteral("A needed file from skin \"%1\" is missing!\nIf you have downloaded this file, "
                                        "please download it again...");

class SkinApplyTest : public ReadyPlayerFixture
{
protected:
    SkinApplyTest()
    {
        pilot.answers = {QMessageBox::No, QMessageBox::No, QMessageBox::No};
        form->show(); // the first show puts on the built-in skin
    }

    QString skinsFolder() const { return options.folders.program + "Skins/"; }

    // A skin of our own making: its settings text and a picture (or none).
    void writeSkin(const QString& name, const QByteArray& settings, const std::optional<QImage>& picture)
    {
        makeFile(dir, "program/Skins/" + name + ".ssk", settings);
        if (picture)
            makeFile(dir, "program/Skins/" + name + ".bmp", EncodeBmp(*picture));
    }

    // Chooses `caption` from the Skins menu as the user does.
    void choose(const QString& caption)
    {
        form->MainMenuPopup();
        for (QAction* a : form->SkinsMenu->actions()) {
            if (a->text() == caption) {
                a->trigger();
                return;
            }
        }
        ADD_FAILURE() << "no menu entry " << caption.toStdString();
    }

    QStringList skinEntries()
    {
        form->MainMenuPopup();
        QStringList out;
        for (const QAction* a : form->SkinsMenu->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    }

    SkinColors colors() const
    {
        const auto& c = form->SkinColor;
        return {c.Background, c.Border, c.Unactive, c.Active, c.Text, c.Clicked, c.Over};
    }

    QRect boxOf(int tag) { return form->FindComponentByTag(tag)->geometry(); }
};

TEST_F(SkinApplyTest, ShippedSkinsApplyWholly)
{
    const QDir shipped(QStringLiteral(VIMBO_ASSETS "/skins"));
    const QStringList skins = shipped.entryList({"*.ssk"}, QDir::Files, QDir::Name);
    ASSERT_GE(skins.size(), 2);
    for (const QString& file : shipped.entryList(QDir::Files))
        QFile::copy(shipped.filePath(file), skinsFolder() + file);
    bool sawOwnMask = false;

    for (const QString& file : skins) {
        SCOPED_TRACE(file.toStdString());
        const QString name = file.chopped(4);
        const ProfileFile ssk(skinsFolder() + file);
        const SkinColorSection section = ReadSkinColors(ssk, {});
        QFile shippedMask(shipped.filePath(name + ".msk"));
        ASSERT_TRUE(shippedMask.open(QIODevice::ReadOnly));
        const QByteArray maskBefore = shippedMask.readAll();

        choose(name);
        EXPECT_EQ(settings().readString("Skin"), name);
        EXPECT_TRUE(pilot.seen.empty()) << pilot.texts().join("|").toStdString();
        const QImage picture(skinsFolder() + name + ".bmp");
        EXPECT_EQ(form->MaskedForm->Picture().size(), picture.size());
        EXPECT_EQ(form->size(), picture.size());
        EXPECT_EQ(colors(), section.colors);

        // The outline is the skin's mask: generated from its colour, or its own file.
        QFile mask(skinsFolder() + name + ".msk");
        ASSERT_TRUE(mask.open(QIODevice::ReadOnly));
        const auto rects = DecodeMask(mask.readAll());
        ASSERT_TRUE(rects && !rects->isEmpty());
        EXPECT_EQ(form->mask(), RegionOf(*rects));
        if (!section.transparent) {
            sawOwnMask = true;
            mask.seek(0);
            EXPECT_EQ(mask.readAll(), maskBefore) << "a skin without a transparent colour keeps its own mask";
        }

        for (const SkinElementInfo& e : SkinElements()) {
            const SkinElementSettings s = ReadSkinElement(ssk, e);
            QWidget* control = form->FindComponentByTag(e.tag);
            EXPECT_EQ(control->geometry(), s.box) << e.control;
            EXPECT_TRUE(QRect(QPoint(), picture.size()).contains(s.box)) << e.control << " lies on the picture";
            if (e.kind == SkinElementKind::Label) {
                EXPECT_EQ(control->font().family(), s.fontName) << e.control;
                EXPECT_EQ(control->palette().color(QPalette::WindowText), ToQColor(section.colors.Text));
            }
        }
        EXPECT_EQ(form->Playlist->palette().color(QPalette::Base), ToQColor(section.colors.Background));
        EXPECT_TRUE(form->TimeLabel->font().bold()) << "the time label keeps its style";
    }
    EXPECT_TRUE(sawOwnMask) << "one shipped skin brings its own outline";
}

TEST_F(SkinApplyTest, MissingFilesShowTheBuiltInSkinAndKeepTheChoice)
{
    QImage picture(60, 40, QImage::Format_RGB32);
    picture.fill(Qt::red);
    writeSkin("NoPicture", "[Colors]\nBackground=255\n", std::nullopt);
    makeFile(dir, "program/Skins/NoSettings.bmp", EncodeBmp(picture));
    writeSkin("Rock&Roll", "[Colors]\n", picture);

    // A settings file makes a skin, picture or not; "&" shows as it is named.
    const QStringList entries = skinEntries();
    EXPECT_EQ(entries.mid(0, 2), (QStringList{"&Default", "-"}));
    EXPECT_EQ(QSet<QString>(entries.begin() + 2, entries.end()), (QSet<QString>{"NoPicture", "Rock&Roll"}));

    struct Case
    {
        QString caption, looksFor;
    };
    for (const Case& c : {Case{"NoPicture", "NoPicture"}, Case{"Rock&Roll", "RockRoll"}}) {
        SCOPED_TRACE(c.caption.toStdString());
        pilot.seen.clear();
        choose(c.caption);
        EXPECT_EQ(pilot.texts(), QStringList{kMissing.arg(c.looksFor)});
        EXPECT_EQ(form->MaskedForm->Picture(), form->DefaultSkin);
        EXPECT_EQ(colors().Background, 5590854u) << "the built-in colours";
        EXPECT_EQ(settings().readString("Skin"), c.looksFor) << "kept for the next start";
    }

    // The next start says it again and wears the built-in skin.
    form.reset();
    pilot.seen.clear();
    settings().writeString("Skin", "NoSettings");
    form = create();
    form->show();
    runEventsFor(50);
    EXPECT_EQ(pilot.texts(), QStringList{kMissing.arg("NoSettings")});
    EXPECT_EQ(form->size(), QSize(449, 292));
}

TEST_F(SkinApplyTest, WhatASkinLeavesAloneAndWhatItAlwaysDoes)
{
    QImage picture(300, 200, QImage::Format_RGB32);
    picture.fill(qRgb(10, 20, 30));
    // Hides the bit rate and the playlist; no section for the duration label;
    // words in the wrong case; sections that name no element.
    writeSkin("First",
              "[Colors]\nTransparent=None\nText=$0000FF\nBorder=junk\n"
              "[5]\nVisible=0\nX=1\nY=2\nW=3\nH=4\n"
              "[4]\nVisible=0\nX=10\nY=10\nW=100\nH=100\n"
              "[1]\nX=5\nY=5\nW=80\nH=20\nHAlign=Right\nVAlign=Bottom\nFontSize=14\nFontName=Seraphic Organism\n"
              "[2]\nX=5\nY=30\nW=80\nH=12\nHAlign=right\nVAlign=Under\n"
              "[7]\nX=1\n[99]\nX=1\n[abc]\nX=1\n",
              picture);
    // Mentions no Visible key; boxes that are no boxes.
    writeSkin("Second",
              "[Colors]\nTransparent=None\n"
              "[5]\nX=7\nY=7\nW=7\nH=7\n"
              "[28]\nX=-50\nY=0x10\nW=-5\nH=0\n"
              "[1]\nX=99999999\nY=abc\nW=2147483647\nH=12\nFontSize=-20\n",
              picture);

    const Qt::Alignment fileAlignBefore = form->FileLabel->alignment();
    const QRegion outlineBefore = form->mask();
    ASSERT_FALSE(outlineBefore.isEmpty());
    choose("First");
    EXPECT_FALSE(form->BitrateLabel->isVisibleTo(form.get()));
    EXPECT_TRUE(form->Playlist->isVisibleTo(form.get())) << "the playlist always comes back";
    EXPECT_EQ(boxOf(6), QRect()) << "no section: an empty box at the corner";
    EXPECT_EQ(form->TimeLabel->alignment(), Qt::AlignRight | Qt::AlignBottom);
    EXPECT_EQ(form->TimeLabel->font().pointSize(), 14);
    EXPECT_TRUE(form->TimeLabel->font().bold());
    EXPECT_EQ(form->FileLabel->alignment(), (fileAlignBefore & ~Qt::AlignVertical_Mask) | Qt::AlignBottom)
        << "\"right\" is no word of the format; \"Under\" is the generator's word for the bottom";
    EXPECT_EQ(colors().Text, 0x0000FFu);
    EXPECT_EQ(colors().Border, 3551532u) << "no number: the colour in effect stays";
    EXPECT_EQ(form->mask(), outlineBefore) << "no transparent colour and no mask file: the outline stays";
    EXPECT_EQ(form->size(), QSize(300, 200));

    choose("Second");
    EXPECT_FALSE(form->BitrateLabel->isVisibleTo(form.get())) << "hidden until the program ends";
    EXPECT_EQ(boxOf(5), QRect(7, 7, 7, 7));
    EXPECT_EQ(boxOf(28), QRect(-50, 16, 0, 0));
    EXPECT_EQ(boxOf(1).topLeft(), QPoint(32767, 0)) << "kept to the window system's coordinates";
    EXPECT_EQ(form->TimeLabel->font().pixelSize(), 20) << "a negative size counts pixels";
    EXPECT_EQ(form->TimeLabel->alignment(), Qt::AlignRight | Qt::AlignBottom) << "no words: as it was";

    // Back to the built-in skin: picture, outline and colours, not the places.
    choose("&Default");
    EXPECT_EQ(settings().readString("Skin"), "Default");
    EXPECT_EQ(form->size(), QSize(449, 292));
    EXPECT_EQ(colors().Text, 2233611u);
    EXPECT_EQ(boxOf(5), QRect(7, 7, 7, 7));
    EXPECT_TRUE(pilot.seen.empty()) << pilot.texts().join("|").toStdString();
}

TEST_F(SkinApplyTest, DamagedPicturesAreReportedAndChangeNothing)
{
    QImage good(120, 80, QImage::Format_RGB32);
    good.fill(qRgb(200, 10, 10));
    const QByteArray valid = EncodeBmp(good);
    QByteArray huge = valid;
    qToLittleEndian<qint32>(200000, huge.data() + 18);
    qToLittleEndian<qint32>(200000, huge.data() + 22);
    QByteArray zero = valid;
    qToLittleEndian<qint32>(0, zero.data() + 18);
    // A checkerboard whose white squares (black is transparent) are one
    // rectangle each: a row more than a window shape may have.
    const int rowsAllowed = int(kMostRegionRects / 1024);
    QImage checkerboard(2048, rowsAllowed + 1, QImage::Format_RGB32);
    for (int y = 0; y < checkerboard.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(checkerboard.scanLine(y));
        for (int x = 0; x < checkerboard.width(); ++x)
            row[x] = (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    }
    const struct
    {
        const char* name;
        QByteArray bytes;
        const char* says;
    } cases[] = {
        {"Huge", huge, "more than a skin may have"},
        {"Truncated", valid.left(valid.size() / 2), "cut short"},
        {"HeaderOnly", valid.left(20), "not a Windows bitmap"},
        {"Text", "this is no picture", "not a Windows bitmap"},
        {"Empty", {}, "not a Windows bitmap"},
        {"NoPixels", zero, "no pixels"},
        {"Checkerboard", EncodeBmp(checkerboard), "more than a window shape may have"},
    };
    const QImage before = form->MaskedForm->Picture();
    const QRegion outlineBefore = form->mask();
    settings().writeString("Skin", "Default");
    pilot.answers.assign(std::size(cases), QMessageBox::No); // no error report mails
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        makeFile(dir, QString("program/Skins/%1.ssk").arg(c.name), "[Colors]\nTransparent=0\nText=255\n[1]\nX=1\n");
        makeFile(dir, QString("program/Skins/%1.bmp").arg(c.name), c.bytes);
        pilot.seen.clear();
        choose(c.name);
        ASSERT_EQ(pilot.seen.size(), 1u);
        EXPECT_TRUE(pilot.seen[0].text.contains(c.says)) << pilot.seen[0].text.toStdString();
        EXPECT_TRUE(pilot.seen[0].text.contains(QString("%1.bmp").arg(c.name)));
        EXPECT_EQ(form->MaskedForm->Picture(), before);
        EXPECT_EQ(form->mask(), outlineBefore);
        EXPECT_EQ(colors().Text, 2233611u);
        EXPECT_EQ(boxOf(1), QRect(34, 73, 78, 20));
        EXPECT_EQ(settings().readString("Skin"), "Default") << "not remembered, so the next start is not spoilt";
    }
}

TEST_F(SkinApplyTest, FilesAreFoundWhateverTheCaseOfTheirNames)
{
    QImage picture(80, 50, QImage::Format_RGB32);
    picture.fill(qRgb(200, 0, 0));
    for (int y = 0; y < 50; ++y)
        picture.setPixel(0, y, qRgb(255, 255, 255));
    const QByteArray ownMask = EncodeMask({QRect(10, 0, 40, 50)});
    const struct
    {
        const char* name;
        const char* settingsFile;
        const char* pictureFile;
        const char* maskFile;
        const char* transparent;
        QRegion outline;
    } cases[] = {
        {"Caps", "Caps.SSK", "Caps.BMP", "Caps.MSK", "None", QRegion(10, 0, 40, 50)},
        // The generated mask replaces the file there instead of adding a second one.
        {"Mixed", "Mixed.ssk", "Mixed.Bmp", "MIXED.msk", "16777215", QRegion(1, 0, 79, 50)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        makeFile(dir, QString("program/Skins/") + c.settingsFile,
                 QByteArray("[Colors]\nText=255\nTransparent=") + c.transparent + "\n[1]\nX=3\nY=4\nW=50\nH=10\n");
        makeFile(dir, QString("program/Skins/") + c.pictureFile, EncodeBmp(picture));
        makeFile(dir, QString("program/Skins/") + c.maskFile, ownMask);
        choose(c.name);
        EXPECT_TRUE(pilot.seen.empty()) << pilot.texts().join("|").toStdString();
        EXPECT_EQ(form->size(), QSize(80, 50));
        EXPECT_EQ(colors().Text, 255u);
        EXPECT_EQ(boxOf(1), QRect(3, 4, 50, 10));
        EXPECT_EQ(form->mask(), c.outline);
        EXPECT_EQ(settings().readString("Skin"), c.name);
        EXPECT_EQ(QDir(skinsFolder()).entryList({QString(c.name) + ".msk"}, QDir::Files).size(), 1);
    }
}

TEST_F(SkinApplyTest, ASkinChosenWhileAMaskIsMadeWinsWhole)
{
    // Two skins unlike each other in every part a skin gives.
    QImage wide(300, 120, QImage::Format_RGB32);
    wide.fill(qRgb(0, 0, 200));
    for (int x = 0; x < 300; ++x)
        wide.setPixel(x, 0, qRgb(255, 255, 255));
    writeSkin("Wide", "[Colors]\nTransparent=16777215\nText=1\nBackground=11\n[1]\nX=1\nY=1\nW=10\nH=10\n", wide);
    QImage narrow(90, 200, QImage::Format_RGB32);
    narrow.fill(qRgb(0, 200, 0));
    for (int y = 0; y < 200; ++y)
        narrow.setPixel(89, y, 0);
    writeSkin("Narrow", "[Colors]\nTransparent=0\nText=2\nBackground=22\n[1]\nX=2\nY=2\nW=20\nH=20\n", narrow);

    struct Look
    {
        QImage picture;
        QSize size;
        QRegion outline;
        SkinColors colors;
        QRect timeBox;
        QString remembered;
    };
    const auto look = [&] {
        return Look{form->MaskedForm->Picture(), form->size(), form->mask(), colors(), boxOf(1),
                    settings().readString("Skin")};
    };
    const struct
    {
        const char* first;
        const char* second;
    } cases[] = {{"Wide", "Narrow"}, {"&Default", "Narrow"}, {"Narrow", "&Default"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " then " + c.second);
        choose("Wide"); // where each run starts
        choose(c.first);
        const QImage firstPicture = form->MaskedForm->Picture();
        choose("Wide");
        choose(c.second);
        const Look second = look();
        choose("Wide");

        // The second choice comes through the event loop, which runs while
        // the first skin's mask is being made.
        bool duringMask = false;
        QTimer::singleShot(0, form.get(), [&] {
            duringMask = form->MaskedForm->Picture() == firstPicture && !form->MaskedForm->Mask().Region();
            choose(c.second);
        });
        choose(c.first);
        EXPECT_TRUE(duringMask) << "the second choice came while the first skin's mask was made";
        const Look now = look();
        EXPECT_EQ(now.picture, second.picture);
        EXPECT_EQ(now.size, second.size);
        EXPECT_EQ(now.outline, second.outline);
        EXPECT_EQ(now.colors, second.colors);
        if (QString(c.second) != "&Default") {
            EXPECT_EQ(now.timeBox, second.timeBox);
        }
        EXPECT_EQ(now.remembered, second.remembered);
        EXPECT_TRUE(pilot.seen.empty()) << pilot.texts().join("|").toStdString();
    }
}

TEST_F(SkinApplyTest, AMaskFileThatCannotBeWrittenStillGivesTheOutline)
{
    // Mask files that cannot be written (a folder stands where each belongs).
    QImage picture(100, 60, QImage::Format_RGB32);
    picture.fill(qRgb(0, 100, 0));
    for (int x = 0; x < 100; ++x)
        picture.setPixel(x, 59, qRgb(255, 255, 255));
    writeSkin("Locked", "[Colors]\nTransparent=16777215\nText=77\n", picture);
    ASSERT_TRUE(QFile::remove(skinsFolder() + "Default.msk"));
    ASSERT_TRUE(QDir().mkpath(skinsFolder() + "Default.msk"));
    ASSERT_TRUE(QDir().mkpath(skinsFolder() + "Locked.msk"));
    for (const char* song : {"b.mp3", "a.mp3"})
        form->PlaylistView.AddPlaylistEntry(makeFile(dir, QString("Music/") + song));

    const struct
    {
        const char* caption;
        QImage picture;
        SkinRgb text;
    } cases[] = {{"Locked", picture, 77}, {"&Default", form->DefaultSkin, 2233611}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        form->Playlist->clear();
        choose(c.caption);
        EXPECT_EQ(form->mask(), RegionOf(*GenerateMaskRects(c.picture, 0xFFFFFF)));
        EXPECT_EQ(form->size(), c.picture.size());
        EXPECT_EQ(colors().Text, c.text);
        EXPECT_EQ(form->Playlist->topLevelItemCount(), 1) << "the playlist is filled (one folder)";
        EXPECT_EQ(settings().readString("Skin"), QString(c.caption).remove('&'));
        EXPECT_TRUE(pilot.seen.empty()) << pilot.texts().join("|").toStdString();
    }
}

TEST_F(SkinApplyTest, OpenedSkinFileIsCopiedInAndShown)
{
    QImage picture(100, 60, QImage::Format_RGB32);
    picture.fill(qRgb(0, 128, 0));
    makeFile(dir, "program/Skins/Leaf.bmp", EncodeBmp(picture));
    const QString outside = makeFile(dir, "downloads/Leaf.ssk", "[Colors]\nTransparent=0\nText=65280\n");
    const QString kept = makeFile(dir, "program/Skins/Stone.ssk", "[Colors]\nText=1\n");
    makeFile(dir, "program/Skins/Stone.bmp", EncodeBmp(picture));
    const QString otherStone = makeFile(dir, "downloads/Stone.ssk", "[Colors]\nText=2\n");

    settings().writeString("Skin", "Default");
    form->OpenFileMessage(outside);
    EXPECT_TRUE(QFileInfo::exists(skinsFolder() + "Leaf.ssk"));
    EXPECT_EQ(form->size(), QSize(100, 60));
    EXPECT_EQ(colors().Text, 65280u);
    EXPECT_EQ(settings().readString("Skin"), "Default") << "opening a skin does not choose it";

    form->OpenFileMessage(otherStone);
    EXPECT_EQ(colors().Text, 1u) << "the installed file of that name wins";
    QFile stone(kept);
    ASSERT_TRUE(stone.open(QIODevice::ReadOnly));
    EXPECT_EQ(stone.readAll(), "[Colors]\nText=1\n");
}

TEST_F(SkinApplyTest, ElementsCarryTheirTags)
{
    for (const SkinElementInfo& e : SkinElements()) {
        QWidget* control = form->FindComponentByTag(e.tag);
        ASSERT_TRUE(control) << e.tag;
        EXPECT_EQ(control->objectName(), e.control);
        EXPECT_EQ(control->geometry(), e.designBox) << e.control;
        if (*e.designFont) {
            EXPECT_EQ(control->font().family(), e.designFont) << e.control;
            EXPECT_EQ(control->font().pixelSize(), e.designFontPixels) << e.control;
        }
    }
    for (int tag : {7, 8, 9, 20, 31, -1})
        EXPECT_EQ(form->FindComponentByTag(tag), nullptr) << tag;
    EXPECT_EQ(form->TimeLabel->text(), "00:00");
    EXPECT_EQ(form->BitrateLabel->text(), "-");
    EXPECT_EQ(form->DurationLabel->text(), "-");
}

} // namespace
