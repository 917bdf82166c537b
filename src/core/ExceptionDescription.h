#pragma once

#include <QString>

#include <exception>

// The three fields that every log line about an exception carries.
struct ExceptionFields
{
    QString description; // one line, cut to 80 characters and trimmed
    QString message;
    QString className;
};

ExceptionFields describeException(const std::exception& e);
ExceptionFields describeUnknownException();

// "<" description "><" message "><" class name ">"
QString exceptionLogText(const ExceptionFields& fields);
