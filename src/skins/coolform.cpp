#include "coolform.h"

#include "platform/errors.h"
#include "skins/mask.h"

#include <QCoreApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

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
    if (QWidget* window = this->window())
        window->setMask(region);
}

bool TCoolForm::LoadMaskFile(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) && ReadMask(file);
}

bool TCoolForm::ReadMask(QIODevice& stream)
{
    // Bounded like any mask file, and never more than the file holds; the
    // decoder checks every length it reads.
    qint64 limit = 256LL * 1024 * 1024;
    if (!stream.isSequential())
        limit = std::min(limit, std::max<qint64>(0, stream.size() - stream.pos()));
    const QByteArray bytes = stream.read(limit);
    const auto rects = vimbo::DecodeMask(bytes);
    if (!rects)
        return false;
    if (bytes.size() >= 4 && bytes.left(4) == QByteArray(4, '\0')) {
        m_mask.SetRegion(std::nullopt); // no region: the outline stays
        return true;
    }
    applyRegion(vimbo::RegionOf(*rects));
    return true;
}

void TCoolForm::WriteMask(QIODevice& stream) const
{
    QList<QRect> rects;
    if (m_mask.Region()) {
        for (const QRect& r : *m_mask.Region())
            rects.append(r);
    }
    stream.write(vimbo::EncodeMask(rects));
}

void TCoolForm::GenerateMaskFile(const QImage& picture, quint32 transparent, const QString& fileName)
{
    if (picture.width() == 0 || picture.height() == 0)
        return;
    const QList<QRect> rects =
        vimbo::GenerateMaskRects(picture, transparent, [] { QCoreApplication::processEvents(); });
    if (!vimbo::WriteMaskFile(fileName, rects))
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\".").arg(fileName));
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
