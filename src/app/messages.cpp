#include "messages.h"

#include <QMessageBox>

namespace vimbo {

void showErrorMessage(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, QStringLiteral("Error"), text, QMessageBox::Ok);
}

void showInformationMessage(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, QStringLiteral("Information"), text, QMessageBox::Ok);
}

bool askConfirmation(QWidget* parent, const QString& text)
{
    return QMessageBox::question(parent, QStringLiteral("Confirm"), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

} // namespace vimbo
