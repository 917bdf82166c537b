#pragma once

#include "store/ZelCatalogue.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

// Builds the location nodes of the ZEL tree from the catalogue's entries, a slice at a time when
// asked, so that the event loop (and with it the engine's steps) is not held. A location's
// alarm nodes are made when first needed (alarmNodes): a full catalogue holds 990,000 alarms,
// whose nodes would take several times the memory of the file they came from. The nodes are
// made apart from the tree, where making them costs no notification, and go in location by
// location in the tree's own order, so that no sort of the filled tree is needed.
class ZelTreeFill
{
public:
    // The locations as the nodes will show them, in the tree's order.
    struct Location
    {
        long long code = 0;
        QString name;
        std::optional<QString> invalidCode; // the Code text when it is no whole number
        bool hasAlarms = false;
    };
    using Locations = std::vector<Location>;

    // Puts the locations in the tree's order, by their text as the tree sorts them; equal keys
    // keep their order. Their alarms are left out. The names are made here once and handed on
    // to the nodes. Touches no widget: it may run on another thread.
    static Locations prepare(std::vector<ZelLocationEntry> entries);

    // The nodes of a location's alarms, not yet in the tree, in the tree's order: by code,
    // equal codes in the order given.
    static QList<QTreeWidgetItem*> alarmNodes(std::vector<ZelAlarmEntry> alarms);

    // Takes the tree's nodes out and puts a new root in, opened once the tree is complete.
    ZelTreeFill(QTreeWidget& tree, Locations locations);
    ~ZelTreeFill();
    ZelTreeFill(const ZelTreeFill&) = delete;
    ZelTreeFill& operator=(const ZelTreeFill&) = delete;

    // Goes on for about budgetMs (everything when negative); true when the tree is complete.
    bool fillFor(int budgetMs);

private:
    bool discardSome(const QElapsedTimer& clock, int budgetMs);
    static bool overBudget(const QElapsedTimer& clock, int budgetMs);

    QTreeWidgetItem* m_root = nullptr;
    Locations m_locations;
    std::size_t m_next = 0;
    // The nodes of the tree before, deleted a slice at a time too.
    QList<QTreeWidgetItem*> m_discarded;
};
