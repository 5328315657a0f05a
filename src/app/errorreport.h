// The text and the mail link of the dialog that reports an uncaught error.
#pragma once

#include <QString>
#include <QUrl>

namespace vimbo {

QString errorReportText(const QString& message, const QString& className);
// A mailto: link whose subject names the error. Message and class name are
// percent-encoded, so '&', '#', '?' or spaces in them cannot break the link.
QUrl errorReportMailUrl(const QString& message, const QString& className);

} // namespace vimbo
