#include "ZelTreeFill.h"

#include "ZelTreeItem.h"

#include "ui/logic/ZelNodeText.h"

#include <QTreeWidget>

#include <algorithm>
#include <numeric>

namespace {

// Locations between two looks at the clock: about a millisecond of work.
constexpr std::size_t kLocationsPerStep = 16;

QString nameOf(const std::string& name)
{
    return QString::fromStdString(name);
}

} // namespace

// The order ZelTreeItem's comparison gives, with each location's sort key made once.
void ZelTreeFill::sortForTree(std::vector<ZelLocationEntry>& entries)
{
    for (ZelLocationEntry& location : entries) {
        std::stable_sort(
            location.alarms.begin(), location.alarms.end(),
            [](const ZelAlarmEntry& a, const ZelAlarmEntry& b) { return a.code < b.code; });
    }
    std::vector<std::u32string> keys;
    keys.reserve(entries.size());
    for (const ZelLocationEntry& location : entries)
        keys.push_back(locationSortKey(makeNodeText(nameOf(location.name), location.code)));
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<ZelLocationEntry> sorted;
    sorted.reserve(entries.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(entries[i]));
    entries = std::move(sorted);
}

ZelTreeFill::ZelTreeFill(QTreeWidget& tree, std::vector<ZelLocationEntry> entries)
    : m_entries(std::move(entries))
{
    if (QTreeWidgetItem* old = tree.takeTopLevelItem(0)) {
        m_discarded = old->takeChildren();
        delete old;
    }
    tree.clear();
    // Opened when complete: nodes added below an open node lay out all its rows again, which
    // for thousands of locations would cost more than the slice that added them.
    m_root = new ZelTreeItem(&tree);
}

ZelTreeFill::~ZelTreeFill()
{
    qDeleteAll(m_discarded);
}

bool ZelTreeFill::overBudget(const QElapsedTimer& clock, int budgetMs)
{
    return budgetMs >= 0 && clock.elapsed() >= budgetMs;
}

bool ZelTreeFill::discardSome(const QElapsedTimer& clock, int budgetMs)
{
    while (!m_discarded.isEmpty()) {
        const qsizetype count = std::min<qsizetype>(m_discarded.size(), kLocationsPerStep);
        for (qsizetype i = m_discarded.size() - count; i < m_discarded.size(); ++i)
            delete m_discarded[i];
        m_discarded.resize(m_discarded.size() - count);
        if (overBudget(clock, budgetMs))
            return false;
    }
    return true;
}

bool ZelTreeFill::fillFor(int budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    if (!discardSome(clock, budgetMs))
        return false;
    while (m_next < m_entries.size()) {
        QList<QTreeWidgetItem*> locations;
        const std::size_t end = std::min(m_entries.size(), m_next + kLocationsPerStep);
        for (; m_next < end; ++m_next) {
            ZelLocationEntry& entry = m_entries[m_next];
            auto* location = new ZelTreeItem(nullptr, entry.code, nameOf(entry.name));
            for (const ZelAlarmEntry& alarm : entry.alarms)
                new ZelTreeItem(location, alarm.code, nameOf(alarm.name));
            locations << location;
            // What is in the tree is no longer held twice.
            entry = {};
        }
        m_root->addChildren(locations);
        if (overBudget(clock, budgetMs))
            break;
    }
    if (m_next < m_entries.size())
        return false;
    m_root->setExpanded(true);
    return true;
}
