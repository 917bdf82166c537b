// What a diagnostic list costs after long traffic. 100,000 lines go into the bounded list
// model alone and into the list widget on screen; for comparison, an unbounded QListWidget
// that selects every new item gets 2,000 (its time grows with the square of its lines, so
// 100,000 would take days). On screen the lines come first in one burst, then
// a further 1,000 one per pass of the event loop (each pass also paints), as the log delivers
// them once the list is full. Prints times and the heap still in use; asserts nothing. Runs on
// the offscreen platform unless QT_QPA_PLATFORM says otherwise; a first argument sets another
// number of lines.

#include "ui/logic/DiagnosticListModel.h"
#include "ui/pages/DiagnosticList.h"

#include <QApplication>
#include <QListWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPerPass = 1000;
constexpr int kUnboundedLines = 2000;

QString lineText(int n)
{
    return QStringLiteral("14:03:12 Send: [ZEL RCVALARM 02,0012,03,T,,Kas 12 Noord Temperatuur "
                          "te hoog %1]")
        .arg(n);
}

// Bytes of heap in use; -1 where the C library cannot tell.
long long heapInUse()
{
#ifdef __GLIBC__
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
#else
    return -1;
#endif
}

// Times a run that appends lines and returns how many the list keeps.
void burst(const char* what, const std::function<int()>& run)
{
    const long long heapBefore = heapInUse();
    const auto start = Clock::now();
    const int kept = run();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const long long heapAfter = heapInUse();
    std::printf("%-44s %10.1f ms  %7d lines kept", what, ms, kept);
    if (heapBefore >= 0)
        std::printf("  %7.2f MB heap", double(heapAfter - heapBefore) / (1024.0 * 1024.0));
    std::printf("\n");
    std::fflush(stdout);
}

// Lines as the log delivers them, one per pass of the event loop.
void onePerPass(const std::function<void(int)>& append)
{
    const auto start = Clock::now();
    for (int n = 0; n < kPerPass; ++n) {
        append(n);
        QApplication::processEvents();
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("  then %d lines one per pass %19.3f ms a line\n", kPerPass, ms / kPerPass);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    std::printf("%d lines of about %lld characters\n", lines,
                static_cast<long long>(lineText(0).size()));

    {
        DiagnosticListModel model;
        burst("bounded model alone", [&] {
            for (int n = 0; n < lines; ++n)
                model.appendLine(lineText(n));
            return model.rowCount();
        });
    }
    {
        DiagnosticList list;
        list.resize(600, 400);
        list.show();
        burst("bounded list on screen", [&] {
            for (int n = 0; n < lines; ++n)
                list.appendLine(lineText(n));
            QApplication::processEvents();
            return list.count();
        });
        onePerPass([&](int n) { list.appendLine(lineText(n)); });
    }
    {
        QListWidget list;
        list.resize(600, 400);
        list.show();
        const auto append = [&](int n) {
            list.addItem(lineText(n));
            list.setCurrentRow(list.count() - 1);
        };
        burst("unbounded QListWidget on screen", [&] {
            for (int n = 0; n < std::min(lines, kUnboundedLines); ++n)
                append(n);
            QApplication::processEvents();
            return list.count();
        });
        onePerPass(append);
    }
    return 0;
}
