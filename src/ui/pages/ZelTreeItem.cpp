#include "ZelTreeItem.h"

#include "core/Language.h"
#include "ui/logic/ZelNodeText.h"

#include <QBrush>
#include <QFont>

using namespace Qt::StringLiterals;

ZelTreeItem::ZelTreeItem(QTreeWidget* tree)
    : QTreeWidgetItem(tree, QStringList{QStringLiteral("Zel")}), m_root(true)
{
}

ZelTreeItem::ZelTreeItem(ZelTreeItem* parent, long long code, const QString& name)
    : QTreeWidgetItem(parent)
{
    setCodeAndName(code, name);
}

ZelTreeItem::ZelTreeItem(ZelTreeItem* parent, const QString& invalidCode, const QString& name)
    : QTreeWidgetItem(parent), m_name(name), m_invalidCode(invalidCode)
{
}

QString ZelTreeItem::nodeText(long long code, const QString& name,
                              const std::optional<QString>& invalidCode)
{
    return invalidCode ? name + u" ("_s + *invalidCode + u')' : makeNodeText(name, code);
}

void ZelTreeItem::setCodeAndName(long long code, const QString& name)
{
    m_code = code;
    m_name = name;
    m_invalidCode.reset();
    emitDataChanged();
}

void ZelTreeItem::setAlarmsPending(bool pending)
{
    m_alarmsPending = pending;
    setChildIndicatorPolicy(pending ? ShowIndicator : DontShowIndicatorWhenChildless);
}

QVariant ZelTreeItem::data(int column, int role) const
{
    if (column != 0 || m_root)
        return QTreeWidgetItem::data(column, role);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return nodeText(m_code, m_name, m_invalidCode);
    case CodeRole:
        return m_code;
    case NameRole:
        return m_name;
    case InvalidCodeRole:
        return m_invalidCode ? QVariant(*m_invalidCode) : QVariant();
    case Qt::FontRole:
    case Qt::ForegroundRole:
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        if (m_invalidCode)
            return invalidMark(role);
        break;
    default:
        break;
    }
    return QTreeWidgetItem::data(column, role);
}

// A code that is no whole number stands out, and says why, until it is mended.
QVariant ZelTreeItem::invalidMark(int role) const
{
    switch (role) {
    case Qt::FontRole: {
        QFont font = QTreeWidgetItem::data(0, Qt::FontRole).value<QFont>();
        font.setItalic(true);
        return font;
    }
    case Qt::ForegroundRole:
        return QBrush(Qt::red);
    default:
        return LangText(115, u"This code is not a whole number: edit or delete it"_s);
    }
}

bool ZelTreeItem::hasValidCode() const
{
    return !m_invalidCode;
}

QString ZelTreeItem::codeText() const
{
    return m_invalidCode ? *m_invalidCode : QString::number(m_code);
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
