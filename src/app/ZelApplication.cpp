#include "ZelApplication.h"

#include "core/UnhandledException.h"

ZelApplication::ZelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ZelApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        handleCurrentException();
    }
    return false;
}

void ZelApplication::handleCurrentException()
{
    handleException(describeCurrentException());
}

void ZelApplication::handleException(const ExceptionFields& fields)
{
    if (logAndCountException(fields, m_storm))
        exit(1);
}
