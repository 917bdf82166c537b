#include "ZelTreeItem.h"

#include "core/Language.h"
#include "ui/logic/ZelNodeText.h"

#include <QBrush>
#include <QFont>

using namespace Qt::StringLiterals;

ZelTreeItem::ZelTreeItem(QTreeWidget* tree)
    : QTreeWidgetItem(tree, QStringList{QStringLiteral("Zel")})
{
}

ZelTreeItem::ZelTreeItem(ZelTreeItem* parent, long long code, const QString& name)
    : QTreeWidgetItem(parent)
{
    setCodeAndName(code, name);
}

ZelTreeItem::ZelTreeItem(ZelTreeItem* parent, const QString& invalidCode, const QString& name)
    : QTreeWidgetItem(parent)
{
    setData(0, CodeRole, 0LL);
    setData(0, NameRole, name);
    setData(0, InvalidCodeRole, invalidCode);
    setText(0, name + u" ("_s + invalidCode + u')');
    showValidity();
}

void ZelTreeItem::setCodeAndName(long long code, const QString& name)
{
    setData(0, CodeRole, code);
    setData(0, NameRole, name);
    setData(0, InvalidCodeRole, QVariant());
    setText(0, makeNodeText(name, code));
    showValidity();
}

// A code that is no whole number stands out, and says why, until it is mended.
void ZelTreeItem::showValidity()
{
    const bool valid = hasValidCode();
    QFont font = this->font(0);
    font.setItalic(!valid);
    setFont(0, font);
    setForeground(0, valid ? QBrush() : QBrush(Qt::red));
    const QString hint =
        valid ? QString() : LangText(115, u"This code is not a whole number: edit or delete it"_s);
    setToolTip(0, hint);
    setData(0, Qt::AccessibleDescriptionRole, hint);
}

bool ZelTreeItem::hasValidCode() const
{
    return !data(0, InvalidCodeRole).isValid();
}

QString ZelTreeItem::codeText() const
{
    return hasValidCode() ? QString::number(code()) : data(0, InvalidCodeRole).toString();
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
    const auto invalidCode = [](const ZelTreeItem& node) {
        return node.hasValidCode() ? std::optional<std::string>()
                                   : std::optional<std::string>(node.codeText().toStdString());
    };
    switch (level()) {
    case Root:
        return {};
    case Location:
        return {code(), 0, invalidCode(*this)};
    case Alarm: {
        ZelItemKey key = static_cast<const ZelTreeItem*>(parent())->key();
        key.alarm = code();
        key.invalidAlarmCode = invalidCode(*this);
        return key;
    }
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
