#pragma once

#include "core/Clock.h"
#include "core/Settings.h"
#include "forwarding/Engine.h"
#include "forwarding/MainStates.h"

#include "PoServerSim.h"
#include "ZelMeldServer.h"

#include <QTemporaryDir>

#include <memory>

class MainMachine;

// A whole gateway on loopback: the engine between an in-process office server
// simulator and an in-process ZelMeld simulator, with its data in a temporary
// folder and time on a manual clock, so minutes of schedule pass at once.
class EngineHarness
{
public:
    explicit EngineHarness(const QString& replyRule = QStringLiteral("ok"));
    ~EngineHarness();

    void writeLinkDefs(const QByteArray& xml);
    void writeZelDefs(const QByteArray& xml);
    void writeAlarmStatus(const QByteArray& xml);
    void setAlarms(const QByteArray& xml);
    void setConfiguration(const QByteArray& xml);

    // Opens the documents and runs the machines until they idle.
    // Makes the engine with its documents open, not yet running.
    void create();
    // Starts the engine (made first unless create() made it) and waits for its wait state.
    bool start();
    // Closes the engine in order and starts a new one on the files it left, as a restart of
    // the program would; the simulators and the clock go on.
    bool restart();
    Engine& engine() { return *m_engine; }
    MainMachine& main();

    void advanceSeconds(double seconds) { clock.advanceSeconds(seconds); }
    // From now on the engine runs on the system clock (the manual clock stays unused).
    void useSystemClock() { m_installedClock.reset(); }
    // Lets the poll that is due run to its end.
    bool runPoll();
    // Waits until the main state machine is in the given state.
    bool waitForState(int state);
    bool waitForState(MainState state) { return waitForState(static_cast<int>(state)); }
    // Lets the main state machine take this many steps at the time the clock shows (driven by
    // events: steps until it waits again).
    bool runMainSteps(int steps);
    // Waits until ZelMeld has received at least count lines.
    bool waitForLines(qsizetype count);
    // Waits until every message the engine queued so far has reached ZelMeld.
    bool waitForDelivery();
    // Waits until no office request is running any more, given-up ones included.
    bool waitForIdleWorkers();
    // Lines ZelMeld received that start with the given text.
    QStringList linesStartingWith(const QString& head) const;
    QStringList alarmLines() const { return linesStartingWith(QStringLiteral("[ZEL RCVALARM")); }

    QString poDataPath(const char* name) const;
    QByteArray readPoData(const char* name) const;
    QByteArray logText() const;
    // Log lines whose message is exactly this text.
    qsizetype logCount(const QByteArray& message) const;

    QTemporaryDir root;
    ManualClock clock;
    Settings settings;
    PoServerSim po;
    ZelMeldServer zel;

private:
    std::unique_ptr<ScopedClock> m_installedClock;
    std::unique_ptr<Engine> m_engine;
};

// The attribute of the first element the XPath query selects; "<absent>" when
// there is none.
QString xmlAttribute(const QByteArray& xml, const char* query, const char* attribute);

// An AlarmStatus.xml attribute of the first entry named element whose attribute
// key has the value keyValue; "<absent>" when there is none.
QString statusAttribute(const QByteArray& statusXml, const char* element, const char* key,
                        const char* keyValue, const char* attribute);
