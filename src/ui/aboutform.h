// The about window: the product's name, its maker and clickable addresses.
#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;

class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    QLabel* Logo;
    QLabel* ProductLabel1; // "Vimbo"
    QLabel* ProductLabel2; // "Media Player"
    QLabel* NoticeLabel;
    QLabel* BuildingEmail;
    QLabel* DesignEmail;
    QLabel* WebAddress;

    // Opens the clicked label's address: "mailto:" + its text, or its text as it is.
    void EmailClick(QLabel* Sender);
    void AddressClick(QLabel* Sender);

    // How addresses are opened (the desktop's mail program and browser).
    std::function<bool(const QUrl&)> OpenUrl;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
