// The player's three kinds of message box: error (OK), information (OK) and
// confirmation (Yes, No). All are modal.
#pragma once

#include <QString>

class QWidget;

namespace vimbo {
void showErrorMessage(QWidget* parent, const QString& text);
void showInformationMessage(QWidget* parent, const QString& text);
bool askConfirmation(QWidget* parent, const QString& text);
} // namespace vimbo
