#include "skincontrols.h"

#include <QMouseEvent>
#include <QPainter>
#include <QVariant>

#include <cmath>

namespace vimbo {

namespace {
constexpr char kTagProperty[] = "vimboTag";
}

void SetTag(QObject* control, int tag)
{
    control->setProperty(kTagProperty, tag);
}

int TagOf(const QObject* control)
{
    return control->property(kTagProperty).toInt();
}

qint32 Nearest(double x)
{
    if (std::isnan(x))
        return 0;
    if (x >= 2147483647.0)
        return 2147483647;
    if (x <= -2147483648.0)
        return -2147483647 - 1;
    return qint32(std::llround(x));
}

namespace {

// A rectangle from (x1, y1) to (x2, y2), right and bottom exclusive: its
// outermost pixels in `outline`, the rest in `fill`.
void paintBox(QPainter& painter, int x1, int y1, int x2, int y2, const QColor& fill, const QColor& outline)
{
    const QRect box(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1));
    if (box.isEmpty())
        return;
    painter.fillRect(box, outline);
    const QRect inner = box.adjusted(1, 1, -1, -1);
    if (!inner.isEmpty())
        painter.fillRect(inner, fill);
}

} // namespace

void DrawSlider(QPainter& painter, qint32 value, qint32 maximum, QSize size, bool dragging, bool vertical,
                const SliderColors& colors)
{
    const int w = size.width(), h = size.height();
    qint32 filled = 0;
    if (maximum > 0)
        filled = vertical ? Nearest(h - double(value) / maximum * h) : Nearest(double(value) / maximum * w);
    paintBox(painter, 0, 0, w, h, colors.unactive, colors.border);
    const int length = vertical ? h : w;
    if (filled <= 0 || filled >= length)
        return;
    const QColor& bar = dragging ? colors.dragging : colors.normal;
    if (vertical)
        paintBox(painter, 1, filled, w - 1, h - 1, bar, bar);
    else
        paintBox(painter, 1, 1, filled, h - 1, bar, bar);
}

} // namespace vimbo

TSkinButton::TSkinButton(QWidget* parent) : QWidget(parent)
{
    // Nothing of its own to draw: the picture under it is the button.
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::PointingHandCursor);
}

void TSkinButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    if (OnMouseDown)
        OnMouseDown();
}

void TSkinButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    if (OnMouseUp)
        OnMouseUp();
    if (rect().contains(event->position().toPoint()) && OnClick)
        OnClick();
}

TSkinSlider::TSkinSlider(QWidget* parent, bool vertical) : QWidget(parent), Vertical(vertical)
{
    setAttribute(Qt::WA_NoSystemBackground);
}

void TSkinSlider::paintEvent(QPaintEvent*)
{
    if (!OnPaint || width() <= 0 || height() <= 0)
        return;
    QPainter painter(this);
    OnPaint(painter);
}

namespace {

void tell(const std::function<void(int, int)>& handler, const QMouseEvent* event)
{
    if (handler) {
        const QPoint at = event->position().toPoint();
        handler(at.x(), at.y());
    }
}

} // namespace

void TSkinSlider::mousePressEvent(QMouseEvent* event)
{
    tell(OnMouseDown, event);
}

void TSkinSlider::mouseMoveEvent(QMouseEvent* event)
{
    tell(OnMouseMove, event);
}

void TSkinSlider::mouseReleaseEvent(QMouseEvent* event)
{
    tell(OnMouseUp, event);
}
