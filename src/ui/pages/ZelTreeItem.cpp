#include "ZelTreeItem.h"

#include "ui/logic/ZelNodeText.h"

ZelTreeItem::ZelTreeItem(QTreeWidget* tree)
    : QTreeWidgetItem(tree, QStringList{QStringLiteral("Zel")})
{
}

ZelTreeItem::ZelTreeItem(ZelTreeItem* parent, long long code, const QString& name)
    : QTreeWidgetItem(parent)
{
    setCodeAndName(code, name);
}

void ZelTreeItem::setCodeAndName(long long code, const QString& name)
{
    setData(0, CodeRole, code);
    setData(0, NameRole, name);
    setText(0, makeNodeText(name, code));
}

ZelTreeItem::Level ZelTreeItem::level() const
{
    if (!parent())
        return Root;
    return parent()->parent() ? Alarm : Location;
}

long long ZelTreeItem::code() const
{
    return data(0, CodeRole).toLongLong();
}

QString ZelTreeItem::name() const
{
    return data(0, NameRole).toString();
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
