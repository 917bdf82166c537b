#include "ZelTreeItem.h"

#include "ui/logic/ZelNodeText.h"

ZelTreeItem::ZelTreeItem(QTreeWidget* tree)
    : QTreeWidgetItem(tree, QStringList{QStringLiteral("Zel")}), m_root(true)
{
}

ZelTreeItem::ZelTreeItem(ZelTreeItem* parent, long long code, const QString& name)
    : QTreeWidgetItem(parent)
{
    setCodeAndName(code, name);
}

void ZelTreeItem::setCodeAndName(long long code, const QString& name)
{
    m_code = code;
    m_name = name;
    emitDataChanged();
}

QVariant ZelTreeItem::data(int column, int role) const
{
    if (column != 0 || m_root)
        return QTreeWidgetItem::data(column, role);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return makeNodeText(m_name, m_code);
    case CodeRole:
        return m_code;
    case NameRole:
        return m_name;
    default:
        return QTreeWidgetItem::data(column, role);
    }
}

ZelTreeItem::Level ZelTreeItem::level() const
{
    if (!parent())
        return Root;
    return parent()->parent() ? Alarm : Location;
}

long long ZelTreeItem::code() const
{
    return m_code;
}

QString ZelTreeItem::name() const
{
    return m_name;
}

ZelItemKey ZelTreeItem::key() const
{
    switch (level()) {
    case Root:
        return {};
    case Location:
        return {code(), 0};
    case Alarm:
        return {static_cast<const ZelTreeItem*>(parent())->code(), code()};
    }
    return {};
}

// Ascending order puts b after a exactly when the rule says so; equal keys are not less, and
// the stable sort keeps them in place.
bool ZelTreeItem::operator<(const QTreeWidgetItem& other) const
{
    if (level() == Alarm)
        return static_cast<const ZelTreeItem&>(other).code() > code();
    return locationTextGoesAfter(other.text(0), text(0));
}
