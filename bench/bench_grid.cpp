// The definitions grid at 10,000 rows (5,000 locations, each with one exception): building
// the rows from the link document, rebuilding the page's grid (rows, widths, filter bar), and
// applying a filter as one keystroke in the filter bar does. Prints figures; asserts nothing.
// Runs offscreen unless a platform is chosen.

#include "store/LinkDefs.h"
#include "store/XmlDocument.h"
#include "ui/logic/DefinitionRows.h"
#include "ui/logic/GridFilterExpression.h"
#include "ui/pages/DefinitionsGrid.h"
#include "ui/pages/LinkConfigPage.h"

#include <QApplication>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int kLocations = 5000;

namespace X = LinkDefsXml;

std::unique_ptr<XmlDocument> linkDefs()
{
    auto doc = std::make_unique<XmlDocument>();
    pugi::xml_node root = doc->dom().append_child("ZelPOLinkDefs");
    pugi::xml_node locations = root.append_child(X::Locations);
    for (int i = 0; i < kLocations; ++i) {
        pugi::xml_node location = locations.append_child(X::Location);
        location.append_attribute(X::Pcu) = ("Pcu" + std::to_string(i % 50)).c_str();
        location.append_attribute(X::Text) = ("Kas " + std::to_string(i)).c_str();
        // Every third location is still unassigned.
        location.append_attribute(X::ZelAlarm) = i % 3 ? "0012 - 03" : "0";
        location.append_attribute(X::ZelGroup) = "0020 - 01";
        pugi::xml_node exception = location.append_child(X::Exception);
        exception.append_attribute(X::Nr) = std::to_string(i % 40).c_str();
        exception.append_attribute(X::Text) = "Temperatuur te hoog";
        exception.append_attribute(X::ZelAlarm) = "0012 - 04";
    }
    root.append_child(X::GeneralExceptions);
    return doc;
}

const XmlDocument& sharedDocument()
{
    static const std::unique_ptr<XmlDocument> doc = linkDefs();
    return *doc;
}

void BM_BuildDefinitionRows(benchmark::State& state)
{
    for (auto _ : state) {
        std::vector<DefinitionRow> rows =
            buildDefinitionRows(sharedDocument(), QStringLiteral("General Exception"));
        benchmark::DoNotOptimize(rows.data());
    }
}

void BM_ParseAndTestRows(benchmark::State& state)
{
    const std::vector<DefinitionRow> rows =
        buildDefinitionRows(sharedDocument(), QStringLiteral("General Exception"));
    const QStringList headers{QString(),
                              QStringLiteral("PCU"),
                              QStringLiteral("Location"),
                              QStringLiteral("Alarm"),
                              QStringLiteral("ZEL Alarm"),
                              QStringLiteral("Group")};
    const QString expression = QStringLiteral(
        "[Location] LIKEOR \"kas 1\" [Location] LIKE \"kas 2\" AND [ZEL Alarm] = \"\"");
    for (auto _ : state) {
        const ParsedFilter parsed = ParseFilter(expression, headers);
        int kept = 0;
        for (const DefinitionRow& row : rows)
            kept += rowPasses(parsed.filter, [&row](int column) { return row.cell(column); });
        benchmark::DoNotOptimize(kept);
    }
}

// The page as the operator sees it, shown offscreen.
struct ShownPage
{
    ShownPage()
    {
        page.resize(1200, 800);
        page.show();
        QApplication::processEvents();
    }
    LinkConfigPage page;
};

void BM_FillDefinitionsGrid(benchmark::State& state)
{
    ShownPage shown;
    // With a filter in the bar, as a rebuild after a refresh often has.
    auto* box = shown.page.findChild<QLineEdit*>(QStringLiteral("edFilter2"));
    if (state.range(0))
        box->setText(QStringLiteral("kas 1.kas 2"));
    for (auto _ : state) {
        shown.page.FillDefinitionsGrid(sharedDocument());
        QApplication::processEvents();
    }
    state.counters["rows"] = shown.page.sgMain().rowCount();
}

void BM_FilterDefinitionsGrid(benchmark::State& state)
{
    ShownPage shown;
    shown.page.FillDefinitionsGrid(sharedDocument());
    auto* box = shown.page.findChild<QLineEdit*>(QStringLiteral("edFilter2"));
    // Two keystrokes that alternate: every row changes between shown and hidden each time.
    const QString texts[] = {QStringLiteral("kas 1"), QStringLiteral("kas 2")};
    int next = 0;
    for (auto _ : state) {
        box->setText(texts[next]);
        next = 1 - next;
        QApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_BuildDefinitionRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseAndTestRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillDefinitionsGrid)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterDefinitionsGrid)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
