#include "coolform.h"

#include "platform/errors.h"
#include "skins/mask.h"

#include <QCoreApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>
#include <QtEndian>

#include <cstring>
#include <new>

TCoolForm::TCoolForm(QWidget* parent) : QWidget(parent)
{
    // The picture covers every pixel it has; nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (parent) {
        setGeometry(parent->rect());
        lower();
    }
}

void TCoolForm::SetPicture(const QImage& picture)
{
    m_picture = picture;
    m_mask.SetRegion(std::nullopt);
    // A picture of the same size changes no geometry, so nothing else would
    // repaint it.
    update();
}

void TCoolForm::SetMask(const TRegionType* mask)
{
    if (!mask)
        return;
    m_mask.SetRegion(mask->Region());
    m_mask.SetOwner(this);
}

void TCoolForm::applyRegion(const QRegion& region)
{
    m_mask.SetRegion(region);
    QWidget* window = this->window();
    if (!window)
        return;
    // A region without pixels (a mask of only transparent pixels) is an
    // outline like any other: the window shows nothing and takes no clicks.
    // Qt reads an empty mask as "no mask" (the whole window), so
    // such a region is given as one pixel outside the window. Only a mask
    // file without a region (length 0) leaves the outline as it was.
    window->setMask(region.isEmpty() ? QRegion(-1, -1, 1, 1) : region);
    // The picture was last painted clipped to the old outline (making a
    // mask lets paint events run); what a wider one uncovers is painted now.
    update();
}

bool TCoolForm::LoadMaskFile(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) && ReadMask(file);
}

bool TCoolForm::ReadMask(QIODevice& stream)
{
    char length[4];
    if (stream.read(length, 4) != 4)
        return false;
    const quint32 n = qFromLittleEndian<quint32>(length);
    if (n == 0) {
        m_mask.SetRegion(std::nullopt); // no region: the outline stays
        return true;
    }
    // Only the bytes the length names are read (trailing bytes are not the
    // mask's), and never more than a mask file may hold; the decoder checks
    // every number inside.
    if (qint64(n) > vimbo::kLargestMaskFile || (!stream.isSequential() && stream.size() - stream.pos() < qint64(n)))
        return false;
    QByteArray bytes;
    try {
        bytes.resize(4 + qsizetype(n));
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::memcpy(bytes.data(), length, 4);
    if (stream.read(bytes.data() + 4, n) != qint64(n))
        return false;
    QRegion region;
    const bool decoded = vimbo::DecodeMask(bytes, &region).has_value();
    bytes = QByteArray();
    if (!decoded)
        return false;
    applyRegion(region);
    return true;
}

void TCoolForm::WriteMask(QIODevice& stream) const
{
    if (!m_mask.Region()) {
        stream.write(QByteArray(4, '\0'));
        return;
    }
    QList<QRect> rects;
    for (const QRect& r : *m_mask.Region())
        rects.append(r);
    stream.write(vimbo::EncodeMask(rects));
}

QString TCoolForm::TooIntricateOutline()
{
    return QStringLiteral("its outline would take more than %L1 rectangles, more than a window shape may have")
        .arg(vimbo::kMostRegionRects);
}

QList<QRect> TCoolForm::GenerateMask(const QImage& picture, quint32 transparent)
{
    std::optional<QList<QRect>> rects =
        vimbo::GenerateMaskRects(picture, transparent, [] { QCoreApplication::processEvents(); });
    if (!rects)
        throw EInvalidGraphic(QStringLiteral("The picture cannot be a window's outline: %1.").arg(TooIntricateOutline()));
    return std::move(*rects);
}

void TCoolForm::GenerateMaskFile(const QImage& picture, quint32 transparent, const QString& fileName)
{
    if (picture.width() == 0 || picture.height() == 0)
        return;
    if (!vimbo::WriteMaskFile(fileName, GenerateMask(picture, transparent)))
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\".").arg(fileName));
}

bool TCoolForm::GenerateAndLoadMask(quint32 transparent, const QString& fileName,
                                    const std::function<bool()>& stillWanted)
{
    if (!m_picture.isNull()) {
        // Our own copy: a handler run meanwhile may give the form a new picture.
        const QImage picture = m_picture;
        const std::optional<QList<QRect>> made =
            vimbo::GenerateMaskRects(picture, transparent, [] { QCoreApplication::processEvents(); });
        if (stillWanted && !stillWanted())
            return false;
        if (!made)
            throw EInvalidGraphic(TooIntricateOutline());
        const QList<QRect>& rects = *made;
        if (!vimbo::WriteMaskFile(fileName, rects)) {
            // A Skins folder we may not write to (an installed player's): the
            // outline just made is used without its file. An older file of
            // that name may belong to another picture, so it is not read.
            qWarning("Cannot write the mask file %s; the outline is kept in memory only", qPrintable(fileName));
            applyRegion(vimbo::RegionOf(rects));
            return true;
        }
    }
    LoadMaskFile(fileName);
    return true;
}

void TCoolForm::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    // Every pixel is painted here (nothing is erased first): the picture
    // inside the outline, transparency outside it and beyond the picture.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(event->rect(), Qt::transparent);
    const QRegion outline = window() == parentWidget() ? window()->mask() : QRegion();
    if (!outline.isEmpty())
        painter.setClipRegion(outline.translated(-pos()));
    painter.drawImage(0, 0, m_picture);
}

void TCoolForm::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // The window system drags the window where it can; without a window
    // manager (a bare X server) it cannot, and we move the window ourselves.
    QWindow* handle = window()->windowHandle();
    if (handle && handle->startSystemMove())
        return;
    m_dragOffset = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
}

void TCoolForm::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragOffset && (event->buttons() & Qt::LeftButton))
        window()->move(event->globalPosition().toPoint() - *m_dragOffset);
}

void TCoolForm::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragOffset.reset();
}
