// The filter of the definitions grid. Any expression parses or is refused without failing
// unsafely, and a parsed one tests rows safely. Whatever the operator types into the boxes of
// the filter bar, each box adds its own conditions on its own column and nothing else.
#include "ui/logic/DefinitionRows.h"
#include "ui/logic/FilterBarConditions.h"
#include "ui/logic/GridFilterExpression.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

namespace C = DefinitionColumn;

const QStringList& headers()
{
    static const QStringList texts{QString(),
                                   QStringLiteral("PCU"),
                                   QStringLiteral("Location"),
                                   QStringLiteral("Alarm"),
                                   QStringLiteral("ZEL Alarm"),
                                   QStringLiteral("Group")};
    return texts;
}

// A location row, an exception row, an unassigned one and a row of the operator's own text.
std::vector<std::array<QString, C::Count>> rowsFor(const QString& text)
{
    return {
        {QString(), u"Pcu1"_s, u"Kas 3"_s, u"--"_s, u"0012 - 05"_s, u"0020 - 01"_s},
        {QString(), u"Pcu1"_s, u"Kas 3"_s, u"7: Hoog"_s, QString(), QString()},
        {QString(), u"--"_s, u"General Exception"_s, u"9: Storing"_s, u"0"_s, QString()},
        {QString(), text, text, text, text, text},
    };
}

void testRows(const TGridRowFilter& filter, const QString& text)
{
    for (const auto& row : rowsFor(text)) {
        const auto cell = [&row](int column) -> const QString& {
            if (column < 1 || column >= C::Count)
                std::abort();
            return row[column];
        };
        (void)rowPasses(filter, cell);
    }
}

void checkExpression(const QString& text)
{
    const ParsedFilter parsed = ParseFilter(text, headers());
    if (parsed.outcome != FilterParse::Parsed) {
        if (!parsed.filter.conditions.empty())
            std::abort();
        return;
    }
    if (parsed.filter.conditions.empty() ||
        parsed.filter.conditions.size() > std::size_t(MaxFilterConditions) ||
        parsed.filter.conditions.back().link != FilterLink::And)
        std::abort();
    testRows(parsed.filter, text);
}

// The conditions that the filter bar stands for, as its boxes describe them: a box looks for
// its text in its column, or, with a dot, for the text before the first dot or the text after
// it (other dots left out).
std::vector<TGridFieldFilter> expectedConditions(const FilterBarState& bar)
{
    std::vector<TGridFieldFilter> conditions;
    for (int i = 0; i < FilterBoxCount; ++i) {
        const QStringView text = trimBlanksAndControls(bar.boxes[i].text);
        if (!bar.boxes[i].ticked || text.isEmpty())
            continue;
        const qsizetype dot = text.indexOf(u'.');
        if (dot < 0) {
            conditions.push_back({FilterTest::Like, i + 1, text.toString(), FilterLink::And});
            continue;
        }
        conditions.push_back({FilterTest::Like, i + 1, text.first(dot).toString(), FilterLink::Or});
        conditions.push_back({FilterTest::Like, i + 1, text.sliced(dot + 1).toString().remove(u'.'),
                              FilterLink::And});
    }
    if (bar.hideExceptions)
        conditions.push_back(
            {FilterTest::Equal, C::Alarm, QString::fromUtf16(LocationRowAlarmMarker), {}});
    if (bar.onlyUnassigned)
        conditions.push_back({FilterTest::Equal, C::ZelAlarm, QString(), {}});
    return conditions;
}

bool sameConditions(const std::vector<TGridFieldFilter>& a, const std::vector<TGridFieldFilter>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].test != b[i].test || a[i].column != b[i].column || a[i].value != b[i].value ||
            a[i].link != b[i].link)
            return false;
    }
    return true;
}

// The first byte ticks the boxes and the two check boxes; the lines of the rest are the
// texts of the boxes, the last box taking whatever is left.
FilterBarState barOf(std::uint8_t flags, const QString& text)
{
    FilterBarState bar;
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < FilterBoxCount; ++i) {
        bar.boxes[i].ticked = flags & (1u << i);
        if (i < lines.size())
            bar.boxes[i].text = i + 1 < FilterBoxCount ? lines[i] : lines.sliced(i).join(u'\n');
    }
    bar.hideExceptions = flags & 0x20;
    bar.onlyUnassigned = flags & 0x40;
    return bar;
}

void checkFilterBar(const FilterBarState& bar)
{
    const std::optional<TGridRowFilter> built = filterBarConditions(bar);
    if (!built) {
        // Refused only for a double quote in a ticked box.
        for (const FilterBox& box : bar.boxes) {
            if (box.ticked && box.text.contains(u'"'))
                return;
        }
        std::abort();
    }
    const std::vector<TGridFieldFilter> expected = expectedConditions(bar);
    if (!sameConditions(built->conditions, expected))
        std::abort();
    const ParsedFilter accepted = acceptFilter(*built);
    if (expected.empty()) {
        if (accepted.outcome != FilterParse::Invalid)
            std::abort();
        return;
    }
    if (expected.size() > std::size_t(MaxFilterConditions)) {
        if (accepted.outcome != FilterParse::TooComplex)
            std::abort();
        return;
    }
    if (accepted.outcome != FilterParse::Parsed ||
        !sameConditions(accepted.filter.conditions, expected))
        std::abort();
    testRows(accepted.filter, bar.boxes[0].text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    checkExpression(text);
    if (size == 0)
        return 0;
    const QString boxes =
        QString::fromUtf8(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    checkFilterBar(barOf(data[0], boxes));
    return 0;
}
