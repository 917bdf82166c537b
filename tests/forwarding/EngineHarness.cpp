#include "EngineHarness.h"
#include "TestFiles.h"

#include "core/Directories.h"
#include "core/Language.h"
#include "core/Log.h"
#include "forwarding/MainMachine.h"
#include "poclient/PoClient.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <pugixml.hpp>

namespace {

ReplyScript script(const QString& rule)
{
    return ReplyScript::parse(rule).value_or(*ReplyScript::parse(QStringLiteral("ok")));
}

} // namespace

EngineHarness::EngineHarness(const QString& replyRule)
    : clock(QDateTime(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC)),
      po(root.filePath(QStringLiteral("po"))), zel(script(replyRule))
{
    QDir dir(root.path());
    dir.mkpath(QStringLiteral("bin"));
    dir.mkpath(QStringLiteral("data"));
    dir.mkpath(QStringLiteral("po"));
    qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("xdg")).toUtf8());
    QVERIFY(writeFile(root.filePath(QStringLiteral("bin/PO.ini")),
                      "[Application]\ndatapath=" + root.filePath(QStringLiteral("data")).toUtf8() +
                          "\n"));
    resetDirectories(root.filePath(QStringLiteral("bin")));
    resetLanguageTable();
    FillLanguageTable(QStringLiteral("ENG"));
    Log::instance().setFileName(root.filePath(QStringLiteral("data/ZELPO.LOG")));
    m_installedClock = std::make_unique<ScopedClock>(&clock);

    setAlarms("<active-alarms/>");
    setConfiguration("<alarmserverconfig><alarmlocations/><alarmtypes/></alarmserverconfig>");
    po.listen();
    zel.listen(QHostAddress(QHostAddress::LocalHost), 0);
    settings.zelHost = QStringLiteral("127.0.0.1");
    settings.zelPort = zel.port();
    settings.poServer = QStringLiteral(" 127.0.0.1 ");
    settings.sendPcu = true;
    settings.filterPunct = true;
}

EngineHarness::~EngineHarness()
{
    m_engine.reset();
    resetDirectories();
}

MainMachine& EngineHarness::main()
{
    return m_engine->mainMachine();
}

QString EngineHarness::poDataPath(const char* name) const
{
    return root.filePath(QStringLiteral("PoData/") + QLatin1String(name));
}

QByteArray EngineHarness::readPoData(const char* name) const
{
    return readFile(poDataPath(name));
}

QByteArray EngineHarness::logText() const
{
    return readFile(root.filePath(QStringLiteral("data/ZELPO.LOG")));
}

void EngineHarness::writeLinkDefs(const QByteArray& xml)
{
    QVERIFY(writeFile(PoDataDirectory() + QStringLiteral("/LinkDefs.xml"), xml));
}

void EngineHarness::writeZelDefs(const QByteArray& xml)
{
    QVERIFY(writeFile(PoDataDirectory() + QStringLiteral("/ZelDefs.xml"), xml));
}

void EngineHarness::writeAlarmStatus(const QByteArray& xml)
{
    QVERIFY(writeFile(PoDataDirectory() + QStringLiteral("/AlarmStatus.xml"), xml));
}

void EngineHarness::setAlarms(const QByteArray& xml)
{
    QVERIFY(writeFile(po.filePath(PoEndpoint::Alarms), xml));
}

void EngineHarness::setConfiguration(const QByteArray& xml)
{
    QVERIFY(writeFile(po.filePath(PoEndpoint::Config), xml));
}

void EngineHarness::create()
{
    m_engine = std::make_unique<Engine>(settings, po.serverPort());
    m_engine->setOptions({settings.sendPcu, settings.filterPunct});
    m_engine->openDocuments();
}

bool EngineHarness::start()
{
    if (!m_engine)
        create();
    m_engine->start();
    return QTest::qWaitFor([this] { return main().tmmMain().State() == 3; }, 5000);
}

bool EngineHarness::restart()
{
    QSignalSpy stopped(m_engine.get(), &Engine::machineStopped);
    m_engine->requestClose();
    if (!stopped.wait(10000))
        return false;
    m_engine.reset();
    create();
    return start();
}

bool EngineHarness::runPoll()
{
    QSignalSpy finished(&main(), &MainMachine::pollFinished);
    return finished.wait(10000);
}

bool EngineHarness::waitForState(int state)
{
    return QTest::qWaitFor([this, state] { return main().tmmMain().State() == state; }, 10000);
}

bool EngineHarness::runMainSteps(int steps)
{
    const tZelTimeMachine& machine = main().tmmMain();
    if (machine.eventDriven()) {
        // Woken, an event-driven machine takes at least one step and steps on until nothing
        // more is due at the time the clock shows.
        QSignalSpy asleep(&machine, &tZelTimeMachine::fellAsleep);
        main().wake();
        return asleep.wait(10000);
    }
    QSignalSpy ticked(&main().tmmMain(), &tZelTimeMachine::ticked);
    return QTest::qWaitFor([&ticked, steps] { return ticked.size() >= steps; }, 10000);
}

bool EngineHarness::waitForLines(qsizetype count)
{
    return QTest::qWaitFor([this, count] { return zel.receivedLines().size() >= count; }, 10000);
}

bool EngineHarness::waitForDelivery()
{
    return QTest::qWaitFor(
        [this] { return zel.receivedLines().size() == logText().count("><Send: "); }, 10000);
}

bool EngineHarness::waitForIdleWorkers()
{
    return QTest::qWaitFor([this] { return engine().poClient().unfinishedRequests() == 0; }, 10000);
}

qsizetype EngineHarness::logCount(const QByteArray& message) const
{
    return logText().count(QByteArray("><" + message + ">\r\n"));
}

QStringList EngineHarness::linesStartingWith(const QString& head) const
{
    QStringList lines;
    for (const QString& line : zel.receivedLines()) {
        if (line.startsWith(head))
            lines.append(line);
    }
    return lines;
}

QString xmlAttribute(const QByteArray& xml, const char* query, const char* attribute)
{
    pugi::xml_document doc;
    doc.load_buffer(xml.constData(), size_t(xml.size()));
    const pugi::xml_attribute value = doc.select_node(query).node().attribute(attribute);
    return value ? QString::fromUtf8(value.value()) : QStringLiteral("<absent>");
}

QString statusAttribute(const QByteArray& statusXml, const char* element, const char* key,
                        const char* keyValue, const char* attribute)
{
    pugi::xml_document doc;
    doc.load_buffer(statusXml.constData(), size_t(statusXml.size()));
    const pugi::xml_node entry =
        doc.document_element().find_child_by_attribute(element, key, keyValue);
    const pugi::xml_attribute value = entry.attribute(attribute);
    return value ? QString::fromUtf8(value.value()) : QStringLiteral("<absent>");
}
