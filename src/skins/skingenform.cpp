#include "skingenform.h"

#include "app/messages.h"
#include "platform/errors.h"
#include "skins/newskinform.h"
#include "skins/skinbitmap.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

using namespace vimbo;

namespace {

const QString kColors = QStringLiteral("Colors");
const QStringList kHAlign = {QStringLiteral("Left"), QStringLiteral("Center"), QStringLiteral("Right")};
const QStringList kVAlign = {QStringLiteral("Top"), QStringLiteral("Middle"), QStringLiteral("Under")};

// The list item a stored alignment word stands for: the word itself, or the
// item nearest in meaning for words other editors write.
int alignIndex(const QString& word, bool horizontal)
{
    const QString w = word.trimmed().toLower();
    if (horizontal) {
        if (w == QLatin1String("center") || w == QLatin1String("centre") || w == QLatin1String("middle"))
            return 1;
        return w == QLatin1String("right") ? 2 : 0;
    }
    if (w == QLatin1String("middle") || w == QLatin1String("center") || w == QLatin1String("centre"))
        return 1;
    return (w == QLatin1String("under") || w == QLatin1String("bottom")) ? 2 : 0;
}

// An outline from (x1, y1) to (x2, y2), the right and bottom edges outside
// it, as element boxes are measured; an empty box draws nothing.
void outline(QPainter& p, qint64 x1, qint64 y1, qint64 x2, qint64 y2)
{
    const auto clampXY = [](qint64 v) { return int(std::clamp<qint64>(v, -40000, 40000)); };
    const int l = clampXY(std::min(x1, x2)), r = clampXY(std::max(x1, x2));
    const int t = clampXY(std::min(y1, y2)), b = clampXY(std::max(y1, y2));
    if (r == l || b == t)
        return;
    p.drawRect(l, t, r - l - 1, b - t - 1);
}

// A number field that takes any integer typed and brings it into its range,
// where a plain spin box would throw the typed value away.
class TClampingSpinBox : public QSpinBox
{
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString& text, int&) const override
    {
        const QString t = text.trimmed();
        if (t.isEmpty() || t == QLatin1String("-") || t == QLatin1String("+"))
            return QValidator::Intermediate;
        bool ok = false;
        t.toLongLong(&ok);
        return ok ? QValidator::Acceptable : QValidator::Invalid;
    }
    int valueFromText(const QString& text) const override
    {
        bool ok = false;
        const qint64 v = text.trimmed().toLongLong(&ok);
        return ok ? int(std::clamp<qint64>(v, minimum(), maximum())) : value();
    }
};

QSpinBox* numberField(QWidget* parent, int lowest, int highest)
{
    auto* field = new TClampingSpinBox(parent);
    field->setRange(lowest, highest);
    field->setKeyboardTracking(false); // a value is written once it is typed, not per digit
    return field;
}

} // namespace

TSkinCanvas::TSkinCanvas(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
}

void TSkinCanvas::setPicture(const QImage& picture, bool stretched)
{
    m_picture = picture;
    m_stretched = stretched;
    update();
}

void TSkinCanvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_stretched)
        p.drawImage(rect(), m_picture);
    else
        p.drawImage(0, 0, m_picture);
}

void TSkinCanvas::mousePressEvent(QMouseEvent* event)
{
    if (OnMouseDown)
        OnMouseDown(event->button(), event->position().toPoint().x(), event->position().toPoint().y());
}

void TSkinCanvas::mouseMoveEvent(QMouseEvent* event)
{
    if (OnMouseMove)
        OnMouseMove(event->position().toPoint().x(), event->position().toPoint().y());
}

void TSkinCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (OnMouseUp)
        OnMouseUp(event->button(), event->position().toPoint().x(), event->position().toPoint().y());
}

TSkinGenForm::TSkinGenForm(QString skinsFolder, TNewSkinForm* wizard, QWidget* parent)
    : QWidget(parent, Qt::Window), m_folder(std::move(skinsFolder)), m_wizard(wizard)
{
    setWindowTitle(QStringLiteral("Skin Generator"));
    setMinimumSize(600, 450);

    MainMenu = new QMenuBar(this);
    QMenu* file = MainMenu->addMenu(QStringLiteral("File"));
    NewSkin1 = file->addAction(QStringLiteral("New Skin..."));
    LoadSkin1 = file->addAction(QStringLiteral("Load Skin..."));
    connect(NewSkin1, &QAction::triggered, this, &TSkinGenForm::NewSkin1Click);
    connect(LoadSkin1, &QAction::triggered, this, &TSkinGenForm::LoadSkin);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    Image = new TSkinCanvas(panel);
    Image->installEventFilter(this);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    panelLayout->addWidget(Image);
    auto* help = new QLabel(QStringLiteral("Press your left mouse button on the above image to move an selected "
                                           "object, or press your right mouse button to resize an object..."),
                            this);
    help->setWordWrap(true);

    ObjectList = new QListWidget(this);
    // The captions in the list's order.
    std::array<const SkinElementInfo*, 26> byPosition{};
    for (const SkinElementInfo& e : SkinElements())
        byPosition[size_t(e.listPosition - 1)] = &e;
    for (const SkinElementInfo* e : byPosition)
        ObjectList->addItem(QLatin1String(e->generatorCaption));
    ObjectLeft = numberField(this, INT_MIN, INT_MAX);
    ObjectTop = numberField(this, INT_MIN, INT_MAX);
    ObjectWidth = numberField(this, INT_MIN, INT_MAX);
    ObjectHeight = numberField(this, INT_MIN, INT_MAX);
    VisibleCheckBox = new QCheckBox(QStringLiteral("Object Visible"), this);
    FontList = new QComboBox(this);
    FontList->setEditable(true);
    FontList->addItems(QFontDatabase::families());
    FontSize = numberField(this, 7, 72);
    HAlignList = new QComboBox(this);
    HAlignList->addItems(kHAlign);
    VAlignList = new QComboBox(this);
    VAlignList->addItems(kVAlign);
    ColorList = new QComboBox(this);
    ColorList->addItems({"Transparent", "Background", "Border", "Unactive", "Active", "Text", "Clicked", "Over"});
    HexColorEdit = new QLineEdit(this);
    ColorPanel = new QFrame(this);
    ColorPanel->setFrameShape(QFrame::Box);
    ColorPanel->setFixedSize(24, 20);
    ColorPanel->setAutoFillBackground(true);
    ColorPanel->installEventFilter(this);
    SelectColorBtn = new QPushButton(QStringLiteral("Pick"), this);
    EnlargedImage = new TSkinCanvas(this);
    EnlargedImage->setFixedSize(125, 85);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->showMessage(QStringLiteral("*** changes take effect immediately! ***"));

    auto* box = new QGridLayout;
    const std::pair<const char*, QSpinBox*> numbers[] = {
        {"Left:", ObjectLeft}, {"Top:", ObjectTop}, {"Witdth:", ObjectWidth}, {"Height: ", ObjectHeight}};
    for (int i = 0; i < 4; ++i) {
        box->addWidget(new QLabel(QLatin1String(numbers[i].first), this), i / 2, (i % 2) * 2);
        box->addWidget(numbers[i].second, i / 2, (i % 2) * 2 + 1);
    }
    auto* form = new QFormLayout;
    form->addRow(VisibleCheckBox);
    form->addRow(QStringLiteral("Font:"), FontList);
    form->addRow(QStringLiteral("Size:"), FontSize);
    form->addRow(QStringLiteral("Horz. Align:"), HAlignList);
    form->addRow(QStringLiteral("Vert. Align:"), VAlignList);
    form->addRow(QStringLiteral("Color Type:"), ColorList);
    auto* hex = new QHBoxLayout;
    hex->addWidget(HexColorEdit);
    hex->addWidget(ColorPanel);
    hex->addWidget(SelectColorBtn);
    form->addRow(QStringLiteral("Hex Color:"), hex);
    auto* side = new QVBoxLayout;
    side->addWidget(ObjectList, 1);
    side->addLayout(box);
    side->addLayout(form);
    side->addWidget(EnlargedImage, 0, Qt::AlignHCenter);
    auto* left = new QVBoxLayout;
    left->addWidget(panel, 1);
    left->addWidget(help);
    auto* body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(MainMenu);
    layout->addLayout(body, 1);
    layout->addWidget(StatusBar1);
    // Wide enough for a skin of the built-in one's size beside the controls.
    resize(900, 560);

    for (QSpinBox* field : {ObjectLeft, ObjectTop, ObjectWidth, ObjectHeight, FontSize})
        connect(field, &QSpinBox::valueChanged, this, &TSkinGenForm::SaveNewVals);
    connect(VisibleCheckBox, &QCheckBox::toggled, this, &TSkinGenForm::SaveNewVals);
    connect(FontList, &QComboBox::currentTextChanged, this, &TSkinGenForm::SaveNewVals);
    connect(HAlignList, &QComboBox::currentIndexChanged, this, &TSkinGenForm::SaveNewVals);
    connect(VAlignList, &QComboBox::currentIndexChanged, this, &TSkinGenForm::SaveNewVals);
    connect(ObjectList, &QListWidget::itemSelectionChanged, this, &TSkinGenForm::ObjectListClick);
    connect(ColorList, &QComboBox::currentIndexChanged, this, &TSkinGenForm::ColorListChange);
    connect(HexColorEdit, &QLineEdit::textChanged, this, &TSkinGenForm::HexColorEditChange);
    connect(SelectColorBtn, &QPushButton::clicked, this, &TSkinGenForm::PickColor);
    for (TSkinCanvas* canvas : {Image, EnlargedImage}) {
        canvas->OnMouseDown = [this](Qt::MouseButton b, int x, int y) { ImageMouseDown(b, x, y); };
        canvas->OnMouseMove = [this](int x, int y) { ImageMouseMove(x, y); };
        canvas->OnMouseUp = [this](Qt::MouseButton b, int x, int y) { ImageMouseUp(b, x, y); };
    }

    // Window creation: the first item of each fixed list.
    m_loading = true;
    ColorList->setCurrentIndex(0);
    HAlignList->setCurrentIndex(0);
    VAlignList->setCurrentIndex(0);
    m_loading = false;
    enableElementControls(false);
    enableSkinControls(false);
}

int TSkinGenForm::ElementTagFor(const QString& caption)
{
    for (const SkinElementInfo& e : SkinElements()) {
        if (caption == QLatin1String(e.generatorCaption))
            return e.tag;
    }
    return 0;
}

void TSkinGenForm::enableElementControls(bool on)
{
    for (QWidget* w : {static_cast<QWidget*>(ObjectLeft), static_cast<QWidget*>(ObjectTop),
                       static_cast<QWidget*>(ObjectWidth), static_cast<QWidget*>(ObjectHeight),
                       static_cast<QWidget*>(VisibleCheckBox), static_cast<QWidget*>(FontList),
                       static_cast<QWidget*>(FontSize), static_cast<QWidget*>(HAlignList),
                       static_cast<QWidget*>(VAlignList)})
        w->setEnabled(on);
}

void TSkinGenForm::enableSkinControls(bool on)
{
    for (QWidget* w : {static_cast<QWidget*>(ObjectList), static_cast<QWidget*>(ColorList),
                       static_cast<QWidget*>(HexColorEdit), static_cast<QWidget*>(SelectColorBtn)})
        w->setEnabled(on);
}

void TSkinGenForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return; // shown again after a minimise: the same editing goes on
    // Every showing starts with no skin.
    if (m_skin) {
        m_loading = true;
        ObjectList->clearSelection();
        ObjectList->setCurrentItem(nullptr);
        m_loading = false;
        Image->setPicture({}, false);
        enableElementControls(false);
        enableSkinControls(false);
    }
    m_skin.reset();
    MoveMode = SizeMode = PickMode = false;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TSkinGenForm::resizeEvent(QResizeEvent* event)
{
    // The preview follows its own resize (the event filter): once per resize.
    QWidget::resizeEvent(event);
}

bool TSkinGenForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Image && event->type() == QEvent::Resize && m_skin)
        RedrawPreview(); // the preview is as large as its panel
    if (watched == ColorPanel && event->type() == QEvent::MouseButtonPress && HexColorEdit->isEnabled())
        SelectColor();
    return QWidget::eventFilter(watched, event);
}

void TSkinGenForm::LoadSkin()
{
    QFileDialog dialog(this, QStringLiteral("Load Skin"), m_folder);
    dialog.setNameFilter(QStringLiteral("Vimbo Skin (*.ssk)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    EditSkin(dialog.selectedFiles().constFirst());
}

void TSkinGenForm::EditSkin(const QString& file)
{
    m_skin.emplace(file);
    startEditing();
}

void TSkinGenForm::startEditing()
{
    // A skin loaded over another starts with nothing selected: the old
    // selection's values belong to the other file.
    m_loading = true;
    ObjectList->clearSelection();
    ObjectList->setCurrentItem(nullptr);
    m_loading = false;
    enableElementControls(false);
    MoveMode = SizeMode = PickMode = false;
    Image->unsetCursor();
    RedrawPreview();
    enableSkinControls(true);
    ColorListChange();
}

void TSkinGenForm::NewSkin1Click()
{
    if (!m_wizard || m_wizard->exec() != QDialog::Accepted)
        return;
    const QString name = m_wizard->SkinNameEdit->text();
    if (name.isEmpty() || name.contains('/') || name.contains(QChar(0))) {
        showErrorMessage(this, QStringLiteral("A skin's name cannot be empty or hold \"/\": \"%1\" was not used.").arg(name));
        return;
    }
    // A skin of that name is edited in place: its other keys stay.
    m_skin.emplace(m_folder + name + QStringLiteral(".ssk"));
    const QString transparent = m_wizard->HexColorEdit->text() == QLatin1String("None")
                                    ? QStringLiteral("None")
                                    : QString::number(m_wizard->TransparentRgb());
    if (write(QStringLiteral("Images"), {{QStringLiteral("Main"), m_wizard->ImageNameEdit->text()}}, false))
        write(kColors, {{QStringLiteral("Transparent"), transparent}}, false);
    startEditing();
}

bool TSkinGenForm::write(const QString& section, const QList<std::pair<QString, QString>>& values, bool elementsOnly)
{
    if (!m_skin)
        return false;
    // Read anew: what another program changed in the file since is kept.
    const QString file = m_skin->path();
    m_skin.emplace(file);
    if (!m_skin->writeStrings(section, values)) {
        if (!m_reporting) {
            m_reporting = true;
            showErrorMessage(this, QStringLiteral("The skin file \"%1\" could not be written; the change was not saved.")
                                       .arg(QDir::toNativeSeparators(m_skin->path())));
            m_reporting = false;
        }
        return false;
    }
    if (SkinWritten)
        SkinWritten(m_skin->path(), elementsOnly);
    return true;
}

void TSkinGenForm::ObjectListClick()
{
    if (!m_skin || m_loading)
        return;
    const QListWidgetItem* item = ObjectList->currentItem();
    if (!item || !item->isSelected())
        return;
    const QString section = QString::number(ElementTagFor(item->text()));
    // Loaded into the controls; nothing is written.
    m_loading = true;
    ObjectLeft->setValue(m_skin->readInteger(section, QStringLiteral("X"), 0));
    ObjectTop->setValue(m_skin->readInteger(section, QStringLiteral("Y"), 0));
    ObjectWidth->setValue(m_skin->readInteger(section, QStringLiteral("W"), 0));
    ObjectHeight->setValue(m_skin->readInteger(section, QStringLiteral("H"), 0));
    VisibleCheckBox->setChecked(m_skin->readInteger(section, QStringLiteral("Visible"), 1) != 0);
    FontList->setCurrentText(m_skin->readString(section, QStringLiteral("FontName"), QStringLiteral("Verdana")));
    FontSize->setValue(m_skin->readInteger(section, QStringLiteral("FontSize"), 8)); // 7 to 72, as the field keeps it
    HAlignList->setCurrentIndex(alignIndex(m_skin->readString(section, QStringLiteral("HAlign")), true));
    VAlignList->setCurrentIndex(alignIndex(m_skin->readString(section, QStringLiteral("VAlign")), false));
    m_loading = false;
    RedrawPreview();
    enableElementControls(true);
}

void TSkinGenForm::SaveNewVals()
{
    if (m_loading || !m_skin || MoveMode || SizeMode)
        return;
    const QListWidgetItem* item = ObjectList->currentItem();
    if (!item || !item->isSelected())
        return;
    const QString section = QString::number(ElementTagFor(item->text()));
    write(section,
          {{QStringLiteral("X"), QString::number(ObjectLeft->value())},
           {QStringLiteral("Y"), QString::number(ObjectTop->value())},
           {QStringLiteral("W"), QString::number(ObjectWidth->value())},
           {QStringLiteral("H"), QString::number(ObjectHeight->value())},
           {QStringLiteral("Visible"), VisibleCheckBox->isChecked() ? QStringLiteral("1") : QStringLiteral("0")},
           {QStringLiteral("FontName"), FontList->currentText()},
           {QStringLiteral("FontSize"), QString::number(FontSize->value())},
           {QStringLiteral("HAlign"), HAlignList->currentText()},
           {QStringLiteral("VAlign"), VAlignList->currentText()}},
          true);
    RedrawPreview();
}

std::optional<QImage> TSkinGenForm::skinPicture()
{
    const QString file = m_folder + m_skin->readString(QStringLiteral("Images"), QStringLiteral("Main"));
    const QFileInfo info(file);
    const auto report = [this](const QString& text) {
        if (m_reporting)
            return;
        m_reporting = true;
        showErrorMessage(this, text);
        m_reporting = false;
    };
    if (!info.isFile()) {
        // The message takes the release of a drag that began with it.
        MoveMode = SizeMode = false;
        report(QStringLiteral("The background image that is specified in the skin file does not exists in your skin "
                              "directory!\nIf you have downloaded the skin, please download it again..."));
        return std::nullopt;
    }
    if (file != m_pictureFile || info.lastModified() != m_pictureModified || info.size() != m_pictureSize) {
        try {
            m_picture = LoadSkinBitmap(file);
        } catch (const std::exception& e) {
            m_pictureFile.clear();
            MoveMode = SizeMode = false;
            report(QStringLiteral("The skin's picture \"%1\" cannot be shown: %2")
                       .arg(QDir::toNativeSeparators(file), QString::fromUtf8(e.what())));
            return std::nullopt;
        }
        m_pictureFile = file;
        m_pictureModified = info.lastModified();
        m_pictureSize = info.size();
    }
    return m_picture;
}

void TSkinGenForm::RedrawPreview()
{
    if (!m_skin)
        return;
    const auto picture = skinPicture();
    if (!picture)
        return;
    QImage canvas(Image->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    p.drawImage(0, 0, *picture);
    p.setBrush(Qt::NoBrush);
    if (MoveMode || SizeMode) {
        p.setPen(QColor(0x00, 0xFF, 0x00));
        outline(p, DragRect.left, DragRect.top, qint64(DragRect.left) + DragRect.width,
                qint64(DragRect.top) + DragRect.height);
    } else if (!PickMode) {
        const QListWidgetItem* item = ObjectList->currentItem();
        const int selected = item && item->isSelected() ? ElementTagFor(item->text()) : -1;
        for (int tag = 0; tag <= 50; ++tag) {
            if (!FindComponentByTag || !FindComponentByTag(tag))
                continue;
            const QString section = QString::number(tag);
            if (m_skin->readInteger(section, QStringLiteral("Visible"), 1) == 0)
                p.setPen(QColor(0x00, 0x00, 0xFF));
            else
                p.setPen(tag == selected ? QColor(0x00, 0xFF, 0x00) : QColor(0xFF, 0x00, 0x00));
            const qint64 x = m_skin->readInteger(section, QStringLiteral("X"), 0);
            const qint64 y = m_skin->readInteger(section, QStringLiteral("Y"), 0);
            outline(p, x, y, x + m_skin->readInteger(section, QStringLiteral("W"), 0),
                    y + m_skin->readInteger(section, QStringLiteral("H"), 0));
        }
    }
    p.end();
    Image->setPicture(canvas, false);
}

void TSkinGenForm::ImageMouseDown(Qt::MouseButton button, int x, int y)
{
    if (!m_skin || MoveMode || SizeMode)
        return; // a second button during a drag changes nothing
    // A number typed but not yet confirmed counts before the mouse takes over.
    for (QSpinBox* field : {ObjectLeft, ObjectTop, ObjectWidth, ObjectHeight})
        field->interpretText();
    if (PickMode) {
        const QImage& shown = Image->picture();
        if (shown.valid(x, y))
            HexColorEdit->setText(ColorToHtml(FromQColor(shown.pixelColor(x, y))));
        PickMode = false;
        Image->unsetCursor();
        RedrawPreview();
    } else if (button == Qt::LeftButton) {
        MoveMode = true;
        DragRect.width = ObjectWidth->value();
        DragRect.height = ObjectHeight->value();
    } else if (button == Qt::RightButton) {
        SizeMode = true;
        DragRect.left = ObjectLeft->value();
        DragRect.top = ObjectTop->value();
    }
    ImageMouseMove(x, y);
}

void TSkinGenForm::ImageMouseMove(int x, int y)
{
    const auto toInt = [](qint64 v) { return int(std::clamp<qint64>(v, INT_MIN, INT_MAX)); };
    if (MoveMode) {
        DragRect.left = toInt(qint64(x) - DragRect.width / 2);
        DragRect.top = toInt(qint64(y) - DragRect.height / 2);
        RedrawPreview();
    } else if (SizeMode) {
        DragRect.width = toInt(qint64(x) - DragRect.left);
        DragRect.height = toInt(qint64(y) - DragRect.top);
        RedrawPreview();
    }
    // The magnifier: the preview around the pointer, about three times enlarged.
    const int a = (EnlargedImage->width() / 3) / 2;
    const int b = (EnlargedImage->height() / 3) / 2;
    EnlargedImage->setPicture(Image->picture().copy(x - a, y - b, 2 * a, 2 * b), true);
}

void TSkinGenForm::ImageMouseUp(Qt::MouseButton, int, int)
{
    if (!m_skin)
        return;
    if (MoveMode || SizeMode) {
        MoveMode = SizeMode = false;
        // The four fields take the new box; the element is written once, whole.
        m_loading = true;
        ObjectLeft->setValue(DragRect.left);
        ObjectTop->setValue(DragRect.top);
        ObjectWidth->setValue(DragRect.width);
        ObjectHeight->setValue(DragRect.height);
        m_loading = false;
        SaveNewVals();
    }
    RedrawPreview();
}

std::optional<SkinRgb> TSkinGenForm::SkinColorFor(const QString& role) const
{
    const QString text = m_skin ? m_skin->readString(kColors, role) : QString();
    // The word as the player reads it: exactly "None".
    if (role == QLatin1String("Transparent") && text == QLatin1String("None"))
        return std::nullopt;
    if (!text.isEmpty()) {
        if (const auto value = ProfileFile::parseInteger(text))
            return SkinRgb(*value);
    }
    const SkinColors c = CurrentSkinColors ? CurrentSkinColors() : SkinColors{};
    const QHash<QString, SkinRgb> current = {
        {QStringLiteral("Background"), c.Background}, {QStringLiteral("Border"), c.Border},
        {QStringLiteral("Unactive"), c.Unactive},     {QStringLiteral("Active"), c.Active},
        {QStringLiteral("Text"), c.Text},             {QStringLiteral("Clicked"), c.Clicked},
        {QStringLiteral("Over"), c.Over}};
    return current.value(role, 0); // "Transparent" has none of the window's: black
}

void TSkinGenForm::ColorListChange()
{
    if (m_loading || !m_skin)
        return;
    const auto color = SkinColorFor(ColorList->currentText());
    if (!color) {
        // "None" is shown as it is and never written over by being shown.
        m_loading = true;
        HexColorEdit->setText(QStringLiteral("None"));
        m_loading = false;
        QPalette palette = ColorPanel->palette();
        palette.setColor(QPalette::Window, palette.color(QPalette::Button));
        ColorPanel->setPalette(palette);
        return;
    }
    HexColorEdit->setText(ColorToHtml(*color));
}

void TSkinGenForm::HexColorEditChange()
{
    if (m_loading || !m_skin)
        return;
    const QString text = HexColorEdit->text();
    if (text.size() != 7)
        return;
    SkinRgb rgb = 0;
    try {
        rgb = HtmlToColor(text);
    } catch (const std::exception&) {
        // Not a colour (yet): the field shows it, nothing is written.
        HexColorEdit->setStyleSheet(QStringLiteral("color: red"));
        return;
    }
    HexColorEdit->setStyleSheet({});
    QPalette palette = ColorPanel->palette();
    palette.setColor(QPalette::Window, ToQColor(rgb));
    ColorPanel->setPalette(palette);
    write(kColors, {{ColorList->currentText(), QString::number(rgb)}}, false);
}

void TSkinGenForm::SelectColor()
{
    QColorDialog dialog(ColorPanel->palette().color(QPalette::Window), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    HexColorEdit->setText(ColorToHtml(FromQColor(dialog.selectedColor())));
}

void TSkinGenForm::PickColor()
{
    Image->setCursor(Qt::CrossCursor);
    PickMode = true;
    RedrawPreview();
}
