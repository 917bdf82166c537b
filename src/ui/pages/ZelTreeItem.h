#pragma once

#include "store/ZelCatalogue.h"

#include <QTreeWidgetItem>

// A node of the ZEL location tree: the root "Zel", a location below it, or an alarm below a
// location. Each node holds the key of its element (location code, alarm code) and its name
// as data, set when it is made: the text is only what the operator reads.
// The key, the name and the text are kept as plain members, the text made when asked: a full
// catalogue is 990,000 nodes, and the item's own store of values would take twice the memory.
// Siblings sort by the tree's own rule: locations (and the root) by their text as 8-bit
// characters, alarms by their code as a number; equal keys keep their order.
class ZelTreeItem : public QTreeWidgetItem
{
public:
    enum Level
    {
        Root,
        Location,
        Alarm,
    };

    // The root "Zel".
    explicit ZelTreeItem(QTreeWidget* tree);
    // A location below the root, or an alarm below a location.
    ZelTreeItem(ZelTreeItem* parent, long long code, const QString& name);

    Level level() const;
    // The element's own code: the location's or the alarm's; 0 for the root.
    long long code() const;
    QString name() const;
    // The element this node shows; for the root a key that names nothing.
    ZelItemKey key() const;

    // After an edit: the new code and name, and the text made of them.
    void setCodeAndName(long long code, const QString& name);

    bool operator<(const QTreeWidgetItem& other) const override;
    // The text shown, the code and the name; other roles as the item keeps them.
    QVariant data(int column, int role) const override;

private:
    enum Role
    {
        CodeRole = Qt::UserRole,
        NameRole,
    };

    // The root keeps its text as any item does.
    bool m_root = false;
    long long m_code = 0;
    QString m_name;
};
