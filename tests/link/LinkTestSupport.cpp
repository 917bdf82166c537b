#include "LinkTestSupport.h"

#include "core/Log.h"

#include <QTcpServer>

ReplyScript script(const QString& rule)
{
    return *ReplyScript::parse(rule);
}

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

QStringList zelListMessages(const QSignalSpy& spy, const QString& label)
{
    QStringList messages;
    for (const QList<QVariant>& arguments : spy) {
        const QString line = arguments.at(1).toString();
        const qsizetype at = line.indexOf(u' ' + label);
        if (arguments.at(0).toInt() == LogZelList && at >= 0)
            messages.append(line.mid(at + 1));
    }
    return messages;
}

QStringList texts(const QSignalSpy& spy)
{
    QStringList values;
    for (const QList<QVariant>& arguments : spy)
        values.append(arguments.at(0).toString());
    return values;
}
