// The controls a skin places over its picture: click areas over the
// picture's painted buttons, and the surfaces the sliders are drawn on.
#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

namespace vimbo {

// Every control a skin may move carries the number of its section in the
// skin file; 0 (or none) marks the controls a skin never touches.
void SetTag(QObject* control, int tag);
int TagOf(const QObject* control);

// `x` to the nearest whole number, halves away from zero; values beyond the
// 32-bit range stop at its ends and a value that is no number gives 0.
qint32 Nearest(double x);

// The colours a slider is drawn in.
struct SliderColors
{
    QColor unactive, border, normal, dragging;
};

// Paints a slider of `size` showing `value` of `maximum`: the box in the
// background colours, and the bar (from the bottom when vertical, from the
// left otherwise) when it is neither empty nor full.
void DrawSlider(QPainter& painter, qint32 value, qint32 maximum, QSize size, bool dragging, bool vertical,
                const SliderColors& colors);

} // namespace vimbo

// An invisible button: the skin's picture shows the artwork, this takes the
// clicks. A click is a left press and release inside the area.
class TSkinButton : public QWidget
{
    Q_OBJECT
public:
    explicit TSkinButton(QWidget* parent);

    std::function<void()> OnClick;
    std::function<void()> OnMouseDown;
    std::function<void()> OnMouseUp;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The surface of one slider. The player draws the slider onto it in the
// skin's colours and turns the pointer's movements into values.
class TSkinSlider : public QWidget
{
    Q_OBJECT
public:
    TSkinSlider(QWidget* parent, bool vertical);

    bool Vertical;
    bool Dragging = false;
    // Pointer position relative to the slider's top-left corner; any button.
    std::function<void(int x, int y)> OnMouseDown;
    std::function<void(int x, int y)> OnMouseMove;
    std::function<void(int x, int y)> OnMouseUp;
    std::function<void(QPainter&)> OnPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
