// po-sim: the office alarm server for tests and commissioning.

#include "PoServerSim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace {

// Line by line, flushed: a test or a script reads the first line while the server runs on.
void printLine(FILE* stream, const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stream);
    std::fflush(stream);
}

const QStringList& faultOptionNames()
{
    static const QStringList names{QStringLiteral("status"),    QStringLiteral("delay"),
                                   QStringLiteral("redirect"),  QStringLiteral("empty"),
                                   QStringLiteral("malformed"), QStringLiteral("drop")};
    return names;
}

void addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Office alarm server simulator. Answers HTTP GET on\n"
        "  /office/alarm/alarmserverconfig  with the file alarmserverconfig.xml\n"
        "  /office/alarm/alarmserver        with the file alarmserver.xml\n"
        "from the answer folder, read afresh at every request: edit alarmserver.xml to raise\n"
        "or clear alarms. Other paths answer 404, other methods 405; every answer carries\n"
        "Content-Length and Connection: close. The first line on stdout is\n"
        "\"listening on ADDRESS:PORT\"; then one line per request with a time stamp.\n\n"
        "Fault options may be repeated. ENDPOINT is config, alarms or all; in\n"
        "[ENDPOINT:]VALUE it defaults to all. When several faults apply, drop wins over\n"
        "redirect, redirect over status, status over empty, empty over malformed; a delay\n"
        "applies to any of them."));
    parser.addHelpOption();
    parser.addOptions({
        {{QStringLiteral("d"), QStringLiteral("dir")},
         QStringLiteral("Folder with the answer files (default: the current folder)."),
         QStringLiteral("folder")},
        {{QStringLiteral("a"), QStringLiteral("address")},
         QStringLiteral("Address to listen on (default 127.0.0.1; 0.0.0.0 for all)."),
         QStringLiteral("address"),
         QStringLiteral("127.0.0.1")},
        {{QStringLiteral("p"), QStringLiteral("port")},
         QStringLiteral("Port to listen on (default 8080; 0 picks a free port)."),
         QStringLiteral("port"),
         QStringLiteral("8080")},
        {QStringLiteral("status"),
         QStringLiteral("Answer with this HTTP status; a non-2xx status sends its reason "
                        "phrase instead of the file."),
         QStringLiteral("[ENDPOINT:]CODE")},
        {QStringLiteral("delay"), QStringLiteral("Wait this many milliseconds before answering."),
         QStringLiteral("[ENDPOINT:]MS")},
        {QStringLiteral("redirect"), QStringLiteral("Answer 302 Found with this Location."),
         QStringLiteral("[ENDPOINT:]URL")},
        {QStringLiteral("empty"), QStringLiteral("Answer 200 with an empty body."),
         QStringLiteral("ENDPOINT")},
        {QStringLiteral("malformed"),
         QStringLiteral("Send the file cut off halfway, so it is not well-formed XML."),
         QStringLiteral("ENDPOINT")},
        {QStringLiteral("drop"),
         QStringLiteral("Read the request, then close the connection without an answer."),
         QStringLiteral("ENDPOINT")},
    });
}

bool readFaults(const QCommandLineParser& parser, PoFaults& faults)
{
    for (const QString& name : faultOptionNames()) {
        for (const QString& value : parser.values(name)) {
            QString error;
            if (!applyFaultOption(faults, name, value, &error)) {
                printLine(stderr, error);
                return false;
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("po-sim"));
    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);

    PoFaults faults;
    if (!readFaults(parser, faults))
        return 2;
    bool portOk = false;
    const uint port = parser.value(QStringLiteral("port")).toUInt(&portOk);
    const QHostAddress address(parser.value(QStringLiteral("address")));
    if (!portOk || port > 65535 || address.isNull()) {
        printLine(stderr, QStringLiteral("bad --address or --port"));
        return 2;
    }

    const QString folder = parser.isSet(QStringLiteral("dir")) ? parser.value(QStringLiteral("dir"))
                                                               : QDir::currentPath();
    PoServerSim server(folder);
    server.setFaults(faults);
    QObject::connect(&server, &PoServerSim::requestLogged, &server,
                     [](const QString& line) { printLine(stdout, line); });
    if (!server.listen(address, quint16(port))) {
        printLine(stderr, u"cannot listen: " + server.errorString());
        return 1;
    }
    printLine(stdout, u"listening on " + server.authority());
    printLine(stdout, u"answer files in " + QDir(folder).absolutePath());
    return app.exec();
}
