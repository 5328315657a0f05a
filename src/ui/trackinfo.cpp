#include "trackinfo.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>

TTrackInfo::TTrackInfo(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(182, 28);
    setMouseTracking(true);
    NameLabel = new QLabel(this);
    NameLabel->setGeometry(8, 8, width() - 8, height() - 8);
    NameLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont font(QStringLiteral("Seraphic Organism"));
    font.setPixelSize(11);
    font.setBold(true);
    NameLabel->setFont(font);
    NameLabel->setMouseTracking(true);
    NameLabel->installEventFilter(this);
    HideTimer.setInterval(6000);
    connect(&HideTimer, &QTimer::timeout, this, &TTrackInfo::HideForm);
}

void TTrackInfo::showEvent(QShowEvent* event)
{
    if (CurrentColors)
        m_colors = CurrentColors();
    QPalette palette = NameLabel->palette();
    palette.setColor(QPalette::WindowText, m_colors.text);
    NameLabel->setPalette(palette);
    NameLabel->setGeometry(8, 8, width() - 8, height() - 8);
    HideTimer.stop();
    HideTimer.start();
    QWidget::showEvent(event);
}

void TTrackInfo::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_colors.outline);
    painter.fillRect(rect().adjusted(1, 1, -1, -1), m_colors.fill);
}

void TTrackInfo::mouseMoveEvent(QMouseEvent*)
{
    HideForm();
}

bool TTrackInfo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == NameLabel && event->type() == QEvent::MouseMove)
        HideForm();
    return QWidget::eventFilter(watched, event);
}
