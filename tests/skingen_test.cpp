// The skin generator over a real skin in the player's Skins folder: elements
// loaded and written through its fields and real mouse events on the
// preview, colours, new skins through the wizard, and the worn skin
// following the edits.
#include "skins/newskinform.h"
#include "skins/skinbitmap.h"
#include "skins/skingenform.h"
#include "support/playerfixture.h"
#include "support/testfiles.h"
#include "ui/skincontrols.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace vimbo;

namespace {

class SkinGenTest : public ReadyPlayerFixture
{
protected:
    SkinGenTest()
    {
        pilot.answers = {QMessageBox::No, QMessageBox::No, QMessageBox::No};
        gen = form->SkinGenForm;
        // A 300 x 200 grey picture with a dark blue square at (50, 60).
        QImage picture(300, 200, QImage::Format_RGB32);
        picture.fill(QColor(128, 128, 128));
        QPainter(&picture).fillRect(50, 60, 10, 10, QColor(0, 0, 160));
        makeFile(dir, "program/Skins/Look.bmp", EncodeBmp(picture));
        skin = makeFile(dir, "program/Skins/Look.ssk", kLook);
    }

    static constexpr const char* kLook = "; made by hand\r\n"
                                         "[Images]\r\nMain=Look.bmp\r\n"
                                         "[Colors]\r\nTransparent=None\r\nText=255\r\n"
                                         "[24]\r\nX=70\r\nY=182\r\nW=14\r\nH=26\r\nFontSize=100\r\nVAlign=Bottom\r\n"
                                         "[12]\r\nX=20\r\nY=30\r\nW=20\r\nH=10\r\nHAlign=Center\r\n";

    QByteArray skinBytes() const
    {
        QFile f(skin);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void select(const QString& caption)
    {
        const auto items = gen->ObjectList->findItems(caption, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << caption.toStdString();
        gen->ObjectList->setCurrentItem(items[0]);
    }
    void type(QSpinBox* field, int value)
    {
        field->selectAll();
        QTest::keyClicks(field, QString::number(value));
        QTest::keyClick(field, Qt::Key_Return);
    }
    // Shows the generator and loads Look through File > Load Skin...
    void loadLook()
    {
        form->SkinGenerator1->trigger();
        ASSERT_TRUE(gen->isVisible());
        QStringList filters;
        pilot.other = [&](QWidget* modal) {
            if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                filters = files->nameFilters();
                files->findChild<QLineEdit*>("fileNameEdit")->setText(skin);
                QMetaObject::invokeMethod(files, "accept");
            }
        };
        gen->LoadSkin1->trigger();
        pilot.other = nullptr;
        EXPECT_EQ(filters, QStringList{"Vimbo Skin (*.ssk)"});
        ASSERT_EQ(gen->EditedSkinPath(), skin);
    }

    TSkinGenForm* gen = nullptr;
    QString skin;
};

TEST_F(SkinGenTest, ElementsLoadWithoutWritingAndAreWrittenWholeAtOnce)
{
    const struct
    {
        const char* caption;
        int tag;
    } tags[] = {{"Equalizer Bar 4", 24}, {"Minimize Button", 16}, {"Close Button", 17},
                {"Time Label", 1},       {"Repeat Button", 30},   {"Nothing Like It", 0}};
    for (const auto& t : tags)
        EXPECT_EQ(TSkinGenForm::ElementTagFor(t.caption), t.tag) << t.caption;

    loadLook();
    EXPECT_EQ(gen->windowTitle(), "Skin Generator");
    EXPECT_GE(gen->minimumWidth(), 600);
    EXPECT_GE(gen->minimumHeight(), 450);
    EXPECT_FALSE(gen->ObjectLeft->isEnabled()) << "nothing selected yet";
    EXPECT_EQ(gen->HexColorEdit->text(), "None") << "Transparent is shown as it is";

    select("Equalizer Bar 4");
    EXPECT_EQ(gen->ObjectLeft->value(), 70);
    EXPECT_EQ(gen->ObjectHeight->value(), 26);
    EXPECT_EQ(gen->FontSize->value(), 72) << "brought into range";
    EXPECT_EQ(gen->VAlignList->currentText(), "Under") << "the nearest item for \"Bottom\"";
    select("Shuffle Button");
    EXPECT_EQ((std::array{gen->ObjectLeft->value(), gen->ObjectTop->value(), gen->ObjectWidth->value(),
                          gen->ObjectHeight->value()}),
              (std::array{0, 0, 0, 0}));
    EXPECT_EQ(gen->FontList->currentText(), "Verdana");
    EXPECT_EQ(gen->FontSize->value(), 8);
    EXPECT_TRUE(gen->VisibleCheckBox->isChecked());
    EXPECT_EQ(skinBytes(), kLook) << "showing writes nothing";

    select("Equalizer Bar 4");
    type(gen->ObjectLeft, 75);
    const ProfileFile written(skin);
    EXPECT_EQ(written.entries("24"), (QList<std::pair<QString, QString>>{{"X", "75"},
                                                                          {"Y", "182"},
                                                                          {"W", "14"},
                                                                          {"H", "26"},
                                                                          {"FontSize", "72"},
                                                                          {"VAlign", "Under"},
                                                                          {"Visible", "1"},
                                                                          {"FontName", "Verdana"},
                                                                          {"HAlign", "Left"}}));
    type(gen->FontSize, 3);
    EXPECT_EQ(ProfileFile(skin).readString("24", "FontSize"), "7");
    QTest::mouseClick(gen->VisibleCheckBox, Qt::LeftButton, {}, QPoint(8, gen->VisibleCheckBox->height() / 2));
    EXPECT_EQ(ProfileFile(skin).readString("24", "Visible"), "0");
    EXPECT_TRUE(skinBytes().startsWith("; made by hand\r\n[Images]\r\nMain=Look.bmp\r\n[Colors]\r\nTransparent=None"));
}

TEST_F(SkinGenTest, TheMouseMovesAndSizesTheSelectedElement)
{
    loadLook();
    select("Pause Button"); // section 12: 20, 30, 20 x 10
    ASSERT_EQ(gen->ObjectWidth->value(), 20);
    const QImage before = gen->Image->picture();
    ASSERT_FALSE(before.isNull());
    EXPECT_EQ(before.pixelColor(20, 30), QColor(0, 255, 0)) << "the selected element in lime";
    EXPECT_EQ(before.pixelColor(299, 199), QColor(128, 128, 128));
    EXPECT_EQ(before.pixelColor(before.width() - 1, before.height() - 1), QColor(Qt::white)) << "beyond the picture";

    // A left click centres the element on the pointer, with a width typed
    // but not yet confirmed.
    gen->ObjectWidth->selectAll();
    QTest::keyClicks(gen->ObjectWidth, "30");
    QTest::mouseClick(gen->Image, Qt::LeftButton, {}, QPoint(100, 50));
    EXPECT_EQ(ProfileFile(skin).readString("12", "X"), "85");
    EXPECT_EQ(ProfileFile(skin).readString("12", "Y"), "45");
    EXPECT_EQ(ProfileFile(skin).readString("12", "W"), "30");
    gen->ObjectWidth->setValue(20);

    // A right drag that ends above and left of the corner gives a negative size.
    QTest::mousePress(gen->Image, Qt::RightButton, {}, QPoint(120, 60));
    EXPECT_TRUE(gen->SizeMode);
    // While dragging only the drag box is drawn, not the other outlines.
    EXPECT_NE(gen->Image->picture().pixelColor(70, 182), QColor(255, 0, 0));
    QTest::mouseMove(gen->Image, QPoint(80, 40));
    QTest::mouseRelease(gen->Image, Qt::RightButton, {}, QPoint(80, 40));
    EXPECT_FALSE(gen->SizeMode);
    const ProfileFile sized(skin);
    EXPECT_EQ(sized.readString("12", "W"), "-5");
    EXPECT_EQ(sized.readString("12", "H"), "-5");
    EXPECT_EQ(gen->ObjectWidth->value(), -5);
    EXPECT_EQ(gen->Image->picture().pixelColor(70, 182), QColor(255, 0, 0)) << "the others are back in red";
}

TEST_F(SkinGenTest, ColoursArePickedTypedAndWrittenAsNumbers)
{
    loadLook();
    gen->ColorList->setCurrentText("Text");
    EXPECT_EQ(gen->HexColorEdit->text(), "#FF0000");
    gen->HexColorEdit->selectAll();
    QTest::keyClicks(gen->HexColorEdit, "#10203");
    EXPECT_EQ(ProfileFile(skin).readString("Colors", "Text"), "255") << "six characters write nothing";
    QTest::keyClicks(gen->HexColorEdit, "G");
    EXPECT_EQ(ProfileFile(skin).readString("Colors", "Text"), "255") << "no colour";
    QTest::keyClick(gen->HexColorEdit, Qt::Key_Backspace);
    QTest::keyClicks(gen->HexColorEdit, "0");
    EXPECT_EQ(ProfileFile(skin).readString("Colors", "Text"), QString::number(0x302010));

    // Pick: the next press takes the picture's colour under the pointer.
    QTest::mouseClick(gen->SelectColorBtn, Qt::LeftButton);
    EXPECT_TRUE(gen->PickMode);
    QTest::mouseClick(gen->Image, Qt::LeftButton, {}, QPoint(55, 65));
    EXPECT_FALSE(gen->PickMode);
    EXPECT_EQ(gen->HexColorEdit->text(), "#0000A0");
    EXPECT_EQ(ProfileFile(skin).readString("Colors", "Text"), QString::number(0xA00000));

    // "Transparent" is "None": shown as it is, never written over.
    const QByteArray now = skinBytes();
    gen->ColorList->setCurrentText("Transparent");
    EXPECT_EQ(gen->HexColorEdit->text(), "None");
    EXPECT_EQ(skinBytes(), now);
}

TEST_F(SkinGenTest, ANewSkinOverAnExistingOneReplacesItsPictureAndTransparency)
{
    form->ShowSkinGen();
    int asked = 0;
    bool none = false;
    pilot.other = [&](QWidget* modal) {
        auto* wizard = qobject_cast<TNewSkinForm*>(modal);
        if (!wizard)
            return;
        ++asked;
        wizard->SkinNameEdit->setText("Look");
        if (none)
            QTest::mouseClick(wizard->Button5, Qt::LeftButton);
        QTest::mouseClick(wizard->Button4, Qt::LeftButton);
    };
    gen->NewSkin1->trigger();
    ASSERT_EQ(asked, 1);
    EXPECT_EQ(gen->EditedSkinPath(), skin);
    QByteArray expected = kLook;
    expected.replace("Transparent=None", "Transparent=16777215"); // the wizard's white
    EXPECT_EQ(skinBytes(), expected);

    none = true;
    gen->NewSkin1->trigger();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(skinBytes(), kLook);
}

TEST_F(SkinGenTest, MissingPicturesAndFilesThatCannotBeWrittenAreReported)
{
    makeFile(dir, "program/Skins/Bare.ssk", "[Images]\r\nMain=Gone.bmp\r\n");
    loadLook();
    select("Time Label");
    ASSERT_TRUE(gen->ObjectLeft->isEnabled());
    // Loading another skin clears the selection.
    gen->EditSkin(options.folders.program + "Skins/Bare.ssk");
    EXPECT_EQ(gen->ObjectList->selectedItems().size(), 0);
    EXPECT_FALSE(gen->ObjectLeft->isEnabled());
    ASSERT_FALSE(pilot.texts().isEmpty());
    EXPECT_EQ(pilot.texts().constFirst(), "The background image that is specified in the skin file does not exists in "
                                          "your skin directory!\nIf you have downloaded the skin, please download it again...");
    const size_t seen = pilot.seen.size();
    select("Time Label");
    EXPECT_GT(pilot.seen.size(), seen);

    // A skin file that cannot be replaced: the change is refused with its name.
    QDir().mkpath(options.folders.program + "Skins/Stuck.ssk");
    gen->EditSkin(options.folders.program + "Skins/Stuck.ssk");
    select("Time Label");
    pilot.seen.clear();
    type(gen->ObjectLeft, 5);
    ASSERT_FALSE(pilot.seen.empty());
    EXPECT_TRUE(pilot.texts().join("|").contains("Stuck.ssk\" could not be written")) << pilot.texts().join("|").toStdString();

    // Each showing starts with no skin.
    gen->hide();
    gen->show();
    EXPECT_EQ(gen->EditedSkinPath(), "");
    EXPECT_FALSE(gen->ObjectList->isEnabled());
}

TEST_F(SkinGenTest, TheWornSkinFollowsTheEditsOnTheMainWindow)
{
    form->show();
    // Worn without being remembered (as a skin opened from outside is): the
    // window follows the skin it wears, not the one the setting names.
    settings().writeString("Skin", "Default");
    ASSERT_TRUE(form->ApplySkin("Look"));
    QWidget* play = form->FindComponentByTag(12); // the pause button
    ASSERT_NE(play, nullptr);
    ASSERT_EQ(play->geometry(), QRect(20, 30, 20, 10));
    loadLook();
    select("Pause Button");
    type(gen->ObjectLeft, 140);
    EXPECT_TRUE(QTest::qWaitFor([&] { return play->geometry().x() == 140; }, 2000)) << play->geometry().x();
    QTest::mouseClick(gen->VisibleCheckBox, Qt::LeftButton, {}, QPoint(8, gen->VisibleCheckBox->height() / 2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !play->isVisibleTo(form.get()); }, 2000));
    QTest::mouseClick(gen->VisibleCheckBox, Qt::LeftButton, {}, QPoint(8, gen->VisibleCheckBox->height() / 2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return play->isVisibleTo(form.get()); }, 2000)) << "shown again while editing";

    // A colour change puts the whole skin on again.
    gen->ColorList->setCurrentText("Text");
    gen->HexColorEdit->setText("#00FF00");
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->SkinColor.Text == 0x00FF00u; }, 2000));
}

} // namespace
