#include "MainStepGuard.h"

#include "core/ExceptionDescription.h"
#include "core/Log.h"
#include "core/ZelTimeMachine.h"

namespace {

void restartAfter(tZelTimeMachine& machine, MainSubStep subStep, const ExceptionFields& fields)
{
    machine.setEnabled(false);
    QString text =
        QStringLiteral("<tmmMain, state:") + QString::number(machine.State()) + QLatin1Char('>');
    if (subStep != MainSubStep::None)
        text +=
            QStringLiteral("<sub ") + QString::number(static_cast<int>(subStep)) + QLatin1Char('>');
    text += exceptionLogText(fields);
    LogMessage(text, LogFileOnly);
    machine.setState(MainState::Start);
    machine.setEnabled(true);
}

} // namespace

void runGuardedMainStep(tZelTimeMachine& machine, const std::function<void()>& step,
                        const MainSubStep& subStep)
{
    try {
        step();
    } catch (const std::exception& e) {
        restartAfter(machine, subStep, describeException(e));
    } catch (...) {
        restartAfter(machine, subStep, describeUnknownException());
    }
}
