// The shaped window: the skin's picture drawn over the whole main window,
// the window's outline taken from a mask, and dragging the window by its picture.
#pragma once

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <functional>
#include <optional>

class QIODevice;

class TCoolForm;

// The current region of a TCoolForm, or none.
class TRegionType
{
public:
    explicit TRegionType(TCoolForm* owner = nullptr) : m_owner(owner) {}
    const std::optional<QRegion>& Region() const { return m_region; }
    void SetRegion(std::optional<QRegion> region) { m_region = std::move(region); }
    TCoolForm* Owner() const { return m_owner; }
    void SetOwner(TCoolForm* owner) { m_owner = owner; }

private:
    TCoolForm* m_owner;
    std::optional<QRegion> m_region;
};

class TCoolForm : public QWidget
{
    Q_OBJECT
public:
    explicit TCoolForm(QWidget* parent);

    // The picture, drawn at natural size from the top-left corner. Setting
    // it drops the current region; the window keeps its outline until a
    // new mask is loaded.
    const QImage& Picture() const { return m_picture; }
    void SetPicture(const QImage& picture);

    TRegionType& Mask() { return m_mask; }
    // Assigning another region object makes it the current one (none is ignored).
    void SetMask(const TRegionType* mask);

    // Reads a ".msk" file. A file without a region (length 0) leaves the
    // outline as it is; any other readable mask becomes the window's outline,
    // a region without pixels too (the window then shows nothing).
    // False, with nothing changed, when the file is missing or damaged.
    bool LoadMaskFile(const QString& fileName);
    // The region as stored with the window ("Mask2"): its length and data,
    // or a 4-byte 0 without a region.
    void WriteMask(QIODevice& stream) const;
    bool ReadMask(QIODevice& stream);

    // Writes the region of `picture`'s pixels that are not `transparent` to
    // `fileName`, letting window events run once per row. Nothing happens for
    // an empty picture. Throws EFCreateError when the file cannot be written,
    // EInvalidGraphic (nothing written) when the region would have more
    // rectangles than a window shape may have.
    static void GenerateMaskFile(const QImage& picture, quint32 transparent, const QString& fileName);
    // The rectangles of that region, window events running once per row;
    // throws EInvalidGraphic as GenerateMaskFile does.
    static QList<QRect> GenerateMask(const QImage& picture, quint32 transparent);
    // GenerateMaskFile for the current picture, then LoadMaskFile of the
    // file. Where the file cannot be written, the region made becomes the
    // outline without it. Window events run while the region is made; if
    // `stillWanted` then says no, nothing is written or changed (false).
    // A picture whose region would be too intricate throws EInvalidGraphic
    // whose message is TooIntricateOutline(); nothing is written, the
    // outline is unchanged, and the picture stays (the caller decides).
    bool GenerateAndLoadMask(quint32 transparent, const QString& fileName, const std::function<bool()>& stillWanted);
    // Why a picture cannot give an outline, as part of a sentence.
    static QString TooIntricateOutline();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyRegion(const QRegion& region);

    QImage m_picture;
    TRegionType m_mask{this};
    // Dragging by hand, where the window system will not move the window for us.
    std::optional<QPoint> m_dragOffset;
};
