// The engine alone in a process of its own, for tests that kill it: no window, its data in
// the folder named by PO.ini beside the given program folder, and a clock that runs faster
// than real time so the ten-second poll comes within moments.
//
//   engine_host <program folder> <ZelMeld port> <office port> <clock speed>
#include "core/Clock.h"
#include "core/ClockChanges.h"
#include "core/Directories.h"
#include "core/Language.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "forwarding/Engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

namespace {

// Real time since the start, multiplied; every schedule of the engine reads it.
class FastClock : public ClockSource
{
public:
    explicit FastClock(int speed) : m_start(QDateTime::currentDateTimeUtc()), m_speed(speed)
    {
        m_elapsed.start();
    }
    QDateTime currentUtc() const override
    {
        return m_start.addMSecs(m_elapsed.elapsed() * m_speed);
    }

private:
    QDateTime m_start;
    QElapsedTimer m_elapsed;
    int m_speed;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fputs("usage: engine_host <program folder> <ZelMeld port> <office port> <speed>\n",
                   stderr);
        return 2;
    }
    FastClock clock(args.at(4).toInt());
    setClockSource(&clock);
    // The machines sleep real milliseconds for clock milliseconds; a faster clock says often
    // that it moved, so a sleeping machine looks whether its time has come.
    QTimer clockNotice;
    QObject::connect(&clockNotice, &QTimer::timeout, &app,
                     [] { ClockChanges::instance().notify(); });
    clockNotice.start(20);
    resetDirectories(args.at(1));
    FillLanguageTable(QStringLiteral("ENG"));
    Log::instance().setFileName(QDir(PoDataDirectory()).filePath(QStringLiteral("ZELPO.LOG")));

    Settings settings;
    settings.zelHost = QStringLiteral("127.0.0.1");
    settings.zelPort = args.at(2).toInt();
    settings.poServer = QStringLiteral("127.0.0.1");
    Engine engine(settings, args.at(3).toInt());
    engine.openDocuments();
    engine.start();
    const int result = QCoreApplication::exec();
    setClockSource(nullptr);
    return result;
}
