// How the operations that look up one entry per item grow with the installation: merging an
// active-alarms answer, reading the alarm configuration, and looking up the link of every
// location. Each is timed for 1,000, 5,000 and 20,000 items as the best of a few runs, with
// the ratio of the 20,000 figure to the 5,000 one: about 4 when the work grows linearly, 16
// when it grows with the square. Prints figures; asserts nothing.

#include "core/Directories.h"
#include "core/Log.h"
#include "poclient/ServerConfigReader.h"
#include "store/AlarmStatus.h"
#include "store/Documents.h"
#include "store/LinkDefs.h"
#include "store/LinkLookupTable.h"
#include "store/ZelAlarmRef.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::array<int, 3> kSizes{1000, 5000, 20000};
constexpr int kAlarmTypes = 100;
// The ZEL definitions keep one size, so that the figures show the growth in locations only.
constexpr int kZelLocations = 100;
constexpr int kZelAlarmsPerLocation = 20;

// More runs where a run is short, so that the best of them is not a lucky outlier.
int runsFor(int n)
{
    return std::max(3, 60000 / n);
}

// Milliseconds of the fastest run; prepare runs before each run and is not counted.
double bestMs(int runs, const std::function<void()>& prepare, const std::function<void()>& run)
{
    double best = 0;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const auto start = Clock::now();
        run();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        best = i == 0 ? ms : std::min(best, ms);
    }
    return best;
}

std::string key(const char* prefix, int i)
{
    return prefix + std::to_string(i);
}

std::string pcuOf(int i)
{
    return key("Pcu", i % 50);
}

std::string locationOf(int i)
{
    return key("Kas ", i);
}

std::string nrOf(int i)
{
    return std::to_string(i % 40);
}

std::string zelAlarmOf(int i)
{
    return ZelAlarmRef{1 + i % kZelLocations, 1 + (i / kZelLocations) % kZelAlarmsPerLocation}
        .text();
}

// An answer reporting n active alarms, each with its own key.
std::string activeAlarmsAnswer(int n)
{
    std::string xml = "<active-alarms>";
    for (int i = 0; i < n; ++i) {
        xml += "<alarm pcu=\"" + pcuOf(i) + "\" location=\"" + locationOf(i) + "\" nr=\"" +
               nrOf(i) + "\" text=\"Temperatuur te hoog\" start=\"20240301T095900\"/>";
    }
    return xml + "</active-alarms>";
}

// The status after the answer has been merged and every alarm in it sent.
void loadHandledStatus(XmlDocument& status, const std::string& answer)
{
    status.dom().load_string("<POAlarmStatus/>");
    MergeActiveAlarms(status, answer);
    for (pugi::xml_node entry : status.root().children("Alarm"))
        entry.attribute("Sent").set_value(entry.attribute("start").value());
}

// The steady state of every poll: the same n alarms reported again.
double mergeMs(int n)
{
    const std::string answer = activeAlarmsAnswer(n);
    XmlDocument handled;
    loadHandledStatus(handled, answer);
    XmlDocument status;
    return bestMs(
        runsFor(n), [&] { status.dom().reset(handled.dom()); },
        [&] { MergeActiveAlarms(status, answer); });
}

std::string configAnswer(int n)
{
    std::string xml = "<alarmserverconfig><alarmlocations>";
    for (int i = 0; i < n; ++i)
        xml += "<location pcu=\"" + pcuOf(i) + "\" text=\"" + locationOf(i) + "\"/>";
    xml += "</alarmlocations><alarmtypes>";
    for (int i = 0; i < kAlarmTypes; ++i)
        xml += "<alarmtype nr=\"" + std::to_string(i) + "\" text=\"" + key("Type ", i) + "\"/>";
    return xml + "</alarmtypes></alarmserverconfig>";
}

// n assigned locations, an exception at every tenth, the alarm types, and two general
// exceptions: one that decides and one that passes its group on.
std::string linkDefsText(int n)
{
    std::string xml = "<ZelPOLinkDefs><PO_Locations>";
    for (int i = 0; i < n; ++i) {
        xml += "<PO_loc pcu=\"" + pcuOf(i) + "\" text=\"" + locationOf(i) + "\" zel_alarm=\"" +
               zelAlarmOf(i) + "\" zel_group=\"\">";
        if (i % 10 == 0)
            xml += "<Except nr=\"3\" text=\"Type 3\" zel_alarm=\"" + zelAlarmOf(i + 1) +
                   "\" zel_group=\"0020 - 01\"/>";
        xml += "</PO_loc>";
    }
    xml += "</PO_Locations><PO_AlarmTypes>";
    for (int i = 0; i < kAlarmTypes; ++i)
        xml += "<PO_Alarm nr=\"" + std::to_string(i) + "\" text=\"" + key("Type ", i) + "\"/>";
    return xml + "</PO_AlarmTypes><PO_Exceptions>"
                 "<Except nr=\"38\" text=\"Type 38\" zel_alarm=\"\" zel_group=\"0021 - 01\"/>"
                 "<Except nr=\"39\" text=\"Type 39\" zel_alarm=\"9999 - 08\" zel_group=\"\"/>"
                 "</PO_Exceptions></ZelPOLinkDefs>";
}

std::string zelDefsText()
{
    std::string xml = "<ZelAlarmDefinitions>";
    for (int location = 1; location <= kZelLocations; ++location) {
        xml += "<Location Code=\"" + std::to_string(location) + "\" Name=\"Kas\">";
        for (int alarm = 1; alarm <= kZelAlarmsPerLocation; ++alarm)
            xml += "<Alarm Code=\"" + std::to_string(alarm) +
                   "\" Name=\"Alarm\" GroupDelay=\"60\" Repeat=\"" + std::to_string(alarm % 3) +
                   "\"/>";
        xml += "</Location>";
    }
    return xml + "<Location Code=\"9999\" Name=\"Systeem\"><Alarm Code=\"8\" Repeat=\"5\"/>"
                 "</Location></ZelAlarmDefinitions>";
}

// Every location announced again; nothing is added, the exception texts are refreshed and
// the document is saved, as at every configuration request.
double readServerConfigMs(int n)
{
    const std::string answer = configAnswer(n);
    XmlDocumentHandle linkDefs = std::make_unique<XmlDocument>();
    linkDefs->dom().load_string(linkDefsText(n).c_str());
    return bestMs(
        runsFor(n), [] {}, [&] { ReadServerConfig(linkDefs, answer); });
}

struct Query
{
    std::string pcu;
    std::string text;
    std::string nr;
};

// One look-up per location, as a walk over a status with an alarm at every location makes.
std::vector<Query> queriesFor(int n)
{
    std::vector<Query> queries;
    for (int i = 0; i < n; ++i)
        queries.push_back({pcuOf(i), locationOf(i), nrOf(i)});
    return queries;
}

template <typename Links>
int lookUpAll(const Links& links, const XmlDocument& zelDefs, const std::vector<Query>& queries)
{
    int found = 0;
    for (const Query& q : queries)
        found += LookupLink(links, zelDefs, q.pcu, q.text, q.nr).has_value();
    return found;
}

struct LookupFigures
{
    double documentMs = 0;
    double tableMs = 0;
};

LookupFigures lookupMs(int n)
{
    XmlDocument linkDefs;
    linkDefs.dom().load_string(linkDefsText(n).c_str());
    XmlDocument zelDefs;
    zelDefs.dom().load_string(zelDefsText().c_str());
    const std::vector<Query> queries = queriesFor(n);
    int found = 0;
    LookupFigures figures;
    figures.documentMs = bestMs(
        runsFor(n), [] {}, [&] { found = lookUpAll(linkDefs, zelDefs, queries); });
    int foundByTable = 0;
    figures.tableMs = bestMs(
        runsFor(n), [] {},
        [&] { foundByTable = lookUpAll(LinkLookupTable(linkDefs), zelDefs, queries); });
    if (found != foundByTable || found == 0)
        std::fprintf(stderr, "n = %d: the two look-ups disagree (%d, %d found)\n", n, found,
                     foundByTable);
    return figures;
}

void printRow(const char* operation, const std::array<double, 3>& ms)
{
    std::printf("%-50s %10.2f %10.2f %10.2f %8.1f\n", operation, ms[0], ms[1], ms[2],
                ms[2] / ms[1]);
}

void printFigures()
{
    std::array<double, 3> merge{};
    std::array<double, 3> config{};
    std::array<double, 3> lookupDocument{};
    std::array<double, 3> lookupTable{};
    for (std::size_t i = 0; i < kSizes.size(); ++i) {
        merge[i] = mergeMs(kSizes[i]);
        config[i] = readServerConfigMs(kSizes[i]);
        const LookupFigures lookups = lookupMs(kSizes[i]);
        lookupDocument[i] = lookups.documentMs;
        lookupTable[i] = lookups.tableMs;
    }
    std::printf("%-50s %10s %10s %10s %8s\n", "operation, ms (n =)", "1,000", "5,000", "20,000",
                "20k/5k");
    printRow("MergeActiveAlarms: n alarms into n entries", merge);
    printRow("ReadServerConfig: n locations, all known (+ save)", config);
    printRow("n x LookupLink, n locations: document search", lookupDocument);
    printRow("n x LookupLink, n locations: table (incl. build)", lookupTable);
}

// The documents are saved into a temporary data directory, never the user's.
bool useTemporaryDataDirectory(const QTemporaryDir& dir)
{
    if (!dir.isValid() || !QDir(dir.path()).mkpath(QStringLiteral("zel/data")))
        return false;
    QFile ini(dir.filePath(QStringLiteral("PO.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write("[Application]\ndatapath=" + dir.filePath(QStringLiteral("zel/data")).toUtf8() +
              "\n");
    ini.close();
    resetDirectories(dir.path());
    Log::instance().setFileName(dir.filePath(QStringLiteral("zel/data/ZELPO.LOG")));
    return true;
}

} // namespace

int main()
{
    const QTemporaryDir dir;
    if (!useTemporaryDataDirectory(dir)) {
        std::fprintf(stderr, "no temporary data directory\n");
        return 1;
    }
#ifdef NDEBUG
    std::printf("optimised build\n");
#else
    std::printf("debug build (no optimisation): the figures are upper bounds\n");
#endif
    std::printf("best of %d, %d and %d runs; 20k/5k: the 20,000 figure over the 5,000 one "
                "(goal: at most 5)\n",
                runsFor(kSizes[0]), runsFor(kSizes[1]), runsFor(kSizes[2]));
    std::printf("alarm types: %d; ZEL definitions: %d locations of %d alarms\n\n", kAlarmTypes,
                kZelLocations, kZelAlarmsPerLocation);
    printFigures();
    std::printf("\nMergeActiveAlarms: 10,000 alarms into 10,000 entries: %.2f ms "
                "(goal: under 20 ms)\n",
                mergeMs(10000));
    return 0;
}
