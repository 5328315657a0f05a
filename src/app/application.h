// The application object: routes every exception that escapes an event
// handler to one error handler instead of ending the program.
#pragma once

#include <QApplication>

#include <exception>
#include <functional>

class TApplication : public QApplication
{
public:
    TApplication(int& argc, char** argv);

    using ExceptionHandler = std::function<void(const std::exception&)>;
    // Installed by the main window as the first step of its creation.
    void setExceptionHandler(ExceptionHandler handler) { m_handler = std::move(handler); }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    ExceptionHandler m_handler;
};
