#include "errors.h"

#include <cxxabi.h>
#include <cstdlib>
#include <memory>
#include <typeinfo>

QString exceptionClassName(const std::exception& e)
{
    if (auto* ours = dynamic_cast<const EVimboError*>(&e))
        return QString::fromLatin1(ours->className());
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status), &std::free);
    return QString::fromLatin1(status == 0 && demangled ? demangled.get() : typeid(e).name());
}

QString exceptionMessage(const std::exception& e)
{
    return QString::fromUtf8(e.what());
}
