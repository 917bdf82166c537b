// The real program between the two simulators on loopback, once on event-driven stepping and
// once on fixed ticks: idle cost, a burst of new alarms, the polls that follow with every
// alarm of the burst still active, the loopback floor. Prints figures; asserts nothing.
//
//   bench_events [--idle-seconds N] [--burst N] [--poll-seconds N] [--events-only]
//                [--office-address 127.0.0.3]
//
// --events-only skips the fixed ticks, whose burst of 10,000 takes many minutes.
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

// The program always asks port 8080 of its office server; a second loopback address keeps
// the bench clear of anything else listening there.
// --office-address chooses another, for two runs at once.
QString kPoAddress = QStringLiteral("127.0.0.3");

struct ProcStats
{
    double cpuSeconds = 0;
    qint64 switches = 0; // context switches of all threads: the process's wake-ups
    qint64 residentKb = 0;
};

QByteArray readProcFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 statusField(const QByteArray& status, const QByteArray& name)
{
    for (const QByteArray& line : status.split('\n')) {
        if (line.startsWith(QByteArray(name + ':')))
            return line.mid(name.size() + 1).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

ProcStats procStats(qint64 pid)
{
    ProcStats stats;
    const QByteArray stat = readProcFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 13)
        stats.cpuSeconds =
            double(fields.at(11).toLongLong() + fields.at(12).toLongLong()) / sysconf(_SC_CLK_TCK);
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QByteArray status = readProcFile(tasks.filePath(task) + QStringLiteral("/status"));
        stats.switches += statusField(status, "voluntary_ctxt_switches") +
                          statusField(status, "nonvoluntary_ctxt_switches");
    }
    stats.residentKb =
        statusField(readProcFile(QStringLiteral("/proc/%1/status").arg(pid)), "VmRSS");
    return stats;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray linkDefs(int count)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<ZelPOLinkDefs>\n"
                     "\t<PO_Locations>\n";
    for (int i = 0; i < count; ++i)
        xml += "\t\t<PO_loc pcu=\"Pcu1\" text=\"Kas " + QByteArray::number(i) +
               "\" zel_alarm=\"0012 - 03\" zel_group=\"\" />\n";
    return xml + "\t</PO_Locations>\n</ZelPOLinkDefs>\n";
}

QByteArray activeAlarms(int count)
{
    QByteArray xml = "<active-alarms>\n";
    for (int i = 0; i < count; ++i)
        xml += "\t<alarm pcu=\"Pcu1\" location=\"Kas " + QByteArray::number(i) +
               "\" nr=\"1\" text=\"Temp. te hoog\" start=\"20261209T080000\"/>\n";
    return xml + "</active-alarms>\n";
}

const QByteArray kZelDefs = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                            "<ZelAlarmDefinitions>\n\t<Location Code=\"12\" Name=\"Kas\">\n"
                            "\t\t<Alarm Code=\"3\" Name=\"Kas\" GroupDelay=\"0\" Repeat=\"0\" />\n"
                            "\t</Location>\n</ZelAlarmDefinitions>\n";

// A child process whose stdout lines are collected with the time each was read.
class Child
{
public:
    ~Child()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    bool start(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
    {
        m_process.setProcessEnvironment(env);
        m_process.start(program, arguments);
        return m_process.waitForStarted(10000);
    }
    // Reads what arrived within ms; true when the process still runs.
    bool pump(int ms)
    {
        m_process.waitForReadyRead(ms);
        m_pending += m_process.readAllStandardOutput();
        for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
            m_lines.append(QString::fromUtf8(m_pending.left(end)));
            m_pending.remove(0, end + 1);
        }
        return m_process.state() == QProcess::Running;
    }
    const QStringList& lines() const { return m_lines; }
    qint64 pid() const { return m_process.processId(); }

private:
    QProcess m_process;
    QByteArray m_pending;
    QStringList m_lines;
};

// The time stamp the simulators put before each line.
std::optional<QDateTime> stampOf(const QString& line)
{
    // The ZelMeld simulator writes a blank between date and time, the office one a "T".
    QString text = line.left(23);
    if (text.size() == 23 && text.at(10) == u'T')
        text[10] = u' ';
    const QDateTime stamp = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    return stamp.isValid() ? std::optional(stamp) : std::nullopt;
}

quint16 listeningPort(Child& tool)
{
    static const QRegularExpression listening(QStringLiteral("listening on [0-9.]+:(\\d+)"));
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000) {
        for (const QString& line : tool.lines()) {
            const QRegularExpressionMatch match = listening.match(line);
            if (match.hasMatch())
                return quint16(match.captured(1).toUInt());
        }
        if (!tool.pump(100))
            return 0;
    }
    return 0;
}

qsizetype countContaining(const QStringList& lines, const QString& text)
{
    qsizetype count = 0;
    for (const QString& line : lines)
        count += line.contains(text) ? 1 : 0;
    return count;
}

struct ModeFigures
{
    double idleCpuPercent = 0;
    double idleWakeupsPerSecond = 0;
    double burstSeconds = -1;
    double msPerMessage = 0;
    double gapP50Ms = -1; // between two alarm lines arriving at ZelMeld during the burst
    double gapP99Ms = -1;
    double gapMaxMs = -1;
    double gapsOver10MsShare = -1; // share of the burst spent in gaps longer than 10 ms
    double firstTenthMs = -1;      // per message over the first and the last tenth of the burst
    double lastTenthMs = -1;
    qint64 residentKb = 0;
    double pollToSavedMedianMs = -1; // office request to AlarmStatus.xml written
    double pollToSavedMaxMs = -1;
    double pollGapSeconds = -1; // mean time between two office requests
    int polls = 0;
    qint64 residentAfterPollsKb = 0;
};

// Modification time in ms since the epoch, with the file system's sub-millisecond part.
double modifiedMs(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return double(info.st_mtim.tv_sec) * 1000.0 + double(info.st_mtim.tv_nsec) / 1e6;
}

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(double(values.size()) * share))];
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Where the burst's time goes: an even spread means cost per message, long gaps mean
// something that holds up the whole walk (a save, a wait).
void gapFigures(const std::vector<double>& stamps, ModeFigures& figures)
{
    if (stamps.size() < 2)
        return;
    std::vector<double> gaps;
    double longGaps = 0;
    for (size_t i = 1; i < stamps.size(); ++i) {
        gaps.push_back(stamps[i] - stamps[i - 1]);
        if (gaps.back() > 10)
            longGaps += gaps.back();
    }
    figures.gapP50Ms = percentile(gaps, 0.5);
    figures.gapP99Ms = percentile(gaps, 0.99);
    figures.gapMaxMs = *std::max_element(gaps.begin(), gaps.end());
    figures.gapsOver10MsShare = longGaps / (stamps.back() - stamps.front());
    const size_t tenth = std::max<size_t>(1, stamps.size() / 10);
    figures.firstTenthMs = (stamps[tenth] - stamps[0]) / double(tenth);
    figures.lastTenthMs = (stamps.back() - stamps[stamps.size() - 1 - tenth]) / double(tenth);
}

// With every alarm of the burst active and nothing to send, each poll fetches the whole
// answer and saves the merged status: the time from the request to the saved file, and
// the spacing of the requests.
void measurePolls(Child& po, Child& zel, const QString& statusFile, int seconds,
                  ModeFigures& figures)
{
    const qsizetype requestsBefore = po.lines().size();
    // A request made just before this point may still be on its way through the simulator's
    // pipe; its save came before the first look at the file, so it is left out rather than
    // matched with the next poll's save.
    const double measuredFrom = double(QDateTime::currentMSecsSinceEpoch());
    std::vector<double> saves;
    double lastModified = modifiedMs(statusFile);
    QElapsedTimer polling;
    polling.start();
    while (polling.elapsed() < qint64(seconds) * 1000) {
        po.pump(1);
        zel.pump(0);
        const double modified = modifiedMs(statusFile);
        if (modified != lastModified)
            saves.push_back(lastModified = modified);
    }
    std::vector<double> requests;
    for (qsizetype i = requestsBefore; i < po.lines().size(); ++i) {
        if (!po.lines().at(i).contains(QStringLiteral("alarmserver")))
            continue;
        const std::optional<QDateTime> stamp = stampOf(po.lines().at(i));
        if (stamp && double(stamp->toMSecsSinceEpoch()) >= measuredFrom)
            requests.push_back(double(stamp->toMSecsSinceEpoch()));
    }
    std::vector<double> toSaved;
    for (const double request : requests) {
        const auto saved = std::lower_bound(saves.begin(), saves.end(), request);
        if (saved != saves.end())
            toSaved.push_back(*saved - request);
    }
    figures.polls = int(requests.size());
    figures.pollToSavedMedianMs = median(toSaved);
    if (!toSaved.empty())
        figures.pollToSavedMaxMs = *std::max_element(toSaved.begin(), toSaved.end());
    if (requests.size() > 1)
        figures.pollGapSeconds =
            (requests.back() - requests.front()) / 1000.0 / double(requests.size() - 1);
}

// One whole run of the program in one mode.
std::optional<ModeFigures> runMode(bool fixedTicks, int idleSeconds, int burst, int pollSeconds,
                                   const QString& binDir, double* floorMs)
{
    QTemporaryDir rootDir;
    QDir root(rootDir.path());
    for (const char* dir : {"bin", "zel/data", "zel/PoData", "po", "runtime"})
        root.mkpath(QLatin1String(dir));
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeFile(root.filePath(QStringLiteral("zel/PoData/LinkDefs.xml")), linkDefs(burst));
    writeFile(root.filePath(QStringLiteral("zel/PoData/ZelDefs.xml")), kZelDefs);
    const QString alarmsFile = root.filePath(QStringLiteral("po/alarmserver.xml"));
    writeFile(alarmsFile, "<active-alarms/>");

    Child po;
    po.start(binDir + QStringLiteral("/po-sim"),
             {QStringLiteral("--dir"), root.filePath(QStringLiteral("po")),
              QStringLiteral("--address"), kPoAddress, QStringLiteral("--port"),
              QStringLiteral("8080")});
    if (listeningPort(po) != 8080) {
        QTextStream(stderr) << "port 8080 on " << kPoAddress << " is not free\n";
        return std::nullopt;
    }
    Child zel;
    zel.start(binDir + QStringLiteral("/zelmeld-sim"),
              {QStringLiteral("--port"), QStringLiteral("0")});
    const quint16 zelPort = listeningPort(zel);

    QFile::copy(binDir + QStringLiteral("/zelpo"), root.filePath(QStringLiteral("bin/zelpo")));
    writeFile(root.filePath(QStringLiteral("bin/PO.ini")),
              "[Application]\ndatapath=" + root.filePath(QStringLiteral("zel/data")).toUtf8() +
                  "\n");
    writeFile(root.filePath(QStringLiteral("zel/data/ZelLocal.INI")),
              "[IP]\naddress=127.0.0.1\nOIPort=" + QByteArray::number(zelPort) +
                  "\n[PO]\naddress=" + kPoAddress.toUtf8() + "\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("xdg")));
    env.insert(QStringLiteral("ZELPO_FIXED_TICKS"),
               fixedTicks ? QStringLiteral("1") : QStringLiteral("0"));
    Child program;
    program.start(root.filePath(QStringLiteral("bin/zelpo")), {}, env);

    // Settled: the first poll has been answered and the first watchdog sent.
    QElapsedTimer waited;
    waited.start();
    while (countContaining(zel.lines(), QStringLiteral("[ZEL WD")) < 1 ||
           countContaining(po.lines(), QStringLiteral("/office/alarm/alarmserver ")) +
                   countContaining(po.lines(), QStringLiteral("/office/alarm/alarmserver\"")) <
               1) {
        po.pump(50);
        zel.pump(50);
        if (waited.elapsed() > 30000)
            break;
    }
    QThread::sleep(1);

    ModeFigures figures;
    const ProcStats before = procStats(program.pid());
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < qint64(idleSeconds) * 1000) {
        po.pump(200);
        zel.pump(0);
    }
    const ProcStats after = procStats(program.pid());
    const double idleElapsed = double(idle.elapsed()) / 1000.0;
    figures.idleCpuPercent = 100.0 * (after.cpuSeconds - before.cpuSeconds) / idleElapsed;
    figures.idleWakeupsPerSecond = double(after.switches - before.switches) / idleElapsed;

    // The burst: the next answer holds every alarm.
    const qsizetype requestsBefore = po.lines().size();
    const QString alarmLine = QStringLiteral("<- [ZEL RCVALARM 02,0012,03,T");
    const qsizetype alarmsBefore = countContaining(zel.lines(), alarmLine);
    writeFile(alarmsFile, activeAlarms(burst));
    waited.restart();
    while (countContaining(zel.lines(), alarmLine) - alarmsBefore < burst &&
           waited.elapsed() < 1800 * 1000) {
        po.pump(20);
        zel.pump(20);
    }
    std::optional<QDateTime> answered;
    for (qsizetype i = requestsBefore; i < po.lines().size() && !answered; ++i) {
        if (po.lines().at(i).contains(QStringLiteral("alarmserver")))
            answered = stampOf(po.lines().at(i));
    }
    // The simulator stamps each received line as it answers it.
    std::optional<QDateTime> lastOk;
    std::vector<double> stamps;
    qsizetype seen = 0;
    for (const QString& line : zel.lines()) {
        if (!line.contains(alarmLine) || ++seen <= alarmsBefore)
            continue;
        const std::optional<QDateTime> stamp = stampOf(line);
        if (stamp)
            stamps.push_back(double(stamp->toMSecsSinceEpoch()));
        if (seen == alarmsBefore + burst)
            lastOk = stamp;
    }
    gapFigures(stamps, figures);
    if (answered && lastOk && countContaining(zel.lines(), alarmLine) - alarmsBefore >= burst) {
        figures.burstSeconds = double(answered->msecsTo(*lastOk)) / 1000.0;
        figures.msPerMessage = figures.burstSeconds * 1000.0 / burst;
    }
    figures.residentKb = procStats(program.pid()).residentKb;
    measurePolls(po, zel, root.filePath(QStringLiteral("zel/PoData/AlarmStatus.xml")), pollSeconds,
                 figures);
    figures.residentAfterPollsKb = procStats(program.pid()).residentKb;

    if (floorMs) {
        // The floor: a line and its "OK" over loopback, one at a time, to the same simulator.
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), zelPort);
        if (socket.waitForConnected(5000)) {
            const int rounds = 1000;
            QElapsedTimer floor;
            floor.start();
            int done = 0;
            for (; done < rounds; ++done) {
                zel.pump(0); // the simulator must never block on a full pipe
                socket.write("[ZEL WD 09 1]\r");
                QByteArray reply;
                while (!reply.contains('\r') && socket.waitForReadyRead(2000))
                    reply += socket.readAll();
                if (!reply.contains('\r'))
                    break;
            }
            *floorMs = done > 0 ? double(floor.nsecsElapsed()) / 1e6 / done : -1;
        }
    }
    return figures;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&args](const QString& name, int fallback) {
        const qsizetype at = args.indexOf(name);
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
    };
    const int idleSeconds = option(QStringLiteral("--idle-seconds"), 60);
    const int burst = option(QStringLiteral("--burst"), 1000);
    const int pollSeconds = option(QStringLiteral("--poll-seconds"), 60);
    const bool eventsOnly = args.contains(QStringLiteral("--events-only"));
    if (const qsizetype at = args.indexOf(QStringLiteral("--office-address"));
        at >= 0 && at + 1 < args.size())
        kPoAddress = args.at(at + 1);
    const QString binDir = QCoreApplication::applicationDirPath();

    double floorMs = -1;
    const std::optional<ModeFigures> events =
        runMode(false, idleSeconds, burst, pollSeconds, binDir, &floorMs);
    const std::optional<ModeFigures> fixed =
        eventsOnly ? std::optional(ModeFigures{})
                   : runMode(true, idleSeconds, burst, pollSeconds, binDir, nullptr);
    if (!events || !fixed)
        return 1;

    QTextStream out(stdout);
    out << "idle " << idleSeconds << " s, burst of " << burst
        << " new linked alarms in one answer, then " << pollSeconds
        << " s of polls with all of them active" << (eventsOnly ? " (events only)" : "") << "\n";
    if (eventsOnly)
        out << QStringLiteral("%1 %2\n")
                   .arg(QStringLiteral("figure"), -40)
                   .arg(QStringLiteral("events"), 12);
    else
        out << QStringLiteral("%1 %2 %3 %4\n")
                   .arg(QStringLiteral("figure"), -40)
                   .arg(QStringLiteral("events"), 12)
                   .arg(QStringLiteral("fixed ticks"), 12)
                   .arg(QStringLiteral("ratio"), 10);
    auto row = [&out, eventsOnly](const QString& name, double e, double f, int precision) {
        if (eventsOnly) {
            out << QStringLiteral("%1 %2\n").arg(name, -40).arg(e, 12, 'f', precision);
            return;
        }
        out << QStringLiteral("%1 %2 %3 %4\n")
                   .arg(name, -40)
                   .arg(e, 12, 'f', precision)
                   .arg(f, 12, 'f', precision)
                   .arg(e > 0   ? QString::number(f / e, 'f', 1) + u'x'
                        : f > 0 ? QStringLiteral("inf")
                                : QStringLiteral("-"),
                        10);
    };
    row(QStringLiteral("P1 idle CPU (% of a core)"), events->idleCpuPercent, fixed->idleCpuPercent,
        3);
    row(QStringLiteral("P1 idle wake-ups per second"), events->idleWakeupsPerSecond,
        fixed->idleWakeupsPerSecond, 1);
    row(QStringLiteral("P2 burst: answer to last OK (s)"), events->burstSeconds,
        fixed->burstSeconds, 3);
    row(QStringLiteral("P2 per message (ms)"), events->msPerMessage, fixed->msPerMessage, 3);
    row(QStringLiteral("P2 gap between lines, p50 (ms)"), events->gapP50Ms, fixed->gapP50Ms, 3);
    row(QStringLiteral("P2 gap between lines, p99 (ms)"), events->gapP99Ms, fixed->gapP99Ms, 3);
    row(QStringLiteral("P2 gap between lines, max (ms)"), events->gapMaxMs, fixed->gapMaxMs, 1);
    row(QStringLiteral("P2 share of time in gaps > 10 ms"), events->gapsOver10MsShare,
        fixed->gapsOver10MsShare, 2);
    row(QStringLiteral("P2 per message, first tenth (ms)"), events->firstTenthMs,
        fixed->firstTenthMs, 3);
    row(QStringLiteral("P2 per message, last tenth (ms)"), events->lastTenthMs, fixed->lastTenthMs,
        3);
    row(QStringLiteral("resident after the burst (MB)"), events->residentKb / 1024.0,
        fixed->residentKb / 1024.0, 1);
    row(QStringLiteral("P3 poll: request to saved, median (ms)"), events->pollToSavedMedianMs,
        fixed->pollToSavedMedianMs, 1);
    row(QStringLiteral("P3 poll: request to saved, max (ms)"), events->pollToSavedMaxMs,
        fixed->pollToSavedMaxMs, 1);
    row(QStringLiteral("P3 time between polls (s)"), events->pollGapSeconds, fixed->pollGapSeconds,
        2);
    row(QStringLiteral("polls measured"), events->polls, fixed->polls, 0);
    row(QStringLiteral("P4 resident after the polls (MB)"), events->residentAfterPollsKb / 1024.0,
        fixed->residentAfterPollsKb / 1024.0, 1);
    out << "(CPU is counted in clock ticks of 10 ms: 0.000 means less than one tick in the idle "
           "time)\n";
    out << "loopback floor: line + OK round trip " << QString::number(floorMs, 'f', 3)
        << " ms (one at a time, same simulator)\n";
    return 0;
}
