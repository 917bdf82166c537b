// What an import of a full ZEL catalogue costs the window: 9,999 locations of 99 alarms with
// names of 40 characters (about 66 MB) are imported through the tree's import button into an
// empty catalogue while a 10 ms timer measures the longest pause of the event loop, the one
// the engine's steps and the watchdog share. Prints the whole time from the click until the
// import has finished (tree filled, catalogue saved), the longest pause, the peak resident
// memory of the process and the file's size; asserts nothing. A first argument sets another
// number of locations. Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "core/Directories.h"
#include "core/Language.h"
#include "core/Log.h"
#include "store/DocumentOwner.h"
#include "store/Documents.h"
#include "ui/pages/ZelTreePane.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

using namespace Qt::StringLiterals;

namespace {

constexpr int kFullLocations = 9999;
constexpr int kAlarmsPerLocation = 99;
constexpr int kTickMs = 10;

// Peak resident memory of the process so far in MB; -1 where it cannot be told.
double peakRssMb()
{
#ifdef Q_OS_LINUX
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
#else
    return -1;
#endif
}

// Heap in use in MB; -1 where the C library cannot tell.
double heapInUseMb()
{
#ifdef __GLIBC__
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
#else
    return -1;
#endif
}

// A name of 40 characters, as the ZEL system writes the longest.
QByteArray nameOf(const char* kind, int location, int alarm)
{
    QByteArray name = QByteArray(kind) + ' ' + QByteArray::number(location) + '/' +
                      QByteArray::number(alarm) + " Kas Noord Temperatuur te hoog";
    name.resize(40, '.');
    return name;
}

bool writeExchangeFile(const QString& path, int locations)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<ZelDefinitions>\n");
    for (int l = 1; l <= locations; ++l) {
        QByteArray block = "\t<Location Code=\"" + QByteArray::number(l) + "\" Name=\"" +
                           nameOf("Locatie", l, 0) + "\">\n";
        for (int a = 1; a <= kAlarmsPerLocation; ++a)
            block += "\t\t<Alarm Code=\"" + QByteArray::number(a) + "\" Name=\"" +
                     nameOf("Alarm", l, a) + "\"/>\n";
        block += "\t</Location>\n";
        if (file.write(block) != block.size())
            return false;
    }
    file.write("</ZelDefinitions>\n");
    return file.error() == QFileDevice::NoError;
}

bool writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

int countItems(const QTreeWidgetItem* item)
{
    int count = 1;
    for (int i = 0; i < item->childCount(); ++i)
        count += countItems(item->child(i));
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int locations =
        argc > 1 ? std::clamp(std::atoi(argv[1]), 1, kFullLocations) : kFullLocations;

    QTemporaryDir dir;
    QDir root(dir.path());
    if (!root.mkpath(u"bin"_s) || !root.mkpath(u"data"_s) || !root.mkpath(u"PoData"_s) ||
        !writeText(root.filePath(u"bin/PO.ini"_s),
                   "[Application]\ndatapath=" + root.filePath(u"data"_s).toUtf8() + "\n") ||
        !writeText(root.filePath(u"PoData/ZelDefs.xml"_s),
                   "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<ZelAlarmDefinitions/>\n")) {
        std::fprintf(stderr, "cannot prepare %s\n", qPrintable(dir.path()));
        return 1;
    }
    resetDirectories(root.filePath(u"bin"_s));
    Log::instance().setFileName(root.filePath(u"data/ZELPO.LOG"_s));
    FillLanguageTable(u"ENG"_s);

    const QString path = root.filePath(u"import.xml"_s);
    if (!writeExchangeFile(path, locations)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }

    DocumentOwner zelDefs("ZelDefs.xml", kZelDefsRoot);
    if (!zelDefs.open().ok())
        return 1;
    ZelTreePane pane;
    pane.setZelDefs(&zelDefs);
    QStringList messages;
    pane.interaction().ask = [](QMessageBox::Icon, const QString&) { return true; };
    pane.interaction().chooseFile = [&path](const FileChoice&) { return path; };
    pane.interaction().showMessage = [&messages](const QString& text) { messages << text; };
    pane.resize(400, 700);
    pane.FillZelTree();
    pane.show();
    QCoreApplication::processEvents();
    const double rssBefore = peakRssMb();

    // The longest time between two passes of the event loop while the import runs, the
    // pauses over 100 ms with the time they ended, and when the worker was done (the tree is
    // filled after that).
    QElapsedTimer total;
    QElapsedTimer sinceTick;
    qint64 maxGap = 0;
    qint64 workerDoneAt = -1;
    QStringList longPauses;
    QTimer ticker;
    ticker.setInterval(kTickMs);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 gap = sinceTick.restart();
        maxGap = std::max(maxGap, gap);
        if (gap > 100)
            longPauses << QString::number(gap) + u" ms at "_s + QString::number(total.elapsed());
        if (workerDoneAt < 0 && !pane.findChild<QThread*>(u"ZelImport"_s))
            workerDoneAt = total.elapsed();
    });

    QEventLoop loop;
    QObject::connect(&pane, &ZelTreePane::importFinished, &loop, &QEventLoop::quit);
    total.start();
    sinceTick.start();
    ticker.start();
    QTimer::singleShot(0, &pane, &ZelTreePane::tbImportClick);
    loop.exec();
    const qint64 totalMs = total.elapsed();
    maxGap = std::max(maxGap, sinceTick.elapsed());
    ticker.stop();
    const double rssPeak = peakRssMb();

    const qint64 fileBytes = QFileInfo(path).size();
    std::printf("exchange file            %10.1f MB (%d locations of %d alarms)\n",
                double(fileBytes) / (1024.0 * 1024.0), locations, kAlarmsPerLocation);
    std::printf("import, click to done    %10lld ms\n", static_cast<long long>(totalMs));
    std::printf("worker done after about  %10lld ms\n", static_cast<long long>(workerDoneAt));
    std::printf("longest event-loop pause %10lld ms\n", static_cast<long long>(maxGap));
    std::printf("pauses over 100 ms       %10lld   %s\n", static_cast<long long>(longPauses.size()),
                qPrintable(longPauses.join(u", "_s)));
    std::printf("peak RSS before import   %10.1f MB\n", rssBefore);
    std::printf("peak RSS after import    %10.1f MB (%.1f times the file)\n", rssPeak,
                rssPeak * 1024.0 * 1024.0 / double(fileBytes));
    std::printf("tree items               %10d\n", countItems(pane.tvZelLoc().topLevelItem(0)));
    // What the catalogue and the tree hold once the import is over.
    const double heapAfter = heapInUseMb();
    pane.tvZelLoc().clear();
    const double heapWithoutTree = heapInUseMb();
    std::printf("heap after import        %10.1f MB (tree %.1f MB, rest %.1f MB)\n", heapAfter,
                heapAfter - heapWithoutTree, heapWithoutTree);
    for (const QString& message : messages)
        std::printf("message: %s\n", qPrintable(message));
    return messages.isEmpty() ? 0 : 1;
}
