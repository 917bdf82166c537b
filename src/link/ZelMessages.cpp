#include "ZelMessages.h"

namespace ZelMessage {

namespace {

constexpr qsizetype kMaxAlarmText = 80;

QString rcvAlarm(const QString& fields)
{
    return u"[ZEL RCVALARM 02," + fields + u']';
}

QString systemAlarm(int number, QChar state)
{
    return rcvAlarm(u"9999," + QString::number(number) + u',' + state);
}

// The location and the alarm number as the reference writes them, zero-padded to four and two.
QString alarmFields(int location, int number)
{
    return QString::asprintf("%.4d,%.2d", location, number);
}

} // namespace

QString alarm(int zelLocation, int zelAlarm, bool returned, const QString& text)
{
    const QChar state = returned ? u'R' : u'T';
    return rcvAlarm(alarmFields(zelLocation, zelAlarm) + u',' + state + u",," +
                    text.left(kMaxAlarmText));
}

QString groupAlarm(int groupLocation, int groupAlarm, bool returned, const QString& text)
{
    const QString fields = alarmFields(groupLocation, groupAlarm);
    if (returned)
        return rcvAlarm(fields + u",R,,");
    if (text.isEmpty())
        return rcvAlarm(fields + u",A,,");
    return rcvAlarm(fields + u",T,," + text);
}

QString poLinkLost()
{
    return systemAlarm(8, u'A');
}

QString poLinkRestored()
{
    return systemAlarm(8, u'R');
}

QString configurationProblem()
{
    return systemAlarm(9, u'A');
}

QString watchdog(int watchdogId)
{
    if (watchdogId < 1)
        return QStringLiteral("[ZEL WD 09]");
    return u"[ZEL WD 09 " + QString::number(watchdogId) + u']';
}

QString test(const QString& location, const QString& input, const QString& state)
{
    return rcvAlarm(location + u',' + input + u',' + state);
}

} // namespace ZelMessage
