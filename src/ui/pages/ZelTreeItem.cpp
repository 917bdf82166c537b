#include "ZelTreeItem.h"

#include "ui/logic/ZelNodeText.h"

ZelTreeItem::Level ZelTreeItem::level() const
{
    if (!parent())
        return Root;
    return parent()->parent() ? Alarm : Location;
}

int ZelTreeItem::code() const
{
    return SplitNodeText(text(0)).code;
}

QString ZelTreeItem::name() const
{
    return SplitNodeText(text(0)).name;
}

// Ascending order puts b after a exactly when the rule says so; equal keys are not less, and
// the stable sort keeps them in place.
bool ZelTreeItem::operator<(const QTreeWidgetItem& other) const
{
    if (level() == Alarm)
        return SplitNodeText(other.text(0)).code > code();
    return locationTextGoesAfter(other.text(0), text(0));
}
