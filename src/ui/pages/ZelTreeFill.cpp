#include "ZelTreeFill.h"

#include "ZelTreeItem.h"

#include "ui/logic/ZelNodeText.h"

#include <QTreeWidget>

#include <algorithm>
#include <numeric>

namespace {

// Locations between two looks at the clock: at most about a millisecond of work, when their
// alarm nodes have been made.
constexpr std::size_t kLocationsPerStep = 16;

QString nameOf(std::string& name)
{
    QString text = QString::fromStdString(name);
    name = {};
    return text;
}

std::optional<QString> invalidCodeOf(const std::optional<std::string>& code)
{
    return code ? std::optional<QString>(QString::fromStdString(*code)) : std::nullopt;
}

ZelTreeItem* makeNode(ZelTreeItem* parent, const QString& name, long long code,
                      const std::optional<QString>& invalidCode)
{
    if (invalidCode)
        return new ZelTreeItem(parent, *invalidCode, name);
    return new ZelTreeItem(parent, code, name);
}

} // namespace

// The order ZelTreeItem's comparison gives, with each location's sort key made once.
ZelTreeFill::Locations ZelTreeFill::prepare(std::vector<ZelLocationEntry> entries)
{
    Locations locations;
    locations.reserve(entries.size());
    for (ZelLocationEntry& entry : entries)
        locations.push_back(
            {entry.code, nameOf(entry.name), invalidCodeOf(entry.invalidCode), entry.hasAlarms});
    entries = {};
    std::vector<std::u32string> keys;
    keys.reserve(locations.size());
    for (const Location& location : locations)
        keys.push_back(locationSortKey(
            ZelTreeItem::nodeText(location.code, location.name, location.invalidCode)));
    std::vector<std::size_t> order(locations.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    Locations sorted;
    sorted.reserve(locations.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(locations[i]));
    return sorted;
}

QList<QTreeWidgetItem*> ZelTreeFill::alarmNodes(std::vector<ZelAlarmEntry> alarms)
{
    std::stable_sort(
        alarms.begin(), alarms.end(),
        [](const ZelAlarmEntry& a, const ZelAlarmEntry& b) { return a.code < b.code; });
    QList<QTreeWidgetItem*> nodes;
    nodes.reserve(qsizetype(alarms.size()));
    for (ZelAlarmEntry& alarm : alarms) {
        const QString name = nameOf(alarm.name);
        nodes << makeNode(nullptr, name, alarm.code, invalidCodeOf(alarm.invalidCode));
    }
    return nodes;
}

ZelTreeFill::ZelTreeFill(QTreeWidget& tree, Locations locations) : m_locations(std::move(locations))
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
    while (m_next < m_locations.size()) {
        QList<QTreeWidgetItem*> nodes;
        const std::size_t end = std::min(m_locations.size(), m_next + kLocationsPerStep);
        for (; m_next < end; ++m_next) {
            // The names go to the nodes; nothing is left behind to be held twice.
            const Location location = std::move(m_locations[m_next]);
            ZelTreeItem* node =
                makeNode(nullptr, location.name, location.code, location.invalidCode);
            node->setAlarmsPending(location.hasAlarms);
            nodes << node;
        }
        m_root->addChildren(nodes);
        if (overBudget(clock, budgetMs))
            break;
    }
    if (m_next < m_locations.size())
        return false;
    m_root->setExpanded(true);
    return true;
}
