#include "startupscherm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

TStartupScherm::TStartupScherm(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Status"));
    setFixedSize(250, 66);

    Status = new QLabel(QStringLiteral("Status..."), this);
    Status->setAlignment(Qt::AlignCenter);
    QFont font(QStringLiteral("Seraphic Organism"));
    font.setBold(true);
    Status->setFont(font);

    Progress = new QProgressBar(this);
    Progress->setTextVisible(false);
    Progress->setRange(0, 100);
    Progress->setValue(0);
    Progress->setStyleSheet(QStringLiteral("QProgressBar { background: black; border: 1px solid #404040; }"
                                           "QProgressBar::chunk { background: rgb(0, 41, 83); }"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->addWidget(Status, 1);
    layout->addWidget(Progress);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}
