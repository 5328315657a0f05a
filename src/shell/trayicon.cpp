#include "trayicon.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QMenu>

namespace {

// Qt shows its icons through a StatusNotifierItem host (Plasma, GNOME's
// AppIndicator extension) whenever one is registered on the session bus, and
// through the older embedding protocol otherwise. Such a host hands a click
// on as one activation and has no double click. Asked once, as Qt does.
bool statusNotifierHost()
{
    static const bool registered = [] {
        QDBusConnection bus = QDBusConnection::sessionBus();
        const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
        if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcherService))
            return false;
        QDBusInterface watcher(watcherService, QStringLiteral("/StatusNotifierWatcher"), watcherService, bus);
        return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
    }();
    return registered;
}

} // namespace

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

bool TTrayIcon::HostSendsDoubleClicks()
{
    return !statusNotifierHost();
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
        else if (OnDblClick && !HostSendsDoubleClicks())
            OnDblClick(this); // the only activation such a host sends
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
