#include "errorreport.h"

#include "app/makerinfo.h"

namespace vimbo {

QString errorReportText(const QString& message, const QString& className)
{
    return QStringLiteral("An error was raised while trying to start the application!\n\n"
                          "Message: ") +
           message + QStringLiteral("\nClassName: ") + className +
           QStringLiteral(
               "\n\nTo help us solve to solve this error, you can send a mail to us with the "
               "message and the classname of the error,\nwhen it was raised, what you were "
               "doing and what kind of computer and OS you have, etcetra...\n"
               "Would you like to send an email now?");
}

QUrl errorReportMailUrl(const QString& message, const QString& className)
{
    const QByteArray link =
        QByteArray("mailto:") + kErrorReportMail + "?subject=Vimbo%20Player%20-%20Error:%20" +
        QUrl::toPercentEncoding(message) + "%20(" + QUrl::toPercentEncoding(className) + ")&" +
        "body=" +
        QUrl::toPercentEncoding(
            QStringLiteral("Please explain shortly what you were doing before the error was raised:"));
    return QUrl::fromEncoded(link, QUrl::StrictMode);
}

} // namespace vimbo
