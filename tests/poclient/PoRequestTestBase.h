#pragma once

#include "PoServerSim.h"
#include "TestFiles.h"

#include "poclient/PoClient.h"
#include "store/XmlDocument.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <memory>

inline const QString kCommunicationError = QStringLiteral("Error communicating with PO server");
inline const QString kEmptyAnswer = QStringLiteral("Error getting data from Priva Office");

// A returned alarm, an active alarm that the example answer still reports, a returned group.
inline const QByteArray kStatusFile =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
    "<POAlarmStatus>\n"
    "\t<Alarm pcu=\"Pcu1\" location=\"Kas 4\" nr=\"2\" text=\"Lage "
    "temperatuur\" start=\"20240612T120008\" State=\"R\" "
    "Sent=\"20240612T120000\" />\n"
    "\t<Alarm pcu=\"Pcu2\" location=\"Ketelhuis\" nr=\"3\" "
    "text=\"Storing ketel\" start=\"20240612T140210\" State=\"A\" "
    "Sent=\"20240612T140210\" />\n"
    "\t<Group ZelAlarm=\"0012 - 05\" State=\"R\" />\n"
    "</POAlarmStatus>\n";

// Waits for the hand-over, then delivers what the worker queued before it.
bool finished(const std::shared_ptr<PoRequest>& request, int timeoutMs = 10000);

// The tags of the trace files written, sorted; the bytes and text of the one with a tag.
QStringList traceTags();
QByteArray traceBytes(const QString& tag);
QString traceText(const QString& tag);

// The alarm of the example answer that the example status does not hold yet.
bool hasExampleAlarm(const XmlDocumentHandle& status);

// Status text and list lines as they arrive on the GUI thread.
class PoRequestRecorder : public QObject
{
public:
    void takeStatus(const QString& text) { statusTexts.append(text); }
    void takeLine(int target, const QString& line)
    {
        targets.append(target);
        lines.append(line);
    }
    QStringList statusTexts;
    QList<int> targets;
    QStringList lines;
};

// Every test runs against po-sim serving the examples, with the example status in a data
// directory of its own, a client, and a recorder of what reaches the GUI thread.
class PoRequestTestBase : public QObject
{
    Q_OBJECT

protected Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

protected:
    std::shared_ptr<PoRequest> start(const QString& path, PoRequestKind kind,
                                     const PoTimeouts& timeouts = PoTimeouts{10000, 50000});
    QString simUrl(const QString& path) const;
    // Lines of the office list that hold part.
    QStringList poLines(const QString& part) const;
    // The example status file with the request's active alarms merged in as the GUI thread
    // merges them (once per request, so its traces are written once); null when the request
    // handed over no answer.
    const XmlDocumentHandle& mergedStatus(const std::shared_ptr<PoRequest>& request);

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<PoServerSim> m_sim;
    std::unique_ptr<PoClient> m_client;
    std::unique_ptr<PoRequestRecorder> m_recorder;
    std::map<quint64, XmlDocumentHandle> m_merged;
};
