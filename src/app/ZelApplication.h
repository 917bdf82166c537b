#pragma once

#include "core/ExceptionDescription.h"
#include "core/ExceptionStorm.h"

#include <QApplication>

// The application object; catches every exception that escapes an event
// handler, logs it and ends the program when exceptions come in a storm.
class ZelApplication : public QApplication
{
    Q_OBJECT
public:
    ZelApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    void handleException(const ExceptionFields& fields);
    void handleCurrentException();

private:
    ExceptionStorm m_storm;
};
