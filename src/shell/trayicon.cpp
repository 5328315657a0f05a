#include "trayicon.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>

TTrayIcon::TTrayIcon(QObject* parent) : QObject(parent)
{
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TTrayIcon::Activate);
}

TTrayIcon::~TTrayIcon()
{
    SetVisible(false);
}

void TTrayIcon::SetVisible(bool visible)
{
    if (visible == m_visible)
        return;
    if (visible) {
        if (!QSystemTrayIcon::isSystemTrayAvailable())
            return; // nobody to show it: stays hidden, and no click ever comes
        m_icon.show();
        m_visible = m_icon.isVisible();
    } else {
        m_icon.hide();
        m_visible = false;
    }
}

void TTrayIcon::SetHint(const QString& hint)
{
    m_hint = hint.left(kMaxHint);
    m_icon.setToolTip(m_hint);
}

void TTrayIcon::Activate(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        if (OnClick)
            OnClick(this);
        break;
    case QSystemTrayIcon::DoubleClick:
        if (OnDblClick)
            OnDblClick(this);
        break;
    case QSystemTrayIcon::Context:
        if (PopupMenu) {
            const QPoint at = QCursor::pos();
            QCoreApplication::processEvents();
            PopupMenu->popup(at);
        }
        break;
    default:
        break;
    }
}
