#pragma once

#include "core/ExceptionStorm.h"

#include <QCoreApplication>

// The service's application object: no display, no widgets. Like the window's, it logs every
// exception that escapes an event handler and ends the program when they come in a storm.
class ServiceApplication : public QCoreApplication
{
    Q_OBJECT
public:
    ServiceApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
    void handleCurrentException();

private:
    ExceptionStorm m_storm;
};
