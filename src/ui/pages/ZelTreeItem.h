#pragma once

#include <QTreeWidgetItem>

// A node of the ZEL location tree: the root "Zel", a location below it, or an alarm below a
// location. Siblings sort by the tree's own rule: locations (and the root) by their text as
// 8-bit characters, alarms by their code as a number; equal keys keep their order.
class ZelTreeItem : public QTreeWidgetItem
{
public:
    enum Level
    {
        Root,
        Location,
        Alarm,
    };

    using QTreeWidgetItem::QTreeWidgetItem;

    Level level() const;
    // Read back from the node text.
    int code() const;
    QString name() const;

    bool operator<(const QTreeWidgetItem& other) const override;
};
