#include "ExceptionDescription.h"

#if defined(__GNUC__)
#include <cxxabi.h>
#endif

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace {

// GCC and Clang give mangled names; MSVC's are readable already.
QString demangledName(const std::type_info& type)
{
#if !defined(__GNUC__)
    return QString::fromUtf8(type.name());
#else
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    return QString::fromUtf8(status == 0 && name ? name.get() : type.name());
#endif
}

QString oneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

ExceptionFields makeFields(const QString& className, const QString& message)
{
    QString sentence = message;
    if (!sentence.endsWith(QLatin1Char('.')))
        sentence += QLatin1Char('.');
    const QString full = QStringLiteral("Exception ") + className +
                         QStringLiteral(" in module zelpo. ") + oneLine(sentence);
    return {full.left(80).trimmed(), message, className};
}

} // namespace

ExceptionFields describeException(const std::exception& e)
{
    return makeFields(demangledName(typeid(e)), QString::fromUtf8(e.what()));
}

ExceptionFields describeUnknownException()
{
    return makeFields(QStringLiteral("unknown"), QStringLiteral("unknown exception"));
}

QString exceptionLogText(const ExceptionFields& fields)
{
    return QLatin1Char('<') + fields.description + QStringLiteral("><") + fields.message +
           QStringLiteral("><") + fields.className + QLatin1Char('>');
}
