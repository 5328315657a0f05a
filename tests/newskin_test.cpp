// The new-skin wizard driven through its controls: typed names found or not
// in the Skins folder, the colour text and swatch, Select with a real colour
// dialog, Pick on the scaled preview, and OK and Cancel through exec().
#include "skins/newskinform.h"
#include "skins/skinbitmap.h"
#include "support/dialogpilot.h"
#include "support/testfiles.h"

#include <QColorDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QtEndian>

#include <functional>

namespace {

const QString kRefusal = QStringLiteral(
    "The specified skin name does not associate with a valid image in your skins directory.\n"
    "You can't proceed without correcting this...");

// A picture whose pixels differ from their neighbours in every direction.
QImage patternPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 40 % 256, y * 60 % 256, x / 6 % 256));
    return image;
}

class NewSkinTest : public ::testing::Test
{
protected:
    QString skins() const { return m_dir.filePath(QStringLiteral("Skins")) + QLatin1Char('/'); }

    void savePicture(const QString& name, const QImage& image)
    {
        QDir().mkpath(skins());
        ASSERT_TRUE(image.save(skins() + name, "BMP"));
    }
    void saveBytes(const QString& name, const QByteArray& bytes)
    {
        makeFile(m_dir, QStringLiteral("Skins/") + name, bytes);
    }

    // Replaces the field's text by typing `text` key by key; `afterKey` sees each step.
    static void retype(QLineEdit* edit, const QString& text,
                       const std::function<void()>& afterKey = {})
    {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Delete);
        for (const QChar c : text) {
            QTest::keyClicks(edit, QString(c));
            if (afterKey)
                afterKey();
        }
    }

    // Runs the wizard modally; `drive` works it while it is open and should close it.
    static int runModal(TNewSkinForm& form, const std::function<void()>& drive)
    {
        QTimer::singleShot(0, &form, [&] {
            EXPECT_TRUE(form.isVisible());
            EXPECT_EQ(QApplication::activeModalWidget(), &form);
            drive();
            if (form.isVisible()) {
                ADD_FAILURE() << "the wizard was still open";
                form.reject();
            }
        });
        return form.exec();
    }

    static QColor shownAt(TNewSkinForm& form, QPoint position)
    {
        return form.PreviewImage->grab().toImage().pixelColor(position);
    }

    QColor buttonFace(const TNewSkinForm& form) const
    {
        return form.palette().color(QPalette::Button);
    }

    QTemporaryDir m_dir;
    DialogPilot pilot;
};

TEST_F(NewSkinTest, TypedNameIsLookedUpOnEveryKeyWithoutComplaint)
{
    const QImage blue = patternPicture(3, 2);
    savePicture(QStringLiteral("Blue.bmp"), blue);
    TNewSkinForm form(skins());
    form.show();

    QStringList statuses;
    retype(form.SkinNameEdit, QStringLiteral("Blue"), [&] { statuses << form.Status->text(); });
    EXPECT_EQ(statuses, QStringList({"Image not found...", "Image not found...",
                                     "Image not found...", "Image found!"}));
    EXPECT_EQ(form.ImageNameEdit->text(), QStringLiteral("Blue.bmp"));
    EXPECT_EQ(form.PreviewImage->picture(), blue);
    EXPECT_TRUE(pilot.seen.empty());

    // A name that matches nothing leaves the last picture shown.
    retype(form.SkinNameEdit, QStringLiteral("Bluex"));
    EXPECT_EQ(form.Status->text(), QStringLiteral("Image not found..."));
    EXPECT_EQ(form.PreviewImage->picture(), blue);
}

TEST_F(NewSkinTest, PictureThatCannotBeReadKeepsTheOldPreview)
{
    const QImage blue = patternPicture(3, 2);
    savePicture(QStringLiteral("Blue.bmp"), blue);
    const QByteArray whole = vimbo::EncodeBmp(patternPicture(40, 30));
    QByteArray tooWide = vimbo::EncodeBmp(patternPicture(2, 2));
    qToLittleEndian<qint32>(vimbo::kMaxSkinSide + 1, tooWide.data() + 18);
    saveBytes(QStringLiteral("Text.bmp"), "just some words, not a picture");
    saveBytes(QStringLiteral("Short.bmp"), whole.left(whole.size() / 2));
    saveBytes(QStringLiteral("Wide.bmp"), tooWide);

    TNewSkinForm form(skins());
    form.show();
    for (const char* name : {"Text", "Short", "Wide"}) {
        SCOPED_TRACE(name);
        retype(form.SkinNameEdit, QStringLiteral("Blue"));
        retype(form.SkinNameEdit, QLatin1String(name));
        EXPECT_EQ(form.Status->text(), QStringLiteral("Image cannot be read..."));
        EXPECT_EQ(form.PreviewImage->picture(), blue);
    }
    EXPECT_TRUE(pilot.seen.empty());

    // The widest picture a skin may have is shown, drawn at the box's size.
    const QImage wide = patternPicture(vimbo::kMaxSkinSide, 3);
    savePicture(QStringLiteral("Widest.bmp"), wide);
    retype(form.SkinNameEdit, QStringLiteral("Widest"));
    EXPECT_EQ(form.Status->text(), QStringLiteral("Image found!"));
    EXPECT_EQ(form.PreviewImage->picture().size(), wide.size());
    form.HexColorEdit->setText(QStringLiteral("None"));
    const QSize box = form.PreviewImage->size();
    const int x = box.width() - 1;
    EXPECT_EQ(shownAt(form, {x, 0}).rgb(),
              wide.pixel(int(qint64(x) * wide.width() / box.width()), 0));
}

TEST_F(NewSkinTest, OkWithTheStartValuesHandsOnWhite)
{
    savePicture(QStringLiteral("Unnamed.bmp"), patternPicture(4, 4));
    TNewSkinForm form(skins());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("New Skin"));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());

    const int result = runModal(form, [&] {
        // The start status is a default; showing checks it against the folder.
        EXPECT_EQ(form.Status->text(), QStringLiteral("Image found!"));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_LE((form.frameGeometry().center() - screen.center()).manhattanLength(), 2);
        QTest::mouseClick(form.Button4, Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(form.SkinNameEdit->text(), QStringLiteral("Unnamed"));
    EXPECT_EQ(form.ImageNameEdit->text(), QStringLiteral("Unnamed.bmp"));
    EXPECT_EQ(form.HexColorEdit->text(), QStringLiteral("#000000"));
    EXPECT_EQ(form.TransparentColor(), QColor(Qt::white));
    EXPECT_EQ(form.TransparentRgb(), 0xFFFFFFu);
    EXPECT_TRUE(pilot.seen.empty());
}

TEST_F(NewSkinTest, NoneHandsOnTheWordAndDrawsThePreviewOpaque)
{
    QImage picture(6, 4, QImage::Format_RGB32);
    picture.fill(Qt::white);
    savePicture(QStringLiteral("Unnamed.bmp"), picture);
    TNewSkinForm form(skins());

    const int result = runModal(form, [&] {
        // White is transparent at first: the red box shows through.
        EXPECT_EQ(shownAt(form, {10, 10}), QColor(Qt::red));
        QTest::mouseClick(form.Button5, Qt::LeftButton);
        EXPECT_EQ(form.HexColorEdit->text(), QStringLiteral("None"));
        EXPECT_EQ(form.TransparentColor(), buttonFace(form));
        EXPECT_EQ(form.TransColor->palette().color(QPalette::Window), buttonFace(form));
        EXPECT_EQ(shownAt(form, {10, 10}), QColor(Qt::white));
        QTest::mouseClick(form.Button4, Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(form.HexColorEdit->text(), QStringLiteral("None"));
}

TEST_F(NewSkinTest, OkWithoutThePictureRefusesAndStaysOpen)
{
    TNewSkinForm form(skins());
    const int result = runModal(form, [&] {
        QTest::mouseClick(form.Button4, Qt::LeftButton);
        EXPECT_TRUE(form.isVisible());
        ASSERT_EQ(pilot.seen.size(), 1u);
        EXPECT_EQ(pilot.seen[0].icon, QMessageBox::Critical);
        EXPECT_EQ(pilot.seen[0].text, kRefusal);
        QTest::mouseClick(form.Button3, Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Rejected);
}

TEST_F(NewSkinTest, TypedColourText)
{
    struct Row
    {
        const char* first; // typed before `text`, or nothing
        const char* text;
        QColor swatch; // invalid: the button face
    };
    const Row rows[] = {
        {"", "#00ff00", QColor(0, 255, 0)},
        {"", "#A0B1C2", QColor(0xA0, 0xB1, 0xC2)},
        {"", "#12345", Qt::white},                  // never 7 characters: nothing changes
        {"", "#1234567", QColor(0x12, 0x34, 0x56)}, // the eighth key changes nothing
        {"", "#12345G", Qt::white},                 // no hexadecimal digit
        {"#00ff00", "#00ff0G", QColor(0, 255, 0)},  // ... keeps the colour there was
        {"None", "#1", QColor()},
        {"", "None", QColor()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        TNewSkinForm form(skins());
        form.show();
        if (*row.first)
            retype(form.HexColorEdit, QLatin1String(row.first));
        retype(form.HexColorEdit, QLatin1String(row.text));
        const QColor expected = row.swatch.isValid() ? row.swatch : buttonFace(form);
        EXPECT_EQ(form.TransparentColor(), expected);
        EXPECT_EQ(form.TransColor->palette().color(QPalette::Window), expected);
    }
    EXPECT_TRUE(pilot.seen.empty());
}

TEST_F(NewSkinTest, SelectPutsTheDialogsColourIntoTheText)
{
    struct Row
    {
        const char* name;
        QColor chosen; // invalid: the dialog is cancelled
        const char* text;
        QColor swatch;
    };
    const Row rows[] = {
        {"chosen", QColor(0x12, 0x34, 0x56), "#123456", QColor(0x12, 0x34, 0x56)},
        // The text already reads #000000, but the swatch must still turn black.
        {"chosen as the text reads", QColor(Qt::black), "#000000", QColor(Qt::black)},
        {"cancelled", QColor(), "#000000", QColor(Qt::white)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TNewSkinForm form(skins());
        form.show();
        QColor startedAt;
        pilot.other = [&](QWidget* modal) {
            auto* dialog = qobject_cast<QColorDialog*>(modal);
            if (!dialog)
                return;
            startedAt = dialog->currentColor();
            if (row.chosen.isValid()) {
                dialog->setCurrentColor(row.chosen);
                dialog->accept();
            } else {
                dialog->reject();
            }
        };
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        pilot.other = nullptr;
        EXPECT_EQ(startedAt, QColor(Qt::white));
        EXPECT_EQ(form.HexColorEdit->text(), QLatin1String(row.text));
        EXPECT_EQ(form.TransparentColor(), row.swatch);
    }
}

TEST_F(NewSkinTest, PickTakesThePixelUnderTheScaledPointer)
{
    // 5 x 3 pixels stretched over the box: no whole number of box pixels each.
    const QImage picture = patternPicture(5, 3);
    savePicture(QStringLiteral("Unnamed.bmp"), picture);
    TNewSkinForm form(skins());
    form.show();
    ASSERT_EQ(form.Status->text(), QStringLiteral("Image found!"));
    const QSize box = form.PreviewImage->size();
    const QPoint at(box.width() * 7 / 10, box.height() * 6 / 10); // pixel (3, 1)
    const QPoint elsewhere(2, 2);                                 // pixel (0, 0)

    // Without Pick a press does nothing.
    QTest::mouseClick(form.PreviewImage, Qt::LeftButton, {}, at);
    EXPECT_EQ(form.HexColorEdit->text(), QStringLiteral("#000000"));

    QTest::mouseClick(form.Button2, Qt::LeftButton);
    EXPECT_TRUE(form.PickMode);
    EXPECT_EQ(form.PreviewImage->cursor().shape(), Qt::CrossCursor);
    QTest::mouseClick(form.PreviewImage, Qt::LeftButton, {}, at);
    const QColor picked = picture.pixelColor(3, 1);
    EXPECT_EQ(form.HexColorEdit->text(), picked.name().toUpper());
    EXPECT_EQ(form.TransparentColor(), picked);
    EXPECT_FALSE(form.PickMode);
    EXPECT_FALSE(form.PreviewImage->testAttribute(Qt::WA_SetCursor));
    // The picked colour is now a hole in the preview; its neighbours are not.
    EXPECT_EQ(shownAt(form, at), QColor(Qt::red));
    EXPECT_EQ(shownAt(form, elsewhere), picture.pixelColor(0, 0));

    QTest::mouseClick(form.PreviewImage, Qt::LeftButton, {}, elsewhere);
    EXPECT_EQ(form.HexColorEdit->text(), picked.name().toUpper());
}

TEST_F(NewSkinTest, FieldsStayFromOneUseToTheNext)
{
    savePicture(QStringLiteral("Blue.bmp"), patternPicture(2, 2));
    TNewSkinForm form(skins());
    EXPECT_EQ(runModal(form,
                       [&] {
                           retype(form.SkinNameEdit, QStringLiteral("Blue"));
                           QTest::mouseClick(form.Button5, Qt::LeftButton);
                           QTest::mouseClick(form.Button4, Qt::LeftButton);
                       }),
              QDialog::Accepted);
    EXPECT_EQ(runModal(form,
                       [&] {
                           EXPECT_EQ(form.SkinNameEdit->text(), QStringLiteral("Blue"));
                           EXPECT_EQ(form.ImageNameEdit->text(), QStringLiteral("Blue.bmp"));
                           EXPECT_EQ(form.Status->text(), QStringLiteral("Image found!"));
                           EXPECT_EQ(form.HexColorEdit->text(), QStringLiteral("None"));
                           EXPECT_EQ(form.TransparentColor(), buttonFace(form));
                           QTest::mouseClick(form.Button3, Qt::LeftButton);
                       }),
              QDialog::Rejected);
}

} // namespace
