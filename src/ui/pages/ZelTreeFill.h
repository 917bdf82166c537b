#pragma once

#include "store/ZelCatalogue.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

// Builds the nodes of the ZEL tree from the catalogue's entries, a slice at a time when asked:
// a full catalogue is 990,000 nodes, which would hold the event loop (and with it the engine's
// steps) for seconds in one go. The nodes are made apart from the tree, where making them
// costs no notification, and go in location by location in the tree's own order, so that no
// sort of the filled tree is needed.
class ZelTreeFill
{
public:
    // The entries as the nodes will show them, in the tree's order.
    struct Alarm
    {
        long long code = 0;
        QString name;
        std::optional<QString> invalidCode; // the Code text when it is no whole number
    };
    struct Location
    {
        long long code = 0;
        QString name;
        std::vector<Alarm> alarms;
        std::optional<QString> invalidCode;
    };
    using Locations = std::vector<Location>;

    // Puts the entries in the tree's order: locations by their text as the tree sorts them,
    // alarms by their code; equal keys keep their order. The names are made here once and
    // handed on to the nodes. Touches no widget: it may run on another thread.
    static Locations prepare(std::vector<ZelLocationEntry> entries);

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
