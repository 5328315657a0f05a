// The small pop-up that shows a whole track name (or a lyric line) near the
// pointer, in the skin's colours, and goes away by itself after six seconds.
#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;

class TTrackInfo : public QWidget
{
    Q_OBJECT
public:
    explicit TTrackInfo(QWidget* owner);

    struct Colors
    {
        QColor fill, outline, text;
    };
    // Asked at every show: the skin's current colours.
    std::function<Colors()> CurrentColors;

    QLabel* NameLabel;
    QTimer HideTimer; // 6000 ms, restarted at every show

    void HideForm() { hide(); }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Colors m_colors;
};
