#pragma once

#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// Starting a peer simulator from a test and learning its port.

// Where a test puts its copy of the program, with PO.ini beside it; Windows finds programs by
// their suffix.
#ifdef Q_OS_WIN
inline constexpr char kProgramCopy[] = "bin/zelpo.exe";
#else
inline constexpr char kProgramCopy[] = "bin/zelpo";
#endif

// Starts program; owned keeps it for the test's cleanup.
inline QProcess* startTool(QList<QProcess*>& owned, const QString& program,
                           const QStringList& arguments)
{
    auto* process = new QProcess;
    owned.append(process);
    process->start(program, arguments);
    process->waitForStarted(10000);
    return process;
}

// The port from the simulator's "listening on address:port" line; 0 when it ends or stays
// silent for 10 s first.
inline quint16 listeningPort(QProcess* tool)
{
    static const QRegularExpression listening(QStringLiteral("listening on [0-9.]+:(\\d+)"));
    QByteArray out;
    while (!listening.match(QString::fromUtf8(out)).hasMatch()) {
        if (tool->state() == QProcess::NotRunning || !tool->waitForReadyRead(10000))
            return 0;
        out += tool->readAllStandardOutput();
    }
    return quint16(listening.match(QString::fromUtf8(out)).captured(1).toUInt());
}
