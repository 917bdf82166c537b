#pragma once

#include "store/ZelCatalogue.h"

#include <QTreeWidgetItem>

#include <optional>

// A node of the ZEL location tree: the root "Zel", a location below it, or an alarm below a
// location. Each node holds the key of its element (location code, alarm code) and its name
// as data, set when it is made: the text is only what the operator reads.
// The key, the name and the text are kept as plain members, the text made when asked: a full
// catalogue is 990,000 nodes, and the item's own store of values would take twice the memory.
// Siblings sort by the tree's own rule: locations (and the root) by their text as 8-bit
// characters, alarms by their code as a number; equal keys keep their order.
// An element whose Code is no whole number is shown with that text, marked as not valid (a
// look of its own and a hint), and named by that text until the operator mends it.
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
    // The same for an element whose Code text is no whole number.
    ZelTreeItem(ZelTreeItem* parent, const QString& invalidCode, const QString& name);

    // The text a node shows for these values.
    static QString nodeText(long long code, const QString& name,
                            const std::optional<QString>& invalidCode);

    Level level() const;
    // The element's own code: the location's or the alarm's; 0 for the root and for a code
    // that is no whole number.
    long long code() const;
    // Whether the element's own Code is a whole number.
    bool hasValidCode() const;
    // The code as shown: the number, or the Code text that is none.
    QString codeText() const;
    QString name() const;
    // The element this node shows; for the root a key that names nothing.
    ZelItemKey key() const;

    // A location whose alarm nodes are still to be made: it shows that it can be opened. Its
    // alarms are made when first needed (ZelTreePane::makeAlarms), since a full catalogue has
    // 990,000 of them and the operator opens a few.
    bool alarmsPending() const { return m_alarmsPending; }
    void setAlarmsPending(bool pending);

    // After an edit: the new code and name, and the text made of them; a mended code loses
    // its mark.
    void setCodeAndName(long long code, const QString& name);

    bool operator<(const QTreeWidgetItem& other) const override;
    // The text shown, the code, the name and the mark of a code that is no whole number;
    // other roles as the item keeps them.
    QVariant data(int column, int role) const override;

private:
    enum Role
    {
        CodeRole = Qt::UserRole,
        NameRole,
        InvalidCodeRole, // the Code text when it is no whole number; no value otherwise
    };

    QVariant invalidMark(int role) const;

    // The root keeps its text as any item does.
    bool m_root = false;
    bool m_alarmsPending = false;
    long long m_code = 0;
    QString m_name;
    std::optional<QString> m_invalidCode;
};
