#include "skincontrols.h"

#include <QMouseEvent>
#include <QPainter>
#include <QVariant>

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

void TSkinSlider::mousePressEvent(QMouseEvent* event)
{
    if (OnMouseDown)
        OnMouseDown(event->position().toPoint().x(), event->position().toPoint().y());
}

void TSkinSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (OnMouseMove)
        OnMouseMove(event->position().toPoint().x(), event->position().toPoint().y());
}

void TSkinSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (OnMouseUp)
        OnMouseUp(event->position().toPoint().x(), event->position().toPoint().y());
}
