#include "PoRequestTestBase.h"
#include "TestFiles.h"

#include "core/Directories.h"
#include "core/Language.h"
#include "core/Log.h"
#include "core/Trace.h"
#include "poclient/ActiveAlarmsMerge.h"
#include "store/AlarmStatus.h"
#include "store/Documents.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

bool finished(const std::shared_ptr<PoRequest>& request, int timeoutMs)
{
    const bool done =
        QTest::qWaitFor([&] { return request->done.load(std::memory_order_acquire); }, timeoutMs);
    QCoreApplication::sendPostedEvents();
    return done;
}

QStringList traceTags()
{
    const QDir dir(QDir(PoDataDirectory()).filePath(u"trace"_s));
    QStringList tags;
    for (const QString& name : dir.entryList({u"*.trc"_s}, QDir::Files, QDir::Name))
        tags.append(name.section(u'_', -1).section(u'.', 0, 0));
    tags.sort();
    return tags;
}

QByteArray traceBytes(const QString& tag)
{
    const QDir dir(QDir(PoDataDirectory()).filePath(u"trace"_s));
    const QStringList names = dir.entryList({u"*_"_s + tag + u".trc"_s}, QDir::Files);
    return names.size() == 1 ? readFile(dir.filePath(names.first())) : QByteArray();
}

QString traceText(const QString& tag)
{
    return QString::fromUtf8(traceBytes(tag));
}

bool hasExampleAlarm(const XmlDocumentHandle& status)
{
    return status && findAlarmEntry(status->root(), "Pcu1", "Kas 3", "1");
}

void PoRequestTestBase::initTestCase()
{
    // The log must live on the GUI thread before any worker logs.
    Log::instance();
    FillLanguageTable(u"ENG"_s);
}

void PoRequestTestBase::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    const QDir root(m_root->path());
    QVERIFY(root.mkpath(u"program"_s) && root.mkpath(u"data"_s) && root.mkpath(u"sim"_s));
    QVERIFY(writeFile(root.filePath(u"program/PO.ini"_s),
                      "[Application]\ndatapath=" + root.filePath(u"data"_s).toUtf8() + '\n'));
    qputenv("XDG_DATA_HOME", root.filePath(u"xdg"_s).toUtf8());
    resetDirectories(root.filePath(u"program"_s));
    Log::instance().setFileName(root.filePath(u"data/ZELPO.LOG"_s));

    m_sim = std::make_unique<PoServerSim>(root.filePath(u"sim"_s));
    for (const PoEndpoint endpoint : AllPoEndpoints) {
        const QString example = QStringLiteral(PO_SIM_EXAMPLES) + u'/' + m_sim->fileName(endpoint);
        QVERIFY(QFile::copy(example, m_sim->filePath(endpoint)));
    }
    QVERIFY(m_sim->listen());
    QVERIFY(writeFile(alarmStatusPath(), kStatusFile));
    // Start-up creates it when tracing is on.
    QVERIFY(QDir(PoDataDirectory()).mkdir(u"trace"_s));

    m_client = std::make_unique<PoClient>();
    m_recorder = std::make_unique<PoRequestRecorder>();
    connect(m_client.get(), &PoClient::statusText, m_recorder.get(),
            &PoRequestRecorder::takeStatus);
    connect(&Log::instance(), &Log::listLine, m_recorder.get(), &PoRequestRecorder::takeLine);
    TraceEnabled = false;
}

void PoRequestTestBase::cleanup()
{
    TraceEnabled = false;
    m_merged.clear();
    m_client.reset();
    m_recorder.reset();
    m_sim.reset();
    Log::instance().setFileName(QString());
    resetDirectories();
    m_root.reset();
}

std::shared_ptr<PoRequest> PoRequestTestBase::start(const QString& path, PoRequestKind kind,
                                                    const PoTimeouts& timeouts)
{
    return m_client->StartPoRequest(simUrl(path), kind, timeouts);
}

QString PoRequestTestBase::simUrl(const QString& path) const
{
    return u"http://"_s + m_sim->authority() + path;
}

const XmlDocumentHandle& PoRequestTestBase::mergedStatus(const std::shared_ptr<PoRequest>& request)
{
    XmlDocumentHandle& merged = m_merged[request->id];
    if (!merged && request->alarmsAnswer) {
        if (OpenAlarmStatus(merged))
            applyActiveAlarms(*merged, *request);
    }
    return merged;
}

QStringList PoRequestTestBase::poLines(const QString& part) const
{
    QStringList found;
    for (qsizetype i = 0; i < m_recorder->lines.size(); ++i) {
        if (m_recorder->targets[i] == LogPoList && m_recorder->lines[i].contains(part))
            found.append(m_recorder->lines[i]);
    }
    return found;
}
