// An icon in the desktop's notification area, with a click, a double click
// and an optional pop-up menu on the right button.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>

class QMenu;

class TTrayIcon : public QObject
{
    Q_OBJECT
public:
    // The longest tool tip kept; longer ones are cut.
    static constexpr int kMaxHint = 63;

    explicit TTrayIcon(QObject* parent = nullptr);
    ~TTrayIcon() override;

    // True only while the desktop shows the icon: asking for it where there
    // is no notification area leaves it false.
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    QIcon Icon() const { return m_icon.icon(); }
    void SetIcon(const QIcon& icon) { m_icon.setIcon(icon); }
    QString Hint() const { return m_hint; }
    void SetHint(const QString& hint);

    // Opened at the cursor on a right click; none by default.
    QPointer<QMenu> PopupMenu;
    std::function<void(TTrayIcon* Sender)> OnClick;
    // Where the desktop's notification area sends no double clicks, a click
    // on an icon without OnClick raises this instead.
    std::function<void(TTrayIcon* Sender)> OnDblClick;

    // False for hosts that report a click as one activation and nothing else.
    static bool HostSendsDoubleClicks();

    // What a click of the shell's kind does (also how tests click).
    void Activate(QSystemTrayIcon::ActivationReason reason);

private:
    QSystemTrayIcon m_icon;
    bool m_visible = false;
    QString m_hint;
};
