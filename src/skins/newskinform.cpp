#include "newskinform.h"

#include "app/messages.h"
#include "platform/errors.h"
#include "skins/skinbitmap.h"

#include <QColorDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

using namespace vimbo;

namespace {

constexpr QSize kPreviewSize(288, 176);

} // namespace

// ---- the preview ----

TSkinPreview::TSkinPreview(QWidget* parent) : QWidget(parent) {}

void TSkinPreview::setPicture(const QImage& picture)
{
    m_picture = picture;
    rebuildShown();
}

void TSkinPreview::setTransparentColor(std::optional<QColor> color)
{
    if (color == m_transparent)
        return;
    m_transparent = color;
    rebuildShown();
}

QPoint TSkinPreview::sourcePoint(QPoint position) const
{
    // Each box pixel shows the picture pixel it falls into; drawing and picking
    // both use this, so a pick takes exactly the pixel seen under the pointer.
    const qint64 x = qint64(position.x()) * m_picture.width() / qMax(width(), 1);
    const qint64 y = qint64(position.y()) * m_picture.height() / qMax(height(), 1);
    return {int(std::clamp<qint64>(x, 0, m_picture.width() - 1)),
            int(std::clamp<qint64>(y, 0, m_picture.height() - 1))};
}

std::optional<QColor> TSkinPreview::pixelAt(QPoint position) const
{
    if (m_picture.isNull())
        return std::nullopt;
    return QColor(m_picture.pixel(sourcePoint(position)));
}

void TSkinPreview::rebuildShown()
{
    // Built at the box's size rather than the picture's, so that a picture of
    // thousands of pixels costs no more to show than a small one.
    if (m_picture.isNull() || width() <= 0 || height() <= 0) {
        m_shown = QImage();
        update();
        return;
    }
    m_shown = QImage(size(), QImage::Format_ARGB32);
    const QRgb hole = m_transparent ? m_transparent->rgb() & RGB_MASK : 0;
    for (int y = 0; y < height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_shown.scanLine(y));
        for (int x = 0; x < width(); ++x) {
            const QRgb pixel = m_picture.pixel(sourcePoint({x, y}));
            line[x] = m_transparent && (pixel & RGB_MASK) == hole ? 0 : pixel | ~RGB_MASK;
        }
    }
    update();
}

void TSkinPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::red);
    if (!m_shown.isNull())
        painter.drawImage(0, 0, m_shown);
}

void TSkinPreview::mousePressEvent(QMouseEvent* event)
{
    emit pressed(event->position().toPoint());
    QWidget::mousePressEvent(event);
}

void TSkinPreview::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    rebuildShown();
}

// ---- the wizard ----

TNewSkinForm::TNewSkinForm(QString skinsFolder, QWidget* parent)
    : QDialog(parent), m_skinsFolder(std::move(skinsFolder))
{
    setWindowTitle(QStringLiteral("New Skin"));
    setModal(true);

    SkinNameEdit = new QLineEdit(QStringLiteral("Unnamed"), this);
    ImageNameEdit = new QLineEdit(QStringLiteral("Unnamed.bmp"), this);
    ImageNameEdit->setReadOnly(true);
    Status = new QLabel(QStringLiteral("Image not found..."), this);
    TransColor = new QFrame(this);
    TransColor->setFrameShape(QFrame::Box);
    TransColor->setFixedSize(24, 22);
    TransColor->setAutoFillBackground(true);
    HexColorEdit = new QLineEdit(QStringLiteral("#000000"), this);
    HexColorEdit->setFixedWidth(72);
    Button1 = new QPushButton(QStringLiteral("Select"), this);
    Button2 = new QPushButton(QStringLiteral("Pick"), this);
    Button5 = new QPushButton(QStringLiteral("None"), this);
    PreviewImage = new TSkinPreview(this);
    PreviewImage->setFixedSize(kPreviewSize);
    Button4 = new QPushButton(QStringLiteral("OK"), this);
    Button3 = new QPushButton(QStringLiteral("Cancel"), this);
    Button4->setDefault(true);

    // White against a text of "#000000" on purpose: the swatch, not the text,
    // is the colour handed on until the text is changed.
    setSwatch(Qt::white);
    PreviewImage->setTransparentColor(m_transColor);

    connect(SkinNameEdit, &QLineEdit::textChanged, this, &TNewSkinForm::SkinNameEditChange);
    connect(ImageNameEdit, &QLineEdit::textChanged, this, &TNewSkinForm::ImageNameEditChange);
    connect(HexColorEdit, &QLineEdit::textChanged, this, &TNewSkinForm::HexColorEditChange);
    connect(Button1, &QPushButton::clicked, this, &TNewSkinForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TNewSkinForm::Button2Click);
    connect(Button5, &QPushButton::clicked, this, &TNewSkinForm::Button5Click);
    connect(Button4, &QPushButton::clicked, this, &TNewSkinForm::Button4Click);
    connect(Button3, &QPushButton::clicked, this, &TNewSkinForm::Button3Click);
    connect(PreviewImage, &TSkinPreview::pressed, this, &TNewSkinForm::PreviewImageMouseDown);

    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(TransColor);
    colorRow->addWidget(HexColorEdit);
    colorRow->addWidget(Button1);
    colorRow->addWidget(Button2);
    colorRow->addWidget(Button5);
    colorRow->addStretch(1);
    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Skin Name:"), this), 0, 0);
    fields->addWidget(SkinNameEdit, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Image:"), this), 1, 0);
    fields->addWidget(ImageNameEdit, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("Status:"), this), 2, 0);
    fields->addWidget(Status, 2, 1);
    fields->addWidget(new QLabel(QStringLiteral("Transparent Color:"), this), 3, 0);
    fields->addLayout(colorRow, 3, 1);

    auto* group = new QGroupBox(QStringLiteral("Image Preview"), this);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(PreviewImage, 0, Qt::AlignHCenter);
    groupLayout->addWidget(new QLabel(QStringLiteral("Red shows transparent region..."), group));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button4);
    buttons->addWidget(Button3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(group);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

void TNewSkinForm::showEvent(QShowEvent* event)
{
    // The picture may have been copied into the folder since the last use (the
    // refusal of OK asks for just that), so the fields kept from then are checked anew.
    ImageNameEditChange();
    // A pick begun and cancelled last time does not carry over.
    PickMode = false;
    PreviewImage->unsetCursor();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // The frame, where the window system has told us its size, is centred too.
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

SkinRgb TNewSkinForm::TransparentRgb() const
{
    return FromQColor(m_transColor);
}

void TNewSkinForm::setSwatch(const QColor& color)
{
    m_transColor = color;
    QPalette palette = TransColor->palette();
    palette.setColor(QPalette::Window, color);
    TransColor->setPalette(palette);
}

bool TNewSkinForm::imageExists() const
{
    return QFileInfo::exists(m_skinsFolder + ImageNameEdit->text());
}

void TNewSkinForm::setColorText(const QString& text)
{
    // The text may already read so while the swatch shows another colour (as
    // at the start); the chosen colour must still become the swatch's.
    if (HexColorEdit->text() == text)
        HexColorEditChange();
    else
        HexColorEdit->setText(text);
}

void TNewSkinForm::SkinNameEditChange()
{
    ImageNameEdit->setText(SkinNameEdit->text() + QStringLiteral(".bmp"));
}

void TNewSkinForm::ImageNameEditChange()
{
    if (!imageExists()) {
        Status->setText(QStringLiteral("Image not found..."));
        return;
    }
    try {
        PreviewImage->setPicture(LoadSkinBitmap(m_skinsFolder + ImageNameEdit->text()));
        Status->setText(QStringLiteral("Image found!"));
    } catch (const EVimboError&) {
        // There, but no picture a skin can use: the old preview stays, as for a
        // missing one, and the status says why the new one is not shown.
        Status->setText(QStringLiteral("Image cannot be read..."));
    }
}

void TNewSkinForm::HexColorEditChange()
{
    const QString text = HexColorEdit->text();
    if (text == QLatin1String("None")) {
        setSwatch(palette().color(QPalette::Button));
        PreviewImage->setTransparentColor(std::nullopt);
        return;
    }
    // Shorter and longer texts are words being typed.
    if (text.size() != 7)
        return;
    try {
        setSwatch(ToQColor(HtmlToColor(text)));
    } catch (const EVimboError&) {
        return; // a digit that is no hexadecimal one: the swatch keeps its colour
    }
    PreviewImage->setTransparentColor(m_transColor);
}

void TNewSkinForm::Button1Click()
{
    QColorDialog dialog(m_transColor, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    setColorText(ColorToHtml(FromQColor(dialog.selectedColor())));
}

void TNewSkinForm::Button2Click()
{
    PickMode = true;
    PreviewImage->setCursor(Qt::CrossCursor);
}

void TNewSkinForm::PreviewImageMouseDown(QPoint position)
{
    if (!PickMode)
        return;
    PickMode = false;
    PreviewImage->unsetCursor();
    if (const auto color = PreviewImage->pixelAt(position))
        setColorText(ColorToHtml(FromQColor(*color)));
}

void TNewSkinForm::Button5Click()
{
    setColorText(QStringLiteral("None"));
}

void TNewSkinForm::Button4Click()
{
    if (imageExists()) {
        accept();
        return;
    }
    showErrorMessage(this, QStringLiteral("The specified skin name does not associate with a valid "
                                          "image in your skins directory.\nYou can't proceed "
                                          "without correcting this..."));
}

void TNewSkinForm::Button3Click()
{
    reject();
}
