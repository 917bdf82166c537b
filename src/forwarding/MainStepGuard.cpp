#include "MainStepGuard.h"

#include "ExceptionDescription.h"
#include "Log.h"
#include "ZelTimeMachine.h"

namespace {

void restartAfter(tZelTimeMachine& machine, int subStep, const ExceptionFields& fields)
{
    machine.setEnabled(false);
    QString text =
        QStringLiteral("<tmmMain, state:") + QString::number(machine.State()) + QLatin1Char('>');
    if (subStep > 0)
        text += QStringLiteral("<sub ") + QString::number(subStep) + QLatin1Char('>');
    text += exceptionLogText(fields);
    LogMessage(text, LogFileOnly);
    machine.setState(1);
    machine.setEnabled(true);
}

} // namespace

void runGuardedMainStep(tZelTimeMachine& machine, const std::function<void()>& step,
                        const int& subStep)
{
    try {
        step();
    } catch (const std::exception& e) {
        restartAfter(machine, subStep, describeException(e));
    } catch (...) {
        restartAfter(machine, subStep, describeUnknownException());
    }
}
