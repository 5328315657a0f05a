#include "aboutform.h"

#include "app/makerinfo.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

namespace {

QLabel* makeLabel(QWidget* parent, const QString& text, bool bold = false)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
    return label;
}

} // namespace

TAboutForm::TAboutForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      OpenUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(330, 241);

    Logo = new QLabel(this);
    Logo->setPixmap(QPixmap(QStringLiteral(":/vimbo/icons/vimbo.png"))
                        .scaled(52, 53, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    Logo->setGeometry(8, 8, 52, 53);

    QFont product(QStringLiteral("QSwitch Ax"));
    product.setPixelSize(21);
    product.setBold(true);
    ProductLabel1 = new QLabel(QStringLiteral("Vimbo"), this);
    ProductLabel1->setFont(product);
    ProductLabel1->setStyleSheet(QStringLiteral("color: rgb(40, 40, 40);"));
    ProductLabel1->adjustSize();
    ProductLabel1->move(68, 14);
    ProductLabel2 = new QLabel(QStringLiteral("Media Player"), this);
    ProductLabel2->setFont(product);
    ProductLabel2->setStyleSheet(QStringLiteral("color: rgb(92, 92, 92);"));
    ProductLabel2->adjustSize();
    ProductLabel2->move(ProductLabel1->geometry().right() + 6, 14);

    NoticeLabel = makeLabel(this, QString::fromLatin1(vimbo::kMakerNotice));
    NoticeLabel->setGeometry(68, 42, 254, 16);

    auto* group = new QGroupBox(QStringLiteral("General Information"), this);
    group->setGeometry(8, 68, 314, 165);
    auto* grid = new QGridLayout(group);
    const auto link = [this, group](const QString& text) {
        QLabel* label = makeLabel(group, text);
        QFont font(QStringLiteral("MS Sans Serif"));
        label->setFont(font);
        label->setStyleSheet(QStringLiteral("color: blue;"));
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
        return label;
    };
    const QString maker = QString::fromLatin1(vimbo::kMakerName);
    const QString mail = QString::fromLatin1(vimbo::kMakerMail);
    grid->addWidget(makeLabel(group, QStringLiteral("Building"), true), 0, 0);
    grid->addWidget(makeLabel(group, maker), 0, 1);
    grid->addWidget(makeLabel(group, QStringLiteral("Email:")), 1, 1);
    grid->addWidget(BuildingEmail = link(mail), 1, 2);
    grid->addWidget(makeLabel(group, QStringLiteral("Design"), true), 2, 0);
    grid->addWidget(makeLabel(group, maker), 2, 1);
    grid->addWidget(makeLabel(group, QStringLiteral("Email:")), 3, 1);
    grid->addWidget(DesignEmail = link(mail), 3, 2);
    grid->addWidget(makeLabel(group, QStringLiteral("Website"), true), 4, 0);
    QLabel* visit =
        makeLabel(group, QStringLiteral("For more information, downloads, skins and more, please visit our website!"));
    visit->setWordWrap(true);
    grid->addWidget(visit, 4, 1, 1, 2);
    grid->addWidget(WebAddress = link(QString::fromLatin1(vimbo::kMakerWebsite)), 5, 1, 1, 2);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == BuildingEmail || watched == DesignEmail)
            EmailClick(static_cast<QLabel*>(watched));
        else if (watched == WebAddress)
            AddressClick(static_cast<QLabel*>(watched));
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutForm::EmailClick(QLabel* Sender)
{
    OpenUrl(QUrl(QStringLiteral("mailto:") + Sender->text()));
}

void TAboutForm::AddressClick(QLabel* Sender)
{
    OpenUrl(QUrl(Sender->text()));
}
