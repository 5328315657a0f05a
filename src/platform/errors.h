// Exception classes shared by every subsystem. Each carries the class name
// that the application's error dialog shows next to the message.
#pragma once

#include <QString>
#include <stdexcept>

class EVimboError : public std::runtime_error
{
public:
    explicit EVimboError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
    virtual const char* className() const { return "Exception"; }
};

#define VIMBO_ERROR_CLASS(Name)                                                                    \
    class Name : public EVimboError                                                                \
    {                                                                                              \
    public:                                                                                        \
        using EVimboError::EVimboError;                                                            \
        const char* className() const override { return #Name; }                                   \
    }

// A setting of the wrong type, or a write the store refused.
VIMBO_ERROR_CLASS(ERegistryException);
// The settings database itself cannot be opened, read or written.
VIMBO_ERROR_CLASS(EStoreUnavailable);
// A file could not be created (the embedded files' write-out).
VIMBO_ERROR_CLASS(EFCreateError);
// Reading a file failed half-way.
VIMBO_ERROR_CLASS(EInOutError);
// A stream held less data, or other data, than its header promised.
VIMBO_ERROR_CLASS(EReadError);
// An object was asked to take the value of an object of another kind.
VIMBO_ERROR_CLASS(EConvertError);
// A picture file that cannot be read as the picture it claims to be.
VIMBO_ERROR_CLASS(EInvalidGraphic);
// The CD device cannot be opened or driven.
VIMBO_ERROR_CLASS(EMCIDeviceError);

#undef VIMBO_ERROR_CLASS

// The class name shown for any exception: ours carry it, others get their
// demangled C++ type name.
QString exceptionClassName(const std::exception& e);
QString exceptionMessage(const std::exception& e);
