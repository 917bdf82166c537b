// zelmeld-sim: a stand-in for the ZelMeld alarm server, for tests and for commissioning a
// gateway before the real server is reachable.

#include "ReplyScript.h"
#include "ZelMeldServer.h"

#include "core/ShutdownSignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QHostAddress>
#include <QTextStream>

#include <cstdio>
#include <optional>

namespace {

constexpr int kUsageError = 2;
constexpr int kListenError = 1;

struct SimOptions
{
    QHostAddress address;
    quint16 port = 0;
    ReplyScript script;
    int closeAfter = 0;
    int refuseMs = 0;
};

const QString kDescription = QStringLiteral(
    "Stands in for the ZelMeld alarm server: listens for a gateway, prints every line it\n"
    "receives with a time stamp and answers each line by the reply rule. Prints a summary of\n"
    "the lines received per kind when it ends (also on SIGTERM or Ctrl+C).\n"
    "\n"
    "Reply rules (case does not matter):\n"
    "  ok        answer OK\n"
    "  nak       answer NAK\n"
    "  silent    answer nothing\n"
    "  garbage   answer #GARBAGE#, neither accepted nor refused\n"
    "  A,B,...   use these answers in turn, then from the start again (e.g. NAK,OK)");

void addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(kDescription);
    parser.addHelpOption();
    parser.addOptions({
        {{QStringLiteral("a"), QStringLiteral("address")},
         QStringLiteral("Listen on <address> (0.0.0.0 for every interface)."),
         QStringLiteral("address"),
         QStringLiteral("127.0.0.1")},
        {{QStringLiteral("p"), QStringLiteral("port")},
         QStringLiteral("Listen on <port>; 0 takes a free port, printed at start."),
         QStringLiteral("port"),
         QStringLiteral("8132")},
        {{QStringLiteral("r"), QStringLiteral("reply")},
         QStringLiteral("Answer by <rule> (see above)."),
         QStringLiteral("rule"),
         QStringLiteral("ok")},
        {QStringLiteral("close-after"),
         QStringLiteral("Close a connection after it brought <lines> lines (0 never)."),
         QStringLiteral("lines"), QStringLiteral("0")},
        {QStringLiteral("refuse-for"),
         QStringLiteral("Refuse connections for <seconds> at start and after every close "
                        "by --close-after, as if ZelMeld were restarting."),
         QStringLiteral("seconds"), QStringLiteral("0")},
    });
}

void fail(const QString& text)
{
    QTextStream(stderr) << "zelmeld-sim: " << text << Qt::endl;
}

std::optional<SimOptions> readOptions(const QCommandLineParser& parser)
{
    bool portOk = false;
    bool linesOk = false;
    bool secondsOk = false;
    const uint port = parser.value(QStringLiteral("port")).toUInt(&portOk);
    const int closeAfter = parser.value(QStringLiteral("close-after")).toInt(&linesOk);
    const double seconds = parser.value(QStringLiteral("refuse-for")).toDouble(&secondsOk);
    const QHostAddress address(parser.value(QStringLiteral("address")));
    const std::optional<ReplyScript> script =
        ReplyScript::parse(parser.value(QStringLiteral("reply")));
    if (address.isNull())
        fail(QStringLiteral("the address must be an IP address"));
    else if (!portOk || port > 65535)
        fail(QStringLiteral("the port must be a number from 0 to 65535"));
    else if (!script)
        fail(QStringLiteral("unknown reply rule; see --help"));
    else if (!linesOk || closeAfter < 0)
        fail(QStringLiteral("--close-after needs a number of lines"));
    else if (!secondsOk || seconds < 0)
        fail(QStringLiteral("--refuse-for needs a number of seconds"));
    else
        return SimOptions{address, quint16(port), *script, closeAfter, int(seconds * 1000)};
    return std::nullopt;
}

void printStamped(const QString& text)
{
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    QTextStream(stdout) << stamp << ' ' << text << Qt::endl;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zelmeld-sim"));
    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);
    const std::optional<SimOptions> options = readOptions(parser);
    if (!options)
        return kUsageError;

    ZelMeldServer server(options->script);
    server.setCloseAfter(options->closeAfter);
    server.setRefuseAfterClose(options->refuseMs);
    QObject::connect(&server, &ZelMeldServer::report, &app, printStamped);
    if (!server.listen(options->address, options->port)) {
        fail(QStringLiteral("cannot listen on %1:%2: %3")
                 .arg(options->address.toString())
                 .arg(options->port)
                 .arg(server.errorString()));
        return kListenError;
    }
    if (options->refuseMs > 0)
        server.refuseFor(options->refuseMs);
    // The summary is printed when the event loop ends, also on SIGTERM or Ctrl+C.
    installShutdownSignals(&app, [] { QCoreApplication::quit(); });
    const int result = QCoreApplication::exec();
    QTextStream(stdout) << server.summary() << Qt::flush;
    return result;
}
