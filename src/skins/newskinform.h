// The new-skin wizard: asks for a new skin's name, checks that its background
// picture is in the Skins folder, previews it and chooses the transparent
// colour. It writes nothing; the skin generator reads its fields after OK.
#pragma once

#include "skins/skinformat.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

#include <optional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// A picture stretched to the widget's box over red, so that the pixels of
// the transparent colour show red: where the skinned window will have holes.
class TSkinPreview : public QWidget
{
    Q_OBJECT
public:
    explicit TSkinPreview(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }
    // Nothing: the picture is drawn opaque.
    void setTransparentColor(std::optional<QColor> color);
    std::optional<QColor> transparentColor() const { return m_transparent; }

    // The picture's pixel shown at `position` in the box; nothing without a picture.
    std::optional<QColor> pixelAt(QPoint position) const;

signals:
    void pressed(QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPoint sourcePoint(QPoint position) const;
    void rebuildShown();

    QImage m_picture;
    std::optional<QColor> m_transparent;
    QImage m_shown; // the picture as drawn: box-sized, the transparent pixels cleared
};

class TNewSkinForm : public QDialog
{
    Q_OBJECT
public:
    // `skinsFolder` ends in a separator; the background picture is looked for there.
    explicit TNewSkinForm(QString skinsFolder, QWidget* parent = nullptr);

    QLineEdit* SkinNameEdit;
    QLineEdit* ImageNameEdit; // read-only: always the skin name + ".bmp"
    QLabel* Status;
    QFrame* TransColor;
    QLineEdit* HexColorEdit; // #RRGGBB, or "None"
    TSkinPreview* PreviewImage;
    QPushButton* Button1; // Select
    QPushButton* Button2; // Pick
    QPushButton* Button5; // None
    QPushButton* Button4; // OK
    QPushButton* Button3; // Cancel

    // The next press on the preview picks its colour.
    bool PickMode = false;

    // The swatch's colour. It is white at first even though the text reads
    // "#000000": until the text changes, white is the colour OK hands on.
    QColor TransparentColor() const { return m_transColor; }
    // The same as skins store it (red in the low byte).
    vimbo::SkinRgb TransparentRgb() const;

    void SkinNameEditChange();
    void ImageNameEditChange();
    void HexColorEditChange();
    void Button1Click();
    void Button2Click();
    void PreviewImageMouseDown(QPoint position);
    void Button5Click();
    void Button4Click();
    void Button3Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setSwatch(const QColor& color);
    void setColorText(const QString& text);
    bool imageExists() const;

    const QString m_skinsFolder;
    QColor m_transColor;
};
