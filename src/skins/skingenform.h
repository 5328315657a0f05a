// The skin generator: an editor for a skin's settings file. It shows the
// skin's picture with an outline for every element, and moves and sizes the
// chosen element with the mouse or number fields; fonts, alignment,
// visibility and the skin's colours are set beside it. Every change is
// written to the ".ssk" at once.
#pragma once

#include "platform/profile.h"
#include "skins/skinformat.h"

#include <QDateTime>
#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenuBar;
class QPushButton;
class QAction;
class QSpinBox;
class QStatusBar;
class TNewSkinForm;

// A picture drawn one to one at the top left, reporting the mouse in its
// own coordinates (the preview and the magnifier).
class TSkinCanvas : public QWidget
{
    Q_OBJECT
public:
    explicit TSkinCanvas(QWidget* parent = nullptr);
    void setPicture(const QImage& picture, bool stretched);
    const QImage& picture() const { return m_picture; }

    std::function<void(Qt::MouseButton, int, int)> OnMouseDown;
    std::function<void(int, int)> OnMouseMove;
    std::function<void(Qt::MouseButton, int, int)> OnMouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage m_picture;
    bool m_stretched = false;
};

class TSkinGenForm : public QWidget
{
    Q_OBJECT
public:
    TSkinGenForm(QString skinsFolder, TNewSkinForm* wizard, QWidget* parent = nullptr);

    // From the main window: the control carrying a tag, and its colours.
    std::function<QWidget*(int)> FindComponentByTag;
    std::function<vimbo::SkinColors()> CurrentSkinColors;
    // After every write to the edited skin: its file, and whether only element
    // sections changed (no colour, no picture).
    std::function<void(const QString& file, bool elementsOnly)> SkinWritten;

    QMenuBar* MainMenu;
    QAction* NewSkin1;
    QAction* LoadSkin1;
    TSkinCanvas* Image;
    TSkinCanvas* EnlargedImage;
    QListWidget* ObjectList;
    QSpinBox *ObjectLeft, *ObjectTop, *ObjectWidth, *ObjectHeight;
    QCheckBox* VisibleCheckBox;
    QComboBox* FontList;
    QSpinBox* FontSize;
    QComboBox* HAlignList;
    QComboBox* VAlignList;
    QComboBox* ColorList;
    QLineEdit* HexColorEdit;
    QFrame* ColorPanel;
    QPushButton* SelectColorBtn; // "Pick"
    QStatusBar* StatusBar1;

    bool MoveMode = false, SizeMode = false, PickMode = false;
    struct Box
    {
        int left = 0, top = 0, width = 0, height = 0;
    } DragRect;

    // The skin being edited, or "" for none.
    QString EditedSkinPath() const { return m_skin ? m_skin->path() : QString(); }

    void LoadSkin();
    void NewSkin1Click();
    // Starts editing `file` (what Load Skin does once a file is chosen).
    void EditSkin(const QString& file);
    void ObjectListClick();
    void SaveNewVals();
    void ImageMouseDown(Qt::MouseButton button, int x, int y);
    void ImageMouseMove(int x, int y);
    void ImageMouseUp(Qt::MouseButton button, int x, int y);
    void ColorListChange();
    void HexColorEditChange();
    void SelectColor();
    void PickColor();
    void RedrawPreview();

    // The tag of an element's caption, 0 for any other text.
    static int ElementTagFor(const QString& caption);
    // A colour role's colour as the skin gives it, else the main window's
    // (black for "Transparent"); nothing when the skin says "None".
    std::optional<vimbo::SkinRgb> SkinColorFor(const QString& role) const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startEditing();
    void enableElementControls(bool on);
    // The list and the colour controls: on while a skin is edited.
    void enableSkinControls(bool on);
    bool write(const QString& section, const QList<std::pair<QString, QString>>& values, bool elementsOnly);
    // The picture named by the skin, read again only when the file changed.
    std::optional<QImage> skinPicture();

    QString m_folder;
    TNewSkinForm* m_wizard;
    std::optional<vimbo::ProfileFile> m_skin;
    bool m_loading = false;  // controls being filled: no writes
    bool m_reporting = false; // a message is up: no second one behind it
    QString m_pictureFile;
    QDateTime m_pictureModified;
    qint64 m_pictureSize = -1;
    QImage m_picture;
};
